#include "workflow/DateTime.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace qalo {
namespace {

constexpr double kDec7th2026 = 46363;  // 07.12.2026, day count of that midnight

TEST(DateTimeSplit, KnownDaysOfTheCalendar) {
  EXPECT_EQ(FormatDate(0), "30.12.1899");
  EXPECT_EQ(FormatDate(2), "01.01.1900");
  EXPECT_EQ(FormatDate(60), "28.02.1900");  // 1900 is no leap year
  EXPECT_EQ(FormatDate(61), "01.03.1900");
  EXPECT_EQ(FormatDate(25569), "01.01.1970");
  EXPECT_EQ(FormatDate(36585), "29.02.2000");  // 2000 is one
  EXPECT_EQ(FormatDate(kDec7th2026), "07.12.2026");
  EXPECT_EQ(FormatDate(46433), "15.02.2027");
}

TEST(DateTimeSplit, ThreeTextsOfOneMoment) {
  const double moment = kDec7th2026 + (10 * 3600 + 15 * 60 + 30) / 86400.0;
  EXPECT_EQ(FormatDateTime(moment), "07.12.2026 10:15:30");
  EXPECT_EQ(FormatDate(moment), "07.12.2026");
  EXPECT_EQ(FormatFileStamp(moment), "261207_101530");
  EXPECT_EQ(FormatFileStamp(36526 + 5 / 86400.0), "000101_000005");
}

TEST(DateTimeSplit, SevenOClockNeverReadsAsOneSecondBefore) {
  // 7/24 is not exact in binary; summed onto large day counts the value
  // falls a hair short of 07:00:00.
  for (int day = 0; day < 80000; ++day) {
    const double value = day + 7.0 / 24 + 1;
    ASSERT_EQ(FormatDateTime(value).substr(10), " 07:00:00") << "day " << day;
    ASSERT_EQ(FormatDateTime(value + 14).substr(10), " 07:00:00") << "day " << day;
  }
}

TEST(DateTimeSplit, EverySecondOfADayComputedAsAFraction) {
  for (int s = 0; s < 86400; ++s) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    const double value = kDec7th2026 + s / 86400.0;
    ASSERT_EQ(FormatDateTime(value), std::string("07.12.2026 ") + expected);
    // The same moment reached by h/24 + m/1440 + s/86400, as a clock would.
    const double summed = kDec7th2026 + (s / 3600) / 24.0 + (s / 60 % 60) / 1440.0 +
                          (s % 60) / 86400.0;
    ASSERT_EQ(FormatDateTime(summed), std::string("07.12.2026 ") + expected);
  }
}

TEST(DateTimeSplit, HalfASecondBeforeMidnightIsTheNextDay) {
  EXPECT_EQ(FormatDateTime(kDec7th2026 + 1 - 0.4 / 86400), "08.12.2026 00:00:00");
  EXPECT_EQ(FormatDateTime(kDec7th2026 + 1 - 0.6 / 86400), "07.12.2026 23:59:59");
}

TEST(DateTimeMake, RoundTripsEveryDayOverFourCenturies) {
  for (int day = 0; day < 146097 + 2000; ++day) {
    const DateTimeParts parts = SplitDateTime(day + 0.5);
    ASSERT_EQ(parts.hour, 12);
    ASSERT_GE(parts.month, 1);
    ASSERT_LE(parts.month, 12);
    ASSERT_DOUBLE_EQ(MakeDateTime(parts), day + 0.5) << day;
  }
}

TEST(DateTimeMake, ConsecutiveDaysAdvanceTheCalendarByOne) {
  DateTimeParts previous = SplitDateTime(0);
  for (int day = 1; day < 80000; ++day) {
    const DateTimeParts parts = SplitDateTime(day);
    const bool nextDay = parts.year == previous.year && parts.month == previous.month &&
                         parts.day == previous.day + 1;
    const bool nextMonth = parts.day == 1 && ((parts.year == previous.year &&
                                               parts.month == previous.month + 1) ||
                                              (parts.year == previous.year + 1 &&
                                               parts.month == 1 && previous.month == 12));
    ASSERT_TRUE(nextDay || nextMonth) << FormatDate(day);
    previous = parts;
  }
}

}  // namespace
}  // namespace qalo
