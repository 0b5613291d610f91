#pragma once
// The system's threads (std::thread: winpthreads in the DLL, pthreads
// natively) and its count of cores. A detached thread keeps the DLL loaded
// while it runs (win32/DetachedThread.cpp); natively it is a detached
// std::thread (native/DetachedThread.cpp).
#include "platform/Threads.h"

namespace qalo {

class SystemThreads : public Threads {
 public:
  unsigned Cores() override;
  std::thread Start(std::function<void()> entry) noexcept override;
  std::unique_ptr<DetachedThread> StartDetached(std::function<void()> entry) noexcept override;
};

}  // namespace qalo
