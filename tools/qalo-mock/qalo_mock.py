#!/usr/bin/env python3
"""qalo-mock: a stand-in for the QALO depot service, for tests and the demo.

Serves HTTP and HTTPS on 127.0.0.1 at free ports, with a throw-away test CA
made by the openssl CLI in --cert-dir; its certificate names localhost.
Further HTTPS ports serve a certificate for another name, an expired one and
one from a CA nobody trusts (see CERTIFICATES). Prints one JSON line on
stdout when ready: {"http": port, "https": port, "https-expired": port, ...,
"proxy": port or null, "ca_reg": path, ...}.
Each request picks its scenario by the first segment of its path (see
SCENARIOS); /nolt is the depot service (qalo_service.py). Every request is
recorded and GET /_requests returns them as JSON.
--proxy adds a proxy port that answers every request with 407.
Stops on SIGTERM or SIGINT, and by itself after --lifetime seconds.
"""

import argparse
import hashlib
import http.server
import io
import json
import os
import signal
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

import qalo_service

MAX_RECORDED = 1000
STALL_LIMIT_SECONDS = 60


class Recorder:
    """The requests seen, oldest first, bounded."""

    def __init__(self):
        self._lock = threading.Lock()
        self._requests = []

    def add(self, entry):
        with self._lock:
            self._requests.append(entry)
            del self._requests[:-MAX_RECORDED]

    def all(self):
        with self._lock:
            return list(self._requests)

    def clear(self):
        with self._lock:
            self._requests.clear()


