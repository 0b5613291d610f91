#include "faults/LargeAllocationFault.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace qalo::test {
namespace {

std::atomic<bool> armed{false};
std::size_t threshold = 0;
int failingAllocation = 0;
std::atomic<int> seen{0};

void* Allocate(std::size_t size) noexcept {
  if (armed && size >= threshold && ++seen == failingAllocation) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

LargeAllocationFault::LargeAllocationFault(std::size_t minSize, int failAt) {
  threshold = minSize;
  failingAllocation = failAt;
  seen = 0;
  armed = true;
}

LargeAllocationFault::~LargeAllocationFault() { armed = false; }

int LargeAllocationFault::Seen() const { return seen; }

}  // namespace qalo::test

void* operator new(std::size_t size) {
  if (void* block = qalo::test::Allocate(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return qalo::test::Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return qalo::test::Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
