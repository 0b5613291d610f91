#pragma once
// The fuzzer's bytes as a few texts: fields separated by the byte 0x1F (unit
// separator), so that seeds stay readable; a missing field is empty.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qalo::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}

  // The next field; the last field runs to the end.
  std::string Next() {
    if (pos_ > bytes_.size()) return {};
    const std::size_t end = std::min(bytes_.find('\x1F', pos_), bytes_.size());
    std::string field = bytes_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return field;
  }

 private:
  std::string bytes_;
  std::size_t pos_ = 0;
};

// A failed property: reported like a crash, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

inline void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace qalo::fuzz
