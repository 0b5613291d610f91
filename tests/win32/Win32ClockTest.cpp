#include "platform/win32/Win32Clock.h"

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "workflow/DateTime.h"

namespace qalo {
namespace {

// The plug-in's own day count is the OLE date the system would make (to far
// below a second) from its day 0 on, over leap days, centuries and the ends
// of a day.
TEST(Win32ClockTest, DayCountIsTheOleDate) {
  int checked = 0;
  for (WORD year : {1900, 2000, 2026, 2100, 9999}) {
    for (WORD month : {1, 2, 3, 12}) {
      for (WORD day : {1, 28, 29, 31}) {
        for (DWORD second : {0ul, 1ul, 43199ul, 86399ul}) {
          SYSTEMTIME t{year, month, 0, day, static_cast<WORD>(second / 3600),
                       static_cast<WORD>(second / 60 % 60), static_cast<WORD>(second % 60), 999};
          FILETIME valid;
          if (!SystemTimeToFileTime(&t, &valid)) continue;  // 29.02.1900, 31.02., ...
          t.wMilliseconds = 0;
          double ole = 0.0;
          ASSERT_TRUE(SystemTimeToVariantTime(&t, &ole));
          t.wMilliseconds = 999;
          ASSERT_NEAR(DayCount(t), ole, 1e-3 / 86400)
              << year << "-" << month << "-" << day << " +" << second;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 200);
}

// The system's own conversion must agree with the workflow's day count.
TEST(Win32ClockTest, NowIsTheLocalTimeAsADayCountToTheSecond) {
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  const double now = Win32Clock().Now();
  GetLocalTime(&after);
  const auto dayCount = [](const SYSTEMTIME& t) {
    return MakeDateTime({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
  };
  EXPECT_GE(now, dayCount(before) - 1e-9);
  EXPECT_LE(now, dayCount(after) + 1e-9);
  // Whole seconds only: the file stamp and the ticket time never round up.
  const double seconds = now * 86400.0;
  EXPECT_NEAR(seconds, static_cast<double>(static_cast<long long>(seconds + 0.5)), 1e-3);
}

// The user locale's separator, as the regional settings set it, with ":"
// restored afterwards.
TEST(Win32ClockTest, TimeSeparatorFollowsTheUserLocale) {
  char saved[4] = {};
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, saved, sizeof saved), 1);
  EXPECT_EQ(Win32Clock().TimeSeparator(), saved);
  ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, "."));
  const std::string changed = Win32Clock().TimeSeparator();
  SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, saved);
  EXPECT_EQ(changed, ".");
  EXPECT_EQ(Win32Clock().TimeSeparator(), saved);
}

}  // namespace
}  // namespace qalo
