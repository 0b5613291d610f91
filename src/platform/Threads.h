#pragma once
// Threads of the plug-in's own: the decryption's workers, started inside a
// call for work on memory and the cipher alone and joined before it
// returns; and the download's worker, which may outlive its call.
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace qalo {

// A thread that nobody joins. Destroying this lets it run on by itself.
class DetachedThread {
 public:
  virtual ~DetachedThread() = default;
  // Waits up to timeout for the thread to have ended; true when it has.
  virtual bool Ended(std::chrono::milliseconds timeout) = 0;
};

class Threads {
 public:
  virtual ~Threads() = default;
  // The cores the process may run on, at least 1.
  virtual unsigned Cores() = 0;
  // A thread running entry, which must not throw; the caller joins it. An
  // empty thread (not joinable) when none can be started.
  virtual std::thread Start(std::function<void()> entry) noexcept = 0;
  // A thread running entry, which must not throw, that nobody joins: it may
  // still run after the call that started it has returned, so it holds the
  // plug-in's code loaded (a module reference of its own) until entry has
  // returned, and entry owns whatever it touches. Null when none can be
  // started; entry is then dropped without being run.
  virtual std::unique_ptr<DetachedThread> StartDetached(std::function<void()> entry) noexcept = 0;
};

}  // namespace qalo
