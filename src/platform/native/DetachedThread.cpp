#include <utility>

#include "platform/Mutex.h"
#include "platform/SystemThreads.h"

namespace qalo {
namespace {

// A detached std::thread that says when its entry has returned.
class NativeDetachedThread final : public DetachedThread {
 public:
  struct End {
    Mutex mutex;
    CondVar reached{mutex};
    bool ended = false;  // under mutex
  };

  explicit NativeDetachedThread(std::shared_ptr<End> end) : end_(std::move(end)) {}

  bool Ended(std::chrono::milliseconds timeout) override {
    MutexLock lock(end_->mutex);
    return end_->reached.WaitFor(timeout, [this] { return end_->ended; });
  }

 private:
  std::shared_ptr<End> end_;
};

}  // namespace

std::unique_ptr<DetachedThread> SystemThreads::StartDetached(std::function<void()> entry) noexcept {
  try {
    auto end = std::make_shared<NativeDetachedThread::End>();
    auto thread = std::make_unique<NativeDetachedThread>(end);
    std::thread([end, entry = std::move(entry)]() mutable {
      entry();
      entry = nullptr;
      MutexLock lock(end->mutex);
      end->ended = true;
      end->reached.SignalAll();
    }).detach();
    return thread;
  } catch (...) {
    return nullptr;  // no memory, or no thread to be had
  }
}

}  // namespace qalo
