#include "workflow/Retrieval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/ResponseBytes.h"
#include "unit/RetrievalFixture.h"
#include "workflow/ResponseBuffer.h"
#include "workflow/ResultCodes.h"

namespace qalo {
namespace {

using test::kDec7At10;
using test::kExport;
using test::kIni;
using test::kXmlDir;
using test::kUserKey;

// 7 December 2026, 10:15:30
constexpr double kDec7At1015 = 46363.0 + (10 * 3600 + 15 * 60 + 30) / 86400.0;

using test::kSettings;
using Lines = std::vector<std::string>;
using test::RetrievalTest;

// --- where the export file goes, and what the run reads

TEST_F(RetrievalTest, RegistryDirectoryWinsOverTheHosts) {
  config.registry[std::string(kRegistryKey) + "|XmlDir"] = "D:\\elsewhere";
  Answer("<XML><ERROR>0</ERROR></XML>");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(files.files.count("D:\\elsewhere\\qalo_export_261207_100000.xml"), 1u);
  EXPECT_EQ(files.files.count(kExport), 0u);
}

TEST_F(RetrievalTest, SettingsNamesIgnoreCaseFirstLineWinsValuesUntrimmed) {
  Answer("<XML><ERROR>0</ERROR></XML>");
  Run("userlogin=abc\r\nPASSWORD= x\r\nUserLogin=second\nuserkey=K\n");
  EXPECT_EQ(SentHeaders(), "nolt_portal_id: abc\nnolt_password:  x\nnolt_key: K\n");
  EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(RetrievalTest, HeadersCarryTheDateOnlyWithoutTicketData) {
  Answer("<XML><ERROR>0</ERROR></XML>");
  const double datum = 46000.0;
  Run(kSettings, &datum);
  EXPECT_EQ(SentHeaders(), "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: " + kUserKey +
                               "\nnolt_datum: 09.12.2025\n");
  Run(kSettings + "TicketData=4711\r\n", &datum);
  EXPECT_EQ(SentHeaders(), "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: " + kUserKey +
                               "\nnolt_order_number: 4711\n");
  Run(kSettings, nullptr);  // no readable date: no date line
  EXPECT_EQ(SentHeaders(), "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: " + kUserKey + "\n");
}

TEST_F(RetrievalTest, LowerCaseCdIsATicketNumber) {
  Answer("<XML><ERROR>0</ERROR></XML>");
  Run(kSettings + "TicketData=cd\r\n");
  EXPECT_TRUE(chooser.titles.empty());
  EXPECT_NE(SentHeaders().find("nolt_order_number: cd\n"), std::string::npos);
}

TEST_F(RetrievalTest, OverrideFileReplacesUrlTicketDataAndKey) {
  files.files[kIni] = "";
  config.ini["Global|URL"] = "http://127.0.0.1:8080/nolt";
  config.ini["Global|TicketData"] = "T-1";
  config.ini["demo|KEY"] = "abc";
  Answer("<XML><ERROR>0</ERROR></XML>");
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Called("CrackUrl(http://127.0.0.1:8080/nolt)"));
  EXPECT_EQ(SentHeaders(),
            "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: abc\nnolt_order_number: T-1\n");
  EXPECT_EQ(LogLines()[1], "Aufruf: http://127.0.0.1:8080/nolt");
}

TEST_F(RetrievalTest, WithoutOverrideFileTheDefaultUrlIsUsedAndNoIniIsRead) {
  Answer("<XML><ERROR>0</ERROR></XML>");
  Run();
  EXPECT_TRUE(config.iniReads.empty());
  EXPECT_TRUE(Called(std::string("CrackUrl(") + kDefaultUrl + ")"));
}

// --- the password prompt

TEST_F(RetrievalTest, CancelledPromptEndsTheRunWithOneLogLine) {
  prompt.answer = std::nullopt;
  EXPECT_EQ(Run("UserLogin=demo\r\nTicketData=CD\r\n"), result::kCancelled);
  EXPECT_EQ(prompt.asked, Lines{"QALO|demo"});
  EXPECT_EQ(LogLines(), Lines{"Abruf \xFC" "ber QALO-Depotschnittstelle ..."});
  EXPECT_TRUE(internet.calls.empty());
  EXPECT_TRUE(chooser.titles.empty());
  EXPECT_TRUE(files.files.empty());
}

TEST_F(RetrievalTest, ConfirmedEmptyPasswordIsSentEmpty) {
  prompt.answer = "";
  Answer("<XML><ERROR>0</ERROR></XML>");
  EXPECT_EQ(Run("UserLogin=demo\r\n"), 0);
  EXPECT_EQ(SentHeaders(), "nolt_portal_id: demo\nnolt_password: \nnolt_key: \n");
}

// --- the import-file mode

TEST_F(RetrievalTest, CdRunsTheImportFileModeInstead) {
  prompt.answer = "typed";
  chooser.choice = std::nullopt;
  const double datum = 46000.0;
  EXPECT_EQ(Run("UserLogin=demo\r\nTicketData=CD\r\n", &datum), result::kCancelled);
  EXPECT_EQ(prompt.asked.size(), 1u);  // the prompt still comes first
  EXPECT_EQ(chooser.titles.size(), 1u);
  EXPECT_TRUE(internet.calls.empty());
  EXPECT_EQ(LogLines(), Lines{"Abruf \xFC" "ber QALO-Depotschnittstelle ..."});
}

TEST_F(RetrievalTest, CdFromTheOverrideFileDecryptsIntoTheTimeStampedFile) {
  files.files[kIni] = "";
  config.ini["Global|TicketData"] = "CD";
  chooser.choice = "C:\\in\\depot.enc";
  const std::string encrypted = "depot-16-bytes!!";
  files.files[*chooser.choice] = encrypted;
  clock = test::FakeClock({kDec7At10, kDec7At1015});  // the stamp is taken when the mode begins
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(cipher.bytesCalls.size(), 1u);
  EXPECT_EQ(cipher.bytesCalls[0].in, std::vector<std::uint8_t>(encrypted.begin(), encrypted.end()));
  std::string plain = encrypted;
  for (char& c : plain) c = static_cast<char>(~c);
  EXPECT_EQ(files.files.at(kExport), plain);
}

// --- the download's outcome

TEST_F(RetrievalTest, FailedDownloadWithoutBytesIsNoData) {
  Answer("", "401");
  EXPECT_EQ(Run(), result::kNoData);
  EXPECT_EQ(LogLines(), (Lines{"Abruf \xFC" "ber QALO-Depotschnittstelle ...",
                               std::string("Aufruf: ") + kDefaultUrl,
                               "HTTP-Fehler 401: Zugriff verweigert.",
                               "Internet-Fehler: Zugriff auf Seite verweigert"}));
  EXPECT_TRUE(files.files.empty());
}

// StrictCertificates beside XmlDir: any number but 0 refuses what the
// service's contract lets pass with a warning; missing (or not a REG_DWORD,
// which the store reports as missing) keeps the warning.
TEST(RetrievalCertificates, StrictCertificatesRefusesWhatWouldPassWithAWarning) {
  const std::string key = std::string(kRegistryKey) + "|";
  for (const std::optional<std::uint32_t> strict :
       {std::optional<std::uint32_t>(), std::optional<std::uint32_t>(0), std::optional<std::uint32_t>(1),
        std::optional<std::uint32_t>(7)}) {
    SCOPED_TRACE(strict ? std::to_string(*strict) : "missing");
    test::FakeRetrievalPlatform p(kDec7At10);
    p.internet.certificateProblems = wininet::kSecurityCertInvalidDate;
    p.internet.defaultResponse = test::InChunks("<XML><ERROR>0</ERROR></XML>");
    if (strict) p.config.registryDwords[key + "StrictCertificates"] = *strict;
    const std::int32_t rc = RunExport(p.platform, {kXmlDir, "B-17", nullptr, kSettings});
    EXPECT_EQ(p.config.registryReads, (Lines{key + "XmlDir", key + "StrictCertificates"}));
    const Lines lines = p.host.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], std::string("Aufruf: ") + kDefaultUrl);
    if (strict.value_or(0) != 0) {
      EXPECT_EQ(rc, result::kNoData);
      EXPECT_EQ(lines[2].rfind("WinINet-Systemfehler: 12037 - Zertifikat des Servers abgelehnt "
                               "(StrictCertificates): abgelaufen oder noch nicht g\xFCltig; ",
                               0),
                0u)
          << lines[2];
      EXPECT_EQ(lines[3], "Internet-Fehler: \xD6" "ffnen der URL fehlgeschlagen");
      EXPECT_EQ(lines.size(), 4u);
      EXPECT_TRUE(p.internet.sentHeaders.empty());
      EXPECT_TRUE(p.files.files.empty());
    } else {
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(lines[2].rfind("Warnung: Zertifikat des Servers abgelaufen oder noch nicht "
                               "g\xFCltig, Verbindung trotzdem aufgebaut; ",
                               0),
                0u)
          << lines[2];
      EXPECT_EQ(lines[3], "Response vom Host empfangen.");
      EXPECT_EQ(p.internet.sentHeaders.size(), 1u);
      EXPECT_EQ(p.files.files.count(kExport), 1u);
    }
  }
}

