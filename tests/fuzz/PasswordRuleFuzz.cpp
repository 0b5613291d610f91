// The password rule. Input: the password.
#include "dialogs/PasswordRule.h"
#include "fuzz/FuzzInput.h"

#include <set>

using namespace qalo;
using qalo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string password(reinterpret_cast<const char*>(data), size);

  std::set<PasswordCharClass> classes;
  for (unsigned char c : password) {
    const PasswordCharClass cls = ClassOfPasswordChar(c);
    if (c >= '0' && c <= '9') Check(cls == PasswordCharClass::kDigit, "0-9 are digits");
    if (c >= 'A' && c <= 'Z') Check(cls == PasswordCharClass::kUpper, "A-Z are upper case");
    if (c >= 'a' && c <= 'z') Check(cls == PasswordCharClass::kLower, "a-z are lower case");
    if (c < 0x20) Check(cls == PasswordCharClass::kNone, "control characters count for nothing");
    if (cls != PasswordCharClass::kNone) classes.insert(cls);
  }
  const bool expected = password.empty() || (password.size() >= 8 && classes.size() >= 3);
  Check(CheckPasswordRule(password) == expected, "8 characters from three of four classes, or empty");
  return 0;
}
