#include "inet/InetWorker.h"

#include <exception>
#include <string>
#include <utility>

#include "inet/ImpApiINet.h"
#include "platform/Mutex.h"
#include "platform/SecureWipe.h"

namespace qalo {

// Lives as long as the download or its thread, whichever is longer. The
// call's inputs (kind, request, headers) are written by the download only
// while no call is under way, its outputs by the thread only while one is:
// state, under the mutex, hands them over.
struct InetWorker::Shared {
  enum class Kind { Send, Read };
  enum class State { Idle, Pending, Running, Done };

  explicit Shared(std::shared_ptr<Internet> internetShare)
      : internet(std::move(internetShare)),
        buffer(std::make_unique<std::uint8_t[]>(inet::kChunkSize)) {}
  ~Shared() { SecureWipe(headers); }

  // The call itself, on whichever thread makes it.
  Outcome Perform() {
    Outcome outcome;
    if (kind == Kind::Send) {
      outcome.ok = internet->SendRequest(request, headers.empty() ? nullptr : headers.data(),
                                         static_cast<std::uint32_t>(headers.size()));
    } else {
      outcome.ok = internet->Read(request, buffer.get(), inet::kChunkSize, outcome.read);
    }
    if (!outcome.ok) outcome.error = internet->LastError();
    return outcome;
  }

  // The thread: one call after the other until the download lets it go.
  void Serve() noexcept {
    MutexLock lock(mutex);
    for (;;) {
      changed.Wait([this] { return state == State::Pending || letGo; });
      if (state != State::Pending) return;
      state = State::Running;
      mutex.Unlock();
      Outcome result;
      std::exception_ptr thrown;
      try {
        result = Perform();
      } catch (...) {
        thrown = std::current_exception();
      }
      mutex.Lock();
      outcome = result;
      failure = thrown;
      state = State::Done;
      changed.SignalAll();
    }
  }

  std::shared_ptr<Internet> internet;
  std::unique_ptr<std::uint8_t[]> buffer;
  Kind kind = Kind::Read;
  InetHandle request = nullptr;
  std::string headers;

  Mutex mutex;
  CondVar changed{mutex};
  State state = State::Idle;
  bool letGo = false;
  Outcome outcome;
  std::exception_ptr failure;
};

InetWorker::InetWorker(std::shared_ptr<Internet> internet, Threads& threads)
    : shared_(std::make_shared<Shared>(std::move(internet))), threads_(threads) {}

InetWorker::~InetWorker() {
  bool idle;
  {
    MutexLock lock(shared_->mutex);
    shared_->letGo = true;
    shared_->changed.SignalAll();
    idle = shared_->state != Shared::State::Pending && shared_->state != Shared::State::Running;
  }
  if (thread_ && idle) thread_->Ended(std::chrono::seconds(1));
}

void InetWorker::Send(InetHandle request, std::string_view headers) {
  // Into wiped storage: a copy of the secrets is never freed unwiped.
  SecureWipe(shared_->headers);
  shared_->headers.assign(headers.data(), headers.size());
  shared_->kind = Shared::Kind::Send;
  shared_->request = request;
  Start();
}

void InetWorker::Read(InetHandle request) {
  shared_->kind = Shared::Kind::Read;
  shared_->request = request;
  Start();
}

const std::uint8_t* InetWorker::Data() const { return shared_->buffer.get(); }

void InetWorker::Start() {
  if (!threadTried_) {
    threadTried_ = true;
    thread_ = threads_.StartDetached([shared = shared_] { shared->Serve(); });
  }
  MutexLock lock(shared_->mutex);
  shared_->state = Shared::State::Pending;
  shared_->changed.SignalAll();
}

bool InetWorker::Wait(std::chrono::milliseconds timeout) {
  if (!thread_) {
    // No worker: the call is made here, and has ended when it returns.
    shared_->state = Shared::State::Idle;
    outcome_ = shared_->Perform();
    return true;
  }
  std::exception_ptr thrown;
  {
    MutexLock lock(shared_->mutex);
    if (!shared_->changed.WaitFor(timeout, [this] { return shared_->state == Shared::State::Done; }))
      return false;
    shared_->state = Shared::State::Idle;
    outcome_ = shared_->outcome;
    thrown = std::exchange(shared_->failure, nullptr);
  }
  if (thrown) std::rethrow_exception(thrown);
  return true;
}

void InetWorker::Settle(std::chrono::milliseconds timeout) {
  if (!thread_) return;
  MutexLock lock(shared_->mutex);
  shared_->changed.WaitFor(timeout, [this] {
    return shared_->state == Shared::State::Done || shared_->state == Shared::State::Idle;
  });
}

}  // namespace qalo
