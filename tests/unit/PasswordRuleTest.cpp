#include "dialogs/PasswordRule.h"

#include <gtest/gtest.h>

#include <string>

namespace qalo {
namespace {

// The classes as the login data dialog lists them, written as ranges and
// single codes, independent of the tables in the code.
PasswordCharClass Listed(int c) {
  if (c >= '0' && c <= '9') return PasswordCharClass::kDigit;
  if ((c >= 'A' && c <= 'Z') || c == 0xC4 || c == 0xD6 || c == 0xDC)
    return PasswordCharClass::kUpper;
  if ((c >= 'a' && c <= 'z') || c == 0xDF || c == 0xE4 || c == 0xF6 || c == 0xFC)
    return PasswordCharClass::kLower;
  if (c == 0x21 || c == 0x23 || c == 0x24 || c == 0x26 || (c >= 0x28 && c <= 0x2F) ||
      (c >= 0x3A && c <= 0x3C) || c == 0x3E || c == 0x3F || c == 0x40 || c == 0x5B ||
      c == 0x5D || c == 0x5F || c == 0x7B || c == 0x7D || c == 0x7E || c == 0xA7)
    return PasswordCharClass::kSpecial;
  return PasswordCharClass::kNone;
}

TEST(PasswordRuleTest, EveryByteIsInTheListedClass) {
  int counts[5] = {};
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(ClassOfPasswordChar(static_cast<unsigned char>(c)), Listed(c)) << "code " << c;
    ++counts[static_cast<int>(Listed(c))];
  }
  EXPECT_EQ(counts[static_cast<int>(PasswordCharClass::kDigit)], 10);
  EXPECT_EQ(counts[static_cast<int>(PasswordCharClass::kUpper)], 29);
  EXPECT_EQ(counts[static_cast<int>(PasswordCharClass::kLower)], 30);
  EXPECT_EQ(counts[static_cast<int>(PasswordCharClass::kSpecial)], 25);
}

// Each byte, six times beside two known classes, through the rule itself:
// the rule holds exactly when the byte adds a third class.
TEST(PasswordRuleTest, EveryByteCountsForItsClassInTheRule) {
  for (int c = 0; c < 256; ++c) {
    const std::string six(6, static_cast<char>(c));
    const PasswordCharClass listed = Listed(c);
    const bool special = listed == PasswordCharClass::kSpecial;
    EXPECT_EQ(CheckPasswordRule("Aa" + six), special || listed == PasswordCharClass::kDigit) << c;
    EXPECT_EQ(CheckPasswordRule("A1" + six), special || listed == PasswordCharClass::kLower) << c;
    EXPECT_EQ(CheckPasswordRule("a1" + six), special || listed == PasswordCharClass::kUpper) << c;
  }
}

TEST(PasswordRuleTest, EmptyIsAllowed) { EXPECT_TRUE(CheckPasswordRule("")); }

TEST(PasswordRuleTest, SevenCharactersAreRefusedWhateverTheyCover) {
  EXPECT_FALSE(CheckPasswordRule("Aa1!Bb2"));
  EXPECT_TRUE(CheckPasswordRule("Aa1!Bb2c"));
}

TEST(PasswordRuleTest, TwoClassesAreRefusedAThirdMakesItPass) {
  EXPECT_FALSE(CheckPasswordRule("abcdef1234"));
  EXPECT_TRUE(CheckPasswordRule("abcdeF1234"));
  EXPECT_FALSE(CheckPasswordRule("ABCDEFGH"));
  EXPECT_FALSE(CheckPasswordRule("!!!!????"));
}

TEST(PasswordRuleTest, UmlautsCountByTheirCase) {
  EXPECT_FALSE(CheckPasswordRule("\xE4\xF6\xFC\xDF" "abc1"));  // äöüß: lower case
  EXPECT_TRUE(CheckPasswordRule("\xC4\xD6\xDC" "abcd1"));      // ÄÖÜ: upper case
  EXPECT_TRUE(CheckPasswordRule("ABCD1234\xDF"));              // ß adds the lower case
  EXPECT_TRUE(CheckPasswordRule("abcd1234\xA7"));              // § is special
}

TEST(PasswordRuleTest, CharactersOutsideEveryClassCountForNothing) {
  // space % = \ ^ | and the euro sign
  const std::string none = " %=\\^|\x80";
  EXPECT_FALSE(CheckPasswordRule(none + "1234567"));
  EXPECT_FALSE(CheckPasswordRule(none + "aB"));
  EXPECT_FALSE(CheckPasswordRule(none + "\"'`\xE9" "1"));  // " ' ` é
  EXPECT_TRUE(CheckPasswordRule(none + "aB1"));
}

TEST(PasswordRuleTest, MessageIsByteExact) {
  EXPECT_STREQ(kPasswordRuleTitle, "Fehler");
  EXPECT_STREQ(kPasswordRuleMessage,
               "Das Passwort muss folgenden Anforderungen gen\xFCgen:\x0D"
               "1. mindestens 8 Stellen\x0D"
               "2. mindestens drei der folgenden 4 Bedingungen:\x0D"
               "   - eine Zahl\x0D"
               "   - ein Gro\xDF" "buchstabe\x0D"
               "   - ein Kleinbuchstabe\x0D"
               "   - ein Sonderzeichen");
}

}  // namespace
}  // namespace qalo
