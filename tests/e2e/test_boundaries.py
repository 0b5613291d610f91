"""Hostile input at the real DLL's boundary: nolt-host loads ImpApiQALO.dll
under Wine and calls ExportXML with null pointers, huge texts, answers of
every awkward size and content, and XML directories that cannot take a file.
Every run must end in the host with a result code, leave no file behind on
failure and write the export file byte for byte where one is written."""

import os
import re
import subprocess
import unittest

import qalo_testlib as lib
from retrieval_case import (DECRYPTED, FIRST, KEY, PASSWORD, RECEIVED, REGISTRY_KEY,
                            RetrievalCase, expected_depot, qalo_service, windows_path)

HIGH = bytes(range(0x80, 0x100))
NOT_WRITTEN = b"Exportdatei konnte nicht geschrieben werden: "
DATE_TIME = rb"\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d"


def decrypt(body):
    """What the plug-in's TDEA-CBC makes of a body (a multiple of 8 bytes)."""
    key = qalo_service.hex_to_bytes(KEY).hex()
    return subprocess.run(["openssl", "enc", "-d", "-des-ede3-cbc", "-nopad", "-K", key,
                           "-iv", qalo_service.IV_TEXT],
                          input=body, stdout=subprocess.PIPE, check=True).stdout


def ticket_document(ticket, berater):
    """The ticket document as a pattern: every byte exact but the two times."""
    return re.compile(
        re.escape(b"<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>" + berater
                  + b"</I_BeraterRef></IMPORT><Ticketdaten><TD_DataString>" + ticket
                  + b"</TD_DataString><TD_GueltigAb>") + DATE_TIME
        + re.escape(b"</TD_GueltigAb><TD_GueltigBis>") + DATE_TIME
        + re.escape(b"</TD_GueltigBis></Ticketdaten></XML>") + rb"\Z", re.DOTALL)


def filled(head, size, tail=b""):
    """head, blanks, tail: exactly size bytes."""
    assert len(head) + len(tail) <= size
    return head + b" " * (size - len(head) - len(tail)) + tail


class DepotCase(RetrievalCase):
    """The service's answer is a body the test gives (qalo-mock's /depot)."""
    serves_depot = True

    def answer(self, body, name="answer"):
        """Runs a retrieval whose response is body, into an empty XML directory."""
        self.clear_exports()
        (self.depot / name).write_bytes(body)
        self.url = self.mock.url("https", "/depot/" + name)
        self.override(URL=self.url)
        return self.export(self.settings())


