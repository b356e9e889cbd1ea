"""A SOCKS 4, 4A and 5 proxy (CONNECT only) with modes for refusal tests.

Modes, one per listening port:
  normal    grants every CONNECT; SOCKS 5 asks for user name and password
            (method 2) when credentials are configured and the client
            offers them, else uses method 0
  nomethod  SOCKS 5: answers the greeting with 05 FF (no acceptable method)
  wantauth  SOCKS 5: always chooses method 2, whatever the client offered
  cut       closes the connection in the middle of its first reply
  cutauth   SOCKS 5: chooses method 2, then closes in the middle of the
            user name and password reply
  cutconnect SOCKS 5: closes in the middle of the CONNECT reply
  reject    refuses every CONNECT (SOCKS 4: code 91; SOCKS 5: code 5)

Host names the proxy cannot resolve are taken to mean 127.0.0.1, so tests
can ask for a name only the proxy "knows" (SOCKS 4A, SOCKS 5 type 3).

Each request packet received is appended to the log file as one line,
"<mode> <kind> <hex bytes>", kind being greeting, auth or connect.
"""

import select
import socket
import socketserver
import threading

RELAY_IDLE_SECONDS = 30


def _read(sock, n):
    data = b""
    while len(data) < n:
        piece = sock.recv(n - len(data))
        if not piece:
            raise ConnectionError("closed")
        data += piece
    return data


def _read_zero_ended(sock):
    data = b""
    while True:
        b = _read(sock, 1)
        if b == b"\0":
            return data
        data += b


def _resolve(name):
    try:
        return socket.gethostbyname(name)
    except OSError:
        return "127.0.0.1"


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        try:
            version = _read(self.request, 1)
            if version == b"\x04":
                self.socks4()
            elif version == b"\x05":
                self.socks5()
        except (ConnectionError, OSError):
            pass

    def log(self, kind, packet):
        self.server.log(kind, packet)

    def socks4(self):
        sock = self.request
        head = _read(sock, 7)
        user = _read_zero_ended(sock)
        packet = b"\x04" + head + user + b"\0"
        port = int.from_bytes(head[1:3], "big")
        address = socket.inet_ntoa(head[3:7])
        if head[3:6] == b"\0\0\0" and head[6] != 0:
            name = _read_zero_ended(sock)
            packet += name + b"\0"
            address = _resolve(name.decode("latin-1"))
        self.log("connect", packet)
        mode = self.server.mode
        if mode == "cut":
            sock.sendall(b"\x00\x5a\x00")
            return
        if mode == "reject":
            sock.sendall(b"\x00\x5b" + b"\0" * 6)
            return
        upstream = self.open(address, port)
        sock.sendall((b"\x00\x5a" if upstream else b"\x00\x5b") + b"\0" * 6)
        if upstream:
            self.relay(upstream)

    def socks5(self):
        sock = self.request
        count = _read(sock, 1)
        methods = _read(sock, count[0])
        self.log("greeting", b"\x05" + count + methods)
        mode = self.server.mode
        if mode == "nomethod":
            sock.sendall(b"\x05\xff")
            return
        if mode == "cut":
            sock.sendall(b"\x05")
            return
        wants_auth = mode in ("wantauth", "cutauth") or (self.server.credentials and 2 in methods)
        sock.sendall(b"\x05\x02" if wants_auth else b"\x05\x00")
        if wants_auth:
            version = _read(sock, 1)
            user = _read(sock, _read(sock, 1)[0])
            password = _read(sock, _read(sock, 1)[0])
            self.log("auth", version + bytes([len(user)]) + user + bytes([len(password)]) + password)
            if mode == "cutauth":
                sock.sendall(b"\x01")
                return
            good = self.server.credentials == (user.decode("latin-1"), password.decode("latin-1"))
            sock.sendall(b"\x01\x00" if good else b"\x01\x01")
            if not good:
                return
        head = _read(sock, 4)
        if head[3] == 1:
            raw = _read(sock, 4)
            address = socket.inet_ntoa(raw)
        elif head[3] == 3:
            length = _read(sock, 1)
            raw = length + _read(sock, length[0])
            address = _resolve(raw[1:].decode("latin-1"))
        else:
            return
        port_bytes = _read(sock, 2)
        self.log("connect", head + raw + port_bytes)
        if mode == "cutconnect":
            sock.sendall(b"\x05\x00\x00")
            return
        upstream = None if mode == "reject" else self.open(address, int.from_bytes(port_bytes, "big"))
        code = b"\x00" if upstream else b"\x05"
        sock.sendall(b"\x05" + code + b"\x00\x01\x7f\x00\x00\x01\x00\x00")
        if upstream:
            self.relay(upstream)

    @staticmethod
    def open(address, port):
        try:
            return socket.create_connection((address, port), timeout=5)
        except OSError:
            return None

    def relay(self, upstream):
        sock = self.request
        with upstream:
            peers = {sock: upstream, upstream: sock}
            while True:
                ready, _, _ = select.select(list(peers), [], [], RELAY_IDLE_SECONDS)
                if not ready:
                    return
                for s in ready:
                    data = s.recv(65536)
                    if not data:
                        return
                    peers[s].sendall(data)


class SocksProxy(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, mode, credentials, log_path):
        super().__init__(("127.0.0.1", port), _Handler)
        self.mode = mode
        self.credentials = credentials
        self._log_path = log_path
        self._lock = threading.Lock()

    def log(self, kind, packet):
        with self._lock, open(self._log_path, "a") as log:
            log.write("%s %s %s\n" % (self.mode, kind, packet.hex()))
