// Known answers for the platform cipher: OpenSSL natively, CNG under Wine.
#include "platform/SystemCipher.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/CipherErrors.h"
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

class SystemCipherTest : public ::testing::Test {
 protected:
  // NIST's TDEA-CBC example: three independent keys, the SP 800-38A plaintext.
  const Bytes key_ = FromHex("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123");
  const Bytes iv_ = FromHex("F69F2445DF4F9B17");
  const Bytes plain_ = FromHex("6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51");
  const Bytes encrypted_ =
      FromHex("2079C3D53AA763E193B79E2569AB5262516570481F25B50F73C0BDA85C8E0DA7");

  // The sample made with the openssl command (tests/data/make-tdea-sample.sh).
  const std::string sampleEnc_ = test::TestDataPath("tdea-sample.enc");
  const std::string sampleDec_ = test::TestDataPath("tdea-sample.dec");
  const KeyBytes sampleKey_ =
      ConvertKey(test::ReadWholeFile(test::TestDataPath("tdea-sample.key"))).value();
  const KeyBytes sampleIv_ = HexToBytes(kIvText);

  std::int32_t Run(Bytes& out, const Bytes& in, std::int32_t direction, const Bytes& key,
                   const char* mode = "CBC", std::optional<std::int32_t> n = std::nullopt) {
    out.assign(in.size(), 0);
    return cipher_->TDEA_BytesMode(out.data(), in.data(),
                                   n.value_or(static_cast<std::int32_t>(in.size())), key.data(),
                                   direction, mode, iv_.data());
  }

  std::unique_ptr<Cipher> cipher_ = MakeSystemCipher();
};

TEST_F(SystemCipherTest, NistExampleBothWays) {
  Bytes out;
  ASSERT_EQ(Run(out, encrypted_, 0, key_), 0);
  EXPECT_EQ(out, plain_);
  ASSERT_EQ(Run(out, plain_, 1, key_, "cbc"), 0);
  EXPECT_EQ(out, encrypted_);
  // The IV given is not the platform's to change: the same call again
  // starts the chain afresh.
  EXPECT_EQ(iv_, FromHex("F69F2445DF4F9B17"));
  ASSERT_EQ(Run(out, encrypted_, 0, key_), 0);
  EXPECT_EQ(out, plain_);
}

TEST_F(SystemCipherTest, ThirdKeyCounts) {
  Bytes otherKey = key_, out;
  otherKey[23] ^= 0x02;  // K3 only; a two-key cipher would not notice
  ASSERT_EQ(Run(out, encrypted_, 0, otherKey), 0);
  EXPECT_NE(out, plain_);
}

TEST_F(SystemCipherTest, RefusesWhatItCannotDo) {
  Bytes out;
  const Bytes in(16, 0xAB);
  EXPECT_EQ(Run(out, in, 0, key_, "CBC", 15), cipher_error::kBadLength);
  EXPECT_EQ(Run(out, in, 0, key_, "CBC", 1), cipher_error::kBadLength);
  EXPECT_EQ(Run(out, in, 0, key_, "CBC", -8), cipher_error::kBadLength);
  EXPECT_EQ(Run(out, in, 2, key_), cipher_error::kBadMode);
  EXPECT_EQ(Run(out, in, 0, key_, "ECB"), cipher_error::kBadMode);
  EXPECT_EQ(Run(out, in, 0, key_, "CBCX"), cipher_error::kBadMode);
  EXPECT_EQ(Run(out, in, 0, key_, nullptr), cipher_error::kNullArgument);
  EXPECT_EQ(cipher_->TDEA_BytesMode(out.data(), in.data(), 16, nullptr, 0, "CBC", iv_.data()),
            cipher_error::kNullArgument);
}

TEST_F(SystemCipherTest, BytesMatchOpensslOnTheSample) {
  const std::string enc = test::ReadWholeFile(sampleEnc_), dec = test::ReadWholeFile(sampleDec_);
  ASSERT_EQ(enc.size(), 150000u);
  Bytes out(enc.size());
  ASSERT_EQ(cipher_->TDEA_BytesMode(out.data(), reinterpret_cast<const std::uint8_t*>(enc.data()),
                                    150000, sampleKey_.data(), 0, "CBC", sampleIv_.data()),
            0);
  EXPECT_TRUE(std::string(out.begin(), out.end()) == dec);
}

TEST_F(SystemCipherTest, KeyHexIsFortyEightFreshHexDigits) {
  std::set<std::string> keys;
  for (int i = 0; i < 20; ++i) {
    char out[50];
    ASSERT_EQ(cipher_->RNG_KeyHex(out, 48, 24, "", 0), 0);
    ASSERT_EQ(std::string(out).size(), 48u);
    EXPECT_EQ(std::string(out).find_first_not_of("0123456789abcdef"), std::string::npos) << out;
    keys.insert(out);
  }
  EXPECT_EQ(keys.size(), 20u);
}

TEST_F(SystemCipherTest, KeyHexRefusesCountsThatDoNotFit) {
  char out[50] = "stale";
  EXPECT_EQ(cipher_->RNG_KeyHex(out, 47, 24, "", 0), cipher_error::kBadKeyLength);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(cipher_->RNG_KeyHex(out, 48, -1, "", 0), cipher_error::kBadKeyLength);
  EXPECT_EQ(cipher_->RNG_KeyHex(nullptr, 48, 24, "", 0), cipher_error::kNullArgument);
}

}  // namespace
}  // namespace qalo
