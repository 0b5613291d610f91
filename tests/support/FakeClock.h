#pragma once
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace qalo::test {

// Hands out the given times in order (the last one again when they run out)
// and counts the reads; the time separator is whatever the test sets. Sleep
// does not block: it moves every later time on by what was slept.
class FakeClock : public Clock {
 public:
  explicit FakeClock(std::vector<double> times) : times_(std::move(times)) {}
  double Now() override {
    const double t = times_[reads < times_.size() ? reads : times_.size() - 1];
    ++reads;
    return t + slept / 86400000.0;
  }
  std::string TimeSeparator() override { return timeSeparator; }
  void Sleep(unsigned milliseconds) override { slept += milliseconds; }
  std::size_t reads = 0;
  double slept = 0;  // milliseconds
  std::string timeSeparator = ":";

 private:
  std::vector<double> times_;
};

}  // namespace qalo::test
