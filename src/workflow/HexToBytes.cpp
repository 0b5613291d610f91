#include "workflow/HexToBytes.h"

#include <stdexcept>

#include "platform/SecureWipe.h"

namespace qalo {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

const char kIvText[] = "5830261947316084";

KeyBytes::~KeyBytes() { SecureWipe(bytes_.data(), bytes_.size()); }

bool IsConvertibleHex(const std::string& text) {
  if (text.size() > 2 * KeyBytes::kSize) return false;
  for (char c : text)
    if (DigitValue(c) < 0) return false;
  return true;
}

KeyBytes HexToBytes(const std::string& text) {
  if (!IsConvertibleHex(text)) throw std::invalid_argument("not a hexadecimal text of 24 bytes");
  KeyBytes bytes;
  // An odd length reads as if a "0" stood in front: the first digit alone
  // makes byte 0.
  const std::size_t odd = text.size() % 2;
  for (std::size_t i = 0; i < (text.size() + odd) / 2; ++i) {
    const int high = (odd && i == 0) ? 0 : DigitValue(text[2 * i - odd]);
    const int low = DigitValue(text[2 * i + 1 - odd]);
    bytes[i] = static_cast<std::uint8_t>(16 * high + low);
  }
  return bytes;
}

std::optional<KeyBytes> ConvertKey(const std::string& userKey) {
  std::string lower = userKey;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  std::optional<KeyBytes> key;
  if (IsConvertibleHex(lower)) key = HexToBytes(lower);
  SecureWipe(lower);
  return key;
}

}  // namespace qalo
