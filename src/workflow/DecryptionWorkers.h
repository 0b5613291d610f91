#pragma once
// The other cores' share of the depot data's decryption. CBC decryption of
// a piece of the data needs nothing of what comes before it but its last
// ciphertext block, the IV; so each piece, handed over with its IV, is
// decrypted in place by whichever thread is free: a worker, or the owner's
// thread (the one that hands pieces in, in order, and takes the outcomes
// out in the same order). Workers touch nothing but the cipher and their
// pieces.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Cipher.h"
#include "platform/Mutex.h"
#include "platform/Threads.h"

namespace qalo {

class DecryptionWorkers {
 public:
  // Bytes decrypted in place, and the ciphertext block before them (or the
  // message's IV for the first piece).
  struct Piece {
    std::uint8_t* data;
    std::size_t size;
    std::array<std::uint8_t, kTdeaBlock> iv;
  };
  // The cipher's number for a piece, or what it threw (no memory for the
  // piece's copy included), to be thrown again on the owner's thread.
  struct Outcome {
    std::int32_t rc = 0;
    std::exception_ptr failure;
  };

  static constexpr unsigned kMostWorkers = 3;

  // cipher, key (24 bytes) and threads outlive the object; nothing starts
  // here. The thread that makes the object is its owner, the only one that
  // may call it.
  DecryptionWorkers(Cipher& cipher, const std::uint8_t* key, Threads& threads) noexcept;
  DecryptionWorkers(const DecryptionWorkers&) = delete;
  DecryptionWorkers& operator=(const DecryptionWorkers&) = delete;
  ~DecryptionWorkers() { Stop(); }

  // Starts the workers, once: one fewer than the cores, at most
  // kMostWorkers, each with a copy buffer of copyBytes (a larger piece
  // costs it an allocation). One that cannot be started (no thread, no
  // memory) is left out: with none, the owner's thread decrypts every piece.
  void Start(std::size_t copyBytes) noexcept;

  // Queues a piece; its bytes must stay until its outcome is taken out or
  // Stop has returned. Throws std::bad_alloc, queueing nothing.
  void Add(const Piece& piece) QALO_EXCLUDES(mutex_);

  // Decrypts the oldest piece that no thread has begun, on the calling
  // thread, unless no more than `leave` are waiting; false when it did not.
  bool DecryptWaiting(std::size_t leave) QALO_EXCLUDES(mutex_);

  // Takes out the oldest piece's outcome; nullopt when nothing is queued
  // or, unless wait, while that piece is not done. While it waits, the
  // calling thread decrypts the pieces that no thread has begun.
  std::optional<Outcome> TakeOldest(bool wait) QALO_EXCLUDES(mutex_);

  // The workers started (and not stopped).
  std::size_t Workers() const noexcept;

  // Ends the workers, each after the piece it is on, joins them and
  // forgets every queued piece. Pieces queued later are left to the
  // owner's thread.
  void Stop() noexcept QALO_EXCLUDES(mutex_);

 private:
  struct Slot {
    Piece piece;
    Outcome outcome;
    bool done = false;
  };
  struct Worker {
    std::vector<std::uint8_t> copy;  // the piece's ciphertext: the cipher's input
    std::thread thread;
  };

  void Work(Worker& worker) noexcept QALO_EXCLUDES(mutex_);
  // The piece decrypted from a copy of itself into its place.
  Outcome Decrypt(const Piece& piece, std::vector<std::uint8_t>& copy) noexcept;
  // DecryptWaiting with the lock held (let go of while decrypting).
  bool DecryptWaitingLocked(std::size_t leave) QALO_REQUIRES(mutex_);
  // The owner's thread alone calls what is not for the workers.
  void AssertOwner() const noexcept;

  Cipher& cipher_;
  const std::uint8_t* key_;
  Threads& threads_;
  const std::uintptr_t owner_;
  // The owner's thread's alone.
  bool started_ = false;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<std::uint8_t> ownCopy_;  // made when first needed

  // The one queue: the pieces queued and not taken out, oldest first; the
  // first `begun_` of them some thread has begun (or done), the rest wait.
  Mutex mutex_;
  CondVar pieceAdded_{mutex_};  // for the workers
  CondVar pieceDone_{mutex_};   // for the owner
  std::deque<Slot> slots_ QALO_GUARDED_BY(mutex_);
  std::size_t begun_ QALO_GUARDED_BY(mutex_) = 0;
  bool stopping_ QALO_GUARDED_BY(mutex_) = false;
};

}  // namespace qalo
