#pragma once
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace qalo::test {

// Hands out the given times in order (the last one again when they run out)
// and counts the reads; the time separator is whatever the test sets.
class FakeClock : public Clock {
 public:
  explicit FakeClock(std::vector<double> times) : times_(std::move(times)) {}
  double Now() override {
    const double t = times_[reads < times_.size() ? reads : times_.size() - 1];
    ++reads;
    return t;
  }
  std::string TimeSeparator() override { return timeSeparator; }
  std::size_t reads = 0;
  std::string timeSeparator = ":";

 private:
  std::vector<double> times_;
};

}  // namespace qalo::test
