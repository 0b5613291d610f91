#include "workflow/Decryption.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/SystemCipher.h"
#include "support/FakeCipher.h"
#include "support/FakeFileChooser.h"
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

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

const char kDecryptionKey[] = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
const Bytes kKeyBytes = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x23, 0x45, 0x67, 0x89,
                         0xAB, 0xCD, 0xEF, 0x01, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};
const Bytes kIv = {0x58, 0x30, 0x26, 0x19, 0x47, 0x31, 0x60, 0x84};
const char kStart[] = "Entschl\xFCsseln der Daten ...";

Bytes Slice(const std::string& s, std::size_t at, std::size_t n) {
  return {s.begin() + at, s.begin() + at + n};
}

class DecryptResponseTest : public ::testing::Test {
 protected:
  std::int32_t Run(const std::string& body, const std::string& key = kDecryptionKey) {
    buffer_.Assign(body);
    return DecryptResponse(buffer_, key, cipher_, threads_, host_);
  }

  ResponseBuffer buffer_{16};
  test::FakeCipher cipher_;
  test::FakeThreads threads_;
  test::FakeHost host_;
};

TEST_F(DecryptResponseTest, EachBlockInPlaceWithThePreviousCiphertextBlockAsIv) {
  const std::string body = Pattern(40);
  ASSERT_EQ(Run(body), 0);
  std::string inverted = body;  // the fake writes its input inverted
  for (char& c : inverted) c = static_cast<char>(~c);
  EXPECT_EQ(Gather(buffer_), inverted);
  ASSERT_EQ(cipher_.bytesCalls.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& call = cipher_.bytesCalls[i];
    EXPECT_EQ(call.in, Slice(body, 16 * i, i < 2 ? 16 : 8)) << i;
    EXPECT_EQ(call.iv, i == 0 ? kIv : Slice(body, 16 * i - 8, 8)) << i;  // ciphertext, not output
    EXPECT_EQ(call.key, kKeyBytes);
    EXPECT_EQ(call.direction, 0);
    EXPECT_EQ(call.mode, "CBC");
  }
  EXPECT_EQ(host_.Lines(),
            (Lines{kStart, "Dateil\xE4nge: 40 Bytes", "... erfolgreich dechiffriert!"}));
}

TEST_F(DecryptResponseTest, CipherErrorStopsWithItsNumber) {
  cipher_.faults.Fail("TDEA_BytesMode", 2);
  EXPECT_EQ(Run(Pattern(48)), -5);
  EXPECT_EQ(cipher_.bytesCalls.size(), 2u);
  EXPECT_EQ(host_.Lines().back(), "... meldet Fehler # 4711");
}

TEST_F(DecryptResponseTest, LengthNotAMultipleOfEightIsRefusedBeforeAnyBlockChanges) {
  const std::string body = Pattern(43);
  EXPECT_EQ(Run(body), -5);
  EXPECT_EQ(Gather(buffer_), body);
  // Only the odd tail was shown to the cipher, and its number is reported.
  ASSERT_EQ(cipher_.bytesCalls.size(), 1u);
  EXPECT_EQ(cipher_.bytesCalls[0].in, Slice(body, 40, 3));
  EXPECT_EQ(host_.Lines(), (Lines{kStart, "Dateil\xE4nge: 43 Bytes", "... meldet Fehler # 77"}));
}

TEST_F(DecryptResponseTest, KeyThatCannotBeConvertedIsNeitherUsedNorLogged) {
  for (const std::string& badKey : {std::string(49, 'a'), std::string("12 34")}) {
    EXPECT_EQ(Run(Pattern(16), badKey), -5);
    EXPECT_TRUE(cipher_.bytesCalls.empty());
    const std::string line = host_.Lines().back();
    EXPECT_NE(line.find("Schl\xFCssel (UserKey) ung\xFCltig"), std::string::npos) << line;
    EXPECT_EQ(line.find(badKey), std::string::npos);
  }
}

