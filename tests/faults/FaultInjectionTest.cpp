// Every call of every seam of a retrieval failing in turn: the run ends with
// a code and a log line that says why, leaves no handle open, no window up
// and no file behind but a complete export file after success.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "faults/AllocationFault.h"
#include "plugin/Exports.h"
#include "plugin/Identity.h"
#include "support/FakeRetrievalPlatform.h"
#include "workflow/Decryption.h"
#include "workflow/ResponseBuffer.h"
#include "workflow/ResultCodes.h"
#include "workflow/Retrieval.h"

namespace qalo {
namespace {

using Lines = std::vector<std::string>;

constexpr double kDec7At10 = 46363.0 + 10.0 / 24;
constexpr std::size_t kBlock = ResponseBuffer::kDefaultBlockSize;
const std::string kXmlDir = "C:\\nolt\\xml";
const std::string kIni = "C:\\nolt\\xml\\..\\QALO\\Qalo_test.Ini";
const std::string kExport = "C:\\nolt\\xml\\qalo_export_261207_100000.xml";
const std::string kImportFile = "C:\\in\\depot.enc";
const std::string kKey = "0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string kLogin = "UserLogin=demo\r\nUserKey=" + kKey + "\r\n";

const std::string kOutOfMemory = "Nicht gen\xFCgend Arbeitsspeicher, Abruf abgebrochen.";
const std::string kNotWritten = "Exportdatei konnte nicht geschrieben werden: " + kExport;
const std::string kDecryptionThrew = "... mit Exception ABGEBROCHEN !!";

// The runs the loops break: each reaches a different set of seams.
enum class Scenario {
  DepotData,       // a body of several blocks, decrypted and written during the download
  OrderNumber,     // the ticket document, written at the end
  PromptOverride,  // the password asked for, the test override file read
  ImportFile,      // the import-file mode: chooser, a file of several blocks read and decrypted
};
const Scenario kScenarios[] = {Scenario::DepotData, Scenario::OrderNumber,
                               Scenario::PromptOverride, Scenario::ImportFile};

std::string NameOf(Scenario scenario) {
  switch (scenario) {
    case Scenario::DepotData: return "depot data";
    case Scenario::OrderNumber: return "order number";
    case Scenario::PromptOverride: return "prompt and override file";
    case Scenario::ImportFile: return "import file";
  }
  return "";
}

std::string Body(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 31 + 7);
  return s;
}

// One retrieval over fresh fakes.
class Rig : public test::FakeRetrievalPlatform {
 public:
  explicit Rig(Scenario scenario) : FakeRetrievalPlatform(kDec7At10), scenario_(scenario) {
    std::string settings = kLogin + "Password=Geheim1!\r\n";
    test::FakeResponse response;
    switch (scenario) {
      case Scenario::DepotData: {
        const std::string body = Body(3 * kBlock + 16);
        response.contentLength = std::to_string(body.size());
        for (std::size_t at = 0; at < body.size(); at += 65535) response.chunks.push_back(body.substr(at, 65535));
        break;
      }
      case Scenario::PromptOverride:
        settings = kLogin;
        prompt.answer = "Geheim1!";
        files.files[kIni] = "";
        config.ini["Global|URL"] = "https://test.qalo.de/nolt";
        [[fallthrough]];
      case Scenario::OrderNumber:
        response.chunks = {"<XML><ORDER_NUMBER>4711</ORDER_NUMBER></XML>"};
        break;
      case Scenario::ImportFile:
        settings += "TicketData=CD\r\n";
        chooser.choice = kImportFile;
        files.files[kImportFile] = Body(3 * kBlock + 16);
        files.readChunk = 65536;
        break;
    }
    internet.defaultResponse = response;
    settings_ = settings;
    before_ = Paths();
  }

  std::int32_t Run() { return RunExport(platform, {kXmlDir, "B-17", nullptr, settings_}); }

  std::set<std::string> Paths() const {
    std::set<std::string> paths;
    for (const auto& [path, content] : files.files) paths.insert(path);
    return paths;
  }

