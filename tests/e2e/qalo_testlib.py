"""Helpers for the end-to-end tests: the mock service, Wine runs, CA trust.

ctest gives every test QALO_BIN (the Windows programs), QALO_WINEPREFIX (the
build's prefix), QALO_WINE_RUN (cmake/wine-run.sh) and QALO_WINESERVER=kept
(the build's prefix has a wineserver for the whole run).
"""

import atexit
import base64
import functools
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import urllib.request
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
MOCK = REPO / "tools" / "qalo-mock" / "qalo_mock.py"
INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
PROXY_VARIABLES = ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY")


def setting(name):
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(name + " is not set: run this test through ctest")
    return value


class MockService:
    """qalo-mock in its own process, with a fresh CA; use as a context manager.
    depot_dir: the folder whose files /depot/<name> serves; lifetime: seconds
    until the mock stops by itself."""

    def __init__(self, proxy=False, depot_dir=None, lifetime=600):
        self.proxy = proxy
        self.depot_dir = depot_dir
        self.lifetime = lifetime
        self.info = None
        self._process = None
        self._folder = None

    def start(self):
        self._folder = tempfile.mkdtemp(prefix="qalo-mock-")
        command = [sys.executable, str(MOCK), "--cert-dir", self._folder, "--lifetime", str(self.lifetime)]
        if self.proxy:
            command.append("--proxy")
        if self.depot_dir:
            command += ["--depot-dir", str(self.depot_dir)]
        self._process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        line = self._process.stdout.readline()
        if not line:
            self.stop()
            raise RuntimeError("qalo-mock did not start")
        self.info = json.loads(line)
        return self

    def stop(self):
        if self._process:
            self._process.terminate()
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
            self._process.stdout.close()
            self._process = None
        if self._folder:
            shutil.rmtree(self._folder, ignore_errors=True)
            self._folder = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def url(self, scheme, path, certificate=None):
        """A URL on localhost, the name the mock's certificate is for; with
        certificate ("wrong-name", "expired", "untrusted") the HTTPS port
        that serves such a one."""
        port = self.info["https-" + certificate] if certificate else self.info[scheme]
        return "%s://localhost:%d%s" % (scheme, port, path)

    def requests(self, clear=False):
        """The requests the mock has seen, oldest first (straight, never via a proxy)."""
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
        with opener.open(self.url("http", "/_requests" + ("?clear=1" if clear else "")), timeout=10) as r:
            return json.load(r)


def run_wine(args, prefix=None, timeout=60, env=None):
    """Runs a command under Wine in the given prefix (default: the build's),
    with the further environment variables env."""
    env = dict({k: v for k, v in os.environ.items() if k not in PROXY_VARIABLES}, **(env or {}))
    env["QALO_WINEPREFIX"] = prefix or setting("QALO_WINEPREFIX")
    command = [setting("QALO_WINE_RUN")] + list(args)
    if not env.get("DISPLAY"):
        command = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24"] + command
    run = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                         timeout=timeout)
    if run.returncode == -signal.SIGSEGV:
        # Wine itself died of a Unix signal: a crash of the program ends
        # under Wine with an exception code instead. Seen about once in a
        # thousand runs on a busy machine, before the program's first line
        # or after some, never twice in a row. What the run left behind (a
        # temporary export file) is swept away by the next one.
        sys.stderr.write("wine died of SIGSEGV, run again: %r\n" % (args,))
        run = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                             timeout=timeout)
    return run


def run_program(name, args, prefix=None, timeout=60, env=None):
    """Runs a program of the build's bin folder, or the one at the path name."""
    return run_wine([str(Path(setting("QALO_BIN")) / name)] + list(args), prefix, timeout, env)


def trust_ca(mock, prefix=None):
    """Makes one prefix trust the mock's throw-away CA."""
    run_wine(["reg", "import", mock.info["ca_reg"]], prefix).check_returncode()


def distrust_ca(mock, prefix=None):
    run_wine(["reg", "delete", mock.info["ca_key"], "/f"], prefix)


@functools.lru_cache(maxsize=None)
def private_prefix(name):
    """A prefix of its own beside the build's, for settings no other test may
    see (a proxy, a trusted CA): a hard-linked copy whose registry files are
    real copies, made again when the build's prefix is set up differently.
    It has a wineserver and a desktop of its own, kept up until this process
    ends."""
    shared = Path(setting("QALO_WINEPREFIX"))
    private = shared.with_name(shared.name + "-" + name)
    run_wine(["cmd", "/c", "exit"]).check_returncode()  # the shared one exists
    marker = ".qalo-ready"
    if not (private / marker).exists() or (private / marker).read_bytes() != (shared / marker).read_bytes():
        shutil.rmtree(private, ignore_errors=True)
        subprocess.run(["cp", "-al", str(shared), str(private)], check=True)
        for reg in shared.glob("*.reg"):
            target = private / reg.name
            target.unlink()
            shutil.copy2(reg, target)
    _wine_server(private, "--serve", str(Path(setting("QALO_BIN")) / "desktop-keeper.exe"))
    atexit.register(_wine_server, private, "--stop")
    return str(private)


