#include "platform/win32/Win32Clock.h"

#include <windows.h>

#include <cstdint>

namespace qalo {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 1 January 1601, where a FILETIME counts from, is day -109205.
constexpr std::int64_t kFileTimeDayZero = 109205;

}  // namespace

double DayCount(const SYSTEMTIME& time) {
  FILETIME ft;
  if (!SystemTimeToFileTime(&time, &ft)) return 0.0;
  const std::uint64_t ticks =
      static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
  const auto seconds = static_cast<std::int64_t>(ticks / 10000000u);  // milliseconds dropped
  return static_cast<double>(seconds / kSecondsPerDay - kFileTimeDayZero) +
         static_cast<double>(seconds % kSecondsPerDay) / kSecondsPerDay;
}

double Win32Clock::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return DayCount(t);
}

std::string Win32Clock::TimeSeparator() {
  char separator[4] = {};  // the locale allows at most three characters
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator) <= 1)
    return ":";
  return separator;
}

}  // namespace qalo
