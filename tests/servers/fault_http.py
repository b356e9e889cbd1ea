"""A small HTTP/1.1 server that misbehaves on request, for download tests.

Every answer is driven by the query of the request target, so one server
serves all tests at once. The body is a fixed byte pattern (pattern_bytes),
which test programs can rebuild to check a download byte for byte:

    byte i of the file = (i * 131 + (i >> 8) * 7 + 13) & 0xFF

Query parameters (all optional; several may be combined):
  size=N        file size in bytes (default 100000)
  times=T       misbehave only in the first T requests for this target
                (counted per path and query); afterwards answer normally
  cut=K         close the connection after K body bytes
  reset=1       with cut: end with a reset (RST), so bytes still in flight
                are lost instead of delivered
  stall=K       send K body bytes, then keep the connection open and silent
  slow=MS       send the body in 4096-byte pieces, MS milliseconds apart
  norange=1     ignore Range: always 200 with the whole file
  badrange=1    answer a Range request with 206 starting one byte late
  status=NNN    answer NNN with a 5-byte body instead of the file
  nolength=1    no Content-Length; the body ends with the connection
  noreason=1    status line without reason phrase ("HTTP/1.1 200")
  longline=L    add a header line "X-Long: aaa..." of L bytes
  bighead=1     add 70000 bytes of header lines
  twolengths=1  two differing Content-Length lines
  extra=E       E bytes of 0xEE after the body, before the close
  redirect=URL  302 with that Location (percent-decoded); decoy=1 adds
                "X-Note: location: /decoy" and "Content-Location: /decoy"
                before it
  loop=1        302 back to the same target
  lastmod=SECS  Last-Modified from that Unix time (default 1000000000)
  echo=1        the body is the request as received (target and headers)

The path "/_hits" answers with the number of requests seen so far for the
target given in its query parameter "of" (percent-encoded path and query);
"/_sent" likewise with the number of body bytes handed to the network.
"""

import email.utils
import socket
import socketserver
import struct
import threading
import time
import urllib.parse

DEFAULT_SIZE = 100000
STALL_LIMIT_SECONDS = 30


# The pattern repeats every 65536 bytes: i * 131 mod 256 depends on the low
# byte of i only, (i >> 8) * 7 mod 256 on the next one.
_PERIOD = bytes(((i * 131 + (i >> 8) * 7 + 13) & 0xFF) for i in range(65536))


