#include "editctl/FormatText.h"

#include <cctype>
#include <stdexcept>

namespace qalo::editctl {
namespace {

[[noreturn]] void Unfit(const std::string& format) {
  throw std::invalid_argument("Format '" + format + "' ung\xFCltig oder nicht kompatibel mit Argument");
}

// Reads a decimal number at pos; -1 when there is none.
int ReadNumber(const std::string& format, size_t& pos) {
  if (pos >= format.size() || !std::isdigit(static_cast<unsigned char>(format[pos]))) return -1;
  int n = 0;
  while (pos < format.size() && std::isdigit(static_cast<unsigned char>(format[pos]))) {
    n = n * 10 + (format[pos++] - '0');
    if (n > 0xFFFF) Unfit(format);
  }
  return n;
}

}  // namespace

std::string FormatText(const std::string& format, const std::string& value) {
  std::string out;
  bool argumentUsed = false;
  size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (pos < format.size() && format[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    int number = ReadNumber(format, pos);
    bool indexed = false;
    if (pos < format.size() && format[pos] == ':') {
      if (number != 0) Unfit(format);  // there is only argument 0
      indexed = true;
      ++pos;
      number = -1;
    }
    bool left = false;
    if (number < 0 && pos < format.size() && format[pos] == '-') {
      left = true;
      ++pos;
    }
    const int width = number >= 0 ? number : ReadNumber(format, pos);
    int precision = -1;
    if (pos < format.size() && format[pos] == '.') {
      ++pos;
      precision = ReadNumber(format, pos);
      if (precision < 0) Unfit(format);
    }
    if (pos >= format.size() || std::tolower(static_cast<unsigned char>(format[pos])) != 's') Unfit(format);
    ++pos;
    if (argumentUsed && !indexed) Unfit(format);
    argumentUsed = true;
    std::string shown = precision >= 0 ? value.substr(0, static_cast<size_t>(precision)) : value;
    if (width > static_cast<int>(shown.size())) {
      const std::string pad(static_cast<size_t>(width) - shown.size(), ' ');
      shown = left ? shown + pad : pad + shown;
    }
    out += shown;
  }
  return out;
}

}  // namespace qalo::editctl