  // What holds after any run: nothing open, nothing shown, and the files
  // as before plus the export file exactly after success.
  void ExpectClean(std::int32_t rc, const std::string& what) const {
    EXPECT_TRUE(internet.OpenHandles().empty()) << what;
    EXPECT_TRUE(internet.misuse.empty()) << what;
    EXPECT_TRUE(files.OpenFiles().empty()) << what;
    EXPECT_FALSE(progress.visible) << what;
    std::set<std::string> wanted = before_;
    if (rc == result::kOk) wanted.insert(kExport);
    EXPECT_EQ(Paths(), wanted) << what << " rc " << rc;
    ASSERT_FALSE(host.Lines().empty()) << what;
    EXPECT_FALSE(host.Lines().back().empty()) << what;
  }

  Lines LogLines() const { return host.Lines(); }


 private:
  Scenario scenario_;
  std::string settings_;
  std::set<std::string> before_;
};

// Each scenario unbroken: the baseline the loops break call by call.
TEST(FaultInjection, EveryScenarioSucceedsUnbroken) {
  for (Scenario scenario : kScenarios) {
    Rig rig(scenario);
    const std::int32_t rc = rig.Run();
    EXPECT_EQ(rc, result::kOk) << NameOf(scenario);
    rig.ExpectClean(rc, NameOf(scenario));
  }
}

const std::set<std::string> kDownloadFailures = [] {
  std::set<std::string> texts;
  for (std::int32_t code : {inet::kUnspecified, inet::kNoSession, inet::kOpenUrlFailed,
                            inet::kAccessDenied, inet::kNotFound, inet::kHttpError, inet::kIncomplete,
                            inet::kServerBusy, inet::kProxyAuthRequired, inet::kCancelledByUser})
    texts.insert(InetErrorText(code));
  return texts;
}();

TEST(FaultInjection, EachInternetCallFailingInTurn) {
  for (Scenario scenario : kScenarios) {
    int n = 0;
    for (;; ++n) {
      Rig rig(scenario);
      rig.internet.faults.FailCall(n + 1);
      const std::int32_t rc = rig.Run();
      if (static_cast<int>(rig.internet.calls.size()) <= n) break;
      const std::string what = NameOf(scenario) + ": " + rig.internet.calls[n];
      rig.ExpectClean(rc, what);
      const Lines lines = rig.LogLines();
      if (rc == result::kOk) continue;  // a call whose failure the download rides out
      // The download's failure in words; its code unless no byte came.
      EXPECT_EQ(kDownloadFailures.count(lines.back()), 1u) << what << ": " << lines.back();
      if (rc != result::kNoData) {
        EXPECT_EQ(lines.back(), InetErrorText(rc)) << what;
      }
    }
    if (scenario != Scenario::ImportFile) {
      EXPECT_GT(n, 10) << NameOf(scenario);
    }
  }
}

TEST(FaultInjection, EachFileCallFailingInTurn) {
  for (Scenario scenario : kScenarios) {
    for (const char* kind : {"Create", "Write", "Place", "Close", "Open", "Read"}) {
      for (int n = 1;; ++n) {
        Rig rig(scenario);
        rig.files.faults.Fail(kind, n);
        const std::int32_t rc = rig.Run();
        if (rig.files.faults.Count(kind) < n) break;
        const std::string what = NameOf(scenario) + ": " + kind + " " + std::to_string(n);
        rig.ExpectClean(rc, what);
        if (kind == std::string("Open") || kind == std::string("Read")) {
          // Only the import file is read: its failure is the decryption's.
          EXPECT_EQ(rc, result::kDecryptFailed) << what;
        } else {
          EXPECT_EQ(rc, result::kExportFileNotWritten) << what;
          EXPECT_EQ(rig.LogLines().back(), kNotWritten) << what;
        }
      }
    }
  }
}

// Leftovers that cannot be found or removed stay; the run is not hurt.
TEST(FaultInjection, TheSweepOfAbandonedFilesFailingIsNoFailureOfTheRun) {
  const std::string abandoned = kXmlDir + "\\qalo_tmp_1_1.tmp";
  for (const char* kind : {"Find", "Remove"}) {
    Rig rig(Scenario::OrderNumber);
    rig.files.files[abandoned] = "left by a killed run";
    rig.files.faults.Fail(kind, 1);
    EXPECT_EQ(rig.Run(), result::kOk) << kind;
    EXPECT_EQ(rig.files.files.count(abandoned), 1u) << kind;
    EXPECT_EQ(rig.files.files.count(kExport), 1u) << kind;
  }
}

// On two cores too, where the failing call may be a worker's.
TEST(FaultInjection, EachCipherCallFailingOrThrowingInTurn) {
  for (Scenario scenario : {Scenario::DepotData, Scenario::ImportFile}) {
    for (unsigned cores : {1u, 2u}) {
      for (bool throws : {false, true}) {
        for (int n = 1;; ++n) {
          Rig rig(scenario);
          rig.threads.cores = cores;
          int calls = 0;
          rig.cipher.bytesResult = [&calls, n](std::int32_t) { return ++calls == n ? 4711 : 0; };
          if (throws) {
            rig.cipher.bytesResult = [&calls, n](std::int32_t) -> std::int32_t {
              if (++calls == n) throw std::bad_alloc();
              return 0;
            };
          }
          const std::int32_t rc = rig.Run();
          if (calls < n) break;
          const std::string what = NameOf(scenario) + ": " + std::to_string(n) +
                                   (throws ? " throws" : " fails") + " on " + std::to_string(cores);
          rig.ExpectClean(rc, what);
          EXPECT_EQ(rc, result::kDecryptFailed) << what;
          EXPECT_EQ(rig.LogLines().back(), throws ? kDecryptionThrew : "... meldet Fehler # 4711")
              << what;
          EXPECT_EQ(rig.threads.running, 0) << what;
        }
      }
    }
  }
}

// The settings store reports nothing it cannot read: the run goes on with
// the host's directory and the default URL.
TEST(FaultInjection, UnreadableRegistryAndIniFallBackToTheDefaults) {
  Rig rig(Scenario::PromptOverride);
  rig.config.ini.clear();
  const std::int32_t rc = rig.Run();
  EXPECT_EQ(rc, result::kOk);
  rig.ExpectClean(rc, "unreadable");
  EXPECT_EQ(rig.config.registryReads.size(), 1u);
  EXPECT_EQ(rig.LogLines()[1], std::string("Aufruf: ") + kDefaultUrl);
}

TEST(FaultInjection, WindowsThatCannotBeCreatedEndTheRunWithTheirLine) {
  const struct {
    Scenario scenario;
    const char* line;
  } cases[] = {
      {Scenario::PromptOverride, "Passwortabfrage konnte nicht angezeigt werden."},
      {Scenario::OrderNumber, "Fortschrittsanzeige konnte nicht angezeigt werden."},
      {Scenario::DepotData, "Fortschrittsanzeige konnte nicht angezeigt werden."},
      {Scenario::ImportFile, "Dateiauswahl konnte nicht angezeigt werden."},
  };
  for (const auto& c : cases) {
    Rig rig(c.scenario);
    rig.prompt.faults.Fail("Ask");
    rig.progress.faults.Fail("Show");
    rig.chooser.faults.Fail("ChooseFile");
    const std::int32_t rc = rig.Run();
    EXPECT_EQ(rc, result::kUnexpectedFailure) << c.line;
    rig.ExpectClean(rc, c.line);
    EXPECT_EQ(rig.LogLines().back(), c.line);
    EXPECT_EQ(rig.host.ProgressCount(), 0) << "no window, no notification";
  }
}

TEST(FaultInjection, CancelledPromptAndChooserAreNoFailureOfTheirWindows) {
  for (Scenario scenario : {Scenario::PromptOverride, Scenario::ImportFile}) {
    Rig rig(scenario);
    rig.prompt.answer.reset();
    rig.chooser.choice.reset();
    const std::int32_t rc = rig.Run();
    EXPECT_EQ(rc, result::kCancelled) << NameOf(scenario);
    rig.ExpectClean(rc, NameOf(scenario));
  }
}

// Out of memory for any of the body's blocks or for the block copy of the
// decryption, whenever it strikes. On two cores, where the decryption works
// in pieces of a sixteenth of a block, for anything of that size: the
// worker's piece copy is the only one whose failure is none, its share
// going to the host's thread.
TEST(FaultInjection, EachLargeAllocationFailingInTurn) {
  for (Scenario scenario : {Scenario::DepotData, Scenario::OrderNumber, Scenario::ImportFile}) {
    for (unsigned cores : {1u, 2u}) {
      const std::size_t large = cores > 1 ? kBlock / ResponseDecryption::kPiecesPerBlock : kBlock;
      int n = 1, riddenOut = 0;
      for (;; ++n) {
        Rig rig(scenario);
        rig.threads.cores = cores;
        std::int32_t rc;
        int seen;
        {
          test::AllocationFault fault(large, n);
          rc = rig.Run();
          seen = fault.Seen();
        }
        if (seen < n) break;
        const std::string what =
            NameOf(scenario) + ": allocation " + std::to_string(n) + " on " + std::to_string(cores);
        rig.ExpectClean(rc, what);
        EXPECT_EQ(rig.threads.running, 0) << what;
        const std::string last = rig.LogLines().back();
        if (rc == result::kOk) ++riddenOut;
        else if (rc == result::kDecryptFailed) EXPECT_EQ(last, kDecryptionThrew) << what;
        else {
          EXPECT_EQ(rc, result::kUnexpectedFailure) << what;
          EXPECT_EQ(last, kOutOfMemory) << what;
        }
      }
      const bool workers = cores > 1 && scenario != Scenario::OrderNumber;
      EXPECT_EQ(riddenOut, workers ? 1 : 0) << NameOf(scenario) << " on " << cores;
      // At least the body's four blocks and the block copy; the ticket's block.
      EXPECT_GE(n - 1, scenario == Scenario::OrderNumber ? 1 : 5) << NameOf(scenario);
    }
  }
}

// Any allocation of a growing body failing, the small ones of its block
// index too: the bytes held stay whole and nothing leaks (the sanitizer's
// leak check at exit would say so).
TEST(FaultInjection, EachAllocationOfAGrowingBodyFailingInTurn) {
  const std::string body = Body(64 * 40);
  for (int n = 1;; ++n) {
    ResponseBuffer buffer(64);
    std::size_t held = 0;
    int seen;
    {
      test::AllocationFault fault(0, n);
      try {
        for (; held < body.size(); held += 64)
          buffer.Write(reinterpret_cast<const std::uint8_t*>(body.data()) + held, 64);
      } catch (const std::bad_alloc&) {
      }
      seen = fault.Seen();
    }
    if (seen < n) break;
    EXPECT_EQ(buffer.Size(), held) << n;
    EXPECT_EQ(buffer.Head(held), body.substr(0, held)) << n;
  }
}

// The same through the export, as the host calls it.
Rig* gRig = nullptr;
std::int32_t RigHandler(const char*, const char*, std::int32_t, const double*, const char* settings) {
  return RunExport(gRig->platform, {kXmlDir, "B-17", nullptr, settings});
}

TEST(FaultInjection, ThroughTheExportEveryFileCallFailingIsACode) {
  PluginIdentity& identity = Identity();
  const auto saved = identity.ExportXmlHandler;
  identity.ExportXmlHandler = &RigHandler;
  const std::string settings = kLogin + "Password=Geheim1!\r\n";
  for (const char* kind : {"Create", "Write", "Place", "Close"}) {
    for (int n = 1;; ++n) {
      Rig rig(Scenario::DepotData);
      gRig = &rig;
      rig.files.faults.Fail(kind, n);
      const std::int32_t rc = ExportXML(kXmlDir.c_str(), "B-17", 0, nullptr, settings.c_str());
      if (rig.files.faults.Count(kind) < n) break;
      const std::string what = std::string(kind) + " " + std::to_string(n);
      EXPECT_EQ(rc, result::kExportFileNotWritten) << what;
      rig.ExpectClean(rc, what);
    }
  }
  gRig = nullptr;
  identity.ExportXmlHandler = saved;
}

}  // namespace
}  // namespace qalo
