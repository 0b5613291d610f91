#include "workflow/SettingsText.h"

#include <algorithm>

#include "platform/SecureWipe.h"

namespace qalo {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// The first line that names `name`, or lines.end().
template <typename Lines>
auto FindSetting(Lines& lines, const std::string& name) {
  return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
    const auto eq = line.find('=');
    return eq != std::string::npos && SameName(line.substr(0, eq), name);
  });
}

}  // namespace

// The settings hold the password and the key, so the functions below make no
// temporary copies of a line, wipe a line before they replace or remove it,
// and reserve what they build whole: a line's text goes back to the heap only
// wiped.

SettingsLines SplitSettings(const std::string& text) {
  SettingsLines lines;
  lines.reserve(static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
                  return c == '\r' || c == '\n';
                })) + 1);
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.push_back(text.substr(start, i - start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string ReadSetting(const SettingsLines& lines, const std::string& name) {
  const auto it = FindSetting(lines, name);
  return it == lines.end() ? std::string() : it->substr(it->find('=') + 1);
}

void WriteSetting(SettingsLines& lines, const std::string& name, const std::string& value) {
  const auto it = FindSetting(lines, name);
  if (it != lines.end()) SecureWipe(*it);
  if (value.empty()) {
    if (it != lines.end()) lines.erase(it);
    return;
  }
  std::string& line = it != lines.end() ? *it : lines.emplace_back();
  line.reserve(name.size() + 1 + value.size());
  line.append(name).append(1, '=').append(value);
}

std::string JoinSettings(const SettingsLines& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) text.append(line).append("\r\n");
  return text;
}

}  // namespace qalo
