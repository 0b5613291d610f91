#pragma once
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <utility>

#include "platform/SystemThreads.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// Real threads on a machine of `cores` cores. "Start" and "StartDetached"
// go through faults (a failing start gives no thread); running counts the
// joinable threads whose entry has not returned, moduleReferences the
// detached ones (each holds the plug-in loaded until its entry returns).
class FakeThreads : public Threads {
 public:
  explicit FakeThreads(unsigned cores = 1) : cores(cores) {}
  // A detached thread still running would count into a fake that is gone.
  ~FakeThreads() override {
    if (!DetachedEnded(std::chrono::seconds(10))) std::abort();
  }

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

  // The system's own detached thread, counted.
  std::unique_ptr<DetachedThread> StartDetached(std::function<void()> entry) noexcept override {
    try {
      if (faults.Call("StartDetached")) return nullptr;
      std::function<void()> counted = [this, entry = std::move(entry)]() mutable {
        entry();
        entry = nullptr;  // what it owned goes before the reference does
        --moduleReferences;
      };
      ++moduleReferences;
      auto thread = system_.StartDetached(std::move(counted));
      if (!thread) --moduleReferences;
      return thread;
    } catch (...) {
      return nullptr;
    }
  }

  // True once every detached thread has ended, false after timeout.
  bool DetachedEnded(std::chrono::milliseconds timeout) const {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (moduleReferences != 0) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  unsigned cores;
  FaultPlan faults;
  std::atomic<int> running{0};
  std::atomic<int> moduleReferences{0};

 private:
  SystemThreads system_;
};

}  // namespace qalo::test
