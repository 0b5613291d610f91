#pragma once
#include <windows.h>

#include "platform/Clock.h"

namespace qalo {

// The day count of a time from 1601 on, to the second (the milliseconds
// dropped); 0.0 for a time the system cannot convert.
double DayCount(const SYSTEMTIME& time);

// The local date and time from GetLocalTime, to the second, as a day count
// of the plug-in's own (no OLE automation library); the time
// separator from the user locale (LOCALE_STIME).
class Win32Clock final : public Clock {
 public:
  double Now() override;
  std::string TimeSeparator() override;
};

}  // namespace qalo
