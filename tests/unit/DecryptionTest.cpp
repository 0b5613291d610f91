#include "workflow/Decryption.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SystemCipher.h"
#include "support/FakeCipher.h"
#include "support/FakeFileChooser.h"
#include "support/FakeHost.h"
#include "support/FakeMemoryFileSystem.h"
#include "support/TestData.h"
#include "workflow/HexToBytes.h"

namespace qalo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

const char kKey[] = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
const Bytes kIv = {0x58, 0x30, 0x26, 0x19, 0x47, 0x31, 0x60, 0x84};

Bytes KeyOf(const std::string& lowerHex) {
  const KeyBytes key = HexToBytes(lowerHex);
  return {key.data(), key.data() + KeyBytes::kSize};
}

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 37 + 11);
  return s;
}

std::string Gather(const ResponseBuffer& buffer) {
  std::string all;
  for (std::size_t i = 0; i < buffer.BlockCount(); ++i) {
    const ResponseBuffer::Block b = buffer.BlockAt(i);
    all.append(reinterpret_cast<const char*>(b.data), b.size);
  }
  return all;
}

std::string Inverted(std::string s) {
  for (char& c : s) c = static_cast<char>(~c);
  return s;
}

Bytes Slice(const std::string& s, std::size_t at, std::size_t n) {
  return {s.begin() + at, s.begin() + at + n};
}

class DecryptResponseTest : public ::testing::Test {
 protected:
  std::int32_t Run(const std::string& key = kKey) {
    return DecryptResponse(buffer_, key, cipher_, host_);
  }

  ResponseBuffer buffer_{16};
  test::FakeCipher cipher_;
  test::FakeHost host_;
};

TEST_F(DecryptResponseTest, EachBlockIsDecryptedInPlaceFromItsOwnCopy) {
  const std::string body = Pattern(40);
  buffer_.Assign(body);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Gather(buffer_), Inverted(body));  // the fake inverts its input
  EXPECT_EQ(buffer_.Size(), 40u);
  ASSERT_EQ(cipher_.bytesCalls.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& call = cipher_.bytesCalls[i];
    EXPECT_EQ(call.in, Slice(body, 16 * i, i < 2 ? 16 : 8)) << i;
    EXPECT_EQ(call.key, KeyOf("0123456789abcdef23456789abcdef01456789abcdef0123"));
    EXPECT_EQ(call.direction, 0);
    EXPECT_EQ(call.mode, "CBC");
  }
}

TEST_F(DecryptResponseTest, EveryCallGetsThePreviousCiphertextBlockAsIv) {
  const std::string body = Pattern(48);
  buffer_.Assign(body);
  ASSERT_EQ(Run(), 0);
  ASSERT_EQ(cipher_.bytesCalls.size(), 3u);
  EXPECT_EQ(cipher_.bytesCalls[0].iv, kIv);
  EXPECT_EQ(cipher_.bytesCalls[1].iv, Slice(body, 8, 8));   // ciphertext, not output
  EXPECT_EQ(cipher_.bytesCalls[2].iv, Slice(body, 24, 8));
}

TEST_F(DecryptResponseTest, LogsTheLinesOfASuccess) {
  buffer_.Assign(Pattern(4096));
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(host_.Lines(), (Lines{"Entschl\xFCsseln der Daten ...", "Dateil\xE4nge: 4096 Bytes",
                                  "... erfolgreich dechiffriert!"}));
  EXPECT_EQ(buffer_.Size(), 4096u);
}

TEST_F(DecryptResponseTest, CipherErrorEndsInMinusFiveWithItsNumber) {
  buffer_.Assign(Pattern(48));
  int calls = 0;
  cipher_.bytesResult = [&](std::int32_t) { return ++calls == 2 ? 4711 : 0; };
  EXPECT_EQ(Run(), -5);
  EXPECT_EQ(cipher_.bytesCalls.size(), 2u);  // stops at the failing block
  EXPECT_EQ(host_.Lines().back(), "... meldet Fehler # 4711");
}

TEST_F(DecryptResponseTest, LengthNotAMultipleOfEightIsRefusedBeforeAnyBlockChanges) {
  const std::string body = Pattern(43);
  buffer_.Assign(body);
  EXPECT_EQ(Run(), -5);
  EXPECT_EQ(Gather(buffer_), body);
  // Only the odd tail was shown to the cipher, and its number is reported.
  ASSERT_EQ(cipher_.bytesCalls.size(), 1u);
  EXPECT_EQ(cipher_.bytesCalls[0].in, Slice(body, 40, 3));
  EXPECT_EQ(host_.Lines(), (Lines{"Entschl\xFCsseln der Daten ...", "Dateil\xE4nge: 43 Bytes",
                                  "... meldet Fehler # 77"}));
}

TEST_F(DecryptResponseTest, KeyThatCannotBeConvertedIsNeverLoggedOrUsed) {
  buffer_.Assign(Pattern(16));
  const std::string badKey = std::string(48, 'a') + "b";
  EXPECT_EQ(Run(badKey), -5);
  EXPECT_TRUE(cipher_.bytesCalls.empty());
  ASSERT_EQ(host_.Lines().size(), 3u);
  const std::string line = host_.Lines()[2];
  EXPECT_NE(line.find("Schl\xFCssel"), std::string::npos);
  EXPECT_NE(line.find("ung\xFCltig"), std::string::npos);
  EXPECT_EQ(line.find("aaaa"), std::string::npos);
  EXPECT_EQ(Run("12 34"), -5);
  EXPECT_TRUE(cipher_.bytesCalls.empty());
}

