#pragma once
#include <string>

namespace qalo {

// Local date and time, and how the user's locale writes a time.
class Clock {
 public:
  virtual ~Clock() = default;
  // A day count since 30 December 1899, the fraction being the time of day.
  virtual double Now() = 0;
  // The user locale's separator between hours, minutes and seconds (":" in
  // German settings); ":" when the locale cannot be read.
  virtual std::string TimeSeparator() = 0;
};

}  // namespace qalo
