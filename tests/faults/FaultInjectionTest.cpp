// Every call of every seam of a retrieval failing in turn: the run ends with
// a code and a log line that says why, leaves no handle open, no window up
// and no file behind but a complete export file after success.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "faults/AllocationFault.h"
#include "plugin/Exports.h"
#include "plugin/Identity.h"
#include "support/FakeRetrievalPlatform.h"
#include "support/ResponseBytes.h"
#include "workflow/Decryption.h"
#include "workflow/ResponseBuffer.h"
#include "workflow/ResultCodes.h"
#include "workflow/Retrieval.h"

namespace qalo {
namespace {

using Lines = std::vector<std::string>;
using test::kExport;
using test::kIni;
using test::kXmlDir;

constexpr std::size_t kBlock = ResponseBuffer::kDefaultBlockSize;
const std::string kImportFile = "C:\\in\\depot.enc";
const std::string kLogin = "UserLogin=demo\r\nUserKey=" + test::kUserKey + "\r\n";
const std::string kSettings = kLogin + "Password=Geheim1!\r\n";

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

std::string NameOf(Scenario scenario);
void PrintTo(Scenario scenario, std::ostream* out) { *out << NameOf(scenario); }

std::string NameOf(Scenario scenario) {
  switch (scenario) {
    case Scenario::DepotData: return "DepotData";
    case Scenario::OrderNumber: return "OrderNumber";
    case Scenario::PromptOverride: return "PromptOverride";
    case Scenario::ImportFile: return "ImportFile";
  }
  return "";
}

// One retrieval over fresh fakes.
class Rig : public test::FakeRetrievalPlatform {
 public:
  explicit Rig(Scenario scenario) : FakeRetrievalPlatform(test::kDec7At10) {
    std::string settings = kSettings;
    test::FakeResponse response;
    switch (scenario) {
      case Scenario::DepotData:
        response = test::InChunks(test::Pattern(3 * kBlock + 16));
        break;
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
        files.files[kImportFile] = test::Pattern(3 * kBlock + 16);
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
  std::string settings_;
  std::set<std::string> before_;
};

// The scenarios as parameters, each test named after its scenario.
class FaultInjection : public ::testing::TestWithParam<Scenario> {
 protected:
  Scenario scenario() const { return GetParam(); }
  std::string Name() const { return NameOf(GetParam()); }
};
std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& info) { return NameOf(info.param); }

// Each scenario unbroken: the baseline the loops break call by call.
TEST_P(FaultInjection, SucceedsUnbroken) {
  Rig rig(scenario());
  const std::int32_t rc = rig.Run();
  EXPECT_EQ(rc, result::kOk);
  rig.ExpectClean(rc, Name());
}

const std::set<std::string> kDownloadFailures = [] {
  std::set<std::string> texts;
  for (std::int32_t code : {inet::kUnspecified, inet::kNoSession, inet::kOpenUrlFailed,
                            inet::kAccessDenied, inet::kNotFound, inet::kHttpError, inet::kIncomplete,
                            inet::kServerBusy, inet::kProxyAuthRequired, inet::kCancelledByUser})
    texts.insert(InetErrorText(code));
  return texts;
}();

TEST_P(FaultInjection, EachInternetCallFailingInTurn) {
  int n = 0;
  for (;; ++n) {
    Rig rig(scenario());
    rig.internet.faults.FailCall(n + 1);
    const std::int32_t rc = rig.Run();
    if (static_cast<int>(rig.internet.calls.size()) <= n) break;
    const std::string what = rig.internet.calls[n];
    rig.ExpectClean(rc, what);
    const Lines lines = rig.LogLines();
    if (rc == result::kOk) continue;  // a call whose failure the download rides out
    // The download's failure in words; its code unless no byte came.
    EXPECT_EQ(kDownloadFailures.count(lines.back()), 1u) << what << ": " << lines.back();
    if (rc != result::kNoData) {
      EXPECT_EQ(lines.back(), InetErrorText(rc)) << what;
    }
  }
  if (scenario() != Scenario::ImportFile) {
    EXPECT_GT(n, 10);
  }
}

TEST_P(FaultInjection, EachFileCallFailingInTurn) {
  for (const char* kind : {"Create", "Write", "Place", "Close", "Open", "Read"}) {
    for (int n = 1;; ++n) {
      Rig rig(scenario());
      rig.files.faults.Fail(kind, n);
      const std::int32_t rc = rig.Run();
      if (rig.files.faults.Count(kind) < n) break;
      const std::string what = std::string(kind) + " " + std::to_string(n);
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

TEST_P(FaultInjection, WindowsThatCannotBeCreatedEndTheRunWithTheirLine) {
  const char* const line = scenario() == Scenario::PromptOverride
                               ? "Passwortabfrage konnte nicht angezeigt werden."
                           : scenario() == Scenario::ImportFile
                               ? "Dateiauswahl konnte nicht angezeigt werden."
                               : "Fortschrittsanzeige konnte nicht angezeigt werden.";
  Rig rig(scenario());
  rig.prompt.faults.Fail("Ask");
  rig.progress.faults.Fail("Show");
  rig.chooser.faults.Fail("ChooseFile");
  const std::int32_t rc = rig.Run();
  EXPECT_EQ(rc, result::kUnexpectedFailure);
  rig.ExpectClean(rc, line);
  EXPECT_EQ(rig.LogLines().back(), line);
  EXPECT_EQ(rig.host.ProgressCount(), 0) << "no window, no notification";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, FaultInjection,
                         ::testing::Values(Scenario::DepotData, Scenario::OrderNumber,
                                           Scenario::PromptOverride, Scenario::ImportFile),
                         ScenarioName);

// Leftovers that cannot be found or removed stay; the run is not hurt.
TEST(FaultInjectionAlone, TheSweepOfAbandonedFilesFailingIsNoFailureOfTheRun) {
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

// Scenarios on one core and on two.
class DecryptingFaults : public ::testing::TestWithParam<std::tuple<Scenario, unsigned>> {
 protected:
  Scenario scenario() const { return std::get<0>(GetParam()); }
  unsigned cores() const { return std::get<1>(GetParam()); }
};
std::string DecryptingName(const ::testing::TestParamInfo<std::tuple<Scenario, unsigned>>& info) {
  return NameOf(std::get<0>(info.param)) + "On" + std::to_string(std::get<1>(info.param)) + "Cores";
}
class CipherFaults : public DecryptingFaults {};
class AllocationFaults : public DecryptingFaults {};

// On two cores the failing call may be a worker's.
TEST_P(CipherFaults, EachCipherCallFailingOrThrowingInTurn) {
  for (bool throws : {false, true}) {
    for (int n = 1;; ++n) {
      Rig rig(scenario());
      rig.threads.cores = cores();
      rig.cipher.faults.Fail("TDEA_BytesMode", n);
      rig.cipher.failuresThrow = throws;
      const std::int32_t rc = rig.Run();
      if (rig.cipher.faults.Count("TDEA_BytesMode") < n) break;
      const std::string what = std::to_string(n) + (throws ? " throws" : " fails");
      rig.ExpectClean(rc, what);
      EXPECT_EQ(rc, result::kDecryptFailed) << what;
      EXPECT_EQ(rig.LogLines().back(), throws ? kDecryptionThrew : "... meldet Fehler # 4711") << what;
      EXPECT_EQ(rig.threads.running, 0) << what;
    }
  }
}

// The settings store reports nothing it cannot read: the run goes on with
// the host's directory and the default URL.
TEST(FaultInjectionAlone, UnreadableRegistryAndIniFallBackToTheDefaults) {
  Rig rig(Scenario::PromptOverride);
  rig.config.ini.clear();
  const std::int32_t rc = rig.Run();
  EXPECT_EQ(rc, result::kOk);
  rig.ExpectClean(rc, "unreadable");
  // XmlDir and StrictCertificates.
  EXPECT_EQ(rig.config.registryReads.size(), 2u);
  EXPECT_EQ(rig.LogLines()[1], std::string("Aufruf: ") + kDefaultUrl);
}

TEST(FaultInjectionAlone, CancelledPromptAndChooserAreNoFailureOfTheirWindows) {
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
// decryption, whenever it strikes, reads the same on every thread. On two
// cores, where the decryption works in pieces of a sixteenth of a block,
// for anything of that size: the worker's piece copy is the only one whose
// failure is none, its share going to the host's thread.
TEST_P(AllocationFaults, EachLargeAllocationFailingInTurn) {
  const std::size_t large = cores() > 1 ? kBlock / ResponseDecryption::kPiecesPerBlock : kBlock;
  int n = 1, riddenOut = 0;
  for (;; ++n) {
    Rig rig(scenario());
    rig.threads.cores = cores();
    std::int32_t rc;
    int seen;
    {
      test::AllocationFault fault(large, n);
      rc = rig.Run();
      seen = fault.Seen();
    }
    if (seen < n) break;
    const std::string what = "allocation " + std::to_string(n);
    rig.ExpectClean(rc, what);
    EXPECT_EQ(rig.threads.running, 0) << what;
    const std::string last = rig.LogLines().back();
    if (rc == result::kOk) {
      ++riddenOut;
    } else {
      EXPECT_EQ(rc, result::kUnexpectedFailure) << what;
      EXPECT_EQ(last, kOutOfMemory) << what;
    }
  }
  const bool workers = cores() > 1 && scenario() != Scenario::OrderNumber;
  EXPECT_EQ(riddenOut, workers ? 1 : 0);
  // At least the body's four blocks and the block copy; the ticket's block.
  EXPECT_GE(n - 1, scenario() == Scenario::OrderNumber ? 1 : 5);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, CipherFaults,
                         ::testing::Combine(::testing::Values(Scenario::DepotData,
                                                              Scenario::ImportFile),
                                            ::testing::Values(1u, 2u)),
                         DecryptingName);
INSTANTIATE_TEST_SUITE_P(Scenarios, AllocationFaults,
                         ::testing::Combine(::testing::Values(Scenario::DepotData,
                                                              Scenario::OrderNumber,
                                                              Scenario::ImportFile),
                                            ::testing::Values(1u, 2u)),
                         DecryptingName);

// Any allocation of a growing body failing, the small ones of its block
// index too: the bytes held stay whole and nothing leaks (the sanitizer's
// leak check at exit would say so).
TEST(FaultInjectionAlone, EachAllocationOfAGrowingBodyFailingInTurn) {
  const std::string body = test::Pattern(64 * 40);
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

// The same through the export, as the host calls it: the handler slot
// points at the rig while a test runs and is given back after it.
class ThroughTheExport : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Identity().ExportXmlHandler;
    Identity().ExportXmlHandler = &Handler;
  }
  void TearDown() override {
    Identity().ExportXmlHandler = saved_;
    current_ = nullptr;
  }
  static std::int32_t Handler(const char*, const char*, std::int32_t, const double*,
                              const char* settings) {
    return RunExport(current_->platform, {kXmlDir, "B-17", nullptr, settings});
  }

  static inline Rig* current_ = nullptr;

 private:
  ExportXmlFn saved_ = nullptr;
};

TEST_F(ThroughTheExport, EveryFileCallFailingIsACode) {
  for (const char* kind : {"Create", "Write", "Place", "Close"}) {
    for (int n = 1;; ++n) {
      Rig rig(Scenario::DepotData);
      current_ = &rig;
      rig.files.faults.Fail(kind, n);
      const std::int32_t rc = ExportXML(kXmlDir.c_str(), "B-17", 0, nullptr, kSettings.c_str());
      if (rig.files.faults.Count(kind) < n) break;
      const std::string what = std::string(kind) + " " + std::to_string(n);
      EXPECT_EQ(rc, result::kExportFileNotWritten) << what;
      rig.ExpectClean(rc, what);
    }
  }
}

}  // namespace
}  // namespace qalo
