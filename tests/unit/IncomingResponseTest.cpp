#include "workflow/IncomingResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/SystemCipher.h"
#include "support/FakeCipher.h"
#include "support/FakeHost.h"
#include "support/FakeMemoryFileSystem.h"
#include "support/FakeThreads.h"
#include "support/TestData.h"
#include "support/ResponseBytes.h"

namespace qalo {
namespace {

using test::Gather;
using test::Inverted;
using test::Pattern;

using Lines = std::vector<std::string>;

const char kResponseKey[] = "0123456789abcdef23456789abcdef01456789abcdef0123";
const char kResponseDir[] = "C:\\xml";
constexpr double kResponseStamp = 46363.0 + 10.0 / 24;  // 7 December 2026, 10:00:00
const char kResponseExport[] = "C:\\xml\\qalo_export_261207_100000.xml";
constexpr std::size_t kBlock = 64;  // the buffer's block size in these tests

// The fake cipher's "plaintext".
// What one decryption came to; received: how much of the body the download
// delivered before the target took no more.
struct Outcome {
  std::int32_t rc;
  Lines lines;
  std::string bytes;
  std::size_t received = 0;
};

// The one file of a directory of one file, or "".
std::string OnlyFile(const test::FakeMemoryFileSystem& files) {
  return files.files.size() == 1 ? files.files.begin()->second : "";
}

// The body decrypted after it had arrived whole, on one thread: the
// behaviour to keep.
Outcome AfterDownload(const std::string& body, Cipher& cipher, const std::string& key = kResponseKey) {
  ResponseBuffer buffer(kBlock);
  buffer.Assign(body);
  test::FakeHost host;
  test::FakeThreads oneCore;
  const std::int32_t rc = DecryptResponse(buffer, key, cipher, oneCore, host);
  return {rc, host.Lines(), Gather(buffer), body.size()};
}

// What a test looks at after each chunk: the buffer and the export file so
// far.
using AfterChunk = std::function<void(const ResponseBuffer& buffer, const std::string& file)>;

// The body delivered in chunks of chunkSize until the target takes no more,
// decrypted and written as it came in on a machine of `cores` cores, and
// finished at the end; bytes: the export file.
Outcome DuringDownload(const std::string& body, std::size_t chunkSize, Cipher& cipher,
                       const std::string& key = kResponseKey, unsigned cores = 1,
                       const AfterChunk& afterChunk = nullptr) {
  test::FakeMemoryFileSystem files;
  test::FakeThreads threads(cores);
  ResponseBuffer buffer(kBlock);
  ResponseDecryption decryption(key, cipher, threads);
  Outcome outcome;
  test::FakeHost host;
  {
    ExportFile file(files, kResponseDir);
    StreamedExport exportFile(file);
    IncomingResponse incoming(buffer, decryption, exportFile);
    for (; outcome.received < body.size(); outcome.received += chunkSize) {
      const std::string chunk = body.substr(outcome.received, chunkSize);
      if (!incoming.Write(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size())) {
        outcome.received = buffer.Size();
        break;
      }
      if (afterChunk) afterChunk(buffer, OnlyFile(files));
    }
    outcome.received = std::min(outcome.received, body.size());
    EXPECT_EQ(incoming.Class().kind, ResponseClass::Kind::EncryptedData);
    outcome.rc = FinishResponseDecryption(decryption, buffer, host);
    // However the decryption ended, its workers have.
    EXPECT_EQ(threads.running, 0);
    EXPECT_LE(threads.faults.Count("Start"), static_cast<int>(cores) - 1);
    if (outcome.rc == 0) {
      EXPECT_EQ(exportFile.Commit(buffer, kResponseStamp), kResponseExport);
      outcome.bytes = files.files[kResponseExport];
    }
  }
  EXPECT_TRUE(files.files.size() == (outcome.rc == 0 ? 1u : 0u));  // placed, or removed
  outcome.lines = host.Lines();
  return outcome;
}

void ExpectSame(const Outcome& during, const Outcome& after, const std::string& what) {
  EXPECT_EQ(during.rc, after.rc) << what;
  EXPECT_EQ(during.lines, after.lines) << what;
  if (after.rc == 0) {
    EXPECT_TRUE(during.bytes == after.bytes) << what;
  }
}

const std::size_t kBodySizes[] = {0, 7, 8, 200, kBlock - 8, kBlock, kBlock + 8, 5 * kBlock + 24,
                                  4 * kBlock + 3};
const std::size_t kChunkSizes[] = {1, 3, 7, 8, 9, kBlock - 1, kBlock, kBlock + 1, 199, 200, 201, 1000};

TEST(IncomingResponse, DecryptingDuringTheDownloadGivesTheSameResultAsAfterIt) {
  for (std::size_t size : kBodySizes) {
    const std::string body = test::DistinctUnits(size);
    test::FakeCipher afterCipher;
    const Outcome after = AfterDownload(body, afterCipher);
    for (std::size_t chunk : kChunkSizes) {
      for (unsigned cores : {1u, 2u, 4u}) {
        const std::string what = std::to_string(size) + " in " + std::to_string(chunk) + " on " +
                                 std::to_string(cores) + " cores";
        test::FakeCipher cipher;
        ExpectSame(DuringDownload(body, chunk, cipher, kResponseKey, cores), after, what);
        if (size % 8 != 0) continue;
        if (cores > 1) {
          EXPECT_EQ(test::CbcPiecesProblem(cipher.bytesCalls, body, kBlock), "") << what;
          continue;
        }
        // The same pieces with the same chained IVs reach the cipher.
        ASSERT_EQ(cipher.bytesCalls.size(), afterCipher.bytesCalls.size()) << what;
        for (std::size_t i = 0; i < cipher.bytesCalls.size(); ++i) {
          EXPECT_EQ(cipher.bytesCalls[i].in, afterCipher.bytesCalls[i].in) << what;
          EXPECT_EQ(cipher.bytesCalls[i].iv, afterCipher.bytesCalls[i].iv) << what;
        }
      }
    }
  }
}

TEST(IncomingResponse, BlocksAreDecryptedAndWrittenWhileTheBodyArrivesButTheLastWaits) {
  test::FakeCipher cipher;
  test::FakeMemoryFileSystem files;
  ResponseBuffer buffer(kBlock);
  test::FakeThreads oneCore;
  ResponseDecryption decryption(kResponseKey, cipher, oneCore);
  ExportFile file(files, kResponseDir);
  StreamedExport exportFile(file);
  IncomingResponse incoming(buffer, decryption, exportFile);
  const std::string body = Pattern(4 * kBlock);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(body.data());
  EXPECT_TRUE(incoming.Write(bytes, 3 * kBlock));
  EXPECT_TRUE(cipher.bytesCalls.empty());  // the window of 200 bytes is not in yet
  EXPECT_TRUE(incoming.Write(bytes + 3 * kBlock, kBlock));
  EXPECT_EQ(cipher.bytesCalls.size(), 3u);  // the fourth block may still grow
  // The decrypted blocks are in the temporary file and no longer in memory.
  EXPECT_EQ(OnlyFile(files).size(), 3 * kBlock);
  EXPECT_EQ(buffer.BlockAt(0).data, nullptr);
  EXPECT_EQ(buffer.BlockAt(2).data, nullptr);
  EXPECT_NE(buffer.BlockAt(3).data, nullptr);
  EXPECT_EQ(buffer.Size(), 4 * kBlock);
  test::FakeHost host;
  EXPECT_EQ(FinishResponseDecryption(decryption, buffer, host), 0);
  EXPECT_EQ(cipher.bytesCalls.size(), 4u);
  ASSERT_EQ(exportFile.Commit(buffer, kResponseStamp), kResponseExport);
  std::string plain = body;
  for (char& c : plain) c = static_cast<char>(~c);
  EXPECT_TRUE(files.files.at(kResponseExport) == plain);
  EXPECT_EQ(files.files.size(), 1u);
}

TEST(IncomingResponse, ClassIsJudgedOnTheBytesAsReceived) {
  // Decrypted by the fake (which inverts), this body would begin with <XML>.
  std::string body = "<XML><ERROR>1</ERROR></XML>" + Pattern(8 * kBlock - 27);
  for (char& c : body) c = static_cast<char>(~c);
  test::FakeCipher cipher;
  const Outcome during = DuringDownload(body, 100, cipher);
  EXPECT_EQ(during.rc, 0);
  EXPECT_EQ(during.bytes.substr(0, 5), "<XML>");
}

TEST(IncomingResponse, ServiceAnswersAreNeitherDecryptedNorChanged) {
  const std::string body = "<XML><ORDER_NUMBER>42</ORDER_NUMBER></XML>" + std::string(500, ' ');
  test::FakeCipher cipher;
  test::FakeMemoryFileSystem files;
  ResponseBuffer buffer(kBlock);
  test::FakeThreads oneCore;
  ResponseDecryption decryption(kResponseKey, cipher, oneCore);
  ExportFile file(files, kResponseDir);
  StreamedExport exportFile(file);
  IncomingResponse incoming(buffer, decryption, exportFile);
  EXPECT_TRUE(incoming.Write(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
  EXPECT_EQ(incoming.Class().kind, ResponseClass::Kind::OrderNumber);
  EXPECT_EQ(incoming.Class().text, "42");
  EXPECT_TRUE(cipher.bytesCalls.empty());
  EXPECT_EQ(Gather(buffer), body);
  EXPECT_TRUE(files.files.empty());
}

// A streamed export file that fails at one step says so at once, writes
// nothing more and leaves no file, however many blocks went out before.
TEST(StreamedExport, FailureAtAnyStepLeavesNoFile) {
  const std::string body = Pattern(5 * kBlock + 24);
  const std::pair<const char*, int> steps[] = {{"Create", 1}, {"Write", 2}, {"Write", 6}, {"Place", 1},
                                               {"Close", 1}};
  for (const auto& [call, n] : steps) {
    test::FakeMemoryFileSystem files;
    files.faults.Fail(call, n);
    ResponseBuffer buffer(kBlock);
    buffer.Assign(body);
    {
      ExportFile file(files, kResponseDir);
      StreamedExport exportFile(file);
      const bool early = exportFile.Take(buffer, 3) && exportFile.Take(buffer, 5);
      EXPECT_EQ(early, !exportFile.Failed()) << call << n;
      EXPECT_EQ(exportFile.Commit(buffer, kResponseStamp), std::nullopt) << call << n;
      if (std::string(call) != "Place" && std::string(call) != "Close") {
        EXPECT_EQ(files.faults.Count("Write"), call == std::string("Write") ? n : 0) << call << n;
      }
    }
    EXPECT_TRUE(files.files.empty()) << call << n;
  }
}

TEST(StreamedExport, BodyOfOneBlockIsWrittenAtCommit) {
  test::FakeMemoryFileSystem files;
  ResponseBuffer buffer(kBlock);
  buffer.Assign(Pattern(40));
  ExportFile file(files, kResponseDir);
  StreamedExport exportFile(file);
  EXPECT_TRUE(exportFile.Take(buffer, 0));
  EXPECT_TRUE(files.files.empty());  // nothing created before there is something to write
  ASSERT_EQ(exportFile.Commit(buffer, kResponseStamp), kResponseExport);
  EXPECT_EQ(files.files.at(kResponseExport), Pattern(40));
  EXPECT_EQ(files.files.size(), 1u);
}

// -5 with the usual lines over the bytes that came: the cipher's number,
// 4711, or the exception's line.
void ExpectCipherFailure(const Outcome& during, bool threw, const std::string& what) {
  EXPECT_EQ(during.rc, -5) << what;
  EXPECT_EQ(during.lines,
            (Lines{"Entschl\xFCsseln der Daten ...",
                   "Dateil\xE4nge: " + std::to_string(during.received) + " Bytes",
                   threw ? "... mit Exception ABGEBROCHEN !!" : "... meldet Fehler # 4711"}))
      << what;
}

// The download stops at the failing block, and the usual lines report it
// over the bytes that came.
TEST(IncomingResponse, CipherFailureAtAnyCallEndsTheDownloadAtOnce) {
  const std::string body = Pattern(6 * kBlock);
  for (int failAt = 1; failAt <= 6; ++failAt) {
    for (bool throws : {false, true}) {
      for (std::size_t chunk : {std::size_t{7}, kBlock, std::size_t{201}}) {
        const std::string what = std::to_string(failAt) + (throws ? " throws in " : " fails in ") +
                                 std::to_string(chunk);
        test::FakeCipher cipher;
        cipher.faults.Fail("TDEA_BytesMode", failAt);
        cipher.failuresThrow = throws;
        const Outcome during = DuringDownload(body, chunk, cipher);
        ExpectCipherFailure(during, throws, what);
        EXPECT_EQ(cipher.bytesCalls.size(), static_cast<std::size_t>(failAt)) << what;
        // Only the last block waits for the end: an earlier failure stops the
        // download within a chunk of the block after it (or of the 200 bytes
        // that tell what the data is).
        if (failAt < 6) {
          EXPECT_LE(during.received, std::max<std::size_t>(200, (failAt + 1) * kBlock) + chunk)
              << what;
        }
      }
    }
  }
}

// The block of body (a DistinctUnits body) a piece given to the cipher
// lies in.
std::size_t BlockOf(const std::string& body, const std::vector<std::uint8_t>& piece) {
  const std::string first(piece.begin(), piece.begin() + 8);
  std::size_t at = 0;
  while (body.compare(at, 8, first) != 0) at += 8;
  return at / kBlock;
}

// The blocks a download on that many cores may hold before it waits: those
// in flight on its threads (the workers and the host's), the one whose
// pieces are being taken out and the one still arriving.
std::size_t HeldOn(unsigned cores) {
  return ResponseDecryption::kBlocksInFlightPerThread *
             std::min(cores, DecryptionWorkers::kMostWorkers + 1) +
         2;
}

// On several cores, whichever thread meets a failing piece of the block:
// the download ends within the blocks in flight after it, with the usual
// lines, and the first failing piece in order is the one reported, however
// early a later one failed.
TEST(IncomingResponse, CipherFailureOfAnyBlockOnSeveralCoresEndsTheDownloadAsOnOne) {
  const std::string body = test::DistinctUnits(6 * kBlock);
  for (unsigned cores : {2u, 4u}) {
    for (std::size_t failing = 0; failing < 6; ++failing) {
      for (bool throws : {false, true}) {
        for (std::size_t chunk : {std::size_t{7}, kBlock, std::size_t{201}}) {
          const std::string what = "block " + std::to_string(failing) +
                                   (throws ? " throws in " : " fails in ") +
                                   std::to_string(chunk) + " on " + std::to_string(cores);
          test::FakeCipher cipher;
          cipher.bytesResult = [&cipher, &body, failing, throws](std::int32_t) -> std::int32_t {
            const std::size_t block = BlockOf(body, cipher.bytesCalls.back().in);
            if (block < failing) return 0;
            if (block > failing) return 99;
            if (throws) throw std::runtime_error("cipher threw");
            return 4711;
          };
          const Outcome during = DuringDownload(body, chunk, cipher, kResponseKey, cores);
          ExpectCipherFailure(during, throws, what);
          if (failing < 5) {
            EXPECT_LE(during.received, (failing + HeldOn(cores)) * kBlock + chunk) << what;
          }
        }
      }
    }
  }
}

// The cipher's calls on the workers' threads made slow, the host's as they
// are.
class SlowWorkersCipher : public Cipher {
 public:
  explicit SlowWorkersCipher(Cipher& cipher) : cipher_(cipher) {}
  std::int32_t TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                              const std::uint8_t* key, std::int32_t direction, const char* mode,
                              const std::uint8_t* iv) override {
    if (std::this_thread::get_id() != host_) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return cipher_.TDEA_BytesMode(out, in, n, key, direction, mode, iv);
  }
  std::int32_t RNG_KeyHex(char* out, std::int32_t maxChars, std::int32_t nBytes, const char* seed,
                          std::int32_t seedLen) override {
    return cipher_.RNG_KeyHex(out, maxChars, nBytes, seed, seedLen);
  }

 private:
  Cipher& cipher_;
  const std::thread::id host_ = std::this_thread::get_id();
};

// A network faster than the workers: the host's thread decrypts what waits
// and then waits itself, so the blocks held never pass those in flight,
// whatever the body.
TEST(IncomingResponse, BlocksHeldStayWithinThoseInFlightWhenTheWorkersFallBehind) {
  const std::string body = Pattern(40 * kBlock);
  for (unsigned cores : {2u, 4u}) {
    test::FakeCipher cipher;
    SlowWorkersCipher slow(cipher);
    std::size_t most = 0;
    const Outcome during =
        DuringDownload(body, 16, slow, kResponseKey, cores,
                       [&most](const ResponseBuffer& buffer, const std::string& file) {
                         most = std::max<std::size_t>(most, buffer.Size() - file.size());
                       });
    EXPECT_EQ(during.rc, 0) << cores;
    EXPECT_TRUE(during.bytes == Inverted(body)) << cores;
    EXPECT_LE(most, HeldOn(cores) * kBlock) << cores;
  }
}

// Nothing can be decrypted: the download ends as soon as the data is known
// for what it is.
TEST(IncomingResponse, KeyThatCannotBeConvertedTouchesNothingAndEndsTheDownload) {
  const std::string body = Pattern(6 * kBlock);
  test::FakeCipher cipher, afterCipher;
  const Outcome during = DuringDownload(body, 50, cipher, "xyz");
  EXPECT_EQ(during.received, 200u);
  ExpectSame(during, AfterDownload(body.substr(0, 200), afterCipher, "xyz"), "bad key");
  EXPECT_EQ(during.rc, -5);
  EXPECT_TRUE(cipher.bytesCalls.empty());
}

TEST(IncomingResponse, SystemCipherDuringTheDownloadMatchesOpenssl) {
  const std::string enc = test::ReadWholeFile(test::TestDataPath("tdea-sample.enc"));
  const std::string dec = test::ReadWholeFile(test::TestDataPath("tdea-sample.dec"));
  const std::string key = test::ReadWholeFile(test::TestDataPath("tdea-sample.key"));
  ASSERT_FALSE(enc.empty());
  for (std::size_t chunk : {std::size_t{13}, std::size_t{4096}, std::size_t{65535}}) {
    for (unsigned cores : {1u, 3u}) {
      const Outcome during = DuringDownload(enc, chunk, *MakeSystemCipher(), key, cores);
      EXPECT_EQ(during.rc, 0) << chunk << " on " << cores;
      EXPECT_TRUE(during.bytes == dec) << chunk << " on " << cores;
    }
  }
}

}  // namespace
}  // namespace qalo