TEST_F(RetrievalTest, IncompleteDownloadKeepsItsOwnCode) {
  Answer("<XML><ERROR>0</ERROR></XML>");
  internet.defaultResponse.contentLength = "99";
  EXPECT_EQ(Run(), -7);
  EXPECT_EQ(LogLines().back(), "Internet-Fehler: Datei unvollst\xE4ndig \xFC" "bertragen");
  EXPECT_TRUE(files.files.empty());
}

TEST_F(RetrievalTest, CancelledDownloadKeepsItsOwnCode) {
  Answer("partial");
  progress.cancelAtQuestion = 1;
  EXPECT_EQ(Run(), inet::kCancelledByUser);
  EXPECT_TRUE(files.files.empty());

  // Cancelled while the service is silent before its answer: no byte came,
  // and the run is still the user's cancel, not a missing answer.
  host.events.clear();
  progress.questions = 0;
  progress.cancelAtQuestion = 3;
  inet.waits = {std::chrono::milliseconds(5), std::chrono::milliseconds(20),
                std::chrono::milliseconds(20)};
  internet.Hold("SendRequest", 2);
  EXPECT_EQ(Run(), inet::kCancelledByUser);
  internet.Release();
  EXPECT_EQ(LogLines().back(), "Download durch Benutzer abgebrochen");
  EXPECT_TRUE(files.files.empty());
}

