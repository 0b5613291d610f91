// The settings text: split, read, write and join keep their line rules for
// any text. Input: text, name, value (fields of FuzzInput).
#include "fuzz/FuzzInput.h"
#include "workflow/SettingsText.h"

using namespace qalo;
using qalo::fuzz::Check;

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// Line breaks as the settings text counts them: CR LF is one.
std::size_t CountBreaks(const std::string& text) {
  std::size_t breaks = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsBreak(text[i])) continue;
    ++breaks;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return breaks;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool PlainText(const std::string& text) {
  for (char c : text)
    if (IsBreak(c)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string text = input.Next();
  const std::string name = input.Next();
  const std::string value = input.Next();

  SettingsLines lines = SplitSettings(text);
  const bool endsOpen = !text.empty() && !IsBreak(text.back());
  Check(lines.size() == CountBreaks(text) + (endsOpen ? 1 : 0), "one line per break");
  for (const auto& line : lines) Check(PlainText(line), "no break inside a line");

  const std::string joined = JoinSettings(lines);
  Check(SplitSettings(joined) == lines, "split after join gives the lines back");
  Check(JoinSettings(SplitSettings(joined)) == joined, "join is stable");
  Check(ReadSetting(lines, name) == ReadSetting(lines, AsciiUpper(name)), "names ignore case");

  // A name that a line can carry: no break, no "=".
  if (!PlainText(name) || name.find('=') != std::string::npos || !PlainText(value)) return 0;
  const std::string before = ReadSetting(lines, name);
  const bool present = [&] {
    for (const auto& line : lines)
      if (line.find('=') != std::string::npos && AsciiUpper(line.substr(0, line.find('='))) == AsciiUpper(name))
        return true;
    return false;
  }();
  const std::size_t count = lines.size();
  WriteSetting(lines, name, value);
  if (value.empty()) {
    Check(lines.size() == count - (present ? 1 : 0), "an empty value removes the first line");
  } else {
    Check(lines.size() == count + (present ? 0 : 1), "a value replaces or appends one line");
    Check(ReadSetting(lines, name) == value, "a written value reads back");
    Check(ReadSetting(SplitSettings(JoinSettings(lines)), name) == value, "and survives join and split");
  }
  if (!present) Check(before.empty(), "no line gives an empty value");
  return 0;
}
