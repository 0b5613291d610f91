// Known answers for the platform cipher: OpenSSL natively, CNG under Wine.
#include "platform/SystemCipher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/CipherErrors.h"
#include "platform/TdeaChain.h"
#include "support/TestData.h"
#include "workflow/HexToBytes.h"

namespace qalo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

Bytes AsBytes(const std::string& s) { return {s.begin(), s.end()}; }

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

class SystemCipherTest : public ::testing::Test {
 protected:
  // NIST's TDEA-CBC example: three independent keys, the SP 800-38A
  // plaintext.
  const Bytes key_ = FromHex("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123");
  const Bytes iv_ = FromHex("F69F2445DF4F9B17");
  const Bytes plain_ = FromHex(
      "6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51");
  const Bytes encrypted_ = FromHex(
      "2079C3D53AA763E193B79E2569AB5262516570481F25B50F73C0BDA85C8E0DA7");

  // The sample made with the openssl command (tests/data/make-tdea-sample.sh).
  const std::string sampleEnc_ = test::TestDataPath("tdea-sample.enc");
  const std::string sampleDec_ = test::TestDataPath("tdea-sample.dec");
  const KeyBytes sampleKey_ = *ConvertKey(test::ReadWholeFile(test::TestDataPath("tdea-sample.key")));
  const KeyBytes sampleIv_ = HexToBytes(kIvText);

  std::int32_t Bytes8(Bytes& out, const Bytes& in, std::int32_t direction,
                      const char* mode = "CBC") {
    out.assign(in.size(), 0);
    return cipher_->TDEA_BytesMode(out.data(), in.data(), static_cast<std::int32_t>(in.size()),
                                   key_.data(), direction, mode, iv_.data());
  }

  std::string TempPath(const std::string& name) {
    std::string path = test::UniqueTempPath(name);
    std::remove(path.c_str());
    return path;
  }

  std::unique_ptr<Cipher> cipher_ = MakeSystemCipher();
};

TEST_F(SystemCipherTest, DecryptsTheNistExample) {
  Bytes out;
  ASSERT_EQ(Bytes8(out, encrypted_, 0), 0);
  EXPECT_EQ(out, plain_);
}

TEST_F(SystemCipherTest, EncryptsTheNistExample) {
  Bytes out;
  ASSERT_EQ(Bytes8(out, plain_, 1), 0);
  EXPECT_EQ(out, encrypted_);
}

TEST_F(SystemCipherTest, ModeTextIgnoresLetterCase) {
  Bytes out;
  ASSERT_EQ(Bytes8(out, encrypted_, 0, "cbc"), 0);
  EXPECT_EQ(out, plain_);
}

TEST_F(SystemCipherTest, LeavesTheCallersIvAlone) {
  const Bytes ivBefore = iv_;
  Bytes out;
  ASSERT_EQ(Bytes8(out, encrypted_, 0), 0);
  EXPECT_EQ(iv_, ivBefore);
  // A second call with the same IV starts the chain afresh.
  ASSERT_EQ(Bytes8(out, encrypted_, 0), 0);
  EXPECT_EQ(out, plain_);
}

TEST_F(SystemCipherTest, ThreeKeysAreIndependent) {
  // With K3 changed the result must differ: a two-key cipher would ignore it.
  Bytes otherKey = key_;
  otherKey[23] ^= 0x02;
  Bytes out(encrypted_.size());
  ASSERT_EQ(cipher_->TDEA_BytesMode(out.data(), encrypted_.data(), 32, otherKey.data(), 0, "CBC",
                                    iv_.data()),
            0);
  EXPECT_NE(out, plain_);
}

TEST_F(SystemCipherTest, RefusesWhatItCannotDo) {
  Bytes out(16);
  const Bytes in(16, 0xAB);
  const auto call = [&](std::int32_t n, std::int32_t direction, const char* mode) {
    return cipher_->TDEA_BytesMode(out.data(), in.data(), n, key_.data(), direction, mode,
                                   iv_.data());
  };
  EXPECT_EQ(call(15, 0, "CBC"), cipher_error::kBadLength);
  EXPECT_EQ(call(1, 0, "CBC"), cipher_error::kBadLength);
  EXPECT_EQ(call(-8, 0, "CBC"), cipher_error::kBadLength);
  EXPECT_EQ(call(16, 2, "CBC"), cipher_error::kBadMode);
  EXPECT_EQ(call(16, 0, "ECB"), cipher_error::kBadMode);
  EXPECT_EQ(call(16, 0, "CBCX"), cipher_error::kBadMode);
  EXPECT_EQ(call(16, 0, nullptr), cipher_error::kNullArgument);
  EXPECT_EQ(cipher_->TDEA_BytesMode(out.data(), in.data(), 16, nullptr, 0, "CBC", iv_.data()),
            cipher_error::kNullArgument);
  EXPECT_EQ(call(0, 0, "CBC"), 0);
}

TEST_F(SystemCipherTest, MatchesOpensslOnTheSample) {
  const Bytes enc = AsBytes(test::ReadWholeFile(sampleEnc_));
  const Bytes dec = AsBytes(test::ReadWholeFile(sampleDec_));
  ASSERT_EQ(enc.size(), 150000u);
  Bytes out(enc.size());
  ASSERT_EQ(cipher_->TDEA_BytesMode(out.data(), enc.data(), static_cast<std::int32_t>(enc.size()),
                                    sampleKey_.data(), 0, "CBC", sampleIv_.data()),
            0);
  EXPECT_TRUE(out == dec);
}

