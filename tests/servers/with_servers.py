#!/usr/bin/python3
"""Starts test servers on free loopback ports, runs a command, stops them.

    with_servers.py [options] -- command [args...]

Options choose the servers; each exports where it listens in environment
variables that the command (and, through Wine, Windows test programs) reads:

  --nginx ROOT           nginx (Debian) serving the directory ROOT
                         WXB_NGINX_PORT, WXB_NGINX_ROOT, WXB_NGINX_PID (its one
                         process, for pinning it to a CPU in benchmarks)
  --nginx-extra FILE     directives included in nginx's server block (for
                         example fixed redirects: "location = /a { return 302 /b; }")
  --nginx-port PORT      nginx listens on PORT instead of a free one (for
                         programs with a built-in server address)
  --nginx-tls-port PORT  with --tls, its TLS server of the CA's certificate
                         (WXB_NGINX_TLS_PORT) listens on PORT
                         WXB_NGINX_LOG: nginx's access log
  --fault                our fault-injecting HTTP server (fault_http.py)
                         WXB_FAULT_PORT
  --tinyproxy            tinyproxy (Debian), an HTTP proxy
                         WXB_TINYPROXY_PORT, WXB_TINYPROXY_LOG (its log, which
                         names each request line received)
  --tinyproxy-upstream DOMAIN
                         tinyproxy hands requests for hosts in DOMAIN (".invalid")
                         on to nginx as to an upstream proxy, so that it serves
                         names that resolve nowhere
  --tinyproxy-auth U:P   a second tinyproxy that demands Basic credentials
                         WXB_TINYPROXY_AUTH_PORT, WXB_TINYPROXY_AUTH_LOG
  --microsocks           microsocks (Debian), a SOCKS 5 proxy without auth
                         WXB_MICROSOCKS_PORT
  --socks-auth U:P       a second microsocks that demands U:P
                         WXB_MICROSOCKS_AUTH_PORT
  --socks-own            our SOCKS 4/4A/5 proxy (socks_proxy.py), one port per
                         mode: WXB_SOCKS_PORT (normal), WXB_SOCKS_NOMETHOD_PORT,
                         WXB_SOCKS_WANTAUTH_PORT, WXB_SOCKS_CUT_PORT,
                         WXB_SOCKS_CUTAUTH_PORT, WXB_SOCKS_CUTCONNECT_PORT,
                         WXB_SOCKS_REJECT_PORT; packets logged to WXB_SOCKS_LOG.
                         With --socks-auth its normal port accepts U:P too.
  --tls                  certificates made here with openssl (never kept beyond
                         the work directory): a test CA, WXB_TLS_CA (its PEM);
                         with --nginx also TLS servers of the same root, one per
                         certificate: WXB_NGINX_TLS_PORT (from the CA, for
                         localhost, 127.0.0.1 and wexbury-mirror.test),
                         WXB_NGINX_TLS_WRONGNAME_PORT (for another name),
                         WXB_NGINX_TLS_EXPIRED_PORT, WXB_NGINX_TLS_SELFSIGNED_PORT,
                         WXB_NGINX_TLS_OLD_PORT (TLS 1.1 at most),
                         WXB_NGINX_TLS13_PORT (TLS 1.3 only); with --fault the
                         fault server over TLS too: WXB_FAULT_TLS_PORT
  --workdir DIR          where configurations, pid and log files go
                         (default: a fresh temporary directory)

Every server listens on 127.0.0.1 only. The command's exit code is passed
through; the servers are stopped however the command ends (also on Ctrl-C).
"""

import argparse
import os
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fault_http  # noqa: E402
import socks_proxy  # noqa: E402

READY_SECONDS = 10


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# Certificates of the TLS servers: name, issuer (None: self-signed), names, validity.
CERTIFICATES = [
    ("ca", None, None, None),
    ("server", "ca", "DNS:localhost,IP:127.0.0.1,DNS:wexbury-mirror.test", None),
    ("wrongname", "ca", "DNS:elsewhere.invalid", None),
    ("expired", "ca", "DNS:localhost,IP:127.0.0.1", ("20200101000000Z", "20210101000000Z")),
    ("selfsigned", None, "DNS:localhost,IP:127.0.0.1", None),
]


