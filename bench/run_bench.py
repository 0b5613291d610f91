#!/usr/bin/env python3
"""make bench: the retrieval end to end, measured as a user sees it.

The reference host loads ImpApiQALO.dll under Wine (a prefix of its own with a
virtual desktop and a kept wineserver, as the end-to-end tests use) and
fetches an encrypted body from qalo-mock on loopback; beside each case, in
the same run, the peer pipeline `curl URL | openssl enc -d -des-ede3-cbc
-nopad` does the same job on the same body. The plug-in is timed twice: the
whole host process, and ExportXML alone as the host times it (ELAPSED), so
that Wine's start-up is apart. Prints a markdown table and writes it to
build/bench/bench.md. Needs DISPLAY (the Makefile runs it under xvfb-run).
--quick measures only the small sizes, once each.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
BUILD = REPO / "build" / "win32"
BIN = BUILD / "bin"
WORK = REPO / "build" / "bench"
WINE_RUN = REPO / "cmake" / "wine-run.sh"

os.environ.update(QALO_BIN=str(BIN), QALO_WINEPREFIX=str(BUILD / "wineprefix"),
                  QALO_WINE_RUN=str(WINE_RUN), QALO_BUILD=str(BUILD))
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import qalo_testlib as lib  # noqa: E402

KEY = "0123456789abcdeffedcba987654321089abcdef01234567"
IV = "5830261947316084"
MIB = 1 << 20
RUNS = 3
THROTTLE = 16  # MiB/s


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        while chunk := f.read(4 * MIB):
            digest.update(chunk)
    return digest.hexdigest()


# --- the bodies: depot-like text, enciphered once and kept between runs ----

def plain_piece(index):
    """1 MiB of depot-like Windows-1252 text, different for every index."""
    line = ("<POSITION><ISIN>DE%010d</ISIN><BEZEICHNUNG>Bankhaus L\xf6we &amp; S\xf6hne "
            "Namens-Aktien</BEZEICHNUNG><STUECK>%d</STUECK></POSITION>\r\n")
    text, n = [], 0
    while n < MIB:
        entry = (line % (index * 100000 + len(text), len(text))).encode("cp1252")
        text.append(entry)
        n += len(entry)
    return b"".join(text)[:MIB]


def make_body(mib):
    """depot-<mib>.enc in WORK and the sha256 of its plaintext."""
    enc, digest_file = WORK / ("depot-%d.enc" % mib), WORK / ("depot-%d.sha256" % mib)
    if enc.exists() and digest_file.exists() and enc.stat().st_size == mib * MIB:
        return enc, digest_file.read_text().strip()
    digest = hashlib.sha256()
    with open(enc, "wb") as out:
        openssl = subprocess.Popen(["openssl", "enc", "-e", "-des-ede3-cbc", "-nopad", "-K", KEY,
                                    "-iv", IV], stdin=subprocess.PIPE, stdout=out)
        for i in range(mib):
            piece = plain_piece(i)
            digest.update(piece)
            openssl.stdin.write(piece)
        openssl.stdin.close()
        if openssl.wait() != 0:
            raise RuntimeError("openssl could not encipher the body")
    digest_file.write_text(digest.hexdigest() + "\n")
    return enc, digest.hexdigest()


# --- one run of each side ------------------------------------------------

class Side:
    def __init__(self):
        self.seconds = []
        self.in_call = []  # the plug-in's: ExportXML alone
        self.rss_kib = []
        self.phases = []  # the plug-in's: PHASES, seconds each, per run

    def min(self):
        return min(self.seconds)

    def median(self):
        return statistics.median(self.seconds)

    def call_min(self):
        return min(self.in_call)

    def call_median(self):
        return statistics.median(self.in_call)


# Where the time inside ExportXML goes, from nolt-host's timeline: up to the
# log line that starts the download; the libraries, the connection and the
# request up to the answer's head (the first notification: the window);
# the first chunk; the rest of the body (the notification as the window
# goes, before "Response vom Host empfangen."); the rest of the decryption
# and the file put in place, up to the return.
PHASES = ["set-up", "libraries, request, head", "first byte", "rest of the body",
          "file placed"]


def phases_of(stdout, elapsed):
    """The PHASES of one run, in seconds, from its AT: lines."""
    events, at = [], None
    for line in stdout.split(b"\n"):
        name, _, value = line.partition(b": ")
        if name == b"AT":
            at = float(value)
        elif name in (b"LOG", b"PROGRESS") and at is not None:
            events.append((at, name, value))
            at = None
    request = next(t for t, name, text in events if name == b"LOG" and text.startswith(b"Aufruf: "))
    progress = [t for t, name, _ in events if name == b"PROGRESS" and t >= request]
    received = next(t for t, name, text in events
                    if name == b"LOG" and text.startswith(b"Response vom Host"))
    last = max(t for t in progress if t <= received)
    marks = [0.0, request, progress[0], progress[1], last, elapsed]
    return [b - a for a, b in zip(marks, marks[1:])]


def run_plugin(url, prefix, root, expected_sha):
    """One retrieval through nolt-host: (seconds, seconds inside ExportXML,
    peak RSS in KiB, PHASES)."""
    xml = root / "xml"
    xml.mkdir(exist_ok=True)
    (root / "QALO").mkdir(exist_ok=True)
    (root / "QALO" / "Qalo_test.Ini").write_bytes(("[Global]\r\nURL=%s\r\n" % url).encode())
    settings = root / "settings.txt"
    settings.write_bytes(("UserLogin=bench\r\nPassword=x\r\nUserKey=%s\r\n" % KEY).encode())
    rss_file = root / "rss"
    env = {k: v for k, v in os.environ.items() if k not in lib.PROXY_VARIABLES}
    env.update(QALO_WINEPREFIX=prefix, QALO_WINESERVER="kept")
    command = ["/usr/bin/time", "-f", "%M", "-o", str(rss_file), str(WINE_RUN),
               str(BIN / "nolt-host.exe"), "--raw", "--timeline", "export", "--xml-dir", windows_path(xml),
               "--settings", windows_path(settings)]
    start = time.perf_counter()
    run = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                         timeout=600)
    seconds = time.perf_counter() - start
    facts = lib.parse_facts(run.stdout)
    files = list(xml.iterdir())
    try:
        if facts.get("RESULT") != b"0" or len(files) != 1:
            raise RuntimeError("retrieval of %s failed: %r %r" % (url, facts, run.stderr[-2000:]))
        if sha256_file(files[0]) != expected_sha:
            raise RuntimeError("retrieval of %s wrote the wrong bytes" % url)
    finally:
        for f in files:
            f.unlink()
    elapsed = float(facts["ELAPSED"])
    return seconds, elapsed, int(rss_file.read_text().split()[-1]), phases_of(run.stdout, elapsed)


def run_peer(url, root, ca):
    """One `curl | openssl enc -d`: (seconds, sha256 of its output)."""
    out = root / "peer.out"
    curl = "curl -sS --fail --noproxy '*'" + (" --cacert %s" % ca if url.startswith("https") else "")
    pipeline = "set -o pipefail; %s '%s' | openssl enc -d -des-ede3-cbc -nopad -K %s -iv %s >%s" % (
        curl, url, KEY, IV, out)
    start = time.perf_counter()
    subprocess.run(["bash", "-c", pipeline], check=True, timeout=600)
    seconds = time.perf_counter() - start
    digest = sha256_file(out)
    out.unlink()
    return seconds, digest


def measure_case(url, mib, expected_sha, prefix, root, ca, runs):
    plugin, peer = Side(), Side()
    for _ in range(runs):  # interleaved, so that both see the same machine
        seconds, in_call, rss, phases = run_plugin(url, prefix, root, expected_sha)
        plugin.seconds.append(seconds)
        plugin.in_call.append(in_call)
        plugin.rss_kib.append(rss)
        plugin.phases.append(phases)
        seconds, digest = run_peer(url, root, ca)
        if digest != expected_sha:
            raise RuntimeError("the peer decrypted %s wrongly" % url)
        peer.seconds.append(seconds)
    return {"mib": mib, "plugin": plugin, "peer": peer}


def measure_decryption(enc, expected_sha, root, runs):
    """decrypt-bench (the plug-in's crypto layer on the machine's cores) and
    openssl enc -d on one file: both sides' seconds and the cores used."""
    ours, theirs, cores = [], [], None
    out = root / "decrypted"
    for _ in range(runs):
        run = subprocess.run([str(WINE_RUN), str(BIN / "decrypt-bench.exe"), windows_path(enc),
                              windows_path(out), KEY], env=dict(os.environ, QALO_WINESERVER="kept"),
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=600, check=True)
        facts = lib.parse_facts(run.stdout.replace(b"\r\n", b"\n"))
        if facts.get("RESULT") != b"0" or sha256_file(out) != expected_sha:
            raise RuntimeError("decrypt-bench failed: %r" % facts)
        ours.append(float(facts["SECONDS"]))
        cores = int(facts["CORES"])
        start = time.perf_counter()
        with open(enc, "rb") as src, open(out, "wb") as dst:
            subprocess.run(["openssl", "enc", "-d", "-des-ede3-cbc", "-nopad", "-K", KEY, "-iv", IV],
                           stdin=src, stdout=dst, check=True)
        theirs.append(time.perf_counter() - start)
        if sha256_file(out) != expected_sha:
            raise RuntimeError("openssl decrypted differently")
    out.unlink()
    return ours, theirs, cores


