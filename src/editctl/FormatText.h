#pragma once
// The display formats of the text fields: a format applied to one text
// argument, in the syntax of the Delphi Format function for that case:
//   %%                      a percent sign
//   %[index:][-][width][.precision]s
//                           the value; index may only be 0, "-" aligns left
//                           in width, precision cuts the value
// Anything else, or a second %s without "0:", does not fit one text argument
// and throws std::invalid_argument. The format never reaches printf.
#include <string>

namespace qalo::editctl {

std::string FormatText(const std::string& format, const std::string& value);

}  // namespace qalo::editctl
