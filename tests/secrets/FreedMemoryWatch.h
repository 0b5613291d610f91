#pragma once
// A look at what the heap gets back: this test program replaces the global
// operator new and delete, and while a watch is armed every block given back
// is searched for the watched texts before it is freed. A secret found there
// was released without being wiped.
#include <cstddef>
#include <initializer_list>
#include <string>

namespace qalo::test {

class FreedMemoryWatch {
 public:
  // Arms the watch for texts of static storage (literals): the watch itself
  // allocates nothing. One watch at a time.
  explicit FreedMemoryWatch(std::initializer_list<const char*> secrets);
  ~FreedMemoryWatch();  // disarms
  FreedMemoryWatch(const FreedMemoryWatch&) = delete;
  FreedMemoryWatch& operator=(const FreedMemoryWatch&) = delete;

  // Blocks freed with a watched text in them since the watch was armed.
  int Leaks() const;
  // The first such block's bytes (up to 120), for the failure message.
  std::string FirstLeak() const;
  void Disarm();
};

}  // namespace qalo::test
