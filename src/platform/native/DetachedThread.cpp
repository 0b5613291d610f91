#include <condition_variable>
#include <mutex>
#include <utility>

#include "platform/SystemThreads.h"

namespace qalo {
namespace {

// A detached std::thread that says when its entry has returned.
class NativeDetachedThread final : public DetachedThread {
 public:
  struct End {
    std::mutex mutex;
    std::condition_variable reached;
    bool ended = false;
  };

  explicit NativeDetachedThread(std::shared_ptr<End> end) : end_(std::move(end)) {}

  bool Ended(std::chrono::milliseconds timeout) override {
    std::unique_lock<std::mutex> lock(end_->mutex);
    return end_->reached.wait_for(lock, timeout, [this] { return end_->ended; });
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
      std::lock_guard<std::mutex> lock(end->mutex);
      end->ended = true;
      end->reached.notify_all();
    }).detach();
    return thread;
  } catch (...) {
    return nullptr;  // no memory, or no thread to be had
  }
}

}  // namespace qalo
