#pragma once
// Threads of the plug-in's own. They are started only inside a call, for
// work on memory and the cipher alone, and joined before the call returns.
#include <functional>
#include <thread>

namespace qalo {

class Threads {
 public:
  virtual ~Threads() = default;
  // The cores the process may run on, at least 1.
  virtual unsigned Cores() = 0;
  // A thread running entry, which must not throw; the caller joins it. An
  // empty thread (not joinable) when none can be started.
  virtual std::thread Start(std::function<void()> entry) noexcept = 0;
};

}  // namespace qalo
