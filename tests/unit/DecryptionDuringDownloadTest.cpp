#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/ResponseBytes.h"
#include "unit/RetrievalFixture.h"
#include "workflow/ResponseBuffer.h"
#include "workflow/ResultCodes.h"

// Depot data decrypted while it is downloaded, on the host's thread and on
// workers. Apart from the retrieval's other tests: these run under
// ThreadSanitizer too.
namespace qalo {
namespace {

using test::kExport;
using Lines = std::vector<std::string>;
using test::RetrievalTest;

class DecryptionDuringDownloadTest : public RetrievalTest {
 protected:
  static constexpr std::size_t kBlock = ResponseBuffer::kDefaultBlockSize;

  void AnswerInChunks(const std::string& body, std::size_t chunkSize) {
    internet.defaultResponse = test::InChunks(body, chunkSize);
  }
  static Lines DecryptionLines(std::size_t size, const std::string& outcome) {
    return {"Abruf \xFC" "ber QALO-Depotschnittstelle ...", std::string("Aufruf: ") + kDefaultUrl,
            "Response vom Host empfangen.", "Entschl\xFCsseln der Daten ...",
            "Dateil\xE4nge: " + std::to_string(size) + " Bytes", outcome};
  }
};

TEST_F(DecryptionDuringDownloadTest, ExportFileIsTheSameForEveryBodyAndChunking) {
  for (std::size_t size : {std::size_t{7}, std::size_t{8}, std::size_t{200}, kBlock - 8, kBlock,
                           kBlock + 8, 3 * kBlock + 16}) {
    const std::string body = test::Pattern(size);
    std::string plain = body;
    for (char& c : plain) c = static_cast<char>(~c);  // the fake cipher's "plaintext"
    for (std::size_t chunk : {std::size_t{65535}, std::size_t{4099}, std::size_t{1000}}) {
      files.files.clear();
      host.events.clear();
      AnswerInChunks(body, chunk);
      const std::string what = std::to_string(size) + " in " + std::to_string(chunk);
      if (size % 8 != 0) {
        EXPECT_EQ(Run(), result::kDecryptFailed) << what;
        EXPECT_TRUE(files.files.empty()) << what;
        EXPECT_EQ(LogLines(), DecryptionLines(size, "... meldet Fehler # 77")) << what;
        continue;
      }
      EXPECT_EQ(Run(), result::kOk) << what;
      ASSERT_EQ(files.files.count(kExport), 1u) << what;
      EXPECT_TRUE(files.files.at(kExport) == plain) << what;
      EXPECT_EQ(LogLines(), DecryptionLines(size, "... erfolgreich dechiffriert!")) << what;
    }
  }
}

// Block k is decrypted when the chunk that begins block k + 1 is in: a
// failure there ends the download at once.
TEST_F(DecryptionDuringDownloadTest, CipherFailureAtAnyBlockLeavesNoFileAndEndsTheDownload) {
  const std::string body = test::Pattern(3 * kBlock + 16);
  for (std::size_t failAt = 1; failAt <= 4; ++failAt) {
    files.files.clear();
    host.events.clear();
    cipher = test::FakeCipher();
    cipher.faults.Fail("TDEA_BytesMode", static_cast<int>(failAt));
    AnswerInChunks(body, 65535);
    EXPECT_EQ(Run(), result::kDecryptFailed) << failAt;
    EXPECT_TRUE(files.files.empty()) << failAt;
    const std::size_t received =
        std::min(body.size(), failAt == 4 ? body.size() : (failAt * kBlock / 65535 + 1) * 65535);
    EXPECT_EQ(LogLines(), DecryptionLines(received, "... meldet Fehler # 4711")) << failAt;
    EXPECT_EQ(cipher.bytesCalls.size(), failAt);
  }
}

// What the cipher throws reads the same on whichever thread it struck: out
// of memory as anywhere else in a run (-9), any other exception as the
// cipher's (-5).
TEST_F(DecryptionDuringDownloadTest, AFailureOnAWorkerReadsAsOnTheHostsThread) {
  const std::string body = test::Pattern(6 * kBlock);
  const std::thread::id hosts = std::this_thread::get_id();
  for (bool onWorker : {false, true}) {
    for (bool outOfMemory : {false, true}) {
      const std::string what = std::string(outOfMemory ? "out of memory" : "exception") +
                               (onWorker ? " on a worker" : " on the host's thread");
      files.files.clear();
      host.events.clear();
      threads.cores = 2;
      bool struck = false;
      cipher = test::FakeCipher();
      cipher.bytesResult = [&](std::int32_t) -> std::int32_t {
        if (struck || (std::this_thread::get_id() == hosts) == onWorker) return 0;
        struck = true;
        if (outOfMemory) throw std::bad_alloc();
        throw std::runtime_error("cipher threw");
      };
      AnswerInChunks(body, 4099);
      const std::int32_t rc = Run();
      ASSERT_TRUE(struck) << what;
      EXPECT_EQ(rc, outOfMemory ? result::kUnexpectedFailure : result::kDecryptFailed) << what;
      EXPECT_EQ(LogLines().back(), outOfMemory
                                       ? "Nicht gen\xFCgend Arbeitsspeicher, Abruf abgebrochen."
                                       : "... mit Exception ABGEBROCHEN !!")
          << what;
      EXPECT_TRUE(files.files.empty()) << what;
      EXPECT_EQ(threads.running, 0) << what;
    }
  }
}

// A temporary file that fails while the data arrives ends the download at
// once; one that fails at the end ends the run after the decryption.
TEST_F(DecryptionDuringDownloadTest, ExportFileThatCannotBeWrittenIsMinusTenAndLeavesNothing) {
  const std::string body = test::Pattern(3 * kBlock + 16);
  const Lines early = {"Abruf \xFC" "ber QALO-Depotschnittstelle ...",
                       std::string("Aufruf: ") + kDefaultUrl,
                       "Exportdatei konnte nicht geschrieben werden: " + kExport};
  Lines late = DecryptionLines(body.size(), "... erfolgreich dechiffriert!");
  late.push_back(early.back());
  const struct {
    const char* call;
    int n;
    const Lines& lines;
  } steps[] = {{"Create", 1, early}, {"Write", 2, early}, {"Write", 4, late}, {"Place", 1, late}};
  for (const auto& step : steps) {
    files = test::FakeMemoryFileSystem();
    host.events.clear();
    internet.calls.clear();
    files.faults.Fail(step.call, step.n);
    AnswerInChunks(body, 65535);
    EXPECT_EQ(Run(), result::kExportFileNotWritten) << step.call << step.n;
    EXPECT_TRUE(files.files.empty()) << step.call << step.n;
    EXPECT_EQ(LogLines(), step.lines) << step.call << step.n;
    if (&step.lines == &early) {  // the rest of the body was never read
      EXPECT_LT(std::count_if(internet.calls.begin(), internet.calls.end(),
                              [](const std::string& c) { return c.rfind("Read(", 0) == 0; }),
                (3 * kBlock) / 65535)
          << step.call << step.n;
    }
  }
}

TEST_F(DecryptionDuringDownloadTest, DownloadFailingOrCancelledAfterDecryptedBlocksWritesNothing) {
  const std::string body = test::Pattern(3 * kBlock + 16);
  const std::size_t chunks = (body.size() + 65534) / 65535;
  for (std::size_t failAt : {std::size_t{20}, std::size_t{40}, chunks}) {
    files.files.clear();
    host.events.clear();
    cipher.bytesCalls.clear();
    AnswerInChunks(body, 65535);
    internet.defaultResponse.chunks.resize(failAt - 1);  // the read after them fails
    internet.defaultResponse.readFailsAtEnd = true;
    EXPECT_EQ(Run(), inet::kIncomplete) << failAt;
    EXPECT_FALSE(cipher.bytesCalls.empty()) << failAt;  // blocks were decrypted meanwhile
    EXPECT_TRUE(files.files.empty()) << failAt;
    EXPECT_EQ(LogLines().back(), "Internet-Fehler: Datei unvollst\xE4ndig \xFC" "bertragen");
  }
  files.files.clear();
  AnswerInChunks(body, 65535);
  progress.cancelAtQuestion = 40;
  EXPECT_EQ(Run(), inet::kCancelledByUser);
  EXPECT_TRUE(files.files.empty());
  EXPECT_EQ(LogLines().back(), "Download durch Benutzer abgebrochen");
}

// On several cores a cancel after any chunk ends the run as on one: the
// usual code and line and no file; the workers start only once a block is
// complete, and none is left running.
TEST_F(DecryptionDuringDownloadTest, CancelAfterAnyChunkOnSeveralCoresLeavesNoFileAndNoWorker) {
  const std::string body = test::Pattern(3 * kBlock + 16);
  const int chunks = static_cast<int>((body.size() + 65534) / 65535);
  for (unsigned cores : {2u, 4u}) {
    threads.cores = cores;
    for (int at = 1; at <= chunks; ++at) {
      const std::string what = std::to_string(at) + " on " + std::to_string(cores);
      files.files.clear();
      host.events.clear();
      AnswerInChunks(body, 65535);
      progress.questions = 0;
      progress.cancelAtQuestion = at;
      const int startsBefore = threads.faults.Count("Start");
      EXPECT_EQ(Run(), inet::kCancelledByUser) << what;
      EXPECT_TRUE(files.files.empty()) << what;
      EXPECT_EQ(LogLines().back(), "Download durch Benutzer abgebrochen") << what;
      EXPECT_EQ(threads.running, 0) << what;
      const bool blockComplete = static_cast<std::size_t>(at) * 65535 > kBlock;
      EXPECT_EQ(threads.faults.Count("Start") - startsBefore, blockComplete ? cores - 1 : 0) << what;
    }
  }
}

// A worker that cannot be started is no failure: the others and the host's
// thread take its blocks and the export file is the same; with none at all
// the host's thread decrypts every block in order, as on one core.
TEST_F(DecryptionDuringDownloadTest, WorkersThatCannotBeStartedLeaveTheirBlocksToTheOthers) {
  const std::string body = test::Pattern(5 * kBlock + 16);
  std::string plain = body;
  for (char& c : plain) c = static_cast<char>(~c);
  threads.cores = 4;
  for (int refused : {1, 2, 3, 0}) {  // 0: every one
    const std::string what = "refused " + std::to_string(refused);
    files.files.clear();
    host.events.clear();
    cipher.bytesCalls.clear();
    threads.faults = test::FaultPlan();
    if (refused > 0) threads.faults.Fail("Start", refused);
    else threads.faults.FailFrom("Start", 1);
    AnswerInChunks(body, 4099);
    EXPECT_EQ(Run(), result::kOk) << what;
    EXPECT_EQ(threads.faults.Count("Start"), 3) << what;
    EXPECT_EQ(threads.running, 0) << what;
    ASSERT_EQ(files.files.count(kExport), 1u) << what;
    EXPECT_TRUE(files.files.at(kExport) == plain) << what;
    EXPECT_EQ(LogLines(), DecryptionLines(body.size(), "... erfolgreich dechiffriert!")) << what;
  }
  ASSERT_EQ(cipher.bytesCalls.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    const std::vector<std::uint8_t>& in = cipher.bytesCalls[i].in;
    EXPECT_TRUE(std::string(in.begin(), in.end()) == body.substr(i * kBlock, in.size())) << i;
  }
}

}  // namespace
}  // namespace qalo
