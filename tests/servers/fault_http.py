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
  noifrange=1   ignore If-Range: answer Range even when the date differs
                (If-Range is otherwise honoured: a date other than the
                Last-Modified sent gives 200 with the whole file)
  badrange=1    answer a Range request with 206 starting one byte late
  nocrange=1    answer a Range request with 206 without Content-Range
  always206=1   answer 206 with a Content-Range also without Range
  status=NNN    answer NNN with a 5-byte body instead of the file
  nolength=1    no Content-Length; the body ends with the connection
  noreason=1    status line without reason phrase ("HTTP/1.1 200")
  longline=L    add a header line "X-Long: aaa..." of L bytes, the last one
  headline=TEXT add TEXT (percent-decoded, any bytes) as the last header line
  headcut=K     send only the first K bytes of the header, then close
  headstall=K   send only the first K bytes of the header, then stay silent
  headdelay=MS  wait MS milliseconds before answering
  te=CODING     add "Transfer-Encoding: CODING"; "chunked" also frames the
                body in chunks (Content-Length still names the file size)
  bighead=1     add 70000 bytes of header lines
  twolengths=1  two differing Content-Length lines
  extra=E       E bytes of 0xEE after the body, before the close
  redirect=URL  302 with that Location (percent-decoded); decoy=1 adds
                "X-Note: location: /decoy" and "Content-Location: /decoy"
                before it
  loop=1        302 back to the same target
  lastmod=SECS  Last-Modified from that Unix time (default 1000000000);
                "none" sends no Last-Modified, other text is sent as it stands
  echo=1        the body is the request as received (target and headers)

Over TLS (a server made with a certificate) also:
  cutrecord=K   after K body bytes, the header and a few bytes of a record
                that never ends, then close: a record cut in the middle
  closenotify=K after K body bytes, close_notify, then close

