#pragma once
// The system's threads (std::thread: winpthreads in the DLL, pthreads
// natively) and its count of cores.
#include "platform/Threads.h"

namespace qalo {

class SystemThreads : public Threads {
 public:
  unsigned Cores() override;
  std::thread Start(std::function<void()> entry) noexcept override;
};

}  // namespace qalo
