#include "allocator/ReplacedOperators.h"

#include <new>

void* operator new(std::size_t size) {
  if (void* block = qalo::test::ProgramAllocate(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return qalo::test::ProgramAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return qalo::test::ProgramAllocate(size);
}
void operator delete(void* block) noexcept { qalo::test::ProgramRelease(block); }
void operator delete[](void* block) noexcept { qalo::test::ProgramRelease(block); }
void operator delete(void* block, std::size_t) noexcept { qalo::test::ProgramRelease(block); }
void operator delete[](void* block, std::size_t) noexcept { qalo::test::ProgramRelease(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { qalo::test::ProgramRelease(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { qalo::test::ProgramRelease(block); }
