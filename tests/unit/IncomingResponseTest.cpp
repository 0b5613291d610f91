#include "workflow/IncomingResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/SystemCipher.h"
#include "support/FakeCipher.h"
#include "support/FakeClock.h"
#include "support/FakeHost.h"
#include "support/FakeMemoryFileSystem.h"
#include "support/TestData.h"
#include "support/ResponseBytes.h"

namespace qalo {
namespace {

using test::Gather;
using test::Pattern;

using Lines = std::vector<std::string>;

const char kKey[] = "0123456789abcdef23456789abcdef01456789abcdef0123";
const char kDir[] = "C:\\xml";
constexpr double kStamp = 46363.0 + 10.0 / 24;  // 7 December 2026, 10:00:00
const char kExport[] = "C:\\xml\\qalo_export_261207_100000.xml";
constexpr std::size_t kBlock = 64;  // the buffer's block size in these tests

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

// The body decrypted after it had arrived whole: the behaviour to keep.
Outcome AfterDownload(const std::string& body, Cipher& cipher, const std::string& key = kKey) {
  ResponseBuffer buffer(kBlock);
  buffer.Assign(body);
  test::FakeHost host;
  const std::int32_t rc = DecryptResponse(buffer, key, cipher, host);
  return {rc, host.Lines(), Gather(buffer), body.size()};
}

// The body delivered in chunks of chunkSize until the target takes no more,
// decrypted and written as it came in, and finished at the end; bytes: the
// export file.
Outcome DuringDownload(const std::string& body, std::size_t chunkSize, Cipher& cipher,
                       const std::string& key = kKey) {
  test::FakeMemoryFileSystem files;
  test::FakeClock clock{{kStamp}};
  ResponseBuffer buffer(kBlock);
  ResponseDecryption decryption(key, cipher);
  Outcome outcome;
  test::FakeHost host;
  {
    ExportFile file(files, clock, kDir);
    StreamedExport exportFile(file);
    IncomingResponse incoming(buffer, decryption, exportFile);
    for (; outcome.received < body.size(); outcome.received += chunkSize) {
      const std::string chunk = body.substr(outcome.received, chunkSize);
      if (!incoming.Write(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size())) {
        outcome.received = buffer.Size();
        break;
      }
    }
    outcome.received = std::min(outcome.received, body.size());
    EXPECT_EQ(incoming.Class().kind, ResponseClass::Kind::EncryptedData);
    outcome.rc = FinishResponseDecryption(decryption, buffer, host);
    if (outcome.rc == 0) {
      EXPECT_EQ(exportFile.Commit(buffer, kStamp), kExport);
      outcome.bytes = files.files[kExport];
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
    const std::string body = Pattern(size);
    test::FakeCipher afterCipher;
    const Outcome after = AfterDownload(body, afterCipher);
    for (std::size_t chunk : kChunkSizes) {
      test::FakeCipher cipher;
      ExpectSame(DuringDownload(body, chunk, cipher), after,
                 std::to_string(size) + " in " + std::to_string(chunk));
      if (size % 8 != 0) continue;
      // The same pieces with the same chained IVs reach the cipher.
      ASSERT_EQ(cipher.bytesCalls.size(), afterCipher.bytesCalls.size()) << size << " " << chunk;
      for (std::size_t i = 0; i < cipher.bytesCalls.size(); ++i) {
        EXPECT_EQ(cipher.bytesCalls[i].in, afterCipher.bytesCalls[i].in) << size << " " << chunk;
        EXPECT_EQ(cipher.bytesCalls[i].iv, afterCipher.bytesCalls[i].iv) << size << " " << chunk;
      }
    }
  }
}

TEST(IncomingResponse, BlocksAreDecryptedAndWrittenWhileTheBodyArrivesButTheLastWaits) {
  test::FakeCipher cipher;
  test::FakeMemoryFileSystem files;
  ResponseBuffer buffer(kBlock);
  ResponseDecryption decryption(kKey, cipher);
  test::FakeClock clock{{kStamp}};
  ExportFile file(files, clock, kDir);
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
  ASSERT_EQ(exportFile.Commit(buffer, kStamp), kExport);
  std::string plain = body;
  for (char& c : plain) c = static_cast<char>(~c);
  EXPECT_TRUE(files.files.at(kExport) == plain);
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
  ResponseDecryption decryption(kKey, cipher);
  test::FakeClock clock{{kStamp}};
  ExportFile file(files, clock, kDir);
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
    test::FakeClock clock{{kStamp}};
    files.faults.Fail(call, n);
    ResponseBuffer buffer(kBlock);
    buffer.Assign(body);
    {
      ExportFile file(files, clock, kDir);
      StreamedExport exportFile(file);
      const bool early = exportFile.Take(buffer, 3) && exportFile.Take(buffer, 5);
      EXPECT_EQ(early, !exportFile.Failed()) << call << n;
      EXPECT_EQ(exportFile.Commit(buffer, kStamp), std::nullopt) << call << n;
      if (std::string(call) != "Place" && std::string(call) != "Close") {
        EXPECT_EQ(files.faults.Count("Write"), call == std::string("Write") ? n : 0) << call << n;
      }
    }
    EXPECT_TRUE(files.files.empty()) << call << n;
  }
}

TEST(StreamedExport, BodyOfOneBlockIsWrittenAtCommit) {
  test::FakeMemoryFileSystem files;
  test::FakeClock clock{{kStamp}};
  ResponseBuffer buffer(kBlock);
  buffer.Assign(Pattern(40));
  ExportFile file(files, clock, kDir);
  StreamedExport exportFile(file);
  EXPECT_TRUE(exportFile.Take(buffer, 0));
  EXPECT_TRUE(files.files.empty());  // nothing created before there is something to write
  ASSERT_EQ(exportFile.Commit(buffer, kStamp), kExport);
  EXPECT_EQ(files.files.at(kExport), Pattern(40));
  EXPECT_EQ(files.files.size(), 1u);
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
        cipher.bytesResult = [calls = 0, failAt, throws](std::int32_t) mutable {
          if (++calls == failAt && throws) throw std::bad_alloc();
          return calls == failAt ? 4711 : 0;
        };
        const Outcome during = DuringDownload(body, chunk, cipher);
        EXPECT_EQ(during.rc, -5) << what;
        EXPECT_EQ(during.lines,
                  (Lines{"Entschl\xFCsseln der Daten ...",
                         "Dateil\xE4nge: " + std::to_string(during.received) + " Bytes",
                         throws ? "... mit Exception ABGEBROCHEN !!" : "... meldet Fehler # 4711"}))
            << what;
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
    const Outcome during = DuringDownload(enc, chunk, *MakeSystemCipher(), key);
    EXPECT_EQ(during.rc, 0) << chunk;
    EXPECT_TRUE(during.bytes == dec) << chunk;
  }
}

}  // namespace
}  // namespace qalo
