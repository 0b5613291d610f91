#include "platform/SystemThreads.h"

#include <algorithm>
#include <utility>

namespace qalo {

unsigned SystemThreads::Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

std::thread SystemThreads::Start(std::function<void()> entry) noexcept {
  try {
    return std::thread(std::move(entry));
  } catch (...) {
    // std::system_error: the system has no thread to give.
    return std::thread();
  }
}

}  // namespace qalo