# --- the report ----------------------------------------------------------

def verdict(ok):
    return "met" if ok else "NOT met"


def report(cases, decryption, big, args, load):
    cores_used = decryption[2] if decryption else None
    lines = ["# make bench: %s" % time.strftime("%Y-%m-%d %H:%M"), "",
             "Machine: %d cores; the plug-in decrypts on %s (its workers and the host's "
             "thread). Load average (1 min) %.2f at the start, %.2f at the end." % (
                 os.cpu_count(), cores_used or "?", load[0], load[1]), "",
             "Wall times in seconds (min / median of %d): the plug-in's whole host process under "
             "Wine, and ExportXML alone as the host timed it (Wine's start-up apart); MB/s from "
             "the in-call median; ratios = plug-in median / peer median; peak RSS of the host "
             "process (Wine's: the exe's Linux process)." % args.runs, "",
             "| case | process s (min / med) | in call s (min / med) | MB/s in call | peer s (min / med) "
             "| ratio process | ratio in call | peak RSS MiB |",
             "|---|---|---|---|---|---|---|---|"]
    for name, c in cases.items():
        p, q, mib = c["plugin"], c["peer"], c["mib"]
        lines.append("| %s | %.2f / %.2f | %.2f / %.2f | %.1f | %.2f / %.2f | %.2f | %.2f | %.0f |" % (
            name, p.min(), p.median(), p.call_min(), p.call_median(),
            mib * MIB / 1e6 / p.call_median(), q.min(), q.median(), p.median() / q.median(),
            p.call_median() / q.median(), max(p.rss_kib) / 1024))
    goals = []
    if big:
        p, q = big["plugin"], big["peer"]
        lines.append("| 1024 MiB http, once | %.2f | %.2f | %.1f | %.2f | %.2f | %.2f | %.0f |" % (
            p.min(), p.call_min(), 1024 * MIB / 1e6 / p.call_min(), q.min(), p.min() / q.min(),
            p.call_min() / q.min(), max(p.rss_kib) / 1024))
    lines += ["", "Where the time inside the call goes (seconds, median of the runs; the "
              "download's calls on its worker thread, the host's thread notified meanwhile):", "",
              "| case | " + " | ".join(PHASES) + " |", "|---|" + "---|" * len(PHASES)]
    for name, c in cases.items():
        columns = zip(*c["plugin"].phases)
        lines.append("| %s | %s |" % (name, " | ".join("%.3f" % statistics.median(col)
                                                        for col in columns)))
    lines += ["", "Cost curve (plug-in in the call, http, median):", "",
              "| body MiB | s per MiB |", "|---|---|"]
    for name, c in cases.items():
        if name.endswith(" http"):
            lines.append("| %d | %.4f |" % (c["mib"], c["plugin"].call_median() / c["mib"]))
    if big:
        lines.append("| 1024 | %.4f |" % (big["plugin"].call_min() / 1024))
    if decryption:
        ours, theirs, cores = decryption
        speed = statistics.median(theirs) / statistics.median(ours)
        lines += ["", "Decryption alone, 64 MiB: the crypto layer on %d cores (CNG under Wine, "
                  "decrypt-bench, the retrieval's path) %.2f s median (%.1f MB/s) against "
                  "openssl enc -d on one core %.2f s (%.1f MB/s): %.2f× openssl's speed." % (
                      cores, statistics.median(ours), 64 * MIB / 1e6 / statistics.median(ours),
                      statistics.median(theirs), 64 * MIB / 1e6 / statistics.median(theirs), speed)]
        goals.append(("the cipher layer on %d cores at least 1.7× openssl's single-core speed" % cores,
                      "%.2f×" % speed, speed >= 1.7))

    def ratio(name, inside):
        c = cases.get(name)
        if not c:
            return None
        return (c["plugin"].call_median() if inside else c["plugin"].median()) / c["peer"].median()

    loopback_call = ratio("64 MiB http", True)
    if loopback_call:
        goals.append(("inside the call, loopback HTTP 64 MiB at most 0.75× the peer",
                      "%.3f×" % loopback_call, loopback_call <= 0.75))
    throttled = ratio("64 MiB http, %d MiB/s" % THROTTLE, True)
    if throttled:
        goals.append(("inside the call, throttled 64 MiB at most 1.03× the peer",
                      "%.3f×" % throttled, throttled <= 1.03))
    loopback = ratio("64 MiB http", False)
    if loopback:
        goals.append(("the whole process, loopback HTTP 64 MiB at most 1.00× the peer",
                      "%.3f×" % loopback, loopback <= 1.00))
    peaks = [(max(c["plugin"].rss_kib) / 1024, name) for name, c in cases.items()]
    if big:
        peaks.append((max(big["plugin"].rss_kib) / 1024, "1024 MiB http"))
    worst = max(peaks)
    goals.append(("peak memory at most 40 MiB at every body size",
                  "worst %s: %.0f MiB" % (worst[1], worst[0]), worst[0] <= 40))
    if big:
        goals.append(("1 GiB completes with result 0 and the right bytes",
                      "result 0, sha256 equal to openssl's decryption", True))
    lines += ["", "| goal | figure | verdict |", "|---|---|---|"]
    lines += ["| %s | %s | %s |" % (goal, figure, verdict(ok)) for goal, figure, ok in goals]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="small sizes only, one run each")
    args = parser.parse_args()
    args.runs = 1 if args.quick else RUNS
    WORK.mkdir(parents=True, exist_ok=True)
    sizes = [1, 16] if args.quick else [1, 16, 64, 256]
    bodies = {mib: make_body(mib) for mib in sizes + ([] if args.quick else [64, 1024])}

    load_at_start = os.getloadavg()[0]
    prefix = lib.private_prefix("bench")
    root = Path(tempfile.mkdtemp(prefix="run-", dir=WORK))
    with lib.MockService(depot_dir=WORK, lifetime=3600) as mock:
        lib.trust_ca(mock, prefix)
        ca = Path(mock.info["ca_reg"]).with_name("ca.pem")
        try:
            def url(scheme, mib, rate=0):
                return mock.url(scheme, "/depot/depot-%d.enc" % mib) + ("?rate=%d" % rate if rate else "")

            plan = [("%d MiB http" % mib, url("http", mib), mib) for mib in sizes]
            if not args.quick:
                plan += [("64 MiB https", url("https", 64), 64),
                         ("64 MiB http, %d MiB/s" % THROTTLE, url("http", 64, THROTTLE), 64)]
            cases = {}
            for name, address, mib in plan:
                print("measuring %s ..." % name, flush=True)
                c = cases[name] = measure_case(address, mib, bodies[mib][1], prefix, root, ca, args.runs)
                print("  plug-in %s s, peer %s s" % (c["plugin"].seconds, c["peer"].seconds), flush=True)
            decryption = big = None
            if not args.quick:
                print("measuring decryption alone ...", flush=True)
                decryption = measure_decryption(bodies[64][0], bodies[64][1], root, args.runs)
                print("measuring 1024 MiB http once ...", flush=True)
                big = measure_case(url("http", 1024), 1024, bodies[1024][1], prefix, root, ca, 1)
        finally:
            lib.distrust_ca(mock, prefix)
    shutil.rmtree(root)
    table = report(cases, decryption, big, args, (load_at_start, os.getloadavg()[0]))
    (WORK / "bench.md").write_text(table)
    print(table)


if __name__ == "__main__":
    main()
