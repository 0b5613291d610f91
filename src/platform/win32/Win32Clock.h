#pragma once
#include "platform/Clock.h"

namespace qalo {

// The local date and time from GetLocalTime, to the second.
class Win32Clock final : public Clock {
 public:
  double Now() override;
};

}  // namespace qalo
