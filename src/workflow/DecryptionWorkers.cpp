#include "workflow/DecryptionWorkers.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/CurrentThread.h"

namespace qalo {
namespace {


}  // namespace

DecryptionWorkers::DecryptionWorkers(Cipher& cipher, const std::uint8_t* key,
                                     Threads& threads) noexcept
    : cipher_(cipher), key_(key), threads_(threads), owner_(CurrentThreadId()) {}

void DecryptionWorkers::AssertOwner() const noexcept {
  assert(CurrentThreadId() == owner_ && "only the owner's thread may call this");
}

std::size_t DecryptionWorkers::Workers() const noexcept {
  AssertOwner();
  return workers_.size();
}

void DecryptionWorkers::Start(std::size_t copyBytes) noexcept {
  AssertOwner();
  if (started_) return;
  started_ = true;
  try {
    const unsigned cores = threads_.Cores();
    const unsigned wanted = std::min(cores > 1 ? cores - 1 : 0u, kMostWorkers);
    workers_.reserve(wanted);
    for (unsigned i = 0; i < wanted; ++i) {
      auto worker = std::make_unique<Worker>();
      worker->copy.resize(copyBytes);
      Worker& self = *worker;
      worker->thread = threads_.Start([this, &self] { Work(self); });
      if (worker->thread.joinable()) workers_.push_back(std::move(worker));  // reserved: no throw
    }
  } catch (...) {
    // Out of memory for a worker: those started and the owner's thread do
    // its share.
  }
}

void DecryptionWorkers::Add(const Piece& piece) {
  AssertOwner();
  {
    MutexLock lock(mutex_);
    slots_.push_back(Slot{piece, Outcome{}, false});
  }
  pieceAdded_.SignalAll();
}

bool DecryptionWorkers::DecryptWaiting(std::size_t leave) {
  AssertOwner();
  MutexLock lock(mutex_);
  return DecryptWaitingLocked(leave);
}

bool DecryptionWorkers::DecryptWaitingLocked(std::size_t leave) {
  if (slots_.size() - begun_ <= leave) return false;
  Slot& slot = slots_[begun_++];  // stays in place: only a done slot is taken out
  mutex_.Unlock();
  Outcome outcome = Decrypt(slot.piece, ownCopy_);
  mutex_.Lock();
  slot.outcome = std::move(outcome);
  slot.done = true;
  return true;
}

std::optional<DecryptionWorkers::Outcome> DecryptionWorkers::TakeOldest(bool wait) {
  AssertOwner();
  MutexLock lock(mutex_);
  while (wait && !slots_.empty() && !slots_.front().done) {
    // Nothing left to begin: the oldest is with a worker, which says when
    // it is done.
    if (!DecryptWaitingLocked(0)) pieceDone_.Wait();
  }
  if (slots_.empty() || !slots_.front().done) return std::nullopt;
  Outcome outcome = std::move(slots_.front().outcome);
  slots_.pop_front();
  --begun_;
  return outcome;
}

void DecryptionWorkers::Stop() noexcept {
  AssertOwner();
  started_ = true;  // for good
  {
    MutexLock lock(mutex_);
    stopping_ = true;
  }
  pieceAdded_.SignalAll();
  for (const auto& worker : workers_) worker->thread.join();
  workers_.clear();
  MutexLock lock(mutex_);
  slots_.clear();
  begun_ = 0;
}

void DecryptionWorkers::Work(Worker& worker) noexcept {
  MutexLock lock(mutex_);
  for (;;) {
    while (!stopping_ && begun_ == slots_.size()) pieceAdded_.Wait();
    if (stopping_) return;
    Slot& slot = slots_[begun_++];
    mutex_.Unlock();
    Outcome outcome = Decrypt(slot.piece, worker.copy);
    mutex_.Lock();
    slot.outcome = std::move(outcome);
    slot.done = true;
    pieceDone_.SignalAll();
  }
}

DecryptionWorkers::Outcome DecryptionWorkers::Decrypt(const Piece& piece,
                                                      std::vector<std::uint8_t>& copy) noexcept {
  try {
    if (copy.size() < piece.size) copy.resize(piece.size);
    std::memcpy(copy.data(), piece.data, piece.size);
    return {cipher_.TDEA_BytesMode(piece.data, copy.data(), static_cast<std::int32_t>(piece.size),
                                   key_, kTdeaDecrypt, "CBC", piece.iv.data()),
            nullptr};
  } catch (...) {
    return {0, std::current_exception()};
  }
}

}  // namespace qalo
