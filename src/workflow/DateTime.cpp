#include "workflow/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace qalo {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Day 0 (30.12.1899) counted from 1 March of year 0, the origin of the
// civil-date arithmetic below.
constexpr std::int64_t kDayZeroFromMarch0 = 693899;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1 March of year 0 from a civil date, and back (eras of 400
// years, the year starting in March so that the leap day comes last).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

void CivilFromDays(std::int64_t days, DateTimeParts& parts) {
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
}

std::int64_t TotalSeconds(double dayCount) {
  return static_cast<std::int64_t>(std::llround(dayCount * kSecondsPerDay));
}

double FromTotalSeconds(std::int64_t totalSeconds) {
  const std::int64_t days = FloorDiv(totalSeconds, kSecondsPerDay);
  return static_cast<double>(days) +
         static_cast<double>(totalSeconds - days * kSecondsPerDay) / kSecondsPerDay;
}

}  // namespace

DateTimeParts SplitDateTime(double dayCount) {
  const std::int64_t totalSeconds = TotalSeconds(dayCount);
  const std::int64_t days = FloorDiv(totalSeconds, kSecondsPerDay);
  const std::int64_t secondOfDay = totalSeconds - days * kSecondsPerDay;
  DateTimeParts parts;
  CivilFromDays(days + kDayZeroFromMarch0, parts);
  parts.hour = static_cast<int>(secondOfDay / 3600);
  parts.minute = static_cast<int>(secondOfDay / 60 % 60);
  parts.second = static_cast<int>(secondOfDay % 60);
  return parts;
}

double MakeDateTime(const DateTimeParts& p) {
  const std::int64_t days = DaysFromCivil(p.year, p.month, p.day) - kDayZeroFromMarch0;
  return FromTotalSeconds(days * kSecondsPerDay + p.hour * 3600 + p.minute * 60 + p.second);
}

double AddSeconds(double dayCount, int seconds) {
  return FromTotalSeconds(TotalSeconds(dayCount) + seconds);
}

bool IsWritableDate(double dayCount) {
  // Far beyond the year 9999, and still far from overflowing the seconds.
  constexpr double kFarBeyond = 1e8;
  if (!std::isfinite(dayCount) || std::fabs(dayCount) > kFarBeyond) return false;
  const int year = SplitDateTime(std::trunc(dayCount)).year;
  return year >= 1 && year <= 9999;
}

std::string FormatDateTime(double dayCount, const std::string& timeSeparator) {
  const DateTimeParts p = SplitDateTime(dayCount);
  char date[16], hour[4], minute[4], second[4];
  std::snprintf(date, sizeof date, "%02d.%02d.%04d ", p.day, p.month, p.year);
  std::snprintf(hour, sizeof hour, "%02d", p.hour);
  std::snprintf(minute, sizeof minute, "%02d", p.minute);
  std::snprintf(second, sizeof second, "%02d", p.second);
  return date + std::string(hour) + timeSeparator + minute + timeSeparator + second;
}

std::string FormatDate(double dayCount) {
  // The date is the whole-day part: a time just before midnight must not
  // round into the next day.
  const DateTimeParts p = SplitDateTime(std::trunc(dayCount));
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", p.day, p.month, p.year);
  return text;
}

std::string FormatFileStamp(double dayCount) {
  const DateTimeParts p = SplitDateTime(dayCount);
  char text[24];
  std::snprintf(text, sizeof text, "%02d%02d%02d_%02d%02d%02d", p.year % 100, p.month, p.day,
                p.hour, p.minute, p.second);
  return text;
}

}  // namespace qalo
