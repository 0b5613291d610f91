"""Whole retrievals: nolt-host loads ImpApiQALO.dll and calls ExportXML
against qalo-mock over HTTPS, in a Wine prefix of their own."""

import re
import shutil
import time
import unittest
from concurrent.futures import ThreadPoolExecutor
from datetime import datetime, timedelta
from pathlib import Path

import qalo_testlib as lib
from retrieval_case import (DECRYPTED, FIRST, KEY, PASSWORD, RECEIVED, REGISTRY_KEY,
                            RetrievalCase, expected_depot, qalo_service, windows_path)


class Retrieval(RetrievalCase):
    prefix_name = "retrieval"

    # --- the answers of the service

    def test_encrypted_depot_data_is_decrypted_into_the_export_file(self):
        facts = self.export(self.settings())
        self.assertRun(facts, 0, self.online(RECEIVED, *DECRYPTED))
        body = self.export_file(facts)
        self.assertEqual(body, expected_depot("demo"))
        self.assertEqual(facts["LOG"][4], b"Dateil\xe4nge: %d Bytes" % len(body))
        self.assertEqual(facts["MESSAGE"], b"unbekannter Fehlercode vom Host: [0]")
        self.assertEqual(self.mock.requests()[-1]["agent"], "NOLT-ImportApi")
        self.assertEqual(self.sent(), {"nolt_portal_id": "demo", "nolt_password": PASSWORD,
                                       "nolt_key": KEY})

    def test_order_number_gives_a_ticket_that_fetches_the_data_later(self):
        facts = self.export(self.settings("ticket"))
        self.assertRun(facts, 0, self.online(RECEIVED, None))
        ticket = facts["LOG"][-1].decode().rpartition("#")[2]
        self.assertTrue(ticket.isdigit(), facts["LOG"])
        document = self.export_file(facts)
        self.assertRegex(document.decode("cp1252"),
                         r"^<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>B-17"
                         r"</I_BeraterRef></IMPORT><Ticketdaten><TD_DataString>%s</TD_DataString>"
                         r"<TD_GueltigAb>\d\d\.\d\d\.\d{4} 07:00:00</TD_GueltigAb><TD_GueltigBis>"
                         r"\d\d\.\d\d\.\d{4} 07:00:00</TD_GueltigBis></Ticketdaten></XML>$" % ticket)
        (self.xml / facts["EXPORTFILE"][0].decode().rsplit("\\", 1)[1]).unlink()

        later = self.export(self.settings("ticket", extra="TicketData=%s\r\n" % ticket), datum="46000")
        self.assertRun(later, 0, self.online(RECEIVED, *DECRYPTED))
        self.assertEqual(self.sent()["nolt_order_number"], ticket)
        self.assertNotIn("nolt_datum", self.sent())
        self.assertEqual(self.export_file(later), expected_depot("ticket"))

    def test_error_3000_gives_the_cd_ticket(self):
        facts = self.export(self.settings("e3000"))
        self.assertRun(facts, 0, self.online(RECEIVED, b">>> FehlerCode erhalten #3000"))
        self.assertIn(b"<TD_DataString>CD</TD_DataString>", self.export_file(facts))

    def test_service_error_codes_become_the_result(self):
        cases = [
            (self.settings("e1000"), -1000, b"Die gew\xfcnschten Daten wurden noch nicht erzeugt"),
            (self.settings("e1100"), -1100, b"Beim Erzeugen der Daten ist ein Fehler aufgetreten"),
            (self.settings("demo", extra="TicketData=cd\r\n"), -1200, b"Das Ticket ist nicht registriert"),
            (self.settings("demo", password="falsch"), -2000, b"Die Authentifizierung ist fehlgeschlagen"),
            (self.settings("e-12"), 12, b"unbekannter Fehlercode vom Host: [12]"),
            (self.settings("eabc"), -7, b"ung\xfcltiger Fehlercode vom Host"),
        ]
        for settings, result, message in cases:
            with self.subTest(result=result):
                facts = self.export(settings)
                self.assertRun(facts, result, self.online(RECEIVED, None))
                self.assertTrue(facts["LOG"][-1].startswith(b">>> FehlerCode erhalten #"))
                self.assertEqual(facts["MESSAGE"], message)
                self.assertNoFile(facts)

    def test_error_code_0_writes_the_answer_as_received(self):
        facts = self.export(self.settings("e0"))
        self.assertRun(facts, 0, self.online(RECEIVED, b">>> FehlerCode erhalten #0"))
        self.assertEqual(self.export_file(facts), b"<XML><ERROR>0</ERROR></XML>")

    def test_xml_without_either_tag_is_an_unknown_message(self):
        facts = self.export(self.settings("plain"))
        self.assertRun(facts, -6, self.online(RECEIVED))
        self.assertNoFile(facts)

    def test_key_that_cannot_be_converted_fails_without_file(self):
        bad = "zz" + KEY
        facts = self.export(self.settings(key=bad))
        self.assertEqual(facts["RESULT"], b"-5")
        self.assertNoFile(facts)
        self.assertFalse(any(bad.encode() in line for line in facts["LOG"]))

    # --- download failures

    def test_failed_download_without_bytes_is_no_data(self):
        for status, line, text in (
                (401, b"HTTP-Fehler 401: Zugriff verweigert.", b"Internet-Fehler: Zugriff auf Seite verweigert"),
                (404, b"HTTP-Fehler 404: Die Seite wurde nicht gefunden.", b"Internet-Fehler: Seite nicht gefunden")):
            with self.subTest(status=status):
                self.override(URL=self.mock.url("https", "/status/%d" % status))
                facts = self.export(self.settings())
                self.assertRun(facts, -8, [FIRST, None, line, text])
                self.assertEqual(facts["MESSAGE"], b"keine Daten vom Host")
                self.assertNoFile(facts)

    def test_incomplete_download_keeps_its_code(self):
        self.override(URL=self.mock.url("https", "/length/lie-longer"))
        facts = self.export(self.settings())
        self.assertRun(facts, -7, [FIRST, None, None,
                                   b"Internet-Fehler: Datei unvollst\xe4ndig \xfcbertragen"])
        self.assertTrue(facts["LOG"][2].startswith(b"Fehler bei Download: "))
        self.assertNoFile(facts)

    # --- what the run reads

    def test_settings_names_ignore_case_and_the_first_line_wins(self):
        settings = "userlogin=demo\r\nPASSWORD=%s\r\nUserLogin=other\r\nuserKEY=%s\r\n" % (PASSWORD, KEY)
        facts = self.export(settings, datum="09.12.2025")
        self.assertEqual(facts["RESULT"], b"0")
        self.assertEqual(self.sent(), {"nolt_portal_id": "demo", "nolt_password": PASSWORD,
                                       "nolt_key": KEY, "nolt_datum": "09.12.2025"})
        self.assertEqual(self.export_file(facts), expected_depot("demo", "09.12.2025"))

    def test_override_file_key_for_the_portal(self):
        self.override("demo", KEY="ffeeddccbbaa99887766554433221100ffeeddccbbaa9988")
        facts = self.export(self.settings())
        self.assertEqual(facts["RESULT"], b"0")
        self.assertEqual(self.sent()["nolt_key"], "ffeeddccbbaa99887766554433221100ffeeddccbbaa9988")

    def test_registry_directory_wins_and_a_number_there_is_ignored(self):
        other = self.root / "registry-xml"
        other.mkdir()
        add = ["reg", "add", REGISTRY_KEY, "/v", "XmlDir", "/f"]
        try:
            lib.run_wine(add + ["/t", "REG_SZ", "/d", windows_path(other)], self.prefix).check_returncode()
            # The override file is looked up beside the registry's directory.
            facts = self.export(self.settings("e0"), xml_dir=self.root / "nowhere")
            self.assertEqual(facts["RESULT"], b"0")
            self.assertEqual(self.export_file(facts, other), b"<XML><ERROR>0</ERROR></XML>")

            lib.run_wine(add + ["/t", "REG_DWORD", "/d", "7"], self.prefix).check_returncode()
            facts = self.export(self.settings("e0"))
            self.assertEqual(self.export_file(facts), b"<XML><ERROR>0</ERROR></XML>")
        finally:
            lib.run_wine(["reg", "delete", REGISTRY_KEY, "/f"], self.prefix)

    # --- the password prompt

    def test_cancelled_prompt_ends_the_run(self):
        facts = self.export(self.settings(password="", extra="TicketData=CD\r\n"),
                            dialog=["password", "--cancel"])
        self.assertRun(facts, -4, [FIRST])
        self.assertEqual(facts["MESSAGE"], b"Abbruch durch Benutzer")
        self.assertNoFile(facts)
        self.assertEqual([r for r in self.mock.requests() if r["path"].startswith("/nolt")], [])

    def test_prompted_password_is_sent_and_escape_does_not_end_the_prompt(self):
        facts = self.export(self.settings(password=""), dialog=["password", "--escape-then-text", PASSWORD])
        self.assertEqual(facts["RESULT"], b"0")
        self.assertEqual(self.sent()["nolt_password"], PASSWORD)

    def test_prompt_confirmed_empty_sends_an_empty_password(self):
        facts = self.export(self.settings(password=""), dialog=["password", "--text", ""])
        self.assertEqual(facts["RESULT"], b"-2000")
        self.assertEqual(self.sent()["nolt_password"], "")

    # --- the import-file mode

    def test_cd_from_the_override_file_decrypts_the_chosen_file(self):
        plain = expected_depot("demo")
        encrypted = self.root / "depot.enc"
        encrypted.write_bytes(qalo_service.encrypt(plain, KEY))
        self.override(TicketData="CD")
        facts = self.export(self.settings(), dialog=["open-file", "--path", windows_path(encrypted)])
        self.assertRun(facts, 0, [FIRST, b"Entschl\xfcsseln der Datei ...", b"... erfolgreich dechiffriert!"])
        self.assertEqual(self.export_file(facts), plain)
        self.assertEqual(self.mock.requests(), [])

    def test_cancelled_file_chooser(self):
        facts = self.export(self.settings(extra="TicketData=CD\r\n"), dialog=["open-file", "--cancel"])
        self.assertRun(facts, -4, [FIRST])
        self.assertNoFile(facts)


