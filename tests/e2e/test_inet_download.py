"""InetDownload over the real WinInet under Wine, against qalo-mock."""

import socket
import sys
import unittest

import qalo_testlib as lib

INCOMPLETE = b"Fehler bei Download: Die angeforderte Datei wurde nur unvollst\xe4ndig geladen ("
SCHEMES = ("http", "https")


def run_driver(url, *options, prefix=None):
    result = lib.run_program("inet-driver.exe", list(options) + [url], prefix)
    facts = lib.parse_facts(result.stdout)
    # The download is over once "end" is printed; Wine has been seen, rarely,
    # to fail the process while it tears down after that.
    if facts.get("end") is None or facts["end"] != facts.get("code"):
        raise AssertionError("inet-driver failed (%d): %r %r"
                             % (result.returncode, result.stdout, result.stderr))
    if result.returncode != 0:
        sys.stderr.write("note: inet-driver exited with %d after the end\n" % result.returncode)
    return facts


class MockTestCase(lib.MockTestCase):
    """Against a mock whose CA only the class's own prefix trusts."""

    @classmethod
    def setUpClass(cls):
        cls.prefix_name = "inet-" + cls.__name__
        super().setUpClass()

    def download(self, url, *options):
        return run_driver(url, *options, prefix=self.prefix)

    def assertDownload(self, facts, code, logs=(), status=None, body=None):
        self.assertEqual(facts["code"], str(code).encode(), facts)
        self.assertEqual(facts["LOG"], list(logs))
        if status is not None:
            self.assertEqual(facts["status"], status)
        if body is not None:
            self.assertEqual(facts["body"], str(body).encode())
        self.assertEqual(facts["cursor"], b"-11,-19,")


class StatusTest(MockTestCase):
    CASES = (
        ("/status/200", 0, [], b"200"),
        ("/redirect", 0, [], b"200"),
        ("/status/401", -4, [b"HTTP-Fehler 401: Zugriff verweigert."], b"401"),
        ("/status/403", -4, [b"HTTP-Fehler 403: Zugriff verweigert."], b"403"),
        ("/status/404", -5, [b"HTTP-Fehler 404: Die Seite wurde nicht gefunden."], b"404"),
        ("/status/500", -6, [b"HTTP-Fehler: 500"], b"500"),
        ("/status/503", -8, [b"HTTP-Fehler 503: Der Server ist vor\xfcbergehend \xfcberlastet."],
         b"503"),
    )

    def test_each_status_gives_its_code_and_line(self):
        for scheme in SCHEMES:
            for path, code, logs, status in self.CASES:
                with self.subTest(scheme=scheme, path=path):
                    facts = self.download(self.mock.url(scheme, path))
                    self.assertDownload(facts, code, logs, status)
                    # The window is shown only for a body that is read.
                    self.assertEqual(facts["window"], b"show,hide," if code == 0 else b"")

    def test_redirect_is_followed_and_its_target_is_the_download(self):
        facts = self.download(self.mock.url("https", "/redirect?to=/body%3Fbytes%3D33"))
        self.assertDownload(facts, 0, status=b"200", body=33)
        self.assertEqual(facts["head"], b"QALO-mock-0123456789abcdefghijklmnopqrst"[:33])

    def test_without_log_there_are_no_lines_and_without_progress_no_window(self):
        facts = self.download(self.mock.url("http", "/status/404"), "--no-log")
        self.assertDownload(facts, -5, [], b"404")
        facts = self.download(self.mock.url("http", "/body?bytes=10"), "--no-progress")
        self.assertDownload(facts, 0, body=10)
        self.assertEqual(facts["window"], b"")
        self.assertEqual(facts["progress"], b"1")


class RequestTest(MockTestCase):
    HEADERS = ("nolt_portal_id: 4711\\nnolt_password: geheim\\nnolt_key: "
               "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF\\nnolt_datum: 01.02.2024\\n")
    EXPECTED = [["nolt_portal_id", "4711"], ["nolt_password", "geheim"],
                ["nolt_key", "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF"],
                ["nolt_datum", "01.02.2024"]]

    def test_agent_and_header_lines_reach_the_service_also_after_a_redirect(self):
        for scheme in SCHEMES:
            with self.subTest(scheme=scheme):
                self.mock.requests(clear=True)
                facts = self.download(self.mock.url(scheme, "/redirect"), "--headers", self.HEADERS)
                self.assertDownload(facts, 0, body=16)
                seen = self.mock.requests()
                self.assertEqual([r["path"] for r in seen], ["/redirect", "/body?bytes=16"])
                for request in seen:
                    self.assertEqual(request["server"], scheme)
                    self.assertEqual(request["method"], "GET")
                    self.assertEqual(request["agent"], "NOLT-ImportApi")
                    nolt = [h for h in request["headers"] if h[0].startswith("nolt_")]
                    self.assertEqual(nolt, self.EXPECTED)

    def test_no_headers_sends_none(self):
        self.mock.requests(clear=True)
        self.assertDownload(self.download(self.mock.url("http", "/body?bytes=5")), 0, body=5)
        (request,) = self.mock.requests()
        self.assertEqual(sorted(h[0] for h in request["headers"]), ["Host", "User-Agent"])


