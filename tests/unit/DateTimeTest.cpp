#include "workflow/DateTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

namespace qalo {
namespace {

constexpr double kDec7th2026 = 46363;  // midnight of 07.12.2026

TEST(DateTime, KnownDaysOfTheCalendar) {
  EXPECT_EQ(FormatDate(0), "30.12.1899");
  EXPECT_EQ(FormatDate(2), "01.01.1900");
  EXPECT_EQ(FormatDate(60), "28.02.1900");  // 1900 is no leap year
  EXPECT_EQ(FormatDate(61), "01.03.1900");
  EXPECT_EQ(FormatDate(36585), "29.02.2000");  // 2000 is one
  EXPECT_EQ(FormatDate(kDec7th2026), "07.12.2026");
  EXPECT_EQ(FormatDate(46433), "15.02.2027");
}

TEST(DateTime, ThreeTextsOfOneMoment) {
  const double moment = kDec7th2026 + (10 * 3600 + 15 * 60 + 30) / 86400.0;
  EXPECT_EQ(FormatDateTime(moment), "07.12.2026 10:15:30");
  EXPECT_EQ(FormatDate(moment), "07.12.2026");
  EXPECT_EQ(FormatFileStamp(moment), "261207_101530");
  EXPECT_EQ(FormatFileStamp(36526 + 5 / 86400.0), "000101_000005");
}

TEST(DateTime, SevenOClockNeverReadsAsOneSecondBefore) {
  // 7/24 is not exact in binary; added to large day counts the value falls
  // a hair short of 07:00:00.
  for (int day = 0; day < 80000; ++day)
    ASSERT_EQ(FormatDateTime(day + 7.0 / 24 + 1 + 14).substr(10), " 07:00:00") << day;
}

TEST(DateTime, EverySecondOfADayAsAClockWouldSumIt) {
  for (int s = 0; s < 86400; ++s) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "07.12.2026 %02d:%02d:%02d", s / 3600, s / 60 % 60,
                  s % 60);
    const double summed =
        kDec7th2026 + (s / 3600) / 24.0 + (s / 60 % 60) / 1440.0 + (s % 60) / 86400.0;
    ASSERT_EQ(FormatDateTime(summed), expected);
  }
  EXPECT_EQ(FormatDateTime(kDec7th2026 + 1 - 0.4 / 86400), "08.12.2026 00:00:00");
  EXPECT_EQ(FormatDateTime(kDec7th2026 + 1 - 0.6 / 86400), "07.12.2026 23:59:59");
}

TEST(DateTime, MakeInvertsSplitAndDaysFollowEachOther) {
  DateTimeParts previous = SplitDateTime(0);
  for (int day = 1; day < 146097 + 2000; ++day) {  // over four centuries
    const DateTimeParts p = SplitDateTime(day + 0.5);
    ASSERT_DOUBLE_EQ(MakeDateTime(p), day + 0.5) << day;
    const bool nextDay = p.day == previous.day + 1 && p.month == previous.month;
    const bool nextMonth = p.day == 1 && (p.month == previous.month % 12 + 1);
    ASSERT_TRUE(nextDay || nextMonth) << FormatDate(day);
    ASSERT_EQ(p.year, previous.year + (p.month == 1 && previous.month == 12)) << day;
    previous = p;
  }
}

TEST(DateTime, OnlyDatesWithAFourDigitYearAreWritable) {
  const double first = MakeDateTime({1, 1, 1, 0, 0, 0});
  const double last = MakeDateTime({9999, 12, 31, 23, 59, 59});
  EXPECT_TRUE(IsWritableDate(first));
  EXPECT_TRUE(IsWritableDate(last));
  EXPECT_TRUE(IsWritableDate(0.0));
  EXPECT_FALSE(IsWritableDate(first - 1.0));
  EXPECT_FALSE(IsWritableDate(last + 1.0 / 86400.0));  // rounds into the year 10000
  EXPECT_FALSE(IsWritableDate(1e300));
  EXPECT_FALSE(IsWritableDate(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(IsWritableDate(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace qalo
