#!/usr/bin/python3
"""Serves the calendar page and the loading picture on the suite's server
addresses, runs a command, stops.

    suite_server.py HOST:PORT[,HOST:PORT...] -- command [args...]

The calendar asks for its page and picture at fixed addresses (compiled in),
so this server listens there rather than on a free port. The command steers
it through files in a fresh folder whose path it finds in WXB_SUITE_ROOT:

  page      how the page is answered: "serve" (the default) sends a small
            page; "503" answers Service Unavailable; "down" closes every
            address (connections are refused) until the file says otherwise
  picture   the bytes answered for the picture's path
  mode      how to answer: "serve" (the default) sends it whole with its
            Content-Length; "cut" promises the whole length, sends half and
            closes; "missing" answers 404 with a small page
  requests  the server appends "<path> <mode>" for each request it finished
            (the page's mode for the page)

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
import time

PAGE_PATH = "/ToolsInterface/tessaly/tessalyinterface.html"
PICTURE_PATH = "/oempage/ad/topright/images/loading.bmp"


def read(root, name, default=b""):
    try:
        with open(os.path.join(root, name), "rb") as f:
            return f.read()
    except OSError:
        return default


class SuiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def read(self, name, default=b""):
        return read(self.server.root, name, default)

    def send_page(self, status, page):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(page)))
        self.end_headers()
        self.wfile.write(page)

    def do_GET(self):
        mode = self.read("mode", b"serve").decode().strip() or "serve"
        picture = self.read("picture")
        if self.path == PAGE_PATH:
            mode = self.read("page", b"serve").decode().strip() or "serve"
            self.send_page(503 if mode == "503" else 200, b"<html><body>%s</body></html>" % mode.encode())
        elif self.path != PICTURE_PATH or mode == "missing":
            self.send_page(404, b"<html><body>Not Found</body></html>")
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


def listen(addresses, root):
    servers = []
    for address in addresses:
        host, port = address.rsplit(":", 1)
        servers.append(http.server.ThreadingHTTPServer((host, int(port)), SuiteHandler))
        servers[-1].root = root
        threading.Thread(target=servers[-1].serve_forever, daemon=True).start()
    return servers


def close(servers):
    for server in servers:
        server.shutdown()
        server.server_close()
    return []


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        sys.exit(__doc__)
    addresses = set(sys.argv[1].split(","))
    root = tempfile.mkdtemp(prefix="wxb-suite-")
    servers = listen(addresses, root)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        command = subprocess.Popen(sys.argv[3:], env=dict(os.environ, WXB_SUITE_ROOT=root))
        while command.poll() is None:
            down = read(root, "page").strip() == b"down"
            if down and servers:
                servers = close(servers)
            elif not down and not servers:
                servers = listen(addresses, root)
            time.sleep(0.05)
        code = command.returncode
    finally:
        close(servers)
        shutil.rmtree(root, ignore_errors=True)
    sys.exit(code)


if __name__ == "__main__":
    main()