class BodyTest(MockTestCase):
    CASES = (
        ("/body?bytes=100000", 0, None, 100000),
        ("/large?bytes=3000000", 0, None, 3000000),
        ("/length/lie-longer?bytes=100", -7, 100, 100),
        # The surplus comes in the head's own write, so WinInet hands it on.
        ("/length/lie-shorter?bytes=100", -7, 100, 100),
        ("/length/nan?bytes=100", 0, None, 100),
        ("/length/absent?bytes=100", 0, None, 100),
        ("/empty", -7, 0, 0),
    )

    def test_body_is_checked_against_the_announced_length(self):
        for scheme in SCHEMES:
            for path, code, logged, size in self.CASES:
                with self.subTest(scheme=scheme, path=path):
                    logs = [] if logged is None else [INCOMPLETE + b"%d Bytes geladen)" % logged]
                    facts = self.download(self.mock.url(scheme, path))
                    self.assertDownload(facts, code, logs, b"200", size)
                    self.assertEqual(facts["window"], b"show,hide,")

    def test_stalled_body_ends_at_the_receive_timeout_and_the_length_check_reports_it(self):
        for scheme in SCHEMES:
            with self.subTest(scheme=scheme):
                # 70000 bytes arrive: one full read, then the read that times out
                # loses what it had.
                facts = self.download(self.mock.url(scheme, "/stall?after=70000"), "--timeout", "1")
                self.assertDownload(facts, -7, [INCOMPLETE + b"65535 Bytes geladen)"], b"200", 65535)
                self.assertEqual(facts["window"], b"show,hide,")


class SystemErrorTest(MockTestCase):
    def test_connection_refused(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        facts = self.download("http://127.0.0.1:%d/nolt" % port)
        # WinInet's own numbers have no system text: the number alone.
        self.assertDownload(facts, -3, [b"WinINet-Systemfehler: 12029"], b"")
        self.assertEqual(facts["error-text"], b"Internet-Fehler: \xd6ffnen der URL fehlgeschlagen")

    def test_timeout_before_the_headers(self):
        # Wine reports the send time-out as 12030; Windows as 12002, whose
        # text is covered by the unit tests.
        for scheme in SCHEMES:
            with self.subTest(scheme=scheme):
                facts = self.download(self.mock.url(scheme, "/stall-headers"), "--timeout", "1")
                self.assertDownload(facts, -3, [b"WinINet-Systemfehler: 12030"], b"")


class ProxyTest(MockTestCase):
    """Through a proxy that always answers 407, set in a prefix of its own."""
    proxy = True

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        lib.set_proxy(cls.prefix, cls.mock.info["proxy"])

    @classmethod
    def tearDownClass(cls):
        lib.set_proxy(cls.prefix, None)
        super().tearDownClass()

    def test_credentials_given_then_cancelled(self):
        self.mock.requests(clear=True)
        facts = self.download(self.mock.url("http", "/body?bytes=10"), "--proxy-dialog", "ok,cancel",
                              "--headers", "nolt_portal_id: 4711\\n")
        self.assertEqual(facts["dialog"], [b"ok", b"cancel"])
        # Wine's dialog gives 0 for cancel (Windows: 1223, which would be -1).
        self.assertDownload(facts, -9, [b"HTTP-Fehler 407: Authentifizierung erforderlich."], b"407")
        seen = self.mock.requests()
        self.assertTrue(seen)
        self.assertEqual({r["server"] for r in seen}, {"proxy"})
        self.assertTrue(all(r["agent"] == "NOLT-ImportApi" for r in seen))
        self.assertIn(["nolt_portal_id", "4711"], seen[-1]["headers"])
        # The retry after OK carried what the user typed.
        self.assertIn(["Proxy-Authorization", lib.basic_credentials("proxyuser", "proxypass")],
                      seen[-1]["headers"])
        self.assertNotIn("Proxy-Authorization", [h[0] for h in seen[0]["headers"]])


class CancelTest(MockTestCase):
    """The plug-in's own progress window, pressed like a user during a slow body."""
    # 150 pieces of 1 KiB, one every 10 ms: a few reads of up to 65535 bytes.
    SLOW = "/slow?chunks=150&delay=10"
    FULL = 150 * 1024
    RUNNING = b"Download l\xe4uft ..."
    CANCELLING = b"Download wird abgebrochen !"

    def assertWindowCameAndWent(self, facts, label):
        self.assertEqual(facts["window"], b"show,hide,")
        self.assertEqual(facts["visible-at-show"], b"1")
        self.assertEqual(facts["label-at-hide"], label)
        self.assertEqual(facts["windows-after"], b"0")

    def test_cancel_clicked_after_the_first_chunk_ends_the_download(self):
        for scheme in SCHEMES:
            with self.subTest(scheme=scheme):
                facts = self.download(self.mock.url(scheme, self.SLOW), "--real-window",
                                   "--click-cancel-after", "1")
                # Clicked once the first chunk had been written.
                self.assertGreaterEqual(int(facts["click"]), 1)
                # No length check after a cancel: its line would be logged too.
                self.assertDownload(facts, -1015, [b"Download durch Benutzer abgebrochen"], b"200")
                size = int(facts["body"])
                self.assertGreater(size, 0)
                self.assertLess(size, self.FULL)
                self.assertEqual(facts["cancel-seen"], b"1")
                self.assertWindowCameAndWent(facts, self.CANCELLING)
                self.assertEqual(facts["error-text"], b"Download durch Benutzer abgebrochen")
                # Show, each chunk written, hide: at least one chunk, never all.
                self.assertGreaterEqual(int(facts["progress"]), 3)

    def test_without_a_click_the_whole_body_arrives(self):
        for scheme in SCHEMES:
            with self.subTest(scheme=scheme):
                facts = self.download(self.mock.url(scheme, self.SLOW), "--real-window")
                self.assertDownload(facts, 0, [], b"200", self.FULL)
                self.assertEqual(facts["cancel-seen"], b"0")
                self.assertIsNone(facts.get("click"))
                self.assertWindowCameAndWent(facts, self.RUNNING)
                # Show, hide and one per chunk; more than 64 KiB is more than one chunk.
                self.assertGreaterEqual(int(facts["progress"]), 4)


if __name__ == "__main__":
    unittest.main()
