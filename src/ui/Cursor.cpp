#include "ui/Cursor.h"

namespace qalo::ui {
namespace {

// Plain value of the one user-interface thread, like the cursor itself.
HCURSOR gScreenCursor = nullptr;

HCURSOR SystemCursor(CursorShape shape) {
  switch (shape) {
    case CursorShape::HourGlass: return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    case CursorShape::AppStart: return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_APPSTARTING));
    case CursorShape::Default: break;
  }
  return nullptr;
}

}  // namespace

void ScreenCursor::Set(CursorShape shape) {
  gScreenCursor = SystemCursor(shape);
  SetCursor(gScreenCursor ? gScreenCursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

HCURSOR ScreenCursorHandle() noexcept { return gScreenCursor; }

}  // namespace qalo::ui
