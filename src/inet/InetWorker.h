#pragma once
// The worker thread of one download. It makes the calls that wait on the
// network (the send and each read), one at a time, so that the host's
// thread stays free to tell the host and to notice a cancel while they
// wait. The worker owns what its calls touch: a copy of the header text,
// its read buffer and a share of the internet seam. A call that the
// download stops waiting for (a cancel) runs on after the download has
// returned, and the thread ends when that call does.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Internet.h"
#include "platform/Threads.h"

namespace qalo {

class InetWorker {
 public:
  // What a call gave: its success, the worker's last error after a failure
  // and, for a read, the bytes read (in Data()).
  struct Outcome {
    bool ok = false;
    std::uint32_t error = 0;
    std::uint32_t read = 0;
  };

  // The thread starts with the first call. Where none can be had, each
  // call runs on the caller's thread instead, as a plain blocking call.
  InetWorker(std::shared_ptr<Internet> internet, Threads& threads);
  // A thread with no call under way is seen to its end (briefly, so that
  // it ends while the DLL is still the host's); one inside a call is let
  // go to end after it, by itself.
  ~InetWorker();
  InetWorker(const InetWorker&) = delete;
  InetWorker& operator=(const InetWorker&) = delete;

  // Start HttpSendRequest with the header text (copied, wiped after) and
  // InternetReadFile of one chunk. Only one call at a time: the one before
  // must have been waited for.
  void Send(InetHandle request, std::string_view headers);
  void Read(InetHandle request);

  // Waits up to timeout for the call started last. True when it has ended:
  // Result() and Data() then hold what it gave. What the call threw (out of
  // memory) is thrown here, on the caller's thread.
  bool Wait(std::chrono::milliseconds timeout);
  const Outcome& Result() const { return outcome_; }
  const std::uint8_t* Data() const;

  // Gives a call the download no longer waits for up to timeout to end.
  void Settle(std::chrono::milliseconds timeout);

 private:
  struct Shared;
  void Start();

  std::shared_ptr<Shared> shared_;
  Threads& threads_;
  bool threadTried_ = false;
  std::unique_ptr<DetachedThread> thread_;
  Outcome outcome_;
};

}  // namespace qalo
