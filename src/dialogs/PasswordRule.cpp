#include "dialogs/PasswordRule.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qalo {
namespace {

// A set of character codes: bit (c % 32) of word (c / 32).
using CharTable = std::array<std::uint32_t, 8>;

// "0".."9"
constexpr CharTable kDigits = {0x00000000, 0x03FF0000, 0x00000000, 0x00000000,
                               0x00000000, 0x00000000, 0x00000000, 0x00000000};
// "A".."Z", Ä Ö Ü
constexpr CharTable kUpper = {0x00000000, 0x00000000, 0x07FFFFFE, 0x00000000,
                              0x00000000, 0x00000000, 0x10400010, 0x00000000};
// "a".."z", ß ä ö ü
constexpr CharTable kLower = {0x00000000, 0x00000000, 0x00000000, 0x07FFFFFE,
                              0x00000000, 0x00000000, 0x80000000, 0x10400010};
// ! # $ & ( ) * + , - . / : ; < > ? @ [ ] _ { } ~ §
constexpr CharTable kSpecial = {0x00000000, 0xDC00FF5A, 0xA8000001, 0x68000000,
                                0x00000000, 0x00000080, 0x00000000, 0x00000000};

constexpr bool Holds(const CharTable& table, unsigned char c) {
  return (table[c / 32] >> (c % 32)) & 1u;
}

constexpr std::size_t kMinimumLength = 8;
constexpr int kClassesRequired = 3;

}  // namespace

PasswordCharClass ClassOfPasswordChar(unsigned char c) {
  if (Holds(kDigits, c)) return PasswordCharClass::kDigit;
  if (Holds(kUpper, c)) return PasswordCharClass::kUpper;
  if (Holds(kLower, c)) return PasswordCharClass::kLower;
  if (Holds(kSpecial, c)) return PasswordCharClass::kSpecial;
  return PasswordCharClass::kNone;
}

bool CheckPasswordRule(const std::string& password) {
  if (password.empty()) return true;
  if (password.size() < kMinimumLength) return false;
  // Indexed by PasswordCharClass; kNone (0) counts for nothing.
  std::array<bool, 5> marked{};
  for (const char c : password)
    marked[static_cast<std::size_t>(ClassOfPasswordChar(static_cast<unsigned char>(c)))] = true;
  return std::count(marked.begin() + 1, marked.end(), true) >= kClassesRequired;
}

}  // namespace qalo
