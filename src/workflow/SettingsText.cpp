#include "workflow/SettingsText.h"

#include <algorithm>

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

SettingsLines SplitSettings(const std::string& text) {
  SettingsLines lines;
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
  if (value.empty()) {
    if (it != lines.end()) lines.erase(it);
  } else if (it != lines.end()) {
    *it = name + "=" + value;
  } else {
    lines.push_back(name + "=" + value);
  }
}

std::string JoinSettings(const SettingsLines& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace qalo
