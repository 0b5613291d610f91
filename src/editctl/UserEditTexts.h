#pragma once
// The texts of the validated text fields' check messages (Windows-1252).
#include <string>

namespace qalo::editctl {

extern const char kMinimumMessage[];  // with the placeholder "[Minimum]"
extern const char kMaximumMessage[];  // with the placeholder "[Maximum]"
extern const char kRangeMessage[];    // with both placeholders

// Replaces every occurrence of placeholder in text, found without regard to
// case (ASCII letters), by replacement.
std::string ReplaceIgnoringCase(const std::string& text, const std::string& placeholder,
                                const std::string& replacement);

}  // namespace qalo::editctl
