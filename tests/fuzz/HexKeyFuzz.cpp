// The key check and the hexadecimal conversion. Input: the key text.
#include "fuzz/FuzzInput.h"
#include "workflow/HexToBytes.h"

#include <stdexcept>

using namespace qalo;
using qalo::fuzz::Check;

namespace {

bool LowerHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string ToHex(const KeyBytes& key) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < KeyBytes::kSize; ++i) {
    hex += kDigits[key[i] >> 4];
    hex += kDigits[key[i] & 0xF];
  }
  return hex;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  bool fits = text.size() <= 2 * KeyBytes::kSize;
  for (char c : text) fits = fits && LowerHexDigit(c);
  Check(IsConvertibleHex(text) == fits, "convertible: at most 48 lower-case hex digits");

  if (fits) {
    // An odd-length text reads with a "0" in front; the bytes beyond it stay 0.
    const std::string padded = (text.size() % 2 ? "0" : "") + text;
    const std::string hex = ToHex(HexToBytes(text));
    Check(hex.compare(0, padded.size(), padded) == 0, "the bytes are the digits, pair by pair");
    Check(hex.find_first_not_of('0', padded.size()) == std::string::npos, "the rest is zero");
  } else {
    bool refused = false;
    try {
      HexToBytes(text);
    } catch (const std::invalid_argument&) {
      refused = true;
    }
    Check(refused, "a text that does not fit is refused");
  }

  const auto key = ConvertKey(text);
  const std::string lower = AsciiLower(text);
  Check(key.has_value() == IsConvertibleHex(lower), "UserKey converts in any letter case");
  if (key) Check(*key == HexToBytes(lower), "and gives the lower-case text's bytes");
  return 0;
}
