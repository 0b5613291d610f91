"""The login data dialog from the reference host, as support staff try it:
nolt-host dialog, answered by ui-driver like a user; then the key the dialog
generated carries the next retrieval against qalo-mock, which encrypts under
it, so the export file holds the depot data in plain text."""

import re
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

import qalo_testlib as lib

sys.path.insert(0, str(lib.REPO / "tools" / "qalo-mock"))
import qalo_service  # noqa: E402  the mock's own depot data, to compare with

PASSWORD = qalo_service.DEMO_PASSWORD


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


class LoginDialog(lib.MockTestCase):
    prefix_name = "login"

    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="qalo-e2e-"))
        self.xml = self.root / "xml"
        self.xml.mkdir()
        (self.root / "QALO").mkdir()
        (self.root / "QALO" / "Qalo_test.Ini").write_bytes(
            ("[Global]\r\nURL=%s\r\n" % self.mock.url("https", "/nolt")).encode("cp1252"))

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def host(self, args, answer=None, env=None):
        run = lib.run_host(args, self.prefix, answer, env=env)
        self.assertEqual(run.returncode, 0, run.stderr)
        return run.stdout

    def dialog(self, settings, answer, user="demo", password="", env=None):
        """nolt-host dialog: the result and the three texts it printed."""
        path = self.root / "settings.txt"
        path.write_bytes(settings)
        out = self.host(["dialog", "--user", user, "--password", password,
                         "--settings", windows_path(path)], answer, env)
        # The settings text comes last and spans lines of its own.
        head, _, texts = out.partition(b"USER: ")
        user_text, _, rest = texts.partition(b"\nPASSWORD: ")
        password_text, _, rest = rest.partition(b"\nSETTINGS: ")
        self.assertTrue(rest.endswith(b"\n"), out)
        return head.split(b"RESULT: ")[1].strip(), user_text, password_text, rest[:-1]

    def test_ok_gives_a_key_that_the_next_retrieval_decrypts_with(self):
        result, user, password, settings = self.dialog(
            b"UserLogin=demo\nTicketData=", ["login", "--password", PASSWORD])
        self.assertEqual((result, user, password), (b"1", b"demo", PASSWORD.encode()))
        match = re.fullmatch(rb"UserLogin=demo\r\nTicketData=\r\nUserKey=([0-9A-Fa-f]{48})\r\n", settings)
        self.assertIsNotNone(match, settings)

        # The host stores the texts and passes them into the retrieval.
        path = self.root / "export-settings.txt"
        path.write_bytes(settings + b"Password=" + password + b"\r\n")
        out = self.host(["export", "--xml-dir", windows_path(self.xml), "--settings", windows_path(path),
                         "--berater", "B-17"])
        self.assertIn(b"RESULT: 0\n", out)
        files = list(self.xml.iterdir())
        self.assertEqual(len(files), 1, out)
        plain = qalo_service.depot_xml("demo", None)
        self.assertEqual(files[0].read_bytes(), plain + bytes(-len(plain) % 8))

    def test_without_cng_the_dialog_works_and_generates_no_key(self):
        # Wine told not to load bcrypt.dll stands for a system without it.
        result, user, password, settings = self.dialog(
            b"UserLogin=demo\r\n", ["login", "--password", PASSWORD], env={"WINEDLLOVERRIDES": "bcrypt="})
        self.assertEqual((result, user, password, settings),
                         (b"1", b"demo", PASSWORD.encode(), b"UserLogin=demo\r\n"))

    def test_cancel_returns_2_and_prints_the_texts_as_they_were(self):
        result, user, password, settings = self.dialog(
            b"UserLogin=demo\r\n", ["login", "--cancel"], password="alt")
        self.assertEqual((result, user, password, settings), (b"2", b"demo", b"alt", b"UserLogin=demo\r\n"))


if __name__ == "__main__":
    unittest.main()