def pattern_bytes(offset, length):
    start = offset % len(_PERIOD)
    repeats = (start + length) // len(_PERIOD) + 1
    return (_PERIOD * repeats)[start : start + length]


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        request = b""
        while b"\r\n\r\n" not in request and len(request) < 65536:
            piece = sock.recv(4096)
            if not piece:
                return
            request += piece
        head = request.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = head.split("\r\n")
        parts = lines[0].split(" ")
        if len(parts) != 3:
            return
        target = parts[1]
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers.setdefault(name.strip().lower(), value.strip())
        # Through an HTTP proxy the target is the whole URL.
        split = urllib.parse.urlsplit(target)
        key = split.path + ("?" + split.query if split.query else "")
        query = dict(urllib.parse.parse_qsl(split.query, keep_blank_values=True))
        hits = self.server.count_hit(key)
        try:
            self.answer(sock, key, query, headers, head, hits)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer(self, sock, key, query, headers, head, hits):
        if key.startswith("/_hits") or key.startswith("/_sent"):
            of = query.get("of", "")
            count = self.server.hits_of(of) if key.startswith("/_hits") else self.server.sent_of(of)
            self.send(sock, "200 OK", [], str(count).encode())
            return
        misbehave = "times" not in query or hits <= int(query["times"])
        size = int(query.get("size", DEFAULT_SIZE))
        extra_lines = []
        if "longline" in query:
            extra_lines.append("X-Long: " + "a" * (int(query["longline"]) - len("X-Long: ")))
        if "bighead" in query:
            extra_lines += ["X-Filler-%d: %s" % (i, "f" * 90) for i in range(700)]

        if "echo" in query:
            self.send(sock, "200 OK", extra_lines, head.encode("latin-1"))
            return
        if misbehave and "status" in query:
            code = int(query["status"])
            self.send(sock, "%d Test" % code, extra_lines, b"error")
            return
        if misbehave and "loop" in query:
            self.send(sock, "302 Found", ["Location: " + key], b"")
            return
        if misbehave and "redirect" in query:
            lines = ["X-Note: location: /decoy", "Content-Location: /decoy"] if "decoy" in query else []
            self.send(sock, "302 Found", lines + ["Location: " + query["redirect"]], b"")
            return

        lastmod = email.utils.formatdate(int(query.get("lastmod", 1000000000)), usegmt=True)
        lines = extra_lines + ["Last-Modified: " + lastmod]
        start = 0
        status = "200 OK"
        range_header = headers.get("range", "")
        if range_header.startswith("bytes=") and not (misbehave and "norange" in query):
            start = int(range_header[6:].split("-")[0])
            if start >= size:
                self.send(sock, "416 Range Not Satisfiable", ["Content-Range: bytes */%d" % size], b"")
                return
            status = "206 Partial Content"
            shown = start + 1 if misbehave and "badrange" in query else start
            lines.append("Content-Range: bytes %d-%d/%d" % (shown, size - 1, size))
        body = pattern_bytes(start, size - start)
        length = None if misbehave and "nolength" in query else len(body)
        if misbehave and "twolengths" in query:
            lines.append("Content-Length: %d" % (len(body) + 1))
        if misbehave and "noreason" in query:
            status = status.split(" ")[0]
        if misbehave and "extra" in query:
            body += b"\xee" * int(query["extra"])

        if misbehave and "cut" in query:
            self.send(sock, status, lines, body[: int(query["cut"])], length)
            self.server.count_sent(key, min(len(body), int(query["cut"])))
            if "reset" in query:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.server.reset_requested(sock)
            return
        if misbehave and "stall" in query:
            self.send(sock, status, lines, body[: int(query["stall"])], length)
            self.wait_for_close(sock)
            return
        if misbehave and "slow" in query:
            self.send(sock, status, lines, b"", length)
            pause = int(query["slow"]) / 1000.0
            for at in range(0, len(body), 4096):
                sock.sendall(body[at : at + 4096])
                time.sleep(pause)
            return
        self.send(sock, status, lines, body, length)
        self.server.count_sent(key, len(body))

    @staticmethod
    def send(sock, status, lines, body, length=-1):
        if length == -1:
            length = len(body)
        text = "HTTP/1.1 %s\r\n" % status
        text += "".join(line + "\r\n" for line in lines)
        if length is not None:
            text += "Content-Length: %d\r\n" % length
        text += "Connection: close\r\n\r\n"
        sock.sendall(text.encode("latin-1") + body)

    @staticmethod
    def wait_for_close(sock):
        sock.settimeout(STALL_LIMIT_SECONDS)
        try:
            while sock.recv(4096):
                pass
        except OSError:
            pass


class FaultHttpServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port):
        super().__init__(("127.0.0.1", port), _Handler)
        self._lock = threading.Lock()
        self._hits = {}
        self._sent = {}
        self._resets = set()

    def count_hit(self, key):
        with self._lock:
            self._hits[key] = self._hits.get(key, 0) + 1
            return self._hits[key]

    def hits_of(self, key):
        with self._lock:
            return self._hits.get(key, 0)

    def count_sent(self, key, count):
        with self._lock:
            self._sent[key] = self._sent.get(key, 0) + count

    def sent_of(self, key):
        with self._lock:
            return self._sent.get(key, 0)

    def reset_requested(self, request):
        with self._lock:
            self._resets.add(request)

    def shutdown_request(self, request):
        with self._lock:
            reset = request in self._resets
            self._resets.discard(request)
        # Close at once, without the half-close that would wait for the client;
        # a reset closes without even sending what is still queued.
        if not reset:
            try:
                request.shutdown(socket.SHUT_WR)
            except OSError:
                pass
        request.close()