TEST_F(SystemCipherTest, ChainInPiecesEqualsOneCall) {
  const Bytes enc = AsBytes(test::ReadWholeFile(sampleEnc_));
  const Bytes dec = AsBytes(test::ReadWholeFile(sampleDec_));
  ASSERT_FALSE(enc.empty());
  for (std::size_t piece : {8u, 24u, 4096u, 65536u}) {
    TdeaChain chain(*cipher_, sampleKey_.data(), 0, sampleIv_.data());
    Bytes out(enc.size());
    for (std::size_t at = 0; at < enc.size(); at += piece) {
      const auto n = static_cast<std::int32_t>(std::min(piece, enc.size() - at));
      ASSERT_EQ(chain.Next(out.data() + at, enc.data() + at, n), 0);
    }
    EXPECT_TRUE(out == dec) << "pieces of " << piece;
  }
  // Encrypting in pieces gives openssl's ciphertext back.
  TdeaChain chain(*cipher_, sampleKey_.data(), 1, sampleIv_.data());
  Bytes out(dec.size());
  for (std::size_t at = 0; at < dec.size(); at += 1000)
    ASSERT_EQ(chain.Next(out.data() + at, dec.data() + at,
                         static_cast<std::int32_t>(std::min<std::size_t>(1000, dec.size() - at))),
              0);
  EXPECT_TRUE(out == enc);
}

TEST_F(SystemCipherTest, FileMatchesOpensslOnTheSample) {
  const std::string out = TempPath("sample.dec");
  ASSERT_EQ(cipher_->TDEA_File(out, sampleEnc_, sampleKey_.data(), 0, "CBC", sampleIv_.data()), 0);
  EXPECT_TRUE(test::ReadWholeFile(out) == test::ReadWholeFile(sampleDec_));
  std::remove(out.c_str());
}

TEST_F(SystemCipherTest, FileOfExactlyOneChunkAndEmptyFile) {
  const Bytes enc = AsBytes(test::ReadWholeFile(sampleEnc_));
  const std::string in = TempPath("chunk.enc"), out = TempPath("chunk.dec");
  WriteWholeFile(in, Bytes(enc.begin(), enc.begin() + 65536));
  ASSERT_EQ(cipher_->TDEA_File(out, in, sampleKey_.data(), 0, "CBC", sampleIv_.data()), 0);
  EXPECT_EQ(test::ReadWholeFile(out), test::ReadWholeFile(sampleDec_).substr(0, 65536));

  WriteWholeFile(in, Bytes());
  ASSERT_EQ(cipher_->TDEA_File(out, in, sampleKey_.data(), 0, "CBC", sampleIv_.data()), 0);
  EXPECT_TRUE(Exists(out));
  EXPECT_EQ(test::ReadWholeFile(out), "");
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST_F(SystemCipherTest, FailedFileLeavesNoOutput) {
  const Bytes enc = AsBytes(test::ReadWholeFile(sampleEnc_));
  const std::string in = TempPath("odd.enc"), out = TempPath("odd.dec");
  // Two full chunks are written before the odd tail shows.
  WriteWholeFile(in, Bytes(enc.begin(), enc.begin() + 2 * 65536 + 13));
  EXPECT_EQ(cipher_->TDEA_File(out, in, sampleKey_.data(), 0, "CBC", sampleIv_.data()),
            cipher_error::kBadLength);
  EXPECT_FALSE(Exists(out));

  EXPECT_EQ(cipher_->TDEA_File(out, TempPath("missing.enc"), sampleKey_.data(), 0, "CBC",
                               sampleIv_.data()),
            cipher_error::kInputFileOpen);
  EXPECT_FALSE(Exists(out));
  EXPECT_EQ(cipher_->TDEA_File(out, in, sampleKey_.data(), 0, "OFB", sampleIv_.data()),
            cipher_error::kBadMode);
  EXPECT_FALSE(Exists(out));
  EXPECT_EQ(cipher_->TDEA_File(TempPath("no-such-dir/x.dec"), sampleEnc_, sampleKey_.data(), 0,
                               "CBC", sampleIv_.data()),
            cipher_error::kOutputFileCreate);
  std::remove(in.c_str());
}

TEST_F(SystemCipherTest, KeyHexIsFortyEightFreshHexDigits) {
  std::set<std::string> keys;
  for (int i = 0; i < 20; ++i) {
    char out[50];
    std::memset(out, 'X', sizeof out);
    ASSERT_EQ(cipher_->RNG_KeyHex(out, 48, 24, "", 0), 0);
    const std::string key(out);
    ASSERT_EQ(key.size(), 48u);
    EXPECT_TRUE(ConvertKey(key)) << key;
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), 20u);
}

TEST_F(SystemCipherTest, KeyHexRefusesCountsThatDoNotFit) {
  char out[50] = "stale";
  EXPECT_EQ(cipher_->RNG_KeyHex(out, 47, 24, "", 0), cipher_error::kBadKeyLength);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(cipher_->RNG_KeyHex(out, 48, -1, "", 0), cipher_error::kBadKeyLength);
  EXPECT_EQ(cipher_->RNG_KeyHex(nullptr, 48, 24, "", 0), cipher_error::kNullArgument);
  ASSERT_EQ(cipher_->RNG_KeyHex(out, 48, 4, "", 0), 0);
  EXPECT_EQ(std::string(out).size(), 8u);
}

}  // namespace
}  // namespace qalo
