#pragma once
// Response bodies for tests: a byte pattern that differs at every offset
// within a block, and the whole content of a block buffer as one string.
#include <cstddef>
#include <string>

#include "workflow/ResponseBuffer.h"

namespace qalo::test {

inline std::string Pattern(std::size_t n, unsigned seed = 1) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7) % 251);
  return s;
}

inline std::string Gather(const ResponseBuffer& buffer) {
  std::string all;
  for (std::size_t i = 0; i < buffer.BlockCount(); ++i)
    all.append(reinterpret_cast<const char*>(buffer.BlockAt(i).data), buffer.BlockAt(i).size);
  return all;
}

}  // namespace qalo::test
