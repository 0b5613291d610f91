#include "workflow/HexToBytes.h"

#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>

namespace qalo {
namespace {

KeyBytes Bytes(std::initializer_list<std::uint8_t> front) {
  KeyBytes key;
  std::size_t i = 0;
  for (std::uint8_t b : front) key[i++] = b;
  return key;
}

TEST(HexToBytes, PairsOfDigitsFromTheFront) {
  EXPECT_EQ(HexToBytes("00ff7a"), Bytes({0x00, 0xFF, 0x7A}));
  EXPECT_EQ(HexToBytes("0123456789abcdef"),
            Bytes({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));
}

TEST(HexToBytes, OddLengthReadsAsIfLedByZero) {
  EXPECT_EQ(HexToBytes("abc"), Bytes({0x0A, 0xBC}));
  EXPECT_EQ(HexToBytes("7"), Bytes({0x07}));
}

TEST(HexToBytes, EmptyTextIsTwentyFourZeros) { EXPECT_EQ(HexToBytes(""), KeyBytes()); }

TEST(HexToBytes, FixedIvText) {
  EXPECT_EQ(HexToBytes(kIvText), Bytes({0x58, 0x30, 0x26, 0x19, 0x47, 0x31, 0x60, 0x84}));
}

TEST(HexToBytes, FullKeyFillsAllThreeDesKeys) {
  const KeyBytes key = HexToBytes(std::string(46, '1') + "ef");
  EXPECT_EQ(key[0], 0x11);
  EXPECT_EQ(key[22], 0x11);
  EXPECT_EQ(key[23], 0xEF);
}

TEST(HexToBytes, RefusesWhatDoesNotFitOrIsNoDigit) {
  EXPECT_THROW(HexToBytes(std::string(49, '0')), std::invalid_argument);
  EXPECT_THROW(HexToBytes("AB"), std::invalid_argument);  // only lower case here
  EXPECT_THROW(HexToBytes("0g"), std::invalid_argument);
}

TEST(ConvertKey, UpperAndLowerCaseGiveTheSameKey) {
  const std::string lower = "0123456789abcdef23456789abcdef01456789abcdef0123";
  std::string upper = lower;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_TRUE(ConvertKey(upper));
  EXPECT_EQ(*ConvertKey(upper), HexToBytes(lower));
  EXPECT_EQ(*ConvertKey("AbC"), Bytes({0x0A, 0xBC}));
}

TEST(ConvertKey, ThirtyTwoDigitsLeaveTheThirdDesKeyZero) {
  const std::optional<KeyBytes> key = ConvertKey(std::string(32, 'F'));
  ASSERT_TRUE(key);
  EXPECT_EQ((*key)[15], 0xFF);
  for (std::size_t i = 16; i < KeyBytes::kSize; ++i) EXPECT_EQ((*key)[i], 0) << i;
}

TEST(ConvertKey, KeysThatCannotBeConverted) {
  EXPECT_FALSE(ConvertKey(std::string(49, 'a')));
  EXPECT_FALSE(ConvertKey(std::string(48, 'a') + " "));
  EXPECT_FALSE(ConvertKey("12 34"));
  EXPECT_FALSE(ConvertKey("xyz"));
  EXPECT_FALSE(ConvertKey("\xE4"));  // no letter folding beyond ASCII
  EXPECT_FALSE(ConvertKey("-1"));
  EXPECT_TRUE(ConvertKey(std::string(48, 'A')));
  EXPECT_TRUE(ConvertKey(""));
}

}  // namespace
}  // namespace qalo
