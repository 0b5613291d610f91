#pragma once
// The global operator new and delete of a test program that watches its
// heap, routed to the two functions below. A program that links
// ReplacedOperators.cpp defines them once; no other program may link it.
#include <cstddef>

namespace qalo::test {

// A block of size bytes, or null when the program refuses it (operator new
// then throws std::bad_alloc; the nothrow forms return null).
void* ProgramAllocate(std::size_t size) noexcept;
// Gives back a block from ProgramAllocate; null is ignored.
void ProgramRelease(void* block) noexcept;

}  // namespace qalo::test