class SystemLibraries(RetrievalCase):
    """WinInet and CNG come from the system folder and nowhere else. Wine
    would take its own wininet.dll or bcrypt.dll even with a file of that
    name beside the host; WINEDLLOVERRIDES=wininet,bcrypt=n,b makes it prefer
    such a file, as Windows does. Nothing the plug-in imports brings either
    in by the search order (nor does the host's or the plug-in's stack
    protector set-up, which libssp does through rsaenh.dll and with it
    bcrypt.dll). A library that Wine is told not to load at all stands for
    one that is missing."""
    prefix_name = "system-libraries"

    def setUp(self):
        super().setUp()
        bin_dir = Path(lib.setting("QALO_BIN"))
        self.host = self.root / "host"
        self.host.mkdir()
        for name in ("nolt-host.exe", "ImpApiQALO.dll"):
            shutil.copy(bin_dir / name, self.host)
        shutil.copy(bin_dir / "decoy.dll", self.host / "wininet.dll")
        shutil.copy(bin_dir / "decoy.dll", self.host / "bcrypt.dll")
        self.loaded = self.host / "wininet.dll.loaded"  # what the decoy leaves when loaded

    def test_a_wininet_dll_beside_the_host_is_not_loaded(self):
        planted = {"WINEDLLOVERRIDES": "wininet=n,b"}
        # The decoy would be taken: LoadLibraryA("wininet.dll") loads it
        # (and nolt-host then misses the plug-in's exports).
        probe = lib.run_host(["--dll", "wininet.dll", "version"], self.prefix,
                             host=str(self.host / "nolt-host.exe"), env=planted)
        self.assertEqual(probe.returncode, 3, probe.stdout)
        self.assertTrue(self.loaded.exists())
        self.loaded.unlink()

        facts = self.export(self.settings(), host=str(self.host / "nolt-host.exe"), env=planted)
        self.assertRun(facts, 0, self.online(RECEIVED, *DECRYPTED))
        self.assertEqual(self.export_file(facts), expected_depot("demo"))
        self.assertFalse(self.loaded.exists(), "the planted wininet.dll was loaded")

    def test_a_bcrypt_dll_beside_the_host_is_not_loaded(self):
        planted = {"WINEDLLOVERRIDES": "bcrypt=n,b"}
        loaded = self.host / "bcrypt.dll.loaded"
        probe = lib.run_host(["--dll", "bcrypt.dll", "version"], self.prefix,
                             host=str(self.host / "nolt-host.exe"), env=planted)
        self.assertEqual(probe.returncode, 3, probe.stdout)
        self.assertTrue(loaded.exists())
        loaded.unlink()

        # Over HTTP: Wine's own HTTPS loads bcrypt.dll by the search order.
        self.url = self.mock.url("http", "/nolt")
        self.override(URL=self.url)
        facts = self.export(self.settings(), host=str(self.host / "nolt-host.exe"), env=planted)
        self.assertRun(facts, 0, self.online(RECEIVED, *DECRYPTED))
        self.assertEqual(self.export_file(facts), expected_depot("demo"))
        self.assertFalse(loaded.exists(), "the planted bcrypt.dll was loaded")

    def test_without_wininet_the_session_fails_with_a_line_naming_it(self):
        facts = self.export(self.settings(), env={"WINEDLLOVERRIDES": "wininet="})
        self.assertRun(facts, -8, self.online(
            b"Systembibliothek wininet.dll konnte nicht geladen werden.", None,
            b"Internet-Fehler: Session nicht verf\xfcgbar"))
        self.assertTrue(facts["LOG"][3].startswith(b"WinINet-Systemfehler: 126-"), facts["LOG"])
        self.assertNoFile(facts)
        self.assertEqual(self.mock.requests(), [])

    def test_without_bcrypt_the_decryption_fails(self):
        # Over HTTP: Wine's own HTTPS needs bcrypt.dll.
        self.url = self.mock.url("http", "/nolt")
        self.override(URL=self.url)
        facts = self.export(self.settings(), env={"WINEDLLOVERRIDES": "bcrypt="})
        self.assertRun(facts, -5, self.online(RECEIVED, DECRYPTED[0], None, b"... meldet Fehler # 5"))
        self.assertNoFile(facts)


