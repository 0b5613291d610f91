#pragma once
// A mutex whose rules are code: members say which mutex guards them
// (QALO_GUARDED_BY), functions which they need held (QALO_REQUIRES), and
// clang's -Wthread-safety checks every access (the clang build turns it
// on); other compilers take the words as comments.
#include <condition_variable>
#include <mutex>

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
  void Lock() QALO_ACQUIRE() { mutex_.lock(); }
  void Unlock() QALO_RELEASE() { mutex_.unlock(); }

 private:
  friend class CondVar;
  std::mutex mutex_;
};

// Holds a mutex for its scope; Unlock and Lock let go of it for a stretch
// within that scope.
class QALO_SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) QALO_ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~MutexLock() QALO_RELEASE() {
    if (held_) mutex_.Unlock();
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void Unlock() QALO_RELEASE() {
    mutex_.Unlock();
    held_ = false;
  }
  void Lock() QALO_ACQUIRE() {
    mutex_.Lock();
    held_ = true;
  }

 private:
  Mutex& mutex_;
  bool held_ = true;
};

// A condition of what a mutex guards.
class CondVar {
 public:
  // Lets go of mutex until signalled (or spuriously) and holds it again on
  // return: callers wait in a loop over their condition.
  void Wait(Mutex& mutex) QALO_REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    condition_.wait(lock);
    lock.release();
  }
  void Signal() { condition_.notify_one(); }
  void SignalAll() { condition_.notify_all(); }

 private:
  std::condition_variable condition_;
};

}  // namespace qalo
