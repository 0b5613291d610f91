#pragma once
#include "platform/Clock.h"

namespace qalo {

// The local date and time from GetLocalTime, to the second; the time
// separator from the user locale (LOCALE_STIME).
class Win32Clock final : public Clock {
 public:
  double Now() override;
  std::string TimeSeparator() override;
};

}  // namespace qalo