class Certificates(RetrievalCase):
    """The service's certificate as the plug-in meets it: the mock's own
    names localhost; further ports serve one for another name, an expired
    one and one from an authority the prefix does not trust. What the
    contract lets pass does so with a warning in the host's protocol;
    StrictCertificates=1 refuses it; nothing of a refused request (password,
    key) reaches the server."""
    prefix_name = "certificates"

    WARNING = "Warnung: Zertifikat des Servers %s, Verbindung trotzdem aufgebaut; Zertifikat für %s"
    REFUSED = "WinINet-Systemfehler: %d - Zertifikat des Servers abgelehnt%s: %s; Zertifikat für %s"
    OTHER_NAME = "für einen anderen Namen ausgestellt"
    EXPIRED = "abgelaufen oder noch nicht gültig"
    UNTRUSTED = "von keiner vertrauenswürdigen Stelle ausgestellt"
    TRUSTED_CA = "ausgestellt von qalo-mock test CA, gültig bis "
    # certificate, StrictCertificates, result, the line before the answer or
    # the refusal (its beginning, in Windows-1252; None: none)
    CASES = (
        (None, None, 0, None),
        ("wrong-name", None, 0, WARNING % (OTHER_NAME, "evil.example, " + TRUSTED_CA)),
        ("expired", None, 0, WARNING % (EXPIRED, "localhost, " + TRUSTED_CA + "01.02.2024 00:00 UTC")),
        ("untrusted", None, -8, REFUSED % (12045, "", UNTRUSTED,
                                           "localhost, ausgestellt von qalo-mock untrusted CA, ")),
        (None, 1, 0, None),
        ("wrong-name", 1, -8, REFUSED % (12038, " (StrictCertificates)", OTHER_NAME,
                                         "evil.example, " + TRUSTED_CA)),
        ("expired", 1, -8, REFUSED % (12037, " (StrictCertificates)", EXPIRED, "localhost, " + TRUSTED_CA)),
        # Any number but 0 is strict; 0 is the default.
        ("expired", 0, 0, WARNING % (EXPIRED, "localhost, " + TRUSTED_CA)),
    )

    def strict(self, value):
        if value is None:
            lib.run_wine(["reg", "delete", REGISTRY_KEY, "/v", "StrictCertificates", "/f"], self.prefix)
            return
        lib.run_wine(["reg", "add", REGISTRY_KEY, "/v", "StrictCertificates", "/t", "REG_DWORD",
                      "/d", str(value), "/f"], self.prefix).check_returncode()

    def tearDown(self):
        self.strict(None)
        super().tearDown()

    def test_each_certificate_is_accepted_warned_of_or_refused(self):
        for certificate, strict, result, line in self.CASES:
            with self.subTest(certificate=certificate, strict=strict):
                self.strict(strict)
                self.url = self.mock.url("https", "/nolt", certificate)
                self.override(URL=self.url)
                self.mock.requests(clear=True)
                self.clear_exports()
                facts = self.export(self.settings())
                logs = facts["LOG"]
                if result == 0:
                    warned = [None] if line else []
                    self.assertRun(facts, 0, self.online(*warned, RECEIVED, *DECRYPTED))
                    if line:
                        self.assertTrue(logs[2].startswith(line.encode("cp1252")), logs[2])
                        self.assertRegex(logs[2], rb" \d\d\.\d\d\.\d{4} \d\d:\d\d UTC$")
                    self.assertEqual(self.export_file(facts), expected_depot("demo"))
                    self.assertEqual(self.sent()["nolt_password"], PASSWORD)
                else:
                    self.assertRun(facts, result, self.online(
                        None, "Internet-Fehler: Öffnen der URL fehlgeschlagen".encode("cp1252")))
                    self.assertTrue(logs[2].startswith(line.encode("cp1252")), logs[2])
                    self.assertNoFile(facts)
                    # The handshake ended the request: nothing of it was sent.
                    self.assertEqual(self.mock.requests(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)


class SilentService(RetrievalCase):
    """The service falls silent, before its answer's head or in the body: the
    host's thread goes on dispatching, so the progress window answers all
    along (ui-driver checks WM_NULL and the time from the click to the
    window's end); a cancel ends the run with nothing left, and the host
    frees the library and ends while the plug-in's worker still waits."""

    def silent_for(self, seconds, after):
        self.url = self.mock.url("https", "/nolt?silence=%d&after=%d" % (seconds * 1000, after))
        self.override(URL=self.url)

    def test_a_cancel_during_the_silence_ends_the_run_at_once(self):
        for after in (0, 100):
            with self.subTest(after=after):
                self.silent_for(30, after)
                started = time.monotonic()
                facts = self.export(self.settings("big"), timeout=20,
                                    dialog=["progress", "--cancel-after", "1200"])
                self.assertEqual(facts["RESULT"], b"-1015", facts)
                self.assertEqual(facts["LOG"][-1], b"Download durch Benutzer abgebrochen")
                self.assertNoFile(facts)
                # The host's process ended without waiting for the service.
                self.assertLess(time.monotonic() - started, 15)

    def test_a_silence_without_a_cancel_is_only_a_pause(self):
        self.silent_for(2, 100000)
        facts = self.export(self.settings("big"), datum="05.12.2026",
                            dialog=["progress", "--watch"])
        self.assertRun(facts, 0, self.online(RECEIVED, *DECRYPTED))
        self.assertEqual(self.export_file(facts), expected_depot("big", "05.12.2026"))


class SharedDirectory(RetrievalCase):
    """The users of one terminal server retrieve into the same XML directory
    at once, and a host lets a second retrieval in while its first downloads:
    every run gets an export file of its own, whole, and leaves nothing else."""

    def setUp(self):
        super().setUp()
        # Throttled, so that the downloads of several megabytes overlap.
        self.url = self.mock.url("https", "/nolt?rate=4")
        self.override(URL=self.url)

    def exports(self):
        names = sorted(p.name for p in self.xml.iterdir())
        for name in names:
            self.assertRegex(name, r"^qalo_export_\d{6}_\d{6}\.xml$")
        return [(self.xml / name).read_bytes() for name in names]

    def test_hosts_at_once_each_get_their_own_whole_file(self):
        (self.xml / "qalo_tmp_99999_1.tmp").write_bytes(b"left by a killed run")
        runs = [("big", "01.12.2026"), ("big", "02.12.2026"), ("big", "03.12.2026"),
                ("demo", None), ("ticket", None)]

        def run(index):
            portal, datum = runs[index]
            return self.export(self.settings(portal), datum=datum,
                               settings_name="settings-%d.txt" % index)

        with ThreadPoolExecutor(len(runs)) as pool:
            results = list(pool.map(run, range(len(runs))))
        for facts in results:
            self.assertEqual(facts["RESULT"], b"0", facts)
        files = self.exports()
        self.assertEqual(len(files), len(runs))
        tickets = [f for f in files if f.startswith(b"<XML><IMPORT>")]
        self.assertEqual(len(tickets), 1)
        self.assertRegex(tickets[0], rb"<TD_DataString>\d+</TD_DataString>")
        depots = sorted(f for f in files if f not in tickets)
        self.assertEqual(depots, sorted([expected_depot("big", "01.12.2026"),
                                         expected_depot("big", "02.12.2026"),
                                         expected_depot("big", "03.12.2026"),
                                         expected_depot("demo")]))

    def test_a_burst_into_a_directory_whose_next_seconds_are_taken(self):
        # Another host's exports hold the next 90 seconds, as a long burst
        # leaves them: every run of this burst finds its second taken and
        # takes the next free one at once, beyond them (waiting for the
        # clock, or giving up after a minute, it would end with -10).
        now = datetime.now()
        planted = ["qalo_export_%s.xml" % (now + timedelta(seconds=s)).strftime("%y%m%d_%H%M%S")
                   for s in range(90)]
        for name in planted:
            (self.xml / name).write_bytes(b"another host's export")
        hosts, rounds = 4, 4

        def host(index):
            return [self.export(self.settings(), datum="%02d.12.2026" % (index * rounds + r + 1),
                                settings_name="settings-%d.txt" % index)
                    for r in range(rounds)]

        with ThreadPoolExecutor(hosts) as pool:
            results = [facts for runs in pool.map(host, range(hosts)) for facts in runs]
        for facts in results:
            self.assertEqual(facts["RESULT"], b"0", facts)
            name = facts["EXPORTFILE"][0].decode("cp1252").rsplit("\\", 1)[1]
            self.assertGreater(name, planted[-1])
        for name in planted:
            self.assertEqual((self.xml / name).read_bytes(), b"another host's export")
        written = sorted(f for f in self.exports() if f != b"another host's export")
        self.assertEqual(written, sorted(expected_depot("demo", "%02d.12.2026" % (n + 1))
                                         for n in range(hosts * rounds)))

    def test_a_second_retrieval_from_the_progress_callback(self):
        facts = self.export(self.settings("big"), datum="04.12.2026", more=["--again-at", "3"])
        self.assertEqual(facts["RESULT"], b"0", facts)
        self.assertEqual(facts["AGAIN"], b"0", facts)
        self.assertEqual(self.exports(), [expected_depot("big", "04.12.2026")] * 2)
