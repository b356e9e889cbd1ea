#!/usr/bin/python3
"""Serves the loading picture on the suite's picture server address, runs a
command, stops.

    picture_server.py HOST:PORT -- command [args...]

The calendar asks for its picture at a fixed address (compiled in), so this
server listens there rather than on a free port. The command steers it
through files in a fresh folder whose path it finds in WXB_PICTURE_ROOT:

  picture   the bytes answered for the picture's path
  mode      how to answer: "serve" (the default) sends it whole with its
            Content-Length; "cut" promises the whole length, sends half and
            closes; "missing" answers 404 with a small page
  requests  the server appends "<path> <mode>" for each request it finished

The command's exit code is passed through.
"""

import http.server
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading

PICTURE_PATH = "/oempage/ad/topright/images/loading.bmp"


class PictureHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def read(self, name, default=b""):
        try:
            with open(os.path.join(self.server.root, name), "rb") as f:
                return f.read()
        except OSError:
            return default

    def do_GET(self):
        mode = self.read("mode", b"serve").decode().strip() or "serve"
        picture = self.read("picture")
        if self.path != PICTURE_PATH or mode == "missing":
            page = b"<html><body>Not Found</body></html>"
            self.send_response(404)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)
        else:
            self.send_response(200)
            self.send_header("Content-Type", "image/bmp")
            self.send_header("Content-Length", str(len(picture)))
            self.end_headers()
            if mode == "cut":
                self.wfile.write(picture[: len(picture) // 2])
                self.wfile.flush()
                self.close_connection = True
            else:
                self.wfile.write(picture)
        with open(os.path.join(self.server.root, "requests"), "a") as log:
            log.write("%s %s\n" % (self.path, mode))

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        sys.exit(__doc__)
    host, port = sys.argv[1].rsplit(":", 1)
    root = tempfile.mkdtemp(prefix="wxb-picture-")
    server = http.server.ThreadingHTTPServer((host, int(port)), PictureHandler)
    server.root = root
    threading.Thread(target=server.serve_forever, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        env = dict(os.environ, WXB_PICTURE_ROOT=root)
        code = subprocess.call(sys.argv[3:], env=env)
    finally:
        server.shutdown()
        server.server_close()
        shutil.rmtree(root, ignore_errors=True)
    sys.exit(code)


if __name__ == "__main__":
    main()
