#include "editctl/UserEditTexts.h"

#include <algorithm>
#include <cctype>

namespace qalo::editctl {

const char kMinimumMessage[] = "Das Minimum für die Eingabe beträgt [Minimum]";
const char kMaximumMessage[] = "Das Maximum für die Eingabe beträgt [Maximum]";
const char kRangeMessage[] = "Gültige Eingaben liegen im Bereich von [Minimum] bis [Maximum]";

std::string ReplaceIgnoringCase(const std::string& text, const std::string& placeholder,
                                const std::string& replacement) {
  if (placeholder.empty()) return text;
  const auto sameLetter = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  std::string out;
  auto pos = text.begin();
  for (;;) {
    const auto hit = std::search(pos, text.end(), placeholder.begin(), placeholder.end(), sameLetter);
    out.append(pos, hit);
    if (hit == text.end()) return out;
    out += replacement;
    pos = hit + static_cast<std::ptrdiff_t>(placeholder.size());
  }
}

}  // namespace qalo::editctl
