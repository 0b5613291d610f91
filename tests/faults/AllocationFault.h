#pragma once
// Out of memory on demand: this test program replaces the global operator
// new and delete, and while a fault is armed the n-th allocation of at least
// minSize bytes throws std::bad_alloc. With the size of a block, the body's
// blocks and the decryption's block copy fail; with 0, any allocation.
#include <cstddef>

namespace qalo::test {

class AllocationFault {
 public:
  // failAt is 1-based; one fault armed at a time.
  AllocationFault(std::size_t minSize, int failAt);
  ~AllocationFault();  // disarms
  AllocationFault(const AllocationFault&) = delete;
  AllocationFault& operator=(const AllocationFault&) = delete;

  // Large allocations asked for since the fault was armed.
  int Seen() const;
};

}  // namespace qalo::test
