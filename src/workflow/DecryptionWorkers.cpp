#include "workflow/DecryptionWorkers.h"

#include <algorithm>
#include <cstring>

namespace qalo {
namespace {

constexpr std::int32_t kDecrypt = 0;

}  // namespace

DecryptionWorkers::DecryptionWorkers(Cipher& cipher, const std::uint8_t* key,
                                     Threads& threads) noexcept
    : cipher_(cipher), key_(key), threads_(threads) {}

void DecryptionWorkers::Start(std::size_t copyBytes) noexcept {
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
  std::lock_guard<std::mutex> lock(mutex_);
  slots_.push_back(Slot{piece, Outcome{}, false});
  Slot* slot = &slots_.back();
  for (const auto& worker : workers_) {
    if (worker->idle && !worker->job) {
      worker->job = slot;
      jobGiven_.notify_all();
      return;
    }
  }
  try {
    waiting_.push_back(slot);
  } catch (...) {
    slots_.pop_back();
    throw;
  }
}

bool DecryptionWorkers::DecryptWaiting(std::size_t leave) {
  std::unique_lock<std::mutex> lock(mutex_);
  return DecryptWaiting(leave, lock);
}

bool DecryptionWorkers::DecryptWaiting(std::size_t leave, std::unique_lock<std::mutex>& lock) {
  if (waiting_.size() <= leave) return false;
  Slot& slot = *waiting_.front();
  waiting_.pop_front();
  lock.unlock();
  const Outcome outcome = Decrypt(slot.piece, ownCopy_);
  lock.lock();
  slot.outcome = outcome;
  slot.done = true;
  return true;
}

std::optional<DecryptionWorkers::Outcome> DecryptionWorkers::TakeOldest(bool wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (wait && !slots_.empty() && !slots_.front().done) {
    // Nothing left to begin: the oldest is with a worker, which says when
    // it is done.
    if (!DecryptWaiting(0, lock)) jobDone_.wait(lock, [this] { return slots_.front().done; });
  }
  if (slots_.empty() || !slots_.front().done) return std::nullopt;
  const Outcome outcome = slots_.front().outcome;
  slots_.pop_front();
  return outcome;
}

void DecryptionWorkers::Stop() noexcept {
  started_ = true;  // for good
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  jobGiven_.notify_all();
  for (const auto& worker : workers_) worker->thread.join();
  workers_.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  waiting_.clear();
  slots_.clear();
}

void DecryptionWorkers::Work(Worker& worker) noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (!worker.job && !waiting_.empty()) {
      worker.job = waiting_.front();
      waiting_.pop_front();
    }
    if (!worker.job) {
      worker.idle = true;
      jobGiven_.wait(lock, [this, &worker] { return stopping_ || worker.job; });
      worker.idle = false;
    }
    if (stopping_) return;
    Slot& slot = *worker.job;
    lock.unlock();
    const Outcome outcome = Decrypt(slot.piece, worker.copy);
    lock.lock();
    slot.outcome = outcome;
    slot.done = true;
    worker.job = nullptr;
    jobDone_.notify_one();
  }
}

DecryptionWorkers::Outcome DecryptionWorkers::Decrypt(const Piece& piece,
                                                      std::vector<std::uint8_t>& copy) noexcept {
  try {
    if (copy.size() < piece.size) copy.resize(piece.size);
    std::memcpy(copy.data(), piece.data, piece.size);
    return {cipher_.TDEA_BytesMode(piece.data, copy.data(), static_cast<std::int32_t>(piece.size),
                                   key_, kDecrypt, "CBC", piece.iv.data()),
            false};
  } catch (...) {
    return {0, true};
  }
}

}  // namespace qalo
