#include "platform/Mutex.h"

#include <windows.h>

namespace qalo {

struct Mutex::Impl {
  SRWLOCK lock = SRWLOCK_INIT;
};

struct CondVar::Impl {
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { AcquireSRWLockExclusive(&impl_->lock); }
void Mutex::Unlock() { ReleaseSRWLockExclusive(&impl_->lock); }

CondVar::CondVar(Mutex& mutex) : mutex_(mutex), impl_(std::make_unique<Impl>()) {}
CondVar::~CondVar() = default;
void CondVar::Wait() { SleepConditionVariableSRW(&impl_->condition, &mutex_.impl_->lock, INFINITE, 0); }
bool CondVar::WaitFor(std::chrono::milliseconds timeout) {
  return SleepConditionVariableSRW(&impl_->condition, &mutex_.impl_->lock,
                                   static_cast<DWORD>(timeout.count()), 0) != FALSE;
}
void CondVar::SignalAll() { WakeAllConditionVariable(&impl_->condition); }

}  // namespace qalo