TEST_F(DecryptResponseTest, ExceptionInsideEndsInMinusFive) {
  cipher_.faults.Fail("TDEA_BytesMode", 1);
  cipher_.failuresThrow = true;
  EXPECT_EQ(Run(Pattern(16)), -5);
  EXPECT_EQ(host_.Lines().back(), "... mit Exception ABGEBROCHEN !!");
}

TEST(DecryptResponseSystemCipher, SampleInBlocksOfAnySizeMatchesOpenssl) {
  // The chain must carry on across every block boundary on every platform,
  // whichever thread decrypts the block.
  const std::string enc = test::ReadWholeFile(test::TestDataPath("tdea-sample.enc"));
  const std::string dec = test::ReadWholeFile(test::TestDataPath("tdea-sample.dec"));
  const std::string key = test::ReadWholeFile(test::TestDataPath("tdea-sample.key"));
  ASSERT_FALSE(enc.empty());
  for (std::size_t blockSize : {8u, 1000u, 1u << 20}) {
    for (unsigned cores : {1u, 2u, 4u}) {
      ResponseBuffer buffer(blockSize);
      buffer.Assign(enc);
      test::FakeHost host;
      test::FakeThreads threads(cores);
      ASSERT_EQ(DecryptResponse(buffer, key, *MakeSystemCipher(), threads, host), 0) << blockSize;
      EXPECT_TRUE(Gather(buffer) == dec) << blockSize << " on " << cores;
      EXPECT_EQ(threads.running, 0);
    }
  }
}

class DecryptImportFileTest : public ::testing::Test {
 protected:
  DecryptImportFileTest() {
    chooser_.choice = kImport;
    files_.files[kImport] = kBody;
  }
  std::int32_t Run(const std::string& key = kDecryptionKey) {
    ExportFile exportFile(files_, "C:\\xml");
    return DecryptImportFile(exportFile, kStamp, key, chooser_, cipher_, threads_, files_, host_);
  }
  void ExpectOnly(std::map<std::string, std::string> others) {
    others[kImport] = kBody;
    EXPECT_EQ(files_.files, others);
    EXPECT_TRUE(files_.OpenFiles().empty());
  }

  // 7 December 2026, 10:15:30, when the mode began.
  static constexpr double kStamp = 46363.0 + (10 * 3600 + 15 * 60 + 30) / 86400.0;
  const std::string kExport = "C:\\xml\\qalo_export_261207_101530.xml";
  const std::string kImport = "C:\\daten\\import.enc";
  const std::string kBody = Pattern(2 * ResponseBuffer::kDefaultBlockSize + 520);
  const std::string kFileStart = "Entschl\xFCsseln der Datei ...";
  test::FakeFileChooser chooser_;
  test::FakeCipher cipher_;
  test::FakeThreads threads_;
  test::FakeMemoryFileSystem files_;
  test::FakeHost host_;
};

TEST_F(DecryptImportFileTest, ChosenFileIsDecryptedBlockByBlockIntoTheExportFile) {
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(chooser_.titles, (Lines{"QALO - Importfile ausw\xE4hlen ..."}));
  ExpectOnly({{kExport, Inverted(kBody)}});
  EXPECT_EQ(host_.Lines(), (Lines{kFileStart, "... erfolgreich dechiffriert!"}));
  // One call per block, the chain carried on by the ciphertext.
  const std::size_t block = ResponseBuffer::kDefaultBlockSize;
  ASSERT_EQ(cipher_.bytesCalls.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& call = cipher_.bytesCalls[i];
    EXPECT_EQ(call.in, Slice(kBody, i * block, i < 2 ? block : 520)) << i;
    EXPECT_EQ(call.iv, i == 0 ? kIv : Slice(kBody, i * block - 8, 8)) << i;
    EXPECT_EQ(call.key, kKeyBytes);
    EXPECT_EQ(call.direction, 0);
    EXPECT_EQ(call.mode, "CBC");
  }
}

