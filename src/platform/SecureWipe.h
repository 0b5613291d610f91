#pragma once
// Overwrites secrets before their memory is given back; the volatile stores
// cannot be dropped by the optimiser as dead writes.
#include <cstddef>
#include <string>
#include <utility>

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

// target := the first maxLength characters of source, the old content wiped
// first, without a copy on the way: nothing goes back to the heap unwiped.
inline void AssignWiped(std::string& target, const std::string& source,
                        std::size_t maxLength = std::string::npos) {
  if (&target == &source) {
    if (target.size() > maxLength) target.resize(maxLength);
    return;
  }
  SecureWipe(target);
  target.assign(source, 0, maxLength);
}

// A secret text that is wiped when it goes out of scope.
struct WipedString {
  std::string text;
  explicit WipedString(std::string t) noexcept : text(std::move(t)) {}
  WipedString(const WipedString&) = delete;
  WipedString& operator=(const WipedString&) = delete;
  ~WipedString() { SecureWipe(text); }
};

}  // namespace qalo
