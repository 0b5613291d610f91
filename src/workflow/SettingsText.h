#pragma once
// The host's settings text: lines of Name=Value.
#include <string>
#include <vector>

namespace qalo {

using SettingsLines = std::vector<std::string>;

// A line ends at CR, LF or CR LF; a final break adds no empty line.
SettingsLines SplitSettings(const std::string& text);

// The value of the first line whose text before its first "=" equals name
// without regard to ASCII letter case; untrimmed; empty when there is none.
std::string ReadSetting(const SettingsLines& lines, const std::string& name);

// A non-empty value replaces the first matching line by name=value (the name
// as given here) or appends such a line; an empty value removes that line.
void WriteSetting(SettingsLines& lines, const std::string& name, const std::string& value);

// Every line, the last included, followed by CR LF.
std::string JoinSettings(const SettingsLines& lines);

}  // namespace qalo