class Responses(DepotCase):

    def decrypted(self, size):
        return self.online(RECEIVED, DECRYPTED[0], b"Dateil\xe4nge: %d Bytes" % size, DECRYPTED[2])

    def not_decrypted(self, facts, size):
        self.assertRegex(facts["LOG"][-1], rb"^\.\.\. meldet Fehler # -?\d+$")
        return self.online(RECEIVED, DECRYPTED[0], b"Dateil\xe4nge: %d Bytes" % size, None)

    def assertEncrypted(self, body):
        """body, taken for encrypted data: decrypted when it fills whole
        blocks, refused with -5 otherwise."""
        facts = self.answer(body)
        if body and len(body) % 8 == 0:
            self.assertRun(facts, 0, self.decrypted(len(body)))
            self.assertEqual(self.export_file(facts), decrypt(body))
        else:
            self.assertRun(facts, -5, self.not_decrypted(facts, len(body)))
            self.assertNoFile(facts)

    def assertUnknown(self, body):
        facts = self.answer(body)
        self.assertRun(facts, -6, self.online(RECEIVED))
        self.assertNoFile(facts)

    def assertWrittenAsReceived(self, body):
        facts = self.answer(body)
        self.assertRun(facts, 0, self.online(RECEIVED, b">>> FehlerCode erhalten #0"))
        self.assertEqual(self.export_file(facts), body)

    def test_encrypted_bodies_of_every_size_around_a_block_and_the_window(self):
        for size in (1, 7, 8, 199, 200, 201):
            plain = (HIGH * 2)[:size]
            with self.subTest(size=size):
                if size % 8:
                    self.assertEncrypted(qalo_service.encrypt(plain, KEY)[:size])
                else:
                    body = qalo_service.encrypt(plain, KEY)
                    facts = self.answer(body)
                    self.assertRun(facts, 0, self.decrypted(size))
                    self.assertEqual(self.export_file(facts), plain)

    def test_answers_of_several_blocks(self):
        # Depot data is decrypted and written while it arrives; a short last
        # block fails only at the end, and the part written must go.
        plain = (HIGH * 8192)[:(1 << 20) + 4096]
        self.assertEncrypted(qalo_service.encrypt(plain, KEY)[:-5])
        self.assertWrittenAsReceived(filled(b"<XML><ERROR>0</ERROR></XML>", 3 << 20, HIGH))

    def test_empty_answer_is_no_data(self):
        facts = self.answer(b"")
        self.assertRun(facts, -8, self.online(
            b"Fehler bei Download: Die angeforderte Datei wurde nur unvollst\xe4ndig geladen (0 Bytes geladen)",
            b"Internet-Fehler: Datei unvollst\xe4ndig \xfcbertragen"))
        self.assertEqual(facts["MESSAGE"], b"keine Daten vom Host")
        self.assertNoFile(facts)

    def test_chunked_answer_cut_short_off_a_block_boundary_is_refused(self):
        # No length is announced and the connection closes before the last
        # chunk. Wine's WinInet reads that as the end of the body (see the
        # README); the decryption still refuses a body that is no whole
        # number of 8-byte blocks.
        for scheme in ("http", "https"):
            with self.subTest(scheme=scheme):
                self.url = self.mock.url(scheme, "/length/cut?bytes=200003")
                self.override(URL=self.url)
                facts = self.export(self.settings())
                self.assertRun(facts, -5, self.not_decrypted(facts, 200003))
                self.assertNoFile(facts)

    def test_xml_mark_counts_only_within_the_first_200_bytes(self):
        for size in (7, 8, 199, 200):
            with self.subTest(size=size, mark="first"):
                self.assertUnknown(filled(b"<XML>", size))
            with self.subTest(size=size, mark="last"):
                self.assertUnknown(filled(b"", size, b"<XML>"))
        with self.subTest(mark="bytes 197 to 201"):
            self.assertEncrypted(filled(b"", 201, b"<XML>"))
        with self.subTest(mark="bytes 196 to 200 of 208"):
            self.assertUnknown(filled(b"", 200, b"<XML>") + b"\0" * 8)
        with self.subTest(mark="bytes 197 to 201 of 208"):
            self.assertEncrypted(filled(b"", 201, b"<XML>") + b" " * 7)

    def test_error_answer_of_every_size_is_written_as_received(self):
        document = b"<XML><ERROR>0</ERROR></XML>"
        for size in (199, 200, 201):
            with self.subTest(size=size):
                self.assertWrittenAsReceived(filled(document, size))

    def test_tags_cut_by_the_window_edge(self):
        # The opening tag inside, the closing one across the edge: no code.
        facts = self.answer(filled(b"<XML>", 200, b"<ERROR>12</ER") + b"ROR></XML>")
        self.assertRun(facts, -7, self.online(RECEIVED, b">>> FehlerCode erhalten #"))
        self.assertNoFile(facts)
        # The opening tag across the edge: neither tag is seen.
        self.assertUnknown(filled(b"<XML>", 200, b"<ERR") + b"OR>12</ERROR></XML>")
        # An order number whose closing tag lies beyond the window: empty ticket.
        facts = self.answer(filled(b"<XML><ORDER_NUMBER>4711", 200) + b"</ORDER_NUMBER></XML>")
        self.assertRun(facts, 0, self.online(RECEIVED, b">>> Ticket erhalten #"))
        self.assertRegex(self.export_file(facts), ticket_document(b"", b"B-17"))

    def test_answers_that_end_inside_a_tag(self):
        facts = self.answer(b"<XML><ERROR>1200</ERR")
        self.assertRun(facts, -7, self.online(RECEIVED, b">>> FehlerCode erhalten #"))
        self.assertNoFile(facts)
        facts = self.answer(b"<XML><ORDER_NUMBER>4711</ORDER_NUM")
        self.assertRun(facts, 0, self.online(RECEIVED, b">>> Ticket erhalten #"))
        self.assertRegex(self.export_file(facts), ticket_document(b"", b"B-17"))
        self.assertUnknown(b"<XML><ERR")
        self.assertEncrypted(b"<XM")

    def test_zero_bytes_end_the_searched_window(self):
        with self.subTest(at="first byte"):
            self.assertEncrypted(filled(b"\0<XML><ERROR>0</ERROR></XML>", 32))
        with self.subTest(at="after the mark"):
            self.assertUnknown(b"<XML>\0<ERROR>7</ERROR></XML>")
        with self.subTest(at="inside the code"):
            facts = self.answer(b"<XML><ERROR>1\x002</ERROR></XML>")
            self.assertRun(facts, -7, self.online(RECEIVED, b">>> FehlerCode erhalten #"))
            self.assertNoFile(facts)
        with self.subTest(at="after the document"):
            self.assertWrittenAsReceived(b"<XML><ERROR>0</ERROR></XML>\0\0\0")
        with self.subTest(at="every eighth byte of encrypted data"):
            body = qalo_service.encrypt(b"\0\x01\x02\x03\x04\x05\x06\x07" * 40, KEY)
            facts = self.answer(body)
            self.assertRun(facts, 0, self.decrypted(len(body)))
            self.assertEqual(self.export_file(facts), b"\0\x01\x02\x03\x04\x05\x06\x07" * 40)

    def test_bytes_80_to_ff_everywhere(self):
        facts = self.answer(b"<XML>" + HIGH[:60] + b"<ERROR>" + HIGH[60:120] + b"</ERROR></XML>" + HIGH)
        self.assertRun(facts, -7, self.online(RECEIVED, b">>> FehlerCode erhalten #" + HIGH[60:120]))
        self.assertNoFile(facts)

        facts = self.answer(b"<XML><ORDER_NUMBER>" + HIGH[:100] + b"</ORDER_NUMBER></XML>" + HIGH)
        self.assertRun(facts, 0, self.online(RECEIVED, b">>> Ticket erhalten #" + HIGH[:100]))
        self.assertRegex(self.export_file(facts), ticket_document(HIGH[:100], b"B-17"))

        self.assertUnknown(b"<XML>" + HIGH + HIGH)
        self.assertEncrypted(HIGH * 4)


