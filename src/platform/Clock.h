#pragma once

namespace qalo {

// Local date and time as a day count since 30 December 1899, the fraction
// being the time of day.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double Now() = 0;
};

}  // namespace qalo
