"""The demo retrieval: qalo-mock plays the QALO service over HTTPS, and
nolt-host fetches the depot data through ImpApiQALO.dll under Wine."""

import os
import shutil
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.path.insert(0, str(REPO / "tools" / "qalo-mock"))
import qalo_service  # noqa: E402
import qalo_testlib as lib  # noqa: E402

DEMO_KEY = "3f1c9a7e5b2d4f608a1e3c5b7d9f0e2a4c6b8d0f1e3a5c7b"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def retrieve(prefix, root, portal, extra=""):
    settings = root / ("settings-%s.txt" % portal)
    settings.write_bytes(("UserLogin=%s\r\nPassword=%s\r\nUserKey=%s\r\n%s" % (
        portal, qalo_service.DEMO_PASSWORD, DEMO_KEY, extra)).encode("cp1252"))
    args = ["export", "--xml-dir", windows_path(root / "xml"), "--settings", windows_path(settings),
            "--berater", "B-17"]
    print("$ nolt-host " + " ".join(args), flush=True)
    run = lib.run_program("nolt-host.exe", args, prefix, timeout=120)
    sys.stdout.write(run.stdout.decode("utf-8", "replace"))
    if run.returncode != 0:
        raise SystemExit("nolt-host failed: " + run.stderr.decode("utf-8", "replace"))
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        if line.startswith("EXPORTFILE: "):
            path = root / "xml" / line.rsplit("\\", 1)[1]
            print("--- %s (%d bytes, shown as UTF-8):" % (path.name, path.stat().st_size))
            print(path.read_bytes().rstrip(b"\0").decode("cp1252"))
            print("---")
            return path
    return None


def main():
    prefix = lib.private_prefix("demo")
    root = Path(tempfile.mkdtemp(prefix="qalo-demo-"))
    try:
        with lib.MockService() as mock:
            lib.trust_ca(mock, prefix)
            (root / "xml").mkdir()
            (root / "QALO").mkdir()
            (root / "QALO" / "Qalo_test.Ini").write_text(
                "[Global]\r\nURL=%s\r\n" % mock.url("https", "/nolt"))
            print("qalo-mock serves %s with a certificate for localhost; the override file %s "
                  "points there.\n" % (mock.url("https", "/nolt"), windows_path(root / "QALO" / "Qalo_test.Ini")))

            print("== 1. Depot data, encrypted under the user's key and decrypted by the plug-in")
            first = retrieve(prefix, root, "demo")
            first.unlink()

            print("\n== 2. The service answers with an order number: a ticket document")
            ticket = retrieve(prefix, root, "ticket")
            number = ticket.read_text(encoding="cp1252").split("<TD_DataString>")[1].split("<")[0]
            ticket.unlink()

            print("\n== 3. The later retrieval with that ticket")
            retrieve(prefix, root, "ticket", "TicketData=%s\r\n" % number)
            lib.distrust_ca(mock, prefix)
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