class Arguments(RetrievalCase):

    def test_null_datum_without_ticket_data_sends_no_date(self):
        facts = self.export(self.settings(), datum="null")
        self.assertRun(facts, 0, self.online(RECEIVED, *DECRYPTED))
        self.assertEqual(self.sent(), {"nolt_portal_id": "demo", "nolt_password": PASSWORD,
                                       "nolt_key": KEY})
        self.assertEqual(self.export_file(facts), expected_depot("demo"))

    def test_dates_at_and_beyond_the_four_digit_years(self):
        # The date is the whole-day part: the last moment of 9999 is still 9999.
        for datum, sent in (("-693593", "01.01.0001"), ("2958465.99999", "31.12.9999"),
                            ("2958465.999999999", "31.12.9999")):
            with self.subTest(datum=datum):
                facts = self.export(self.settings(), datum=datum)
                self.assertEqual(facts["RESULT"], b"0", facts)
                self.assertEqual(self.sent()["nolt_datum"], sent)
                self.assertEqual(self.export_file(facts), expected_depot("demo", sent))
                self.clear_exports()
        self.mock.requests(clear=True)
        for datum in ("-693594", "2958466", "1e300", "-1e300", "nan", "inf"):
            with self.subTest(datum=datum):
                facts = self.export(self.settings(), datum=datum)
                self.assertRun(facts, -9, [FIRST, b"Ung\xfcltiges Datum vom Host, Abruf abgebrochen."])
                self.assertNoFile(facts)
        self.assertEqual(self.mock.requests(), [])
        # With ticket data the date is not read at all.
        self.export(self.settings(extra="TicketData=0815\r\n"), datum="nan")
        self.assertEqual(self.sent(), {"nolt_portal_id": "demo", "nolt_password": PASSWORD,
                                       "nolt_key": KEY, "nolt_order_number": "0815"})

    def test_null_settings_text_is_empty_and_asks_for_the_password(self):
        facts = self.export("", dialog=["password", "--cancel"], more=["--null", "settings"])
        self.assertRun(facts, -4, [FIRST])
        self.assertNoFile(facts)

    def test_null_adviser_reference_is_empty_in_the_ticket(self):
        facts = self.export(self.settings("ticket"), more=["--null", "berater"])
        self.assertRun(facts, 0, self.online(RECEIVED, None))
        ticket = facts["LOG"][-1].rpartition(b"#")[2]
        self.assertRegex(self.export_file(facts), ticket_document(ticket, b""))

    def test_null_xml_directory_is_empty(self):
        # The registry's directory takes the place of the empty text.
        add = ["reg", "add", REGISTRY_KEY, "/v", "XmlDir", "/t", "REG_SZ", "/d", windows_path(self.xml), "/f"]
        try:
            lib.run_wine(add, self.prefix).check_returncode()
            facts = self.export(self.settings("e0"), more=["--null", "xml-dir"])
            self.assertEqual(facts["RESULT"], b"0")
            self.assertEqual(self.export_file(facts), b"<XML><ERROR>0</ERROR></XML>")
        finally:
            lib.run_wine(["reg", "delete", REGISTRY_KEY, "/f"], self.prefix)
        # Without it the run still ends with a code (here before going online).
        facts = self.export(self.settings(extra="TicketData=CD\r\n"), dialog=["open-file", "--cancel"],
                            more=["--null", "xml-dir,berater"])
        self.assertRun(facts, -4, [FIRST])

    def test_settings_text_of_420_kb(self):
        filler = "".join("Bemerkung%06d=%s\r\n" % (i, "x" * 90) for i in range(3990))
        with self.subTest(where="after 420 KB of other lines"):
            facts = self.export(filler + self.settings())
            self.assertEqual(facts["RESULT"], b"0", facts)
            self.assertEqual(self.sent(), {"nolt_portal_id": "demo", "nolt_password": PASSWORD,
                                           "nolt_key": KEY})
            self.assertEqual(self.export_file(facts), expected_depot("demo"))
            self.clear_exports()
        with self.subTest(where="one 420 KB line after the login"):
            facts = self.export(self.settings(extra="Bemerkung=" + "\xe4" * 430000))
            self.assertEqual(facts["RESULT"], b"0", facts)
            self.assertEqual(self.export_file(facts), expected_depot("demo"))
            self.clear_exports()
        # A request with a header that long cannot be sent: no data.
        big = "a" * 430000
        for name, settings in (("UserLogin", self.settings(portal=big)),
                               ("Password", self.settings(password=big)),
                               ("UserKey", self.settings(key=big)),
                               ("TicketData", self.settings(extra="TicketData=%s\r\n" % big))):
            with self.subTest(where="420 KB of " + name):
                facts = self.export(settings)
                self.assertEqual(facts["RESULT"], b"-8", facts["LOG"])
                self.assertNoFile(facts)

    def test_bytes_80_to_ff_in_the_login_go_out_unchanged(self):
        settings = (b"UserLogin=" + HIGH[:64] + b"\r\nPassword=" + HIGH[64:] +
                    b"\r\nUserKey=" + KEY.encode() + b"\r\nBemerkung=" + HIGH + b"\r\n")
        facts = self.export(settings)
        self.assertRun(facts, -2000, self.online(RECEIVED, b">>> FehlerCode erhalten #2000"))
        self.assertNoFile(facts)
        # The mock reads header bytes as Latin-1: one character per byte.
        self.assertEqual(self.sent(), {"nolt_portal_id": HIGH[:64].decode("latin-1"),
                                       "nolt_password": HIGH[64:].decode("latin-1"),
                                       "nolt_key": KEY})

    def test_adviser_reference_of_100_kb_goes_whole_into_the_ticket(self):
        berater = (b"&<>\"'" + HIGH) * 768  # 101,376 bytes, no zero byte
        path = self.root / "berater.txt"
        path.write_bytes(berater)
        facts = self.export(self.settings("ticket"), more=["--berater-file", windows_path(path)])
        self.assertRun(facts, 0, self.online(RECEIVED, None))
        ticket = facts["LOG"][-1].rpartition(b"#")[2]
        self.assertTrue(ticket.isdigit(), facts["LOG"])
        self.assertRegex(self.export_file(facts), ticket_document(ticket, berater))


