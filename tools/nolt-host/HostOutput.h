#pragma once
#include <string>

// Windows-1252 text as the terminal's UTF-8, unless raw output was asked for.
std::string ForTerminal(const std::string& cp1252, bool raw);