The path "/_hits" answers with the number of requests seen so far for the
target given in its query parameter "of" (percent-encoded path and query);
"/_sent" likewise with the number of body bytes handed to the network, and
"/_heads" with the heads of those requests (without the empty line ending
each), one after another, each followed by an empty line. Over TLS, "/_notified" answers with the
number of those connections whose client answered our close_notify at the
end of a whole answer.
"""

import email.utils
import os
import socket
import socketserver
import ssl
import struct
import threading
import time
import urllib.parse

DEFAULT_SIZE = 100000
STALL_LIMIT_SECONDS = 30
# How long a TLS connection waits for the client's close_notify.
CLOSE_NOTIFY_SECONDS = 5


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
        if self.server.tls is not None:
            try:
                sock = self.request = self.server.tls.wrap_socket(sock, server_side=True)
            except (ssl.SSLError, OSError):
                return
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
        query = dict(urllib.parse.parse_qsl(split.query, keep_blank_values=True, encoding="latin-1"))
        hits = self.server.count_hit(key, head)
        try:
            self.answer(sock, key, query, headers, head, hits)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass

    def answer(self, sock, key, query, headers, head, hits):
        of = query.get("of", "")
        if key.startswith("/_hits") or key.startswith("/_sent"):
            count = self.server.hits_of(of) if key.startswith("/_hits") else self.server.sent_of(of)
            self.send(sock, "200 OK", [], str(count).encode())
            return
        if key.startswith("/_notified"):
            self.send(sock, "200 OK", [], str(self.server.notified_of(of)).encode())
            return
        if key.startswith("/_heads"):
            self.send(sock, "200 OK", [], "".join(h + "\r\n\r\n" for h in self.server.heads_of(of)).encode("latin-1"))
            return
        misbehave = "times" not in query or hits <= int(query["times"])
        if misbehave and "headdelay" in query:
            time.sleep(int(query["headdelay"]) / 1000.0)
        size = int(query.get("size", DEFAULT_SIZE))
        extra_lines = []
        if "bighead" in query:
            extra_lines += ["X-Filler-%d: %s" % (i, "f" * 90) for i in range(700)]
        last_lines = []
        if "longline" in query:
            last_lines.append("X-Long: " + "a" * (int(query["longline"]) - len("X-Long: ")))
        if misbehave and "headline" in query:
            last_lines.append(query["headline"])

        if "echo" in query:
            self.send(sock, "200 OK", extra_lines, head.encode("latin-1"), last_lines=last_lines)
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

        lastmod = query.get("lastmod", "1000000000")
        if lastmod.isdigit():
            lastmod = email.utils.formatdate(int(lastmod), usegmt=True)
        lines = extra_lines + ([] if lastmod == "none" else ["Last-Modified: " + lastmod])
        start = 0
        status = "200 OK"
        range_header = headers.get("range", "")
        # If-Range with a date holds only when it is the Last-Modified we send.
        if_range = headers.get("if-range")
        range_holds = if_range is None or if_range == lastmod or (misbehave and "noifrange" in query)
        if range_header.startswith("bytes=") and range_holds and not (misbehave and "norange" in query):
            start = int(range_header[6:].split("-")[0])
            if start >= size:
                self.send(sock, "416 Range Not Satisfiable", ["Content-Range: bytes */%d" % size], b"")
                return
            status = "206 Partial Content"
            shown = start + 1 if misbehave and "badrange" in query else start
            if not (misbehave and "nocrange" in query):
                lines.append("Content-Range: bytes %d-%d/%d" % (shown, size - 1, size))
        elif misbehave and "always206" in query:
            status = "206 Partial Content"
            lines.append("Content-Range: bytes 0-%d/%d" % (size - 1, size))
        body = pattern_bytes(start, size - start)
        length = None if misbehave and "nolength" in query else len(body)
        if misbehave and "twolengths" in query:
            lines.append("Content-Length: %d" % (len(body) + 1))
        if misbehave and "noreason" in query:
            status = status.split(" ")[0]
        if misbehave and "extra" in query:
            body += b"\xee" * int(query["extra"])
        if misbehave and "te" in query:
            lines.append("Transfer-Encoding: " + query["te"])
            if query["te"] == "chunked":
                body = b"".join(b"%x\r\n%s\r\n" % (len(body[i : i + 4096]), body[i : i + 4096])
                                for i in range(0, len(body), 4096)) + b"0\r\n\r\n"
        if misbehave and ("headcut" in query or "headstall" in query):
            text = self.header_text(status, lines, length, last_lines)
            sock.sendall(text[: int(query.get("headcut", query.get("headstall")))])
            if "headstall" in query:
                self.wait_for_close(sock)
            return

        if misbehave and "cut" in query:
            self.send(sock, status, lines, body[: int(query["cut"])], length, last_lines)
            self.server.count_sent(key, min(len(body), int(query["cut"])))
            if "reset" in query:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.server.reset_requested(sock)
            return
        if misbehave and "cutrecord" in query:
            self.send(sock, status, lines, body[: int(query["cutrecord"])], length, last_lines)
            # Beneath TLS: an application data record of 16384 bytes, 100 of them sent.
            with socket.socket(fileno=os.dup(sock.fileno())) as raw:
                raw.sendall(b"\x17\x03\x03\x40\x00" + b"\x00" * 100)
            return
        if misbehave and "closenotify" in query:
            self.send(sock, status, lines, body[: int(query["closenotify"])], length, last_lines)
            self.close_tls(sock)
            return
        if misbehave and "stall" in query:
            self.send(sock, status, lines, body[: int(query["stall"])], length, last_lines)
            self.wait_for_close(sock)
            return
        if misbehave and "slow" in query:
            self.send(sock, status, lines, b"", length, last_lines)
            pause = int(query["slow"]) / 1000.0
            for at in range(0, len(body), 4096):
                sock.sendall(body[at : at + 4096])
                time.sleep(pause)
            return
        self.send(sock, status, lines, body, length, last_lines)
        self.server.count_sent(key, len(body))
        if self.server.tls is not None and self.close_tls(sock):
            self.server.count_notified(key)

    @staticmethod
    def close_tls(sock):
        """Sends close_notify; whether the client answered with its own."""
        sock.settimeout(CLOSE_NOTIFY_SECONDS)
        try:
            sock.unwrap()
            return True
        except (ssl.SSLError, OSError):
            return False

    @staticmethod
    def header_text(status, lines, length, last_lines):
        text = "HTTP/1.1 %s\r\n" % status
        text += "".join(line + "\r\n" for line in lines)
        if length is not None:
            text += "Content-Length: %d\r\n" % length
        text += "Connection: close\r\n"
        text += "".join(line + "\r\n" for line in last_lines)
        return (text + "\r\n").encode("latin-1")

    @classmethod
    def send(cls, sock, status, lines, body, length=-1, last_lines=()):
        sock.sendall(cls.header_text(status, lines, len(body) if length == -1 else length, last_lines) + body)

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

    def __init__(self, port, tls=None):
        """tls: an ssl.SSLContext for the server side, or None for plain HTTP."""
        super().__init__(("127.0.0.1", port), _Handler)
        self.tls = tls
        self._notified = {}
        self._lock = threading.Lock()
        self._hits = {}
        self._heads = {}
        self._sent = {}
        self._resets = set()

    def count_hit(self, key, head):
        with self._lock:
            self._hits[key] = self._hits.get(key, 0) + 1
            self._heads.setdefault(key, []).append(head)
            return self._hits[key]

    def hits_of(self, key):
        with self._lock:
            return self._hits.get(key, 0)

    def heads_of(self, key):
        with self._lock:
            return list(self._heads.get(key, []))

    def count_sent(self, key, count):
        with self._lock:
            self._sent[key] = self._sent.get(key, 0) + count

    def sent_of(self, key):
        with self._lock:
            return self._sent.get(key, 0)

    def count_notified(self, key):
        with self._lock:
            self._notified[key] = self._notified.get(key, 0) + 1

    def notified_of(self, key):
        with self._lock:
            return self._notified.get(key, 0)

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
