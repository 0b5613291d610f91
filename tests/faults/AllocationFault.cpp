#include "faults/AllocationFault.h"

#include <atomic>
#include <cstdlib>

#include "allocator/ReplacedOperators.h"

namespace qalo::test {
namespace {

std::atomic<bool> armed{false};
std::size_t threshold = 0;
int failingAllocation = 0;
std::atomic<int> seen{0};

}  // namespace

void* ProgramAllocate(std::size_t size) noexcept {
  if (armed && size >= threshold && ++seen == failingAllocation) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void ProgramRelease(void* block) noexcept { std::free(block); }

AllocationFault::AllocationFault(std::size_t minSize, int failAt) {
  threshold = minSize;
  failingAllocation = failAt;
  seen = 0;
  armed = true;
}

AllocationFault::~AllocationFault() { armed = false; }

int AllocationFault::Seen() const { return seen; }

}  // namespace qalo::test
