#pragma once
// Whether a window shows its texts whole, measured as the window draws
// them: each text in its control's own font against the control's client
// area (a wrapped label as DrawText wraps it, an edit's text inside its
// margins, a button's caption inside its border), every control inside its
// parent, and the caption in the title bar's font.
#include <windows.h>

#include <string>
#include <vector>

#include "support/UserDriver.h"

namespace qalo::test {

// The size of text in the font `window` draws with.
inline SIZE TextExtentIn(HWND window, const std::string& text, UINT format = DT_SINGLELINE, int width = 0) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
  RECT r{0, 0, width, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX | format);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return {r.right, r.bottom};
}

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// What the user sees in an edit: the text, or as many masking characters.
inline std::string ShownText(HWND edit) {
  const std::string text = TextOf(edit);
  const auto mask = static_cast<char>(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0));
  return mask ? std::string(text.size(), mask) : text;
}

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// One line per text that is cut, naming the control and both sizes; empty
// when the form shows everything whole.
inline std::vector<std::string> ClippedTexts(HWND form) {
  std::vector<std::string> clipped;
  const auto complain = [&](HWND control, const std::string& what, SIZE need, SIZE have) {
    clipped.push_back(ClassOf(control) + " \"" + TextOf(control) + "\": " + what + " needs " +
                      std::to_string(need.cx) + "x" + std::to_string(need.cy) + ", has " +
                      std::to_string(have.cx) + "x" + std::to_string(have.cy));
  };
  const auto check = [&](HWND control, const std::string& what, SIZE need, SIZE have) {
    if (need.cx > have.cx || need.cy > have.cy) complain(control, what, need, have);
  };

  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  {
    HFONT captionFont = CreateFontIndirectA(&metrics.lfCaptionFont);
    HDC dc = GetDC(form);
    HGDIOBJ old = SelectObject(dc, captionFont);
    const std::string caption = TextOf(form);
    SIZE need{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &need);
    SelectObject(dc, old);
    ReleaseDC(form, dc);
    DeleteObject(captionFont);
    RECT frame;
    GetWindowRect(form, &frame);
    const bool hasButtons = (GetWindowLongA(form, GWL_STYLE) & WS_SYSMENU) != 0;
    const int room = (frame.right - frame.left) - 2 * GetSystemMetrics(SM_CXFIXEDFRAME) -
                     GetSystemMetrics(SM_CXSMICON) - (hasButtons ? GetSystemMetrics(SM_CXSIZE) : 0) - 8;
    check(form, "caption", need, {room, GetSystemMetrics(SM_CYCAPTION)});
  }

  std::vector<HWND> controls;
  EnumChildWindows(form, &CollectWindow, reinterpret_cast<LPARAM>(&controls));
  const SIZE area = ClientSize(form);
  for (HWND control : controls) {
    const SIZE client = ClientSize(control);
    const RECT place = PlacementOf(control);
    if (GetParent(control) == form &&
        (place.left < 0 || place.top < 0 || place.right > area.cx || place.bottom > area.cy))
      complain(control, "placement", {place.right, place.bottom}, area);
    const std::string cls = ClassOf(control);
    const std::string text = TextOf(control);
    if (cls == "QaloLabel") {
      const bool wraps = (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_LEFT;
      const SIZE need = wraps ? TextExtentIn(control, text, DT_WORDBREAK, client.cx) : TextExtentIn(control, text);
      check(control, "text", need, client);
    } else if (cls == "QaloButton") {
      // Inside the raised border and the focus rectangle.
      const SIZE need = TextExtentIn(control, text);
      check(control, "caption", {need.cx + 8, need.cy + 4}, client);
    } else if (cls == "QaloEdit") {
      const LRESULT margins = SendMessageA(control, EM_GETMARGINS, 0, 0);
      const SIZE need = TextExtentIn(control, ShownText(control));
      const SIZE line = TextExtentIn(control, "Xg");
      check(control, "text", {need.cx + LOWORD(margins) + HIWORD(margins), line.cy}, client);
    }
  }
  return clipped;
}

}  // namespace qalo::test