// A large import file takes the same road as the download: on several
// cores the same export file, decrypted as CBC in pieces.
TEST_F(DecryptImportFileTest, ChosenFileOnSeveralCoresGivesTheSameExportFile) {
  const std::string body = test::DistinctUnits(kBody.size());
  for (unsigned cores : {2u, 4u}) {
    files_.files.erase(kExport);
    files_.files[kImport] = body;
    cipher_.bytesCalls.clear();
    host_.events.clear();
    threads_.cores = cores;
    ASSERT_EQ(Run(), 0) << cores;
    EXPECT_TRUE(files_.files.at(kExport) == Inverted(body)) << cores;
    EXPECT_EQ(test::CbcPiecesProblem(cipher_.bytesCalls, body, ResponseBuffer::kDefaultBlockSize),
              "")
        << cores;
    EXPECT_EQ(host_.Lines(), (Lines{kFileStart, "... erfolgreich dechiffriert!"})) << cores;
    EXPECT_EQ(threads_.running, 0) << cores;
  }
}

TEST_F(DecryptImportFileTest, CancelIsMinusFourWithoutALineOrFile) {
  chooser_.choice.reset();
  EXPECT_EQ(Run(), -4);
  EXPECT_TRUE(host_.events.empty());
  EXPECT_TRUE(cipher_.bytesCalls.empty());
  ExpectOnly({});
}

TEST_F(DecryptImportFileTest, EveryFailureIsMinusFiveWithItsNumberAndLeavesNoFile) {
  const struct {
    const char* what;
    std::function<void()> arrange;
    const char* line;
  } cases[] = {
      {"cipher fails on the second block",
       [this] { cipher_.faults.Fail("TDEA_BytesMode", 2); },
       "... meldet Fehler # 4711"},
      {"length not a multiple of 8", [this] { files_.files[kImport] += "odd"; },
       "... meldet Fehler # 77"},
      {"file cannot be opened", [this] { files_.faults.Fail("Open", 1); }, "... meldet Fehler # 7"},
      {"read fails", [this] { files_.faults.Fail("Read", 300); }, "... meldet Fehler # 9"},
      {"cipher throws",
       [this] {
         cipher_.faults.Fail("TDEA_BytesMode", 1);
         cipher_.failuresThrow = true;
       },
       "... mit Exception ABGEBROCHEN !!"},
  };
  for (const auto& c : cases) {
    cipher_ = test::FakeCipher();
    files_ = test::FakeMemoryFileSystem();
    files_.files[kImport] = kBody;
    host_.events.clear();
    c.arrange();
    EXPECT_EQ(Run(), -5) << c.what;
    files_.files[kImport] = kBody;
    ExpectOnly({});
    EXPECT_EQ(host_.Lines(), (Lines{kFileStart, c.line})) << c.what;
  }
}

TEST_F(DecryptImportFileTest, ExportFileThatCannotBeWrittenIsMinusTenAndKeepsAnOlderOne) {
  files_.files[kExport] = "older export";
  files_.faults.Fail("Write", 2);
  EXPECT_EQ(Run(), -10);
  ExpectOnly({{kExport, "older export"}});
  EXPECT_EQ(host_.Lines(), (Lines{kFileStart, "Exportdatei konnte nicht geschrieben werden: " + kExport}));
}

TEST_F(DecryptImportFileTest, KeyThatCannotBeConvertedEndsBeforeTheCipher) {
  EXPECT_EQ(Run("not a key"), -5);
  EXPECT_TRUE(cipher_.bytesCalls.empty());
  ASSERT_EQ(host_.Lines().size(), 2u);
  EXPECT_EQ(host_.Lines()[1].find("not a key"), std::string::npos);
  ExpectOnly({});
}

}  // namespace
}  // namespace qalo
