#pragma once
#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "platform/Threads.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// Real threads on a machine of `cores` cores. "Start" goes through faults
// (a failing start gives no thread); running counts the threads started
// whose entry has not returned.
class FakeThreads : public Threads {
 public:
  explicit FakeThreads(unsigned cores = 1) : cores(cores) {}

  unsigned Cores() override { return cores; }

  std::thread Start(std::function<void()> entry) noexcept override {
    try {
      if (faults.Call("Start")) return std::thread();
    } catch (...) {
      return std::thread();
    }
    ++running;
    try {
      return std::thread([this, entry = std::move(entry)] {
        entry();
        --running;
      });
    } catch (...) {
      --running;
      return std::thread();
    }
  }

  unsigned cores;
  FaultPlan faults;
  std::atomic<int> running{0};
};

}  // namespace qalo::test
