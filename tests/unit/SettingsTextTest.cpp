#include "workflow/SettingsText.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

using Lines = SettingsLines;

TEST(SettingsSplit, EachKindOfBreakEndsOneLine) {
  EXPECT_EQ(SplitSettings("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
}

TEST(SettingsSplit, EmptyLinesBetweenBreaksAreKept) {
  EXPECT_EQ(SplitSettings("a\r\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitSettings("a\n\r"), (Lines{"a", ""}));  // LF, then a lone CR
  EXPECT_EQ(SplitSettings("\r\n"), (Lines{""}));
}

TEST(SettingsSplit, FinalBreakAddsNoLine) {
  EXPECT_EQ(SplitSettings("a=1\r\n"), (Lines{"a=1"}));
  EXPECT_EQ(SplitSettings("a=1"), (Lines{"a=1"}));
  EXPECT_TRUE(SplitSettings("").empty());
}

TEST(SettingsRead, NameIgnoresCaseAndValueIsUntrimmed) {
  const Lines lines = SplitSettings("userlogin=abc\r\nPassword= x \r\n");
  EXPECT_EQ(ReadSetting(lines, "UserLogin"), "abc");
  EXPECT_EQ(ReadSetting(lines, "Password"), " x ");
}

TEST(SettingsRead, FirstMatchingLineWins) {
  EXPECT_EQ(ReadSetting(SplitSettings("UserKey=one\nUSERKEY=two"), "UserKey"), "one");
}

TEST(SettingsRead, OnlyTheTextBeforeTheFirstEqualsIsTheName) {
  const Lines lines = SplitSettings("UserKey\nUser Key=no\nUserKey==a=b\n");
  EXPECT_EQ(ReadSetting(lines, "UserKey"), "=a=b");
  EXPECT_EQ(ReadSetting(SplitSettings(" UserKey=x"), "UserKey"), "");
}

TEST(SettingsRead, MissingNameGivesEmptyValue) {
  EXPECT_EQ(ReadSetting(SplitSettings("a=1"), "TicketData"), "");
}

TEST(SettingsRead, UmlautsInNamesAreNotFolded) {
  // Only ASCII letters ignore case; bytes above 0x7F must match exactly.
  EXPECT_EQ(ReadSetting(SplitSettings("\xC4x=1"), "\xE4x"), "");
  EXPECT_EQ(ReadSetting(SplitSettings("\xC4x=1"), "\xC4X"), "1");
}

TEST(SettingsWrite, ReplacesFirstLineInPlaceWithTheSettersName) {
  Lines lines = SplitSettings("A=1\nuserkey=old\nB=2\nUserKey=second");
  WriteSetting(lines, "UserKey", "new");
  EXPECT_EQ(lines, (Lines{"A=1", "UserKey=new", "B=2", "UserKey=second"}));
}

TEST(SettingsWrite, AppendsWhenMissing) {
  Lines lines = SplitSettings("A=1");
  WriteSetting(lines, "UserKey", "k");
  EXPECT_EQ(lines, (Lines{"A=1", "UserKey=k"}));
}

TEST(SettingsWrite, EmptyValueRemovesTheLine) {
  Lines lines = SplitSettings("A=1\nUserKey=k\nB=2");
  WriteSetting(lines, "UserKey", "");
  EXPECT_EQ(lines, (Lines{"A=1", "B=2"}));
  WriteSetting(lines, "UserKey", "");
  EXPECT_EQ(lines, (Lines{"A=1", "B=2"}));
}

TEST(SettingsJoin, EveryLineEndsWithCrLf) {
  EXPECT_EQ(JoinSettings(SplitSettings("a\nb\rc")), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(JoinSettings({}), "");
  EXPECT_EQ(JoinSettings({""}), "\r\n");
}

}  // namespace
}  // namespace qalo
