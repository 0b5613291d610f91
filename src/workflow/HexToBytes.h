#pragma once
// Key and initialisation vector from hexadecimal text.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qalo {

// 24 bytes, the three DES keys K1, K2, K3; wiped when it goes away.
class KeyBytes {
 public:
  static constexpr std::size_t kSize = 24;
  KeyBytes() = default;
  KeyBytes(const KeyBytes&) = default;
  KeyBytes& operator=(const KeyBytes&) = default;
  ~KeyBytes();

  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::uint8_t& operator[](std::size_t i) { return bytes_[i]; }
  std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }
  bool operator==(const KeyBytes& other) const { return bytes_ == other.bytes_; }

 private:
  std::array<std::uint8_t, kSize> bytes_{};
};

// The fixed initialisation vector text; its first 8 bytes are the IV.
extern const char kIvText[];

// True when text fits the 24 bytes (at most 48 characters) and holds only
// the digits 0-9 and the lower-case letters a-f.
bool IsConvertibleHex(const std::string& text);

// The bytes of text, read in pairs of digits after a "0" is put in front of
// an odd-length text; bytes beyond the text stay 0. Throws
// std::invalid_argument for text that IsConvertibleHex refuses.
KeyBytes HexToBytes(const std::string& text);

// UserKey lower-cased (ASCII letters only) and converted; nullopt when it
// cannot be converted. The lower-cased copy is wiped.
std::optional<KeyBytes> ConvertKey(const std::string& userKey);

}  // namespace qalo
