#pragma once
// Date values: days since 30 December 1899 (day 0), the fraction being the
// local time of day.
#include <string>

namespace qalo {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;  // proleptic Gregorian calendar
  int hour = 0, minute = 0, second = 0;   // 00..23, 00..59, 00..59
};

// The date value rounded to the nearest second, then split, so a value a
// hair below a full second (07:00:00 computed as 6.9999.../24) reads as that
// second.
DateTimeParts SplitDateTime(double dayCount);

// The date value of the given parts (the inverse of SplitDateTime).
double MakeDateTime(const DateTimeParts& parts);

// The date value, rounded to the second, moved on by the given seconds.
double AddSeconds(double dayCount, int seconds);

// Whether the value, rounded to the second, falls in the years 1 to 9999:
// the dates the four-digit year of the texts below can hold.
bool IsWritableDate(double dayCount);

// "dd.mm.yyyy hh:nn:ss", the time's parts joined by timeSeparator.
std::string FormatDateTime(double dayCount, const std::string& timeSeparator = ":");
// "dd.mm.yyyy"
std::string FormatDate(double dayCount);
// "yymmdd_hhnnss", the time stamp in export file names.
std::string FormatFileStamp(double dayCount);

}  // namespace qalo