class Directories(DepotCase):
    """XML directories that cannot take the export file: the run ends with a
    code and a log line, and leaves no file behind."""

    def setUp(self):
        super().setUp()
        self.mounts = []
        # An encrypted body of more than one 1 MiB block, so it is written
        # during the download as well as at its end.
        self.plain = (HIGH * 8192)[:(1 << 20) + 4096]
        (self.depot / "big").write_bytes(qalo_service.encrypt(self.plain, KEY))
        self.import_file = self.root / "depot.enc"
        self.import_file.write_bytes(qalo_service.encrypt(self.plain, KEY))

    def tearDown(self):
        for folder in reversed(self.mounts):
            subprocess.run(["umount", str(folder)], check=False)
        super().tearDown()

    def mount_tmpfs(self, folder, options):
        """A tmpfs at folder, or the test is skipped where mounting is not allowed."""
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", str(folder)],
                                 stdin=subprocess.DEVNULL, capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("no tmpfs can be mounted here: %r" % mounted.stderr)
        self.mounts.append(folder)

    def assertNotWritten(self, folder, error_answer_size=300 << 10, leftovers=()):
        """All three writers fail: the streamed depot data, the error answer
        and the import-file mode; none leaves a file behind."""
        def assertLeftAlone(facts):
            self.assertEqual(facts["EXPORTFILE"], [])
            if folder.exists():
                self.assertEqual(sorted(p.name for p in folder.iterdir()), sorted(leftovers))

        with self.subTest(folder=folder.name, answer="encrypted data"):
            self.url = self.mock.url("https", "/depot/big")
            self.override(URL=self.url)
            facts = self.export(self.settings())
            self.assertEqual(facts["RESULT"], b"-10", facts)
            self.assertTrue(facts["LOG"][-1].startswith(NOT_WRITTEN), facts["LOG"])
            self.assertEqual(facts["MESSAGE"], b"Unspezifizierter Fehler [-10]")
            assertLeftAlone(facts)
        with self.subTest(folder=folder.name, answer="error code 0"):
            facts = self.answer(filled(b"<XML><ERROR>0</ERROR></XML>", error_answer_size))
            self.assertEqual(facts["RESULT"], b"-10", facts)
            self.assertTrue(facts["LOG"][-1].startswith(NOT_WRITTEN), facts["LOG"])
            assertLeftAlone(facts)
        with self.subTest(folder=folder.name, answer="import file"):
            facts = self.export(self.settings(extra="TicketData=CD\r\n"),
                                dialog=["open-file", "--path", windows_path(self.import_file)])
            self.assertRun(facts, -10, [FIRST, b"Entschl\xfcsseln der Datei ...", None])
            self.assertTrue(facts["LOG"][-1].startswith(NOT_WRITTEN), facts["LOG"])
            assertLeftAlone(facts)

    def export(self, settings, xml_dir=None, **options):
        return super().export(settings, xml_dir=xml_dir or self.target, **options)

    def test_missing_directory(self):
        self.target = self.root / "fehlt"
        self.assertNotWritten(self.target)
        self.assertFalse(self.target.exists())

    def test_read_only_directory(self):
        self.target = self.xml
        self.mount_tmpfs(self.xml, "size=4m,ro")
        self.assertNotWritten(self.xml)

    def test_full_disk(self):
        self.target = self.xml
        self.mount_tmpfs(self.xml, "size=256k")
        self.assertNotWritten(self.xml)
        # Filled to the last byte: even the small answer finds no room.
        filler = os.open(self.xml / "filler", os.O_WRONLY | os.O_CREAT)
        try:
            while os.write(filler, b"\0" * 4096):
                pass
        except OSError:
            pass
        finally:
            os.close(filler)
        self.assertNotWritten(self.xml, error_answer_size=27, leftovers=["filler"])

    def test_the_same_answers_go_through_where_there_is_room(self):
        # The counter-check of the three above: a writable folder takes both.
        self.target = self.xml
        self.url = self.mock.url("https", "/depot/big")
        self.override(URL=self.url)
        facts = self.export(self.settings())
        self.assertEqual(facts["RESULT"], b"0", facts)
        self.assertEqual(self.export_file(facts), self.plain)
        self.clear_exports()
        facts = self.export(self.settings(extra="TicketData=CD\r\n"),
                            dialog=["open-file", "--path", windows_path(self.import_file)])
        self.assertEqual(facts["RESULT"], b"0", facts)
        self.assertEqual(self.export_file(facts), self.plain)


if __name__ == "__main__":
    unittest.main(verbosity=2)
