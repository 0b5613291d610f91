#include "workflow/HexToBytes.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qalo {
namespace {

KeyBytes KeyWith(std::initializer_list<std::uint8_t> front) {
  KeyBytes key;
  std::size_t i = 0;
  for (std::uint8_t b : front) key[i++] = b;
  return key;
}

TEST(HexToBytes, PairsOfDigitsFromTheFrontTheRestZero) {
  EXPECT_EQ(HexToBytes("00ff7a"), KeyWith({0x00, 0xFF, 0x7A}));
  EXPECT_EQ(HexToBytes(kIvText), KeyWith({0x58, 0x30, 0x26, 0x19, 0x47, 0x31, 0x60, 0x84}));
  EXPECT_EQ(HexToBytes(""), KeyBytes());
  const KeyBytes full = HexToBytes(std::string(46, '1') + "ef");
  EXPECT_EQ(full[22], 0x11);
  EXPECT_EQ(full[23], 0xEF);
}

TEST(HexToBytes, OddLengthReadsAsIfLedByZero) {
  EXPECT_EQ(HexToBytes("abc"), KeyWith({0x0A, 0xBC}));
  EXPECT_EQ(HexToBytes("7"), KeyWith({0x07}));
}

TEST(HexToBytes, RefusesWhatDoesNotFitOrIsNoDigit) {
  EXPECT_THROW(HexToBytes(std::string(49, '0')), std::invalid_argument);
  EXPECT_THROW(HexToBytes("AB"), std::invalid_argument);  // lower case only here
  EXPECT_THROW(HexToBytes("0g"), std::invalid_argument);
}

TEST(ConvertKey, LetterCaseDoesNotMatter) {
  EXPECT_EQ(ConvertKey("0123456789ABCDEFabcdef").value(), HexToBytes("0123456789abcdefabcdef"));
  EXPECT_EQ(ConvertKey(std::string(48, 'F')).value(), HexToBytes(std::string(48, 'f')));
}

TEST(ConvertKey, ThirtyTwoDigitsLeaveTheThirdDesKeyZero) {
  const KeyBytes key = ConvertKey(std::string(32, 'F')).value();
  EXPECT_EQ(key[15], 0xFF);
  for (std::size_t i = 16; i < KeyBytes::kSize; ++i) EXPECT_EQ(key[i], 0) << i;
}

TEST(ConvertKey, KeysThatCannotBeConverted) {
  for (const std::string& key : {std::string(49, 'a'), std::string(48, 'a') + " ",
                                std::string("12 34"), std::string("xyz"), std::string("-1"),
                                std::string("\xE4")})  // no letter folding beyond ASCII
    EXPECT_FALSE(ConvertKey(key)) << key;
  EXPECT_TRUE(ConvertKey(""));
}

}  // namespace
}  // namespace qalo
