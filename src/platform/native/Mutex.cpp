#include "platform/Mutex.h"

#include <condition_variable>
#include <mutex>

namespace qalo {

struct Mutex::Impl {
  std::mutex mutex;
};

struct CondVar::Impl {
  std::condition_variable condition;
};

Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { impl_->mutex.lock(); }
void Mutex::Unlock() { impl_->mutex.unlock(); }

CondVar::CondVar(Mutex& mutex) : mutex_(mutex), impl_(std::make_unique<Impl>()) {}
CondVar::~CondVar() = default;
// The caller holds the mutex, before and after: the lock only borrows it.
void CondVar::Wait() {
  std::unique_lock<std::mutex> lock(mutex_.impl_->mutex, std::adopt_lock);
  impl_->condition.wait(lock);
  lock.release();
}
bool CondVar::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_.impl_->mutex, std::adopt_lock);
  const bool woken = impl_->condition.wait_for(lock, timeout) == std::cv_status::no_timeout;
  lock.release();
  return woken;
}
void CondVar::SignalAll() { impl_->condition.notify_all(); }

}  // namespace qalo
