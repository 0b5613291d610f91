#pragma once
// A lock and a condition for handing work between the plug-in's threads,
// in the shape of leveldb's port::Mutex and port::CondVar. In the DLL they
// are the system's own (SRWLOCK, CONDITION_VARIABLE): std::mutex and
// std::condition_variable run on winpthreads there, whose lazily made
// objects (an event per contended mutex, a thread-local slot and a
// duplicated thread handle per loaded copy) no unload gives back, so a host
// that loads the plug-in per use would gather them.
//
// Their rules are code: members say which mutex guards them
// (QALO_GUARDED_BY), functions which they need held (QALO_REQUIRES), and
// clang's -Wthread-safety checks every access (the clang build turns it
// on); other compilers take the words as comments.
#include <chrono>
#include <memory>

#if defined(__clang__)
#define QALO_THREAD_SAFETY(x) __attribute__((x))
#else
#define QALO_THREAD_SAFETY(x)
#endif
#define QALO_CAPABILITY(x) QALO_THREAD_SAFETY(capability(x))
#define QALO_SCOPED_CAPABILITY QALO_THREAD_SAFETY(scoped_lockable)
#define QALO_GUARDED_BY(x) QALO_THREAD_SAFETY(guarded_by(x))
#define QALO_REQUIRES(...) QALO_THREAD_SAFETY(requires_capability(__VA_ARGS__))
#define QALO_EXCLUDES(...) QALO_THREAD_SAFETY(locks_excluded(__VA_ARGS__))
#define QALO_ACQUIRE(...) QALO_THREAD_SAFETY(acquire_capability(__VA_ARGS__))
#define QALO_RELEASE(...) QALO_THREAD_SAFETY(release_capability(__VA_ARGS__))

namespace qalo {

class QALO_CAPABILITY("mutex") Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() QALO_ACQUIRE();
  void Unlock() QALO_RELEASE();

 private:
  friend class CondVar;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Waits on a mutex the caller holds (not checked: the analysis cannot tell
// which mutex a condition was made with); wakes every waiter at once.
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
class QALO_SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) QALO_ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() QALO_RELEASE() { mutex_.Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

}  // namespace qalo
