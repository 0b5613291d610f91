#include "workflow/IncomingResponse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SystemCipher.h"
#include "support/FakeCipher.h"
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
const char kTemporary[] = "C:\\xml\\download.tmp";
const char kExport[] = "C:\\xml\\export.xml";
constexpr std::size_t kBlock = 64;  // the buffer's block size in these tests

// What one decryption came to.
struct Outcome {
  std::int32_t rc;
  Lines lines;
  std::string bytes;
};

// The body decrypted after it had arrived whole: the behaviour to keep.
Outcome AfterDownload(const std::string& body, Cipher& cipher, const std::string& key = kKey) {
  ResponseBuffer buffer(kBlock);
  buffer.Assign(body);
  test::FakeHost host;
  const std::int32_t rc = DecryptResponse(buffer, key, cipher, host);
  return {rc, host.Lines(), Gather(buffer)};
}

// The body delivered in chunks of chunkSize, decrypted and written as it
// came in, and finished at the end; bytes: the export file.
Outcome DuringDownload(const std::string& body, std::size_t chunkSize, Cipher& cipher,
                       const std::string& key = kKey) {
  test::FakeMemoryFileSystem files;
  ResponseBuffer buffer(kBlock);
  ResponseDecryption decryption(key, cipher);
  std::string bytes;
  std::int32_t rc;
  test::FakeHost host;
  {
    StreamedExport exportFile(files, kTemporary);
    IncomingResponse incoming(buffer, decryption, exportFile);
    for (std::size_t at = 0; at < body.size(); at += chunkSize) {
      const std::string chunk = body.substr(at, chunkSize);
      incoming.Write(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
    }
    EXPECT_EQ(incoming.Class().kind, ResponseClass::Kind::EncryptedData);
    rc = decryption.Finish(buffer, host);
    if (rc == 0) {
      EXPECT_TRUE(exportFile.Commit(buffer, kExport));
      bytes = files.files[kExport];
    }
  }
  EXPECT_EQ(files.files.count(kTemporary), 0u);  // renamed, or removed on failure
  return {rc, host.Lines(), bytes};
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
  StreamedExport exportFile(files, kTemporary);
  IncomingResponse incoming(buffer, decryption, exportFile);
  const std::string body = Pattern(4 * kBlock);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(body.data());
  incoming.Write(bytes, 3 * kBlock);
  EXPECT_TRUE(cipher.bytesCalls.empty());  // the window of 200 bytes is not in yet
  incoming.Write(bytes + 3 * kBlock, kBlock);
  EXPECT_EQ(cipher.bytesCalls.size(), 3u);  // the fourth block may still grow
  // The decrypted blocks are in the temporary file and no longer in memory.
  EXPECT_EQ(files.files.at(kTemporary).size(), 3 * kBlock);
  EXPECT_EQ(buffer.BlockAt(0).data, nullptr);
  EXPECT_EQ(buffer.BlockAt(2).data, nullptr);
  EXPECT_NE(buffer.BlockAt(3).data, nullptr);
  EXPECT_EQ(buffer.Size(), 4 * kBlock);
  test::FakeHost host;
  EXPECT_EQ(decryption.Finish(buffer, host), 0);
  EXPECT_EQ(cipher.bytesCalls.size(), 4u);
  ASSERT_TRUE(exportFile.Commit(buffer, kExport));
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
  StreamedExport exportFile(files, kTemporary);
  IncomingResponse incoming(buffer, decryption, exportFile);
  incoming.Write(reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
  EXPECT_EQ(incoming.Class().kind, ResponseClass::Kind::OrderNumber);
  EXPECT_EQ(incoming.Class().text, "42");
  EXPECT_TRUE(cipher.bytesCalls.empty());
  EXPECT_EQ(Gather(buffer), body);
  EXPECT_TRUE(files.files.empty());
}

// A streamed export file that fails at one step: Commit says so and no file
// is left, however many blocks went out before.
TEST(StreamedExport, FailureAtAnyStepLeavesNoFile) {
  const std::string body = Pattern(5 * kBlock + 24);
  for (int step = 0; step < 5; ++step) {
    test::FakeMemoryFileSystem files;
    files.failCreate = step == 0;
    files.failWriteAfter = step == 1 ? 2 * kBlock : step == 2 ? 5 * kBlock + 8 : SIZE_MAX;
    files.failClose = step == 3;
    files.failMove = step == 4;
    ResponseBuffer buffer(kBlock);
    buffer.Assign(body);
    {
      StreamedExport exportFile(files, kTemporary);
      exportFile.Take(buffer, 3);
      exportFile.Take(buffer, 5);
      EXPECT_FALSE(exportFile.Commit(buffer, kExport)) << step;
    }
    EXPECT_TRUE(files.files.empty()) << step;
  }
}

TEST(StreamedExport, BodyOfOneBlockIsWrittenAtCommit) {
  test::FakeMemoryFileSystem files;
  ResponseBuffer buffer(kBlock);
  buffer.Assign(Pattern(40));
  StreamedExport exportFile(files, kTemporary);
  exportFile.Take(buffer, 0);
  EXPECT_TRUE(files.files.empty());  // nothing created before there is something to write
  ASSERT_TRUE(exportFile.Commit(buffer, kExport));
  EXPECT_EQ(files.files.at(kExport), Pattern(40));
  EXPECT_EQ(files.files.size(), 1u);
}

TEST(IncomingResponse, CipherFailureAtAnyCallIsReportedAtTheEndAsBefore) {
  const std::string body = Pattern(6 * kBlock);
  for (int failAt = 1; failAt <= 6; ++failAt) {
    for (bool throws : {false, true}) {
      const auto failing = [failAt, throws](test::FakeCipher& cipher) {
        auto calls = std::make_shared<int>(0);
        cipher.bytesResult = [calls, failAt, throws](std::int32_t) {
          if (++*calls == failAt && throws) throw std::bad_alloc();
          return *calls == failAt ? 4711 : 0;
        };
      };
      test::FakeCipher afterCipher;
      failing(afterCipher);
      const Outcome after = AfterDownload(body, afterCipher);
      EXPECT_EQ(after.rc, -5);
      for (std::size_t chunk : {std::size_t{7}, kBlock, std::size_t{201}}) {
        test::FakeCipher cipher;
        failing(cipher);
        ExpectSame(DuringDownload(body, chunk, cipher), after,
                   std::to_string(failAt) + (throws ? " throws" : " fails"));
        EXPECT_EQ(cipher.bytesCalls.size(), static_cast<std::size_t>(failAt));
      }
    }
  }
}

TEST(IncomingResponse, KeyThatCannotBeConvertedTouchesNothingDuringTheDownload) {
  const std::string body = Pattern(6 * kBlock);
  test::FakeCipher cipher, afterCipher;
  ExpectSame(DuringDownload(body, 50, cipher, "xyz"), AfterDownload(body, afterCipher, "xyz"),
             "bad key");
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
