#include "secrets/FreedMemoryWatch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace qalo::test {
namespace {

// Each block carries its size in front, so an unsized delete knows it.
constexpr std::size_t kHeader = alignof(std::max_align_t);
constexpr int kMaxSecrets = 8;
constexpr std::size_t kSampleSize = 120;

std::atomic<bool> armed{false};
const char* secrets[kMaxSecrets];
std::size_t secretLengths[kMaxSecrets];
int secretCount = 0;
std::atomic<int> leaks{0};
char firstLeak[kSampleSize];
std::size_t firstLeakSize = 0;

bool HoldsSecret(const char* block, std::size_t size) {
  for (int i = 0; i < secretCount; ++i) {
    const std::size_t n = secretLengths[i];
    for (std::size_t at = 0; n <= size && at <= size - n; ++at)
      if (std::memcmp(block + at, secrets[i], n) == 0) return true;
  }
  return false;
}

void* Allocate(std::size_t size) noexcept {
  char* base = static_cast<char*>(std::malloc(size + kHeader));
  if (!base) return nullptr;
  std::memcpy(base, &size, sizeof size);
  return base + kHeader;
}

void Release(void* block) noexcept {
  if (!block) return;
  char* base = static_cast<char*>(block) - kHeader;
  std::size_t size = 0;
  std::memcpy(&size, base, sizeof size);
  if (armed && HoldsSecret(static_cast<const char*>(block), size) && leaks++ == 0) {
    firstLeakSize = size < kSampleSize ? size : kSampleSize;
    std::memcpy(firstLeak, block, firstLeakSize);
  }
  std::free(base);
}

}  // namespace

FreedMemoryWatch::FreedMemoryWatch(std::initializer_list<const char*> watched) {
  secretCount = 0;
  for (const char* secret : watched) {
    if (secretCount == kMaxSecrets) break;
    secrets[secretCount] = secret;
    secretLengths[secretCount++] = std::strlen(secret);
  }
  leaks = 0;
  firstLeakSize = 0;
  armed = true;
}

FreedMemoryWatch::~FreedMemoryWatch() { Disarm(); }

void FreedMemoryWatch::Disarm() { armed = false; }

int FreedMemoryWatch::Leaks() const { return leaks; }

std::string FreedMemoryWatch::FirstLeak() const { return std::string(firstLeak, firstLeakSize); }

}  // namespace qalo::test

void* operator new(std::size_t size) {
  if (void* block = qalo::test::Allocate(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return qalo::test::Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return qalo::test::Allocate(size); }
void operator delete(void* block) noexcept { qalo::test::Release(block); }
void operator delete[](void* block) noexcept { qalo::test::Release(block); }
void operator delete(void* block, std::size_t) noexcept { qalo::test::Release(block); }
void operator delete[](void* block, std::size_t) noexcept { qalo::test::Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { qalo::test::Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { qalo::test::Release(block); }
