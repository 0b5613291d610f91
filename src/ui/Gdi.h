#pragma once
// Owners for what the window layer borrows from GDI: a window's device
// context, released to the window it came from, and an object selected
// into a device context, with the one it replaced put back. Declared in
// reverse order of use, they undo everything on every path.
#include <windows.h>

#include "platform/UniqueHandle.h"

namespace qalo::ui {

struct WindowDcTraits {
  HWND window = nullptr;  // null: the screen's
  static constexpr HDC Empty() noexcept { return nullptr; }
  void Close(HDC dc) const noexcept { ReleaseDC(window, dc); }
};
using UniqueWindowDc = UniqueHandle<HDC, WindowDcTraits>;

// The object that was selected before; put back when the owner goes.
struct SelectionTraits {
  HDC dc = nullptr;
  static constexpr HGDIOBJ Empty() noexcept { return nullptr; }
  void Close(HGDIOBJ previous) const noexcept { SelectObject(dc, previous); }
};
using UniqueSelection = UniqueHandle<HGDIOBJ, SelectionTraits>;

// GetDC(window); empty when there is none.
inline UniqueWindowDc WindowDc(HWND window) noexcept {
  return UniqueWindowDc(GetDC(window), {window});
}

// Selects object into dc until the result goes away.
inline UniqueSelection Select(HDC dc, HGDIOBJ object) noexcept {
  return UniqueSelection(SelectObject(dc, object), {dc});
}

// The font a window draws with, as WM_GETFONT gives it.
inline HGDIOBJ FontOf(HWND window) noexcept {
  return reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
}

}  // namespace qalo::ui
