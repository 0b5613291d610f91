"""The base of the retrieval tests: a run of nolt-host export in a folder of
its own, with the test override file pointing the plug-in at qalo-mock."""

import shutil
import sys
import tempfile
from pathlib import Path

import qalo_testlib as lib

sys.path.insert(0, str(lib.REPO / "tools" / "qalo-mock"))
import qalo_service  # noqa: E402  the mock's own depot data, to compare with

KEY = "00112233445566778899aabbccddeeff0011223344556677"
PASSWORD = qalo_service.DEMO_PASSWORD
FIRST = "Abruf über QALO-Depotschnittstelle ...".encode("cp1252")
RECEIVED = b"Response vom Host empfangen."
DECRYPTED = [b"Entschl\xfcsseln der Daten ...", None, b"... erfolgreich dechiffriert!"]
REGISTRY_KEY = r"HKLM\Software\Kalbrix\NOLT\ImportAPI\QALO"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def expected_depot(portal, datum=None):
    plain = qalo_service.depot_xml(portal, datum)
    return plain + bytes(-len(plain) % 8)


class RetrievalCase(lib.MockTestCase):
    """Each test has a root folder with xml/ (the host's XML directory) and
    QALO/Qalo_test.Ini beside it; self.url is the URL the plug-in calls."""

    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="qalo-e2e-"))
        self.xml = self.root / "xml"
        self.xml.mkdir()
        self.url = self.mock.url("https", "/nolt")
        self.override(URL=self.url)
        self.mock.requests(clear=True)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    # --- set-up helpers

    def override(self, section="Global", **values):
        """(Re)writes the test override file below the XML directory's parent."""
        folder = self.root / "QALO"
        folder.mkdir(exist_ok=True)
        self.sections = getattr(self, "sections", {})
        self.sections.setdefault(section, {}).update(values)
        text = "".join("[%s]\r\n" % name + "".join("%s=%s\r\n" % kv for kv in keys.items())
                       for name, keys in self.sections.items())
        (folder / "Qalo_test.Ini").write_bytes(text.encode("cp1252"))

    def settings(self, portal="demo", password=PASSWORD, key=KEY, extra=""):
        text = "UserLogin=%s\r\nPassword=%s\r\nUserKey=%s\r\n%s" % (portal, password, key, extra)
        return text

    def export(self, settings, datum=None, dialog=None, xml_dir=None, berater="B-17", more=(),
               settings_name="settings.txt", **host):
        """Runs nolt-host export; dialog = ui-driver arguments answering a
        dialog; more = further export options; host: lib.run_host's host and
        env. settings: text or bytes, in a file of the given name (hosts that
        run at once need one each)."""
        path = self.root / settings_name
        path.write_bytes(settings if isinstance(settings, bytes) else settings.encode("cp1252"))
        args = ["export", "--xml-dir", windows_path(xml_dir or self.xml),
                "--settings", windows_path(path), "--berater", berater] + list(more)
        if datum:
            args += ["--datum", datum]
        run = lib.run_host(args, self.prefix, answer=dialog, **host)
        self.assertEqual(run.returncode, 0, run.stderr)
        facts = {"LOG": [], "EXPORTFILE": []}
        for line in run.stdout.split(b"\n"):
            name, sep, value = line.partition(b": ")
            if sep and name in (b"LOG", b"EXPORTFILE"):
                facts[name.decode()].append(value)
            elif sep:
                facts[name.decode()] = value
        return facts

    def assertRun(self, facts, result, logs):
        self.assertEqual(facts["RESULT"], str(result).encode(), facts)
        self.assertEqual(len(facts["LOG"]), len(logs), facts["LOG"])
        for seen, wanted in zip(facts["LOG"], logs):
            if wanted is not None:
                self.assertEqual(seen, wanted)

    def export_file(self, facts, folder=None):
        """The one export file the run wrote, as bytes; none must be left over."""
        self.assertEqual(len(facts["EXPORTFILE"]), 1, facts)
        name = facts["EXPORTFILE"][0].decode("cp1252").rsplit("\\", 1)[1]
        files = sorted(p.name for p in (folder or self.xml).iterdir())
        self.assertEqual(files, [name])  # no temporary file beside it
        self.assertRegex(name, r"^qalo_export_\d{6}_\d{6}\.xml$")
        return ((folder or self.xml) / name).read_bytes()

    def assertNoFile(self, facts, folder=None):
        self.assertEqual(facts["EXPORTFILE"], [])
        self.assertEqual(list((folder or self.xml).iterdir()), [])

    def clear_exports(self):
        """Removes the export files of earlier runs in this test."""
        for old in self.xml.glob("qalo_export_*.xml"):
            old.unlink()

    def sent(self):
        """The nolt headers of the service's last request, names lower-case."""
        request = [r for r in self.mock.requests() if r["path"].startswith("/nolt")][-1]
        return {k.lower(): v for k, v in request["headers"] if k.lower().startswith("nolt_")}

    def online(self, *tail):
        return [FIRST, b"Aufruf: " + self.url.encode()] + list(tail)
