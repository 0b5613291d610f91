#include "workflow/ServiceErrorCode.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

TEST(ServiceErrorCode, DecimalWithBlanksAndSign) {
  EXPECT_EQ(ParseServiceErrorCode("1200"), 1200);
  EXPECT_EQ(ParseServiceErrorCode("   3000"), 3000);
  EXPECT_EQ(ParseServiceErrorCode("-12"), -12);
  EXPECT_EQ(ParseServiceErrorCode("+7"), 7);
  EXPECT_EQ(ParseServiceErrorCode("0"), 0);
  EXPECT_EQ(ParseServiceErrorCode("-0"), 0);
  EXPECT_EQ(ParseServiceErrorCode("007"), 7);
}

TEST(ServiceErrorCode, HexadecimalForms) {
  EXPECT_EQ(ParseServiceErrorCode("$BB8"), 3000);
  EXPECT_EQ(ParseServiceErrorCode("0x4b0"), 1200);
  EXPECT_EQ(ParseServiceErrorCode("  0X7FFFFFFF"), INT32_MAX);
  EXPECT_EQ(ParseServiceErrorCode("$80000000"), std::nullopt);  // beyond the signed range
  EXPECT_EQ(ParseServiceErrorCode("-$10"), std::nullopt);
  EXPECT_EQ(ParseServiceErrorCode("$"), std::nullopt);
  EXPECT_EQ(ParseServiceErrorCode("0x"), std::nullopt);
  EXPECT_EQ(ParseServiceErrorCode("$12G"), std::nullopt);
}

TEST(ServiceErrorCode, RangeLimits) {
  EXPECT_EQ(ParseServiceErrorCode("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseServiceErrorCode("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseServiceErrorCode("2147483648"), std::nullopt);
  EXPECT_EQ(ParseServiceErrorCode("-2147483649"), std::nullopt);
  EXPECT_EQ(ParseServiceErrorCode("99999999999999999999999"), std::nullopt);
}

TEST(ServiceErrorCode, AnythingElseIsNotANumber) {
  for (const char* text : {"", " ", "abc", "12 ", "1 2", "-", "+", "12a", "\t5", "1.0", "- 5", "1e3"})
    EXPECT_EQ(ParseServiceErrorCode(text), std::nullopt) << '"' << text << '"';
}

}  // namespace
}  // namespace qalo
