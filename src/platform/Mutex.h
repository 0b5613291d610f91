#pragma once
// A lock and a condition for handing work between the plug-in's threads,
// in the shape of leveldb's port::Mutex and port::CondVar. In the DLL they
// are the system's own (SRWLOCK, CONDITION_VARIABLE): std::mutex and
// std::condition_variable run on winpthreads there, whose lazily made
// objects (an event per contended mutex, a thread-local slot and a
// duplicated thread handle per loaded copy) no unload gives back, so a host
// that loads the plug-in per use would gather them.
#include <chrono>
#include <memory>

namespace qalo {

class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock();
  void Unlock();

 private:
  friend class CondVar;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Waits on a mutex the caller holds; wakes every waiter at once.
class CondVar {
 public:
  explicit CondVar(Mutex& mutex);
  ~CondVar();
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  void Wait();
  // False when timeout passed first (a wake-up may still have come late).
  bool WaitFor(std::chrono::milliseconds timeout);
  void SignalAll();

  // Waits until ready() holds, up to timeout; the result of ready() then.
  template <typename Ready>
  bool WaitFor(std::chrono::milliseconds timeout, Ready ready) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left <= std::chrono::milliseconds::zero()) return ready();
      WaitFor(left);
    }
    return true;
  }
  template <typename Ready>
  void Wait(Ready ready) {
    while (!ready()) Wait();
  }

 private:
  struct Impl;
  Mutex& mutex_;
  std::unique_ptr<Impl> impl_;
};

// Holds a mutex for its scope.
class MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() { mutex_.Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

}  // namespace qalo