def make_certificates(folder):
    """Makes the CA and the server certificates in folder; returns it."""
    os.makedirs(folder, exist_ok=True)

    def openssl(*args):
        subprocess.check_call(("openssl",) + args, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    for name, issuer, names, validity in CERTIFICATES:
        subject = "/CN=Wexbury Test CA" if name == "ca" else "/CN=" + names.split(",")[0][4:]
        key = ["-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key"]
        if issuer is None:
            extensions = ["-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign,cRLSign"]
            if names:
                extensions = ["-addext", "subjectAltName=" + names, "-addext", "extendedKeyUsage=serverAuth"]
            openssl("req", "-x509", *key, "-subj", subject, "-days", "3650", "-out", name + ".pem", *extensions)
            continue
        openssl("req", *key, "-subj", subject, "-out", name + ".csr")
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write("subjectAltName=%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n" % names)
        if validity is None:
            openssl("x509", "-req", "-in", name + ".csr", "-CA", issuer + ".pem", "-CAkey", issuer + ".key",
                    "-CAcreateserial", "-days", "3650", "-extfile", name + ".ext", "-out", name + ".pem")
            continue
        # Dates of the past need the CA tool and a database of its own.
        with open(os.path.join(folder, "ca.cnf"), "w") as f:
            f.write("[ca]\ndefault_ca=test\n[test]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\n"
                    "default_md=sha256\npolicy=any\n[any]\ncommonName=supplied\n")
        open(os.path.join(folder, "index.txt"), "w").close()
        with open(os.path.join(folder, "serial"), "w") as f:
            f.write("1000\n")
        openssl("ca", "-batch", "-config", "ca.cnf", "-cert", issuer + ".pem", "-keyfile", issuer + ".key",
                "-in", name + ".csr", "-startdate", validity[0], "-enddate", validity[1],
                "-extfile", name + ".ext", "-notext", "-out", name + ".pem")
    return folder


def wait_until_answering(port, process=None):
    deadline = time.monotonic() + READY_SECONDS
    while time.monotonic() < deadline:
        if process is not None and process.poll() is not None:
            raise RuntimeError("server on port %d exited with %d" % (port, process.returncode))
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nothing answers on port %d" % port)


class Servers:
    def __init__(self, workdir):
        self.workdir = workdir
        self.env = {}
        self.processes = []
        self.python_servers = []

    def spawn(self, name, argv, port):
        log = open(os.path.join(self.workdir, name + ".out"), "w")
        process = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        self.processes.append(process)
        wait_until_answering(port, process)

    def serve_in_thread(self, server):
        self.python_servers.append(server)
        threading.Thread(target=server.serve_forever, daemon=True).start()

    def start_nginx(self, root, extra, port=None, tls=None, tls_port=None):
        """tls: the folder of make_certificates, for the TLS servers beside the plain one."""
        port = port or free_port()
        include = "include %s;" % os.path.abspath(extra) if extra else ""
        servers = []
        if tls:
            for variable, certificate, protocols in [
                ("WXB_NGINX_TLS_PORT", "server", "TLSv1.2 TLSv1.3"),
                ("WXB_NGINX_TLS_WRONGNAME_PORT", "wrongname", "TLSv1.2 TLSv1.3"),
                ("WXB_NGINX_TLS_EXPIRED_PORT", "expired", "TLSv1.2 TLSv1.3"),
                ("WXB_NGINX_TLS_SELFSIGNED_PORT", "selfsigned", "TLSv1.2 TLSv1.3"),
                ("WXB_NGINX_TLS_OLD_PORT", "server", "TLSv1 TLSv1.1"),
                ("WXB_NGINX_TLS13_PORT", "server", "TLSv1.3"),
            ]:
                self.env[variable] = str(tls_port if tls_port and variable == "WXB_NGINX_TLS_PORT" else free_port())
                servers.append(
                    """    server {{
        listen 127.0.0.1:{port} ssl;
        ssl_certificate {c}.pem;
        ssl_certificate_key {c}.key;
        ssl_protocols {protocols};
        ssl_ciphers DEFAULT:@SECLEVEL=0;
        root {root};
        {extra}
    }}
""".format(port=self.env[variable], c=os.path.join(tls, certificate), protocols=protocols,
           root=os.path.abspath(root), extra=include))
        prefix = os.path.join(self.workdir, "nginx")
        os.makedirs(os.path.join(prefix, "temp"), exist_ok=True)
        conf = os.path.join(prefix, "nginx.conf")
        with open(conf, "w") as f:
            f.write(
                """daemon off;
master_process off;
pid {p}/nginx.pid;
error_log {p}/error.log;
events {{ worker_connections 64; }}
http {{
    access_log {p}/access.log;
    default_type application/octet-stream;
    sendfile on;
    client_body_temp_path {p}/temp/body;
    proxy_temp_path {p}/temp/proxy;
    fastcgi_temp_path {p}/temp/fastcgi;
    uwsgi_temp_path {p}/temp/uwsgi;
    scgi_temp_path {p}/temp/scgi;
    server {{
        listen 127.0.0.1:{port};
        root {root};
        {extra}
    }}
{tls}}}
""".format(p=prefix, port=port, root=os.path.abspath(root), extra=include, tls="".join(servers))
            )
        # Each run starts with an empty access log.
        open(os.path.join(prefix, "access.log"), "w").close()
        self.spawn("nginx", ["nginx", "-p", prefix, "-c", conf, "-e", os.path.join(prefix, "error.log")], port)
        self.env["WXB_NGINX_PORT"] = str(port)
        self.env["WXB_NGINX_PID"] = str(self.processes[-1].pid)
        self.env["WXB_NGINX_ROOT"] = os.path.abspath(root)
        self.env["WXB_NGINX_LOG"] = os.path.join(prefix, "access.log")

    def start_fault(self, tls=None):
        port = free_port()
        self.serve_in_thread(fault_http.FaultHttpServer(port))
        self.env["WXB_FAULT_PORT"] = str(port)
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(os.path.join(tls, "server.pem"), os.path.join(tls, "server.key"))
            port = free_port()
            self.serve_in_thread(fault_http.FaultHttpServer(port, context))
            self.env["WXB_FAULT_TLS_PORT"] = str(port)

    def start_tinyproxy(self, variable, credentials=None, upstream_domain=None):
        port = free_port()
        name = variable.lower()
        conf = os.path.join(self.workdir, name + ".conf")
        log = os.path.join(self.workdir, name + ".log")
        open(log, "w").close()
        with open(conf, "w") as f:
            f.write("Port %d\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n" % port)
            f.write("LogLevel Info\nLogFile \"%s\"\n" % log)
            f.write("PidFile \"%s\"\n" % os.path.join(self.workdir, name + ".pid"))
            f.write("DisableViaHeader Yes\n")
            if os.geteuid() == 0:
                f.write("User root\nGroup root\n")
            if credentials:
                f.write("BasicAuth %s %s\n" % tuple(credentials.split(":", 1)))
            if upstream_domain:
                f.write("Upstream http 127.0.0.1:%s \"%s\"\n" % (self.env["WXB_NGINX_PORT"], upstream_domain))
        self.spawn(name, ["tinyproxy", "-d", "-c", conf], port)
        self.env[variable] = str(port)
        self.env[variable.replace("_PORT", "_LOG")] = log

    def start_microsocks(self, variable, credentials=None):
        port = free_port()
        argv = ["microsocks", "-i", "127.0.0.1", "-p", str(port)]
        if credentials:
            user, password = credentials.split(":", 1)
            argv += ["-u", user, "-P", password]
        self.spawn(variable.lower(), argv, port)
        self.env[variable] = str(port)

    def start_socks_own(self, credentials):
        log = os.path.join(self.workdir, "socks.log")
        open(log, "w").close()
        pair = tuple(credentials.split(":", 1)) if credentials else None
        for mode in ("normal", "nomethod", "wantauth", "cut", "cutauth", "cutconnect", "reject"):
            port = free_port()
            self.serve_in_thread(socks_proxy.SocksProxy(port, mode, pair, log))
            variable = "WXB_SOCKS_PORT" if mode == "normal" else "WXB_SOCKS_%s_PORT" % mode.upper()
            self.env[variable] = str(port)
        self.env["WXB_SOCKS_LOG"] = log

    def stop(self):
        for server in self.python_servers:
            server.shutdown()
            server.server_close()
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def interrupt(signum, frame):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--nginx", metavar="ROOT")
    parser.add_argument("--nginx-extra", metavar="FILE")
    parser.add_argument("--nginx-port", type=int, metavar="PORT")
    parser.add_argument("--nginx-tls-port", type=int, metavar="PORT")
    parser.add_argument("--fault", action="store_true")
    parser.add_argument("--tinyproxy", action="store_true")
    parser.add_argument("--tinyproxy-upstream", metavar="DOMAIN")
    parser.add_argument("--tinyproxy-auth", metavar="U:P")
    parser.add_argument("--microsocks", action="store_true")
    parser.add_argument("--socks-auth", metavar="U:P")
    parser.add_argument("--socks-own", action="store_true")
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--workdir")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command given after --")

    workdir = args.workdir or tempfile.mkdtemp(prefix="wxb-servers-")
    os.makedirs(workdir, exist_ok=True)
    servers = Servers(workdir)
    # A termination signal ends us like Ctrl-C, so the servers still stop.
    signal.signal(signal.SIGTERM, interrupt)
    try:
        tls = None
        if args.tls:
            tls = make_certificates(os.path.join(workdir, "tls"))
            servers.env["WXB_TLS_CA"] = os.path.join(tls, "ca.pem")
        if args.nginx:
            servers.start_nginx(args.nginx, args.nginx_extra, args.nginx_port, tls, args.nginx_tls_port)
        if args.fault:
            servers.start_fault(tls)
        if args.tinyproxy:
            servers.start_tinyproxy("WXB_TINYPROXY_PORT", upstream_domain=args.tinyproxy_upstream)
        if args.tinyproxy_auth:
            servers.start_tinyproxy("WXB_TINYPROXY_AUTH_PORT", args.tinyproxy_auth)
        if args.microsocks:
            servers.start_microsocks("WXB_MICROSOCKS_PORT")
        if args.socks_auth:
            servers.start_microsocks("WXB_MICROSOCKS_AUTH_PORT", args.socks_auth)
        if args.socks_own:
            servers.start_socks_own(args.socks_auth)
        env = dict(os.environ, **servers.env)
        return subprocess.call(command, env=env)
    except KeyboardInterrupt:
        return 130
    finally:
        servers.stop()


if __name__ == "__main__":
    sys.exit(main())
