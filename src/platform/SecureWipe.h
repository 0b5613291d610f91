#pragma once
// Overwrites secrets before their memory is given back; the volatile stores
// cannot be dropped by the optimiser as dead writes.
#include <cstddef>
#include <string>

namespace qalo {

inline void SecureWipe(void* data, std::size_t n) noexcept {
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  while (n--) *p++ = 0;
}

// Zeroes every byte the string holds, its spare capacity included, and
// leaves it empty.
inline void SecureWipe(std::string& text) noexcept {
  text.resize(text.capacity());
  SecureWipe(text.data(), text.size());
  text.clear();
}

}  // namespace qalo
