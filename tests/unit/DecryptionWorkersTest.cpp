#include "workflow/DecryptionWorkers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/FakeThreads.h"
#include "support/ResponseBytes.h"

namespace qalo {
namespace {

constexpr std::size_t kPiece = 64;
constexpr int kPieces = 12;
const std::uint8_t kZeroKey[24] = {};

// Inverts each byte; on any thread but the owner's it may be held at its
// start until released, and it may throw there instead.
class WorkersCipher : public Cipher {
 public:
  std::int32_t TDEA_BytesMode(std::uint8_t* out, const std::uint8_t* in, std::int32_t n,
                              const std::uint8_t*, std::int32_t, const char*,
                              const std::uint8_t*) override {
    std::unique_lock<std::mutex> lock(mutex_);
    const bool onWorker = std::this_thread::get_id() != owner_;
    threads.insert(std::this_thread::get_id());
    if (onWorker) {
      ++held;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !holding; });
      if (throwOnWorker) throw std::bad_alloc();
    }
    ++calls;
    lock.unlock();
    for (std::int32_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(~in[i]);
    return 0;
  }
  std::int32_t RNG_KeyHex(char*, std::int32_t, std::int32_t, const char*, std::int32_t) override {
    return -1;
  }

  // Waits (a second at most) until n calls on workers have begun.
  bool WaitForHeld(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(1), [&] { return held >= n; });
  }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      holding = false;
    }
    changed_.notify_all();
  }

  bool holding = false;
  bool throwOnWorker = false;
  int held = 0, calls = 0;
  std::set<std::thread::id> threads;

 private:
  const std::thread::id owner_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable changed_;
};

class DecryptionWorkersTest : public ::testing::Test {
 protected:
  DecryptionWorkers::Piece At(int i) {
    return {reinterpret_cast<std::uint8_t*>(data_.data()) + i * kPiece, kPiece, {}};
  }
  void AddAll(DecryptionWorkers& workers) {
    for (int i = 0; i < kPieces; ++i) workers.Add(At(i));
  }
  // Whether piece i is decrypted whole (true) or untouched (false); fails
  // for one half done.
  bool Decrypted(int i) {
    const std::string piece = data_.substr(i * kPiece, kPiece);
    const std::string original = plain_.substr(i * kPiece, kPiece);
    std::string inverted = original;
    for (char& c : inverted) c = static_cast<char>(~c);
    EXPECT_TRUE(piece == original || piece == inverted) << "piece " << i << " half done";
    return piece == inverted;
  }

  const std::string plain_ = test::Pattern(kPieces * kPiece);
  std::string data_ = plain_;
  WorkersCipher cipher_;
  test::FakeThreads threads_{4};
};

// Of three workers one cannot be started: the two others and the owner's
// thread do every piece, once, and the outcomes come out in order.
TEST_F(DecryptionWorkersTest, APartialStartLeavesTheShareOfTheMissingWorkerToTheOthers) {
  threads_.faults.Fail("Start", 2);
  DecryptionWorkers workers(cipher_, kZeroKey, threads_);
  workers.Start(kPiece);
  EXPECT_EQ(workers.Workers(), 2u);
  EXPECT_EQ(threads_.running, 2);
  AddAll(workers);
  for (int i = 0; i < kPieces; ++i) {
    const auto outcome = workers.TakeOldest(true);
    ASSERT_TRUE(outcome) << i;
    EXPECT_EQ(outcome->rc, 0) << i;
    EXPECT_FALSE(outcome->failure) << i;
  }
  EXPECT_FALSE(workers.TakeOldest(true));
  EXPECT_EQ(cipher_.calls, kPieces);
  for (int i = 0; i < kPieces; ++i) EXPECT_TRUE(Decrypted(i)) << i;
  workers.Stop();
  EXPECT_EQ(threads_.running, 0);
}

// Stopped while every worker is in the middle of a piece and more wait:
// each worker finishes its piece, whole, and ends; the waiting ones are
// forgotten, untouched.
TEST_F(DecryptionWorkersTest, AStopWithPiecesInFlightFinishesThemAndForgetsTheRest) {
  DecryptionWorkers workers(cipher_, kZeroKey, threads_);
  cipher_.holding = true;
  workers.Start(kPiece);
  ASSERT_EQ(workers.Workers(), 3u);
  AddAll(workers);
  ASSERT_TRUE(cipher_.WaitForHeld(3));
  cipher_.Release();
  workers.Stop();
  EXPECT_EQ(threads_.running, 0);
  EXPECT_EQ(workers.Workers(), 0u);
  EXPECT_FALSE(workers.TakeOldest(true)) << "queued pieces left after the stop";
  int decrypted = 0;
  for (int i = 0; i < kPieces; ++i) decrypted += Decrypted(i);
  EXPECT_EQ(decrypted, cipher_.calls);
  EXPECT_GE(decrypted, 3);
}

// After a stop nothing starts again: pieces added then are the owner's
// thread's, and they come out in order as before.
TEST_F(DecryptionWorkersTest, PiecesAddedAfterAStopAreDecryptedByTheOwner) {
  DecryptionWorkers workers(cipher_, kZeroKey, threads_);
  workers.Stop();
  workers.Start(kPiece);
  EXPECT_EQ(workers.Workers(), 0u);
  EXPECT_EQ(threads_.running, 0);
  AddAll(workers);
  EXPECT_FALSE(workers.TakeOldest(false)) << "nobody began the oldest";
  EXPECT_TRUE(workers.DecryptWaiting(kPieces - 1));
  EXPECT_FALSE(workers.DecryptWaiting(kPieces - 1));
  for (int i = 0; i < kPieces; ++i) ASSERT_TRUE(workers.TakeOldest(true)) << i;
  EXPECT_EQ(cipher_.threads, std::set<std::thread::id>{std::this_thread::get_id()});
  for (int i = 0; i < kPieces; ++i) EXPECT_TRUE(Decrypted(i)) << i;
}

// What a worker's cipher threw comes to the owner as it was thrown, out of
// memory as std::bad_alloc.
TEST_F(DecryptionWorkersTest, AWorkersExceptionComesToTheOwnerAsItWasThrown) {
  DecryptionWorkers workers(cipher_, kZeroKey, threads_);
  cipher_.holding = true;
  cipher_.throwOnWorker = true;
  threads_.cores = 2;
  workers.Start(kPiece);
  ASSERT_EQ(workers.Workers(), 1u);
  workers.Add(At(0));
  ASSERT_TRUE(cipher_.WaitForHeld(1));
  cipher_.Release();
  const auto outcome = workers.TakeOldest(true);
  ASSERT_TRUE(outcome);
  ASSERT_TRUE(outcome->failure);
  EXPECT_THROW(std::rethrow_exception(outcome->failure), std::bad_alloc);
  EXPECT_FALSE(Decrypted(0));
}

#ifndef NDEBUG
TEST_F(DecryptionWorkersTest, OnlyTheOwnersThreadMayCallIt) {
  DecryptionWorkers workers(cipher_, kZeroKey, threads_);
  EXPECT_DEATH(std::thread([&] { workers.Add(At(0)); }).join(),
               "only the owner's thread");
}
#endif

}  // namespace
}  // namespace qalo
