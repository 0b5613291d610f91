#pragma once
// The password rule of the login data dialog: at least 8 characters (bytes)
// covering at least three of four character classes; the empty password is
// allowed (the retrieval then asks for it each time).
#include <string>

namespace qalo {

// The class a Windows-1252 character counts for; each character is in at
// most one class.
enum class PasswordCharClass { kNone, kDigit, kUpper, kLower, kSpecial };

// The first class, in the order digit, upper, lower, special, whose table
// holds c.
PasswordCharClass ClassOfPasswordChar(unsigned char c);

// True for the empty password and for one of at least 8 characters that
// covers at least 3 classes; false otherwise. Shows nothing.
bool CheckPasswordRule(const std::string& password);

// The modal error message shown when a new password breaks the rule: lines
// separated by a single CR, list lines indented by three spaces.
inline constexpr const char* kPasswordRuleTitle = "Fehler";
inline constexpr const char* kPasswordRuleMessage =
    "Das Passwort muss folgenden Anforderungen genügen:\r"
    "1. mindestens 8 Stellen\r"
    "2. mindestens drei der folgenden 4 Bedingungen:\r"
    "   - eine Zahl\r"
    "   - ein Großbuchstabe\r"
    "   - ein Kleinbuchstabe\r"
    "   - ein Sonderzeichen";

}  // namespace qalo