def body_bytes(n):
    """n bytes of a repeating, recognisable pattern."""
    pattern = b"QALO-mock-0123456789abcdefghijklmnopqrstuvwxyz\n"
    return (pattern * (n // len(pattern) + 1))[:n]


def int_arg(query, name, default, low=0, high=1 << 31):
    try:
        value = int(query.get(name, [default])[0])
    except ValueError:
        value = default
    return max(low, min(high, value))


# --- scenarios: handler(request, rest_of_path, query) ---------------------

def scenario_body(req, rest, query):
    """/body?bytes=N: 200 with N bytes and a true Content-Length."""
    req.send_body(200, body_bytes(int_arg(query, "bytes", 16)))


def scenario_large(req, rest, query):
    """/large?bytes=N: like /body, written in 1 MiB pieces."""
    n = int_arg(query, "bytes", 1 << 20)
    req.send_head(200, {"Content-Length": str(n)})
    block = body_bytes(1 << 20)
    while n > 0 and not req.server.mock.stopping.is_set():
        piece = block[:min(n, len(block))]
        req.wfile.write(piece)
        n -= len(piece)


def scenario_status(req, rest, query):
    """/status/<code>: that status with a short body."""
    try:
        code = int(rest.strip("/") or "200")
    except ValueError:
        code = 400
    req.send_body(code, b"status %d\n" % code)


def scenario_redirect(req, rest, query):
    """/redirect?to=<path>: 302 to the path (default /body?bytes=16)."""
    target = query.get("to", ["/body?bytes=16"])[0]
    req.send_body(302, b"moved\n", {"Location": target})


def scenario_length(req, rest, query):
    """/length/<lie>: lie-longer, lie-shorter, nan, absent (chunked); cut:
    chunked, the connection closed before the last chunk."""
    kind = rest.strip("/")
    body = body_bytes(int_arg(query, "bytes", 100))
    if kind == "lie-longer":
        # Announces more than it sends, then closes.
        req.send_head(200, {"Content-Length": str(len(body) * 2)}, close=True)
        req.wfile.write(body)
    elif kind == "lie-shorter":
        # Head and body in one write, so the client gets them in one piece.
        req.send_in_one_write(200, {"Content-Length": str(len(body) // 2)}, body)
    elif kind == "nan":
        req.send_head(200, {"Content-Length": "zehn"}, close=True)
        req.wfile.write(body)
    elif kind == "absent":
        req.send_head(200, {"Transfer-Encoding": "chunked"})
        for i in range(0, len(body), 7):
            req.write_chunk(body[i:i + 7])
        req.write_chunk(b"")
    elif kind == "cut":
        req.send_head(200, {"Transfer-Encoding": "chunked"}, close=True)
        for i in range(0, len(body), 1 << 16):
            req.write_chunk(body[i:i + (1 << 16)])
    else:
        req.send_body(400, b"unknown length scenario\n")


def scenario_empty(req, rest, query):
    """/empty: 200 with Content-Length 0."""
    req.send_body(200, b"")


def scenario_stall(req, rest, query):
    """/stall?after=N: announces 2N bytes, sends N, then waits (bounded)."""
    n = int_arg(query, "after", 10)
    req.send_head(200, {"Content-Length": str(2 * n)})
    req.wfile.write(body_bytes(n))
    req.wfile.flush()
    req.server.mock.stopping.wait(STALL_LIMIT_SECONDS)
    req.close_connection = True


def scenario_stall_headers(req, rest, query):
    """/stall-headers: reads the request and never answers (bounded)."""
    req.server.mock.stopping.wait(STALL_LIMIT_SECONDS)
    req.close_connection = True


def scenario_slow(req, rest, query):
    """/slow?chunks=N&delay=ms: N chunks of 1 KiB, one every delay ms."""
    chunks = int_arg(query, "chunks", 10, high=10000)
    delay = int_arg(query, "delay", 100, high=10000) / 1000.0
    piece = body_bytes(1024)
    req.send_head(200, {"Content-Length": str(chunks * len(piece))})
    for _ in range(chunks):
        if req.server.mock.stopping.wait(delay):
            break
        req.wfile.write(piece)
        req.wfile.flush()


def send_throttled(req, body, size, query):
    """Sends size bytes of the file body, at ?rate=R MiB/s when R > 0."""
    rate = int_arg(query, "rate", 0, high=1 << 20) * (1 << 20)
    piece = (1 << 20) if rate == 0 else (1 << 16)
    req.send_head(200, {"Content-Length": str(size)})
    start, sent = time.monotonic(), 0
    while not req.server.mock.stopping.is_set():
        data = body.read(piece)
        if not data:
            break
        if rate:
            ahead = sent / rate - (time.monotonic() - start)
            if ahead > 0:
                time.sleep(ahead)
        req.wfile.write(data)
        sent += len(data)


def scenario_depot(req, rest, query):
    """/depot/<name>?rate=R: the file <name> of --depot-dir as it is (say, an
    encrypted body made beforehand), at R MiB/s when R > 0; 404 without it."""
    folder = req.server.mock.depot_dir
    name = rest.strip("/")
    path = os.path.join(folder or "", name)
    if not folder or not name or "/" in name or name.startswith(".") or not os.path.isfile(path):
        req.send_body(404, b"no such depot file\n")
        return
    with open(path, "rb") as body:
        send_throttled(req, body, os.fstat(body.fileno()).st_size, query)


def scenario_requests(req, rest, query):
    """/_requests: the recorded requests as JSON; ?clear=1 empties the list."""
    seen = req.server.mock.recorder.all()
    if query.get("clear"):
        req.server.mock.recorder.clear()
    req.send_body(200, json.dumps(seen).encode(), {"Content-Type": "application/json"})


def send_with_silence(req, body, query):
    """Answers body, silent for ?silence=ms after its first ?after=N bytes
    (0: before the head, as a service that prepares a large depot)."""
    silence = int_arg(query, "silence", 0, high=STALL_LIMIT_SECONDS * 1000) / 1000.0
    after = int_arg(query, "after", 0)
    if after == 0 and req.server.mock.stopping.wait(silence):
        return
    req.send_head(200, {"Content-Length": str(len(body))})
    req.wfile.write(body[:after])
    req.wfile.flush()
    if after and req.server.mock.stopping.wait(silence):
        return
    req.wfile.write(body[after:])


def scenario_nolt(req, rest, query):
    """/nolt?rate=R: the QALO depot service itself (see qalo_service); its
    answers at R MiB/s when R > 0; ?silence=ms&after=N: silent meanwhile."""
    headers = {}
    for name, value in req.headers.items():
        headers.setdefault(name.lower(), value)
    status, body = qalo_service.respond(headers)
    if status == 200 and int_arg(query, "rate", 0) > 0:
        send_throttled(req, io.BytesIO(body), len(body), query)
        return
    if status == 200 and "silence" in query:
        send_with_silence(req, body, query)
        return
    req.send_body(status, body)


SCENARIOS = {
    "nolt": scenario_nolt,
    "body": scenario_body,
    "large": scenario_large,
    "status": scenario_status,
    "redirect": scenario_redirect,
    "length": scenario_length,
    "empty": scenario_empty,
    "stall": scenario_stall,
    "stall-headers": scenario_stall_headers,
    "slow": scenario_slow,
    "depot": scenario_depot,
    "_requests": scenario_requests,
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "qalo-mock"

    def log_message(self, fmt, *args):  # quiet: tests read stdout
        pass

    def record(self):
        if self.path.startswith("/_requests"):
            return
        self.server.mock.recorder.add({
            "server": self.server.role,
            "method": self.command,
            "path": self.path,
            "agent": self.headers.get("User-Agent"),
            "headers": [[k, v] for k, v in self.headers.items()],
            "raw_headers": self.headers.as_string(),
        })

    def send_head(self, code, headers, close=False):
        self.send_response(code)
        for name, value in headers.items():
            self.send_header(name, value)
        if close:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()

    def send_in_one_write(self, code, headers, body):
        self.send_response(code)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.close_connection = True
        self._headers_buffer.append(b"\r\n" + body)
        self.flush_headers()

    def send_body(self, code, body, headers=None):
        self.send_head(code, dict(headers or {}, **{"Content-Length": str(len(body))}))
        self.wfile.write(body)

    def write_chunk(self, data):
        self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))

    def do_GET(self):
        self.record()
        if self.server.role == "proxy":
            self.answer_407()
            return
        parsed = urllib.parse.urlsplit(self.path)
        first, _, rest = parsed.path.lstrip("/").partition("/")
        handler = SCENARIOS.get(first)
        if handler is None:
            self.send_body(404, b"no such scenario\n")
            return
        handler(self, rest, urllib.parse.parse_qs(parsed.query))

    def do_CONNECT(self):
        self.record()
        self.answer_407()

    def answer_407(self):
        self.send_body(407, b"proxy authentication required\n",
                       {"Proxy-Authenticate": 'Basic realm="qalo-mock proxy"'})


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def __init__(self, mock, role, tls=None):
        self.mock = mock
        self.role = role
        self.tls = tls
        super().__init__(("127.0.0.1", 0), Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs in the request's thread, so a silent client
        # cannot hold up the others.
        if self.tls is not None:
            request.settimeout(STALL_LIMIT_SECONDS)
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        super().finish_request(request, client_address)


def run(cmd, cwd):
    subprocess.run(cmd, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


# The certificates the mock serves, one HTTPS port each: the good one and
# three that a strict client refuses. Each is (role, subject name, issuing
# CA, validity as openssl ca's -startdate/-enddate or None for 3 days).
CERTIFICATES = (
    ("https", "localhost", "ca", None),
    ("https-wrong-name", "evil.example", "ca", None),
    ("https-expired", "localhost", "ca", ("20240101000000Z", "20240201000000Z")),
    ("https-untrusted", "localhost", "untrusted-ca", None),
)

CA_CONFIG = """[ca]
default_ca = mock
[mock]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
copy_extensions = none
unique_subject = no
[any]
commonName = supplied
"""


def make_ca(folder, name, subject):
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3",
         "-keyout", name + ".key", "-out", name + ".pem", "-subj", "/CN=" + subject,
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign,cRLSign"], folder)


def make_certificates(folder):
    """The mock's CA (which a test prefix trusts), an untrusted one, and one
    server certificate per role in CERTIFICATES, all on one server key."""
    os.makedirs(folder, exist_ok=True)
    make_ca(folder, "ca", "qalo-mock test CA")
    make_ca(folder, "untrusted-ca", "qalo-mock untrusted CA")
    with open(os.path.join(folder, "ca.cnf"), "w") as config:
        config.write(CA_CONFIG)
    open(os.path.join(folder, "index.txt"), "w").close()
    with open(os.path.join(folder, "serial"), "w") as serial:
        serial.write("1000\n")
    run(["openssl", "genrsa", "-out", "server.key", "2048"], folder)
    for role, name, ca, validity in CERTIFICATES:
        with open(os.path.join(folder, role + ".ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\n"
                      "keyUsage=critical,digitalSignature,keyEncipherment\n"
                      "extendedKeyUsage=serverAuth\n"
                      "subjectAltName=DNS:%s\n" % name)
        run(["openssl", "req", "-new", "-key", "server.key", "-out", role + ".csr",
             "-subj", "/CN=" + name], folder)
        dates = ["-startdate", validity[0], "-enddate", validity[1]] if validity else ["-days", "3"]
        run(["openssl", "ca", "-batch", "-notext", "-config", "ca.cnf", "-cert", ca + ".pem",
             "-keyfile", ca + ".key", "-in", role + ".csr", "-out", role + ".pem",
             "-extfile", role + ".ext"] + dates, folder)
        if ca != "ca":
            # Served with its CA, as an interceptor would: the client sees an
            # untrusted root, not a chain it cannot complete.
            with open(os.path.join(folder, role + ".pem"), "a") as chain, \
                    open(os.path.join(folder, ca + ".pem")) as issuer:
                chain.write(issuer.read())
    run(["openssl", "x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der"], folder)
    with open(os.path.join(folder, "ca.der"), "rb") as f:
        der = f.read()
    return write_ca_reg(folder, der)


def write_ca_reg(folder, der):
    """A .reg file that puts the CA into one Wine prefix's Root store.

    Returns (path of the import file, path of the registry key)."""
    thumb = hashlib.sha1(der).hexdigest().upper()
    key = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + thumb
    blob = (0x20).to_bytes(4, "little") + (1).to_bytes(4, "little") + len(der).to_bytes(4, "little") + der
    hexes = ",".join("%02x" % b for b in blob)
    path = os.path.join(folder, "trust-ca.reg")
    with open(path, "w", newline="\r\n") as reg:
        reg.write("REGEDIT4\n\n[%s]\n\"Blob\"=hex:%s\n" % (key, hexes))
    return path, key


class Mock:
    def __init__(self, cert_dir, with_proxy, depot_dir=None):
        self.depot_dir = depot_dir
        self.recorder = Recorder()
        self.stopping = threading.Event()
        self.ca_reg, self.ca_key = make_certificates(cert_dir)
        self.servers = {"http": Server(self, "http")}
        for role, _, _, _ in CERTIFICATES:
            tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            tls.load_cert_chain(os.path.join(cert_dir, role + ".pem"),
                                os.path.join(cert_dir, "server.key"))
            self.servers[role] = Server(self, role, tls)
        if with_proxy:
            self.servers["proxy"] = Server(self, "proxy")
        self.threads = [threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2},
                                         daemon=True) for s in self.servers.values()]

    def ports(self):
        info = {role: s.server_address[1] for role, s in self.servers.items()}
        info.setdefault("proxy", None)
        info.update(ca_reg=self.ca_reg, ca_key=self.ca_key, pid=os.getpid())
        return info

    def serve(self, lifetime):
        for t in self.threads:
            t.start()
        self.stopping.wait(lifetime)
        self.stopping.set()
        for s in self.servers.values():
            s.shutdown()
            s.server_close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cert-dir", required=True, help="folder for the test CA and keys")
    parser.add_argument("--port-file", help="also write the JSON line into this file")
    parser.add_argument("--proxy", action="store_true", help="add a proxy port answering 407")
    parser.add_argument("--depot-dir", help="folder of the files /depot/<name> serves")
    parser.add_argument("--lifetime", type=float, default=900, help="seconds until it stops itself")
    args = parser.parse_args()

    mock = Mock(args.cert_dir, args.proxy, args.depot_dir)
    signal.signal(signal.SIGTERM, lambda *_: mock.stopping.set())
    signal.signal(signal.SIGINT, lambda *_: mock.stopping.set())
    line = json.dumps(mock.ports())
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write(line + "\n")
        os.replace(args.port_file + ".tmp", args.port_file)
    print(line, flush=True)
    mock.serve(args.lifetime)
    return 0


if __name__ == "__main__":
    sys.exit(main())
