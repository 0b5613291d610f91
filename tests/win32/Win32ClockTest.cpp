#include "platform/win32/Win32Clock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "workflow/DateTime.h"

namespace qalo {
namespace {

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