def dpi_prefix(dpi):
    """A prefix of its own whose display runs at dpi (HKCU\\Control Panel\\Desktop
    LogPixels), with a server and desktop started after the setting."""
    prefix = private_prefix("dpi%d" % dpi)
    run_wine(["reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
              "/d", str(dpi), "/f"], prefix).check_returncode()
    _wine_server(prefix, "--serve", str(Path(setting("QALO_BIN")) / "desktop-keeper.exe"))
    return prefix


def _wine_server(prefix, *action):
    env = dict(os.environ, QALO_WINEPREFIX=str(prefix))
    subprocess.run([setting("QALO_WINE_RUN")] + list(action), env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=120)


def set_proxy(prefix, port):
    """Points the prefix's Internet Settings at 127.0.0.1:port, or off with None."""
    if port is None:
        run_wine(["reg", "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD",
                  "/d", "0", "/f"], prefix).check_returncode()
        return
    for value, kind, data in (("ProxyServer", "REG_SZ", "127.0.0.1:%d" % port),
                              ("ProxyEnable", "REG_DWORD", "1")):
        run_wine(["reg", "add", INTERNET_SETTINGS, "/v", value, "/t", kind, "/d", data, "/f"],
                 prefix).check_returncode()


def unescape(raw):
    out, i = bytearray(), 0
    while i < len(raw):
        if raw[i:i + 1] == b"\\" and i + 1 < len(raw):
            out += {b"n": b"\n", b"r": b"\r", b"\\": b"\\"}.get(raw[i + 1:i + 2], raw[i:i + 2])
            i += 2
        else:
            out.append(raw[i])
            i += 1
    return bytes(out)


def parse_facts(stdout):
    """The 'name: value' lines of a driver's output; LOG lines in a list."""
    facts = {"LOG": [], "dialog": []}
    for line in stdout.split(b"\n"):
        name, sep, value = line.partition(b": ")
        if not sep:
            continue
        key = name.decode("ascii", "replace")
        if key in ("LOG", "dialog"):
            facts[key].append(unescape(value))
        else:
            facts[key] = unescape(value)
    return facts


def basic_credentials(user, password):
    return "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode()).decode()


class MockTestCase(unittest.TestCase):
    """Against a mock whose throw-away CA only the class's own prefix trusts
    (the prefix is named after the class unless prefix_name says otherwise).
    With serves_depot the mock serves /depot/<name> from the folder
    cls.depot, where a test puts the bodies it wants answered."""
    proxy = False
    prefix_name = None
    serves_depot = False

    @classmethod
    def setUpClass(cls):
        cls.prefix = private_prefix(cls.prefix_name or cls.__name__)
        cls.depot = Path(tempfile.mkdtemp(prefix="qalo-depot-")) if cls.serves_depot else None
        cls.mock = MockService(proxy=cls.proxy, depot_dir=cls.depot).start()
        try:
            trust_ca(cls.mock, cls.prefix)
        except Exception:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        distrust_ca(cls.mock, cls.prefix)
        cls.mock.stop()
        if cls.depot:
            shutil.rmtree(cls.depot, ignore_errors=True)


def run_host(args, prefix, answer=None, timeout=60, host="nolt-host.exe", env=None):
    """Runs nolt-host --raw with args in the prefix; answer: ui-driver
    arguments for a user who answers the plug-in's dialog meanwhile; host:
    another copy of nolt-host.exe; env: further environment variables for
    the host. Returns the host's run."""
    driver = None
    if answer:
        driver = subprocess.Popen(
            [setting("QALO_WINE_RUN"), str(Path(setting("QALO_BIN")) / "ui-driver.exe")] + list(answer),
            env=dict(os.environ, QALO_WINEPREFIX=prefix), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        run = run_program(host, ["--raw"] + list(args), prefix, timeout=timeout, env=env)
    finally:
        answered = driver.communicate(timeout=timeout) if driver else None
    if driver and driver.returncode != 0:
        raise AssertionError("ui-driver %s: %r" % (" ".join(answer), answered))
    return run