// --- the service's answers

TEST_F(RetrievalTest, EncryptedDataIsDecryptedInPlaceAndWritten) {
  const std::string cipherText("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  Answer(cipherText);
  EXPECT_EQ(Run(), 0);
  std::string expected;
  for (char c : cipherText) expected += static_cast<char>(~c);  // the fake cipher's "plaintext"
  EXPECT_EQ(files.files.at(kExport), expected);
  EXPECT_EQ(cipher.bytesCalls.at(0).key[0], 0x01);
  const Lines lines = LogLines();
  EXPECT_EQ(lines[2], "Response vom Host empfangen.");
  EXPECT_EQ(lines.back(), "... erfolgreich dechiffriert!");
}

TEST_F(RetrievalTest, LowerCaseXmlIsTakenForEncryptedData) {
  Answer("<xml><ERROR>1</ERROR></xml>");  // 27 bytes: not a multiple of 8
  EXPECT_EQ(Run(), result::kDecryptFailed);
  EXPECT_TRUE(files.files.empty());
}

TEST_F(RetrievalTest, UnconvertibleKeyEndsWithoutFileAndWithoutShowingTheKey) {
  Answer(std::string(16, 'x'));
  const std::string badKey(50, 'a');
  EXPECT_EQ(Run("UserLogin=demo\r\nPassword=p\r\nUserKey=" + badKey + "\r\n"), result::kDecryptFailed);
  EXPECT_TRUE(files.files.empty());
  for (const auto& line : LogLines()) EXPECT_EQ(line.find(badKey), std::string::npos) << line;
}

TEST_F(RetrievalTest, OrderNumberBecomesTheTicketDocument) {
  Answer("<XML><ORDER_NUMBER>4711</ORDER_NUMBER></XML>");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(files.files.at(kExport),
            "<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>B-17</I_BeraterRef></IMPORT>"
            "<Ticketdaten><TD_DataString>4711</TD_DataString><TD_GueltigAb>08.12.2026 07:00:00"
            "</TD_GueltigAb><TD_GueltigBis>22.12.2026 07:00:00</TD_GueltigBis></Ticketdaten></XML>");
  EXPECT_EQ(LogLines().back(), ">>> Ticket erhalten #4711");
}

TEST_F(RetrievalTest, OrderNumberWithoutClosingTagGivesAnEmptyTicket) {
  Answer("<XML><ORDER_NUMBER>4711");
  EXPECT_EQ(Run(), 0);
  EXPECT_NE(files.files.at(kExport).find("<TD_DataString></TD_DataString>"), std::string::npos);
}

TEST_F(RetrievalTest, ErrorCodes) {
  const struct {
    const char* body;
    std::int32_t result;
    bool file;
  } cases[] = {
      {"<XML><ERROR>1200</ERROR></XML>", -1200, false},
      {"<XML><ERROR>abc</ERROR></XML>", result::kInvalidErrorCode, false},
      {"<XML><ERROR>-12</ERROR></XML>", 12, false},
      {"<XML><ERROR>$7D0</ERROR></XML>", -2000, false},
      {"<XML><ERROR>0</ERROR></XML>", 0, true},
      {"<XML><STATUS>ok</STATUS></XML>", result::kUnknownMessage, false},
  };
  for (const auto& c : cases) {
    files.files.clear();
    Answer(c.body);
    EXPECT_EQ(Run(), c.result) << c.body;
    EXPECT_EQ(files.files.count(kExport), c.file ? 1u : 0u) << c.body;
    if (c.file) {
      EXPECT_EQ(files.files.at(kExport), c.body);  // written as received
    }
  }
}

TEST_F(RetrievalTest, ErrorCodeLogLineCarriesTheCodeText) {
  Answer("<XML><ERROR> 1100</ERROR></XML>");
  EXPECT_EQ(Run(), -1100);
  EXPECT_EQ(LogLines().back(), ">>> FehlerCode erhalten # 1100");
}

TEST_F(RetrievalTest, Error3000BecomesTheCdTicketForSeventyDays) {
  clock = test::FakeClock({kDec7At1015, kDec7At1015, kDec7At10});
  Answer("<XML><ERROR>3000</ERROR></XML>");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(clock.reads, 3u);  // two dates, then the file name
  EXPECT_EQ(files.files.at(kExport),
            "<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>B-17</I_BeraterRef></IMPORT>"
            "<Ticketdaten><TD_DataString>CD</TD_DataString><TD_GueltigAb>07.12.2026 10:15:30"
            "</TD_GueltigAb><TD_GueltigBis>15.02.2027 10:15:30</TD_GueltigBis></Ticketdaten></XML>");
}

TEST_F(RetrievalTest, TicketTimesUseTheClocksTimeSeparator) {
  clock.timeSeparator = ".";
  Answer("<XML><ORDER_NUMBER>4711</ORDER_NUMBER></XML>");
  EXPECT_EQ(Run(), 0);
  const std::string& document = files.files.at(kExport);
  EXPECT_NE(document.find("<TD_GueltigAb>08.12.2026 07.00.00</TD_GueltigAb>"), std::string::npos);
  EXPECT_NE(document.find("<TD_GueltigBis>22.12.2026 07.00.00</TD_GueltigBis>"), std::string::npos);
}

// --- writing the export file

TEST_F(RetrievalTest, UnwritableExportFileIsACodeAndLeavesNothing) {
  for (const char* call : {"Create", "Place"}) {
    files = test::FakeMemoryFileSystem();
    files.faults.Fail(call, 1);
    Answer("<XML><ORDER_NUMBER>1</ORDER_NUMBER></XML>");
    EXPECT_EQ(Run(), result::kExportFileNotWritten) << call;
    EXPECT_TRUE(files.files.empty()) << call;
    EXPECT_EQ(LogLines().back(), "Exportdatei konnte nicht geschrieben werden: " + kExport);
  }
}

// In a shared XML directory a second run in the same second must not hand
// the first one's file to nobody: it takes the next second.
TEST_F(RetrievalTest, SecondRunInTheSameSecondTakesTheNextOne) {
  Answer("<XML><ORDER_NUMBER>1</ORDER_NUMBER></XML>");
  Run();
  Answer("<XML><ORDER_NUMBER>2</ORDER_NUMBER></XML>");
  Run();
  ASSERT_EQ(files.files.size(), 2u);
  EXPECT_NE(files.files.at(kExport).find(">1<"), std::string::npos);
  EXPECT_NE(files.files.at("C:\\nolt\\xml\\qalo_export_261207_100001.xml").find(">2<"),
            std::string::npos);
}

TEST_F(RetrievalTest, SecretsNeverReachTheLog) {
  Answer("<XML><ERROR>2000</ERROR></XML>", "503");
  Run();
  Answer(std::string(8, 'z'));
  Run();
  for (const auto& line : LogLines()) {
    EXPECT_EQ(line.find("Geheim1!"), std::string::npos) << line;
    EXPECT_EQ(line.find(kUserKey), std::string::npos) << line;
  }
}

// --- two runs in one XML directory

// What one run of a pair fetches, and the export file it must leave.
enum class RunKind { DepotData, Ticket, ImportFile };

struct PairedRun {
  PairedRun(RunKind kind, int which) : rig(kDec7At10), kind(kind) {
    const std::string tag = std::to_string(which);
    std::string body;
    switch (kind) {
      case RunKind::DepotData:  // two blocks and a bit: written while it arrives
        body = test::Pattern(2 * ResponseBuffer::kDefaultBlockSize + 64, which);
        expected = Inverted(body);
        break;
      case RunKind::Ticket:
        body = "<XML><ORDER_NUMBER>" + tag + "</ORDER_NUMBER></XML>";
        expected = "<TD_DataString>" + tag + "</TD_DataString>";
        break;
      case RunKind::ImportFile:
        importFile = "C:\\in\\depot" + tag + ".enc";
        chosen = test::Pattern(64, which);
        expected = Inverted(chosen);
        settings += "TicketData=CD\r\n";
        break;
    }
    rig.internet.defaultResponse = test::InChunks(body);
    rig.chooser.choice = importFile;
  }
  static std::string Inverted(std::string bytes) {
    for (char& c : bytes) c = static_cast<char>(~c);  // the fake cipher's plaintext
    return bytes;
  }
  // Runs over the files and the clock of `shared`, as another user of the
  // same machine and directory.
  std::int32_t Run(test::FakeRetrievalPlatform& shared) {
    if (!importFile.empty()) shared.files.files[importFile] = chosen;
    RetrievalPlatform platform{rig.host, shared.clock, rig.config, shared.files, rig.cipher,
                               rig.prompt, rig.chooser, rig.inet, rig.threads};
    return RunExport(platform, {kXmlDir, "B-17", nullptr, settings});
  }
  bool Owns(const std::string& content) const {
    return kind == RunKind::Ticket ? content.find(expected) != std::string::npos
                                   : content == expected;
  }

  test::FakeRetrievalPlatform rig;
  RunKind kind;
  std::string settings = kSettings;
  std::string importFile, chosen, expected;
};

// Run B starts at every step of run A's on the shared directory (as a
// second host would, or the same host from its progress callback): both
// end with 0, each with its own whole export file, nothing else is left and
// nothing stays open.
TEST(SharedXmlDirectory, TwoRunsInterleavedAtEveryFileStepEachGetTheirOwnFile) {
  const RunKind kinds[] = {RunKind::DepotData, RunKind::Ticket, RunKind::ImportFile};
  for (RunKind first : kinds) {
    for (RunKind second : kinds) {
      for (int step = 1;; ++step) {
        test::FakeRetrievalPlatform shared(kDec7At10);
        PairedRun a(first, 1), b(second, 2);
        int calls = 0;
        std::int32_t rcB = -1;
        shared.files.onCall = [&](const std::string&) {
          if (++calls == step) rcB = b.Run(shared);
        };
        const std::int32_t rcA = a.Run(shared);
        shared.files.onCall = nullptr;
        if (calls < step) break;
        const std::string what = std::to_string(static_cast<int>(first)) + " then " +
                                 std::to_string(static_cast<int>(second)) + " at step " +
                                 std::to_string(step);
        EXPECT_EQ(rcA, 0) << what;
        EXPECT_EQ(rcB, 0) << what;
        std::vector<std::string> exports;
        for (const auto& [path, content] : shared.files.files) {
          if (path.rfind(kXmlDir + "\\", 0) != 0) continue;
          EXPECT_EQ(path.rfind(kXmlDir + "\\qalo_export_261207_1000", 0), 0u) << what << ": " << path;
          exports.push_back(content);
        }
        ASSERT_EQ(exports.size(), 2u) << what;
        EXPECT_TRUE((a.Owns(exports[0]) && b.Owns(exports[1])) ||
                    (a.Owns(exports[1]) && b.Owns(exports[0])))
            << what;
        EXPECT_TRUE(shared.files.OpenFiles().empty()) << what;
      }
    }
  }
}

// Twenty runs of every kind, each let in by the one before when that one is
// about to put its file in place, so all twenty place in the same second of
// a clock that never moves: each takes the next free second at once, ends
// with 0 and leaves its own whole file, in twenty seconds from the stamp on.
TEST(SharedXmlDirectory, TwentyRunsPlacingInTheSameSecondAllGetTheirOwnFileAtOnce) {
  constexpr int kRuns = 20;
  test::FakeRetrievalPlatform shared(kDec7At10);
  std::deque<PairedRun> runs;
  for (int i = 0; i < kRuns; ++i) runs.emplace_back(static_cast<RunKind>(i % 3), i + 1);
  std::vector<std::int32_t> results(kRuns, -1);
  int started = 0;
  std::function<void()> runNext = [&] {
    const int i = started++;
    results[i] = runs[i].Run(shared);
  };
  std::vector<bool> letIn(kRuns, false);
  shared.files.onCall = [&](const std::string& call) {
    const int current = started - 1;  // the innermost run is the one calling
    if (call == "Place" && started < kRuns && !letIn[current]) {
      letIn[current] = true;
      runNext();
    }
  };
  runNext();
  shared.files.onCall = nullptr;

  ASSERT_EQ(started, kRuns);
  EXPECT_EQ(results, std::vector<std::int32_t>(kRuns, 0));
  std::vector<std::string> names, contents;
  for (const auto& [path, content] : shared.files.files) {
    if (path.rfind(kXmlDir + "\\", 0) != 0) continue;
    names.push_back(path);
    contents.push_back(content);
  }
  std::vector<std::string> expected;
  for (int s = 0; s < kRuns; ++s) {
    char name[64];
    std::snprintf(name, sizeof name, "\\qalo_export_261207_1000%02d.xml", s);
    expected.push_back(kXmlDir + name);
  }
  EXPECT_EQ(names, expected);
  std::size_t reads = 0;  // the file's stamp, and a ticket's validity: no run read it again
  for (const PairedRun& run : runs) {
    EXPECT_EQ(std::count_if(contents.begin(), contents.end(),
                            [&](const std::string& c) { return run.Owns(c); }),
              1);
    reads += run.kind == RunKind::Ticket ? 2 : 1;
  }
  EXPECT_TRUE(shared.files.OpenFiles().empty());
  EXPECT_EQ(shared.clock.reads, reads);
}

}  // namespace
}  // namespace qalo
