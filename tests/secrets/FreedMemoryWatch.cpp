#include "secrets/FreedMemoryWatch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "allocator/ReplacedOperators.h"

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

}  // namespace

void* ProgramAllocate(std::size_t size) noexcept {
  char* base = static_cast<char*>(std::malloc(size + kHeader));
  if (!base) return nullptr;
  std::memcpy(base, &size, sizeof size);
  return base + kHeader;
}

void ProgramRelease(void* block) noexcept {
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
