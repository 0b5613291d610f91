#pragma once
// Modal message boxes of the layer.
#include <windows.h>

#include <string>

namespace qalo::ui {

// MessageBoxA with the given flags (icon, buttons); returns the pressed
// button's id, 0 when the box could not be shown.
int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags);

}  // namespace qalo::ui
