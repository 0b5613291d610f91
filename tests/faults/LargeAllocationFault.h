#pragma once
// Out of memory on demand: this test program replaces the global operator
// new and delete, and while a fault is armed the n-th allocation of at least
// minSize bytes throws std::bad_alloc. The body's blocks and the
// decryption's block copy are such allocations; small ones never fail.
#include <cstddef>

namespace qalo::test {

class LargeAllocationFault {
 public:
  // failAt is 1-based; one fault armed at a time.
  LargeAllocationFault(std::size_t minSize, int failAt);
  ~LargeAllocationFault();  // disarms
  LargeAllocationFault(const LargeAllocationFault&) = delete;
  LargeAllocationFault& operator=(const LargeAllocationFault&) = delete;

  // Large allocations asked for since the fault was armed.
  int Seen() const;
};

}  // namespace qalo::test