TEST_F(DecryptResponseTest, ExceptionInsideEndsInMinusFive) {
  buffer_.Assign(Pattern(16));
  cipher_.bytesThrow = true;
  EXPECT_EQ(Run(), -5);
  EXPECT_EQ(host_.Lines().back(), "... mit Exception ABGEBROCHEN !!");
}

TEST_F(DecryptResponseTest, EmptyBodySucceedsWithoutCallingTheCipher) {
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(cipher_.bytesCalls.empty());
  EXPECT_EQ(host_.Lines()[1], "Dateil\xE4nge: 0 Bytes");
}

TEST(DecryptResponseSystemCipher, SampleInSmallBlocksMatchesOpenssl) {
  // Blocks that do not divide the file chunks or the sample: the chain must
  // carry on across every block boundary on every platform.
  const std::string enc = test::ReadWholeFile(test::TestDataPath("tdea-sample.enc"));
  const std::string key = test::ReadWholeFile(test::TestDataPath("tdea-sample.key"));
  ASSERT_FALSE(enc.empty());
  for (std::size_t blockSize : {8u, 1000u, 65536u, 1u << 20}) {
    ResponseBuffer buffer(blockSize);
    buffer.Assign(enc);
    test::FakeHost host;
    const auto cipher = MakeSystemCipher();
    ASSERT_EQ(DecryptResponse(buffer, key, *cipher, host), 0) << blockSize;
    EXPECT_TRUE(Gather(buffer) == test::ReadWholeFile(test::TestDataPath("tdea-sample.dec")))
        << blockSize;
  }
}

class DecryptImportFileTest : public ::testing::Test {
 protected:
  DecryptImportFileTest() {
    chooser_.choice = "C:\\daten\\import.enc";
    // The cipher leaves a decrypted file under the name it was given.
    cipher_.onFile = [this](const std::string& out) { files_.files[out] = "decrypted"; };
  }

  std::int32_t Run(const std::string& key = kKey) {
    return DecryptImportFile(kExport, key, chooser_, cipher_, files_, host_);
  }

  const std::string kExport = "C:\\xml\\qalo_export_261207_101530.xml";
  test::FakeFileChooser chooser_;
  test::FakeCipher cipher_;
  test::FakeMemoryFileSystem files_;
  test::FakeHost host_;
};

TEST_F(DecryptImportFileTest, ChosenFileIsDecryptedIntoTheExportFile) {
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(chooser_.titles, (Lines{"QALO - Importfile ausw\xE4hlen ..."}));
  ASSERT_EQ(cipher_.fileCalls.size(), 1u);
  const auto& call = cipher_.fileCalls[0];
  EXPECT_EQ(call.inFile, "C:\\daten\\import.enc");
  EXPECT_EQ(call.outFile, TemporaryExportName(kExport));
  EXPECT_NE(call.outFile, kExport);
  EXPECT_EQ(call.key, KeyOf("0123456789abcdef23456789abcdef01456789abcdef0123"));
  EXPECT_EQ(call.iv, kIv);
  EXPECT_EQ(call.direction, 0);
  EXPECT_EQ(call.mode, "CBC");
  EXPECT_EQ(files_.files, (std::map<std::string, std::string>{{kExport, "decrypted"}}));
  EXPECT_EQ(host_.Lines(),
            (Lines{"Entschl\xFCsseln der Datei ...", "... erfolgreich dechiffriert!"}));
}

TEST_F(DecryptImportFileTest, CancelIsMinusFourWithoutALineOrFile) {
  chooser_.choice.reset();
  EXPECT_EQ(Run(), -4);
  EXPECT_TRUE(host_.events.empty());
  EXPECT_TRUE(cipher_.fileCalls.empty());
  EXPECT_TRUE(files_.files.empty());
}

TEST_F(DecryptImportFileTest, CipherErrorLeavesNoFile) {
  cipher_.fileResult = 9;
  EXPECT_EQ(Run(), -5);
  EXPECT_TRUE(files_.files.empty());
  EXPECT_EQ(host_.Lines(), (Lines{"Entschl\xFCsseln der Datei ...", "... meldet Fehler # 9"}));
}

TEST_F(DecryptImportFileTest, ExceptionInTheCipherLeavesNoFile) {
  cipher_.fileThrow = true;
  EXPECT_EQ(Run(), -5);
  EXPECT_TRUE(files_.files.empty());
  EXPECT_EQ(host_.Lines(),
            (Lines{"Entschl\xFCsseln der Datei ...", "... mit Exception ABGEBROCHEN !!"}));
}

TEST_F(DecryptImportFileTest, ExportFileThatCannotBePutInPlace) {
  files_.failMove = true;
  files_.files[kExport] = "older export";
  EXPECT_EQ(Run(), -5);
  EXPECT_EQ(files_.files, (std::map<std::string, std::string>{{kExport, "older export"}}));
  EXPECT_NE(host_.Lines().back().find("Exportdatei"), std::string::npos);
}

TEST_F(DecryptImportFileTest, KeyThatCannotBeConvertedEndsBeforeTheCipher) {
  EXPECT_EQ(Run("not a key"), -5);
  EXPECT_TRUE(cipher_.fileCalls.empty());
  EXPECT_TRUE(files_.files.empty());
  ASSERT_EQ(host_.Lines().size(), 2u);
  EXPECT_EQ(host_.Lines()[1].find("not a key"), std::string::npos);
}

}  // namespace
}  // namespace qalo
