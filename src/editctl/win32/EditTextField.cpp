#include "editctl/win32/EditTextField.h"

#include "platform/ScopeExit.h"
#include "ui/Gdi.h"

namespace qalo::editctl {
namespace {

COLORREF Resolve(TColor color) {
  return (color & kSystemColor) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color);
}

TShiftState ShiftNow() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  return shift;
}

// tmHeight of a font on a screen device context.
int FontHeightOf(HGDIOBJ font) {
  const ui::UniqueWindowDc dc = ui::WindowDc(nullptr);
  if (!dc) return 0;
  const ui::UniqueSelection selected = ui::Select(dc.get(), font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc.get(), &metrics);
  return metrics.tmHeight;
}

}  // namespace

void Win32EditWindow::Place(const ui::Window& parent, UINT id, const ui::Bounds& bounds,
                            const ui::FontStyle& font) {
  id_ = id;
  ui::Control::Place(parent, bounds, font);
}

void Win32EditWindow::Create(std::uint32_t editStyle, const std::string& text) {
  CreatePlaced(ui::Kind::Edit, 0, WS_CLIPSIBLINGS | editStyle, text, id_);
  if (recreating_) {
    SetWindowPos(Handle(), previousSibling_ ? previousSibling_ : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    recreating_ = false;
  }
}

void Win32EditWindow::Destroy() {
  previousSibling_ = GetWindow(Handle(), GW_HWNDPREV);
  recreating_ = true;
  DestroyHandle();
}

void Win32EditWindow::LimitText(int limit) { SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(limit), 0); }

Selection Win32EditWindow::GetSel() const {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

void Win32EditWindow::SetSel(int start, int end) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void Win32EditWindow::ScrollCaret() { SendMessageA(Handle(), EM_SCROLLCARET, 0, 0); }
bool Win32EditWindow::GetModify() const { return SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0; }
void Win32EditWindow::SetModify(bool modified) { SendMessageA(Handle(), EM_SETMODIFY, modified, 0); }

void Win32EditWindow::SetPasswordChar(char c) {
  SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(c), 0);
}

void Win32EditWindow::SetReadOnly(bool readOnly) { SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0); }

void Win32EditWindow::SetMargins(int left, int right) {
  SendMessageA(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
}

void Win32EditWindow::Copy() { SendMessageA(Handle(), WM_COPY, 0, 0); }
void Win32EditWindow::Paste() { SendMessageA(Handle(), WM_PASTE, 0, 0); }
bool Win32EditWindow::Focused() const { return GetFocus() == Handle(); }
void Win32EditWindow::SetFocus() { ::SetFocus(Handle()); }
void Win32EditWindow::Invalidate() { InvalidateRect(Handle(), nullptr, TRUE); }

void Win32EditWindow::SetEnabled(bool enabled) {
  if (Handle()) EnableWindow(Handle(), enabled);
}

void Win32EditWindow::SetHeight(int height) { SetSize(Placement().width, height); }

int Win32EditWindow::ScreenFontHeight() const { return FontHeightOf(GetStockObject(SYSTEM_FONT)); }

int Win32EditWindow::ControlFontHeight() const {
  if (Handle()) return FontHeightOf(reinterpret_cast<HGDIOBJ>(SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  return FontHeightOf(ui::CreateUiFont(StoredFont(), Scaling()).get());
}

int Win32EditWindow::SystemBorderHeight() const { return GetSystemMetrics(SM_CYBORDER); }
bool Win32EditWindow::LeftButtonDown() const { return GetKeyState(VK_LBUTTON) < 0; }

int Win32EditWindow::PlatformId() const {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) ? static_cast<int>(info.dwPlatformId) : kPlatformNT;
}

bool Win32EditWindow::FarEastLocale() const { return GetSystemMetrics(SM_DBCSENABLED) != 0; }
TColor Win32EditWindow::SystemColor(int index) const { return GetSysColor(index); }
void Win32EditWindow::Beep() { MessageBeep(0); }

int Win32EditWindow::CompareText(const std::string& a, const std::string& b) const {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) - CSTR_EQUAL;
}

void Win32EditWindow::EnterControl() {
  if (field_) field_->Enter();
}

void Win32EditWindow::ExitControl() {
  if (field_) field_->Exit();
}

void Win32EditWindow::Loaded() {
  if (field_) field_->Loaded();
}

void Win32EditWindow::OnCommand(WORD notification) {
  if (field_ && notification == EN_CHANGE) field_->EditChanged();
}

HBRUSH Win32EditWindow::BrushFor(COLORREF color) {
  if (!brush_ || color != brushColor_) {
    ui::UniqueBrush brush(CreateSolidBrush(color));
    if (!brush) return nullptr;
    brush_ = std::move(brush);
    brushColor_ = color;
  }
  return brush_.get();
}

HBRUSH Win32EditWindow::OnControlColor(HDC dc) {
  if (!field_) return nullptr;
  const COLORREF background = Resolve(field_->Color());
  SetTextColor(dc, Resolve(field_->FontColor()));
  SetBkColor(dc, background);
  return BrushFor(background);
}

void Win32EditWindow::PaintSelf(const SelfPaint& paint, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(Handle(), &ps);
  const ScopeExit endPaint([&] {
    if (!given) EndPaint(Handle(), &ps);
  });
  RECT r;
  GetClientRect(Handle(), &r);
  const ui::UniqueSelection font = ui::Select(dc, ui::FontOf(Handle()));
  if (paint.framed) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  SetBkColor(dc, Resolve(field_->Color()));
  SetTextColor(dc, Resolve(field_->FontColor()));
  SIZE size{};
  const int length = static_cast<int>(paint.text.size());
  GetTextExtentPoint32A(dc, paint.text.c_str(), length, &size);
  ExtTextOutA(dc, r.right - size.cx - paint.inset, paint.inset, ETO_OPAQUE | ETO_CLIPPED, &r, paint.text.c_str(),
              static_cast<UINT>(length), nullptr);
}

LRESULT Win32EditWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!field_) return Control::OnMessage(msg, wParam, lParam);
  switch (msg) {
    case WM_SETFOCUS:
      // Windows 9x hands on a window that may be gone already.
      if (PlatformId() == kPlatformWin9x && !IsWindow(reinterpret_cast<HWND>(wParam))) wParam = 0;
      break;
    case WM_CHAR: {
      char key = static_cast<char>(wParam);
      if (!field_->KeyPress(key)) return 0;
      return Control::OnMessage(msg, static_cast<unsigned char>(key), lParam);
    }
    case WM_KEYDOWN:
    case WM_KEYUP: {
      auto key = static_cast<std::uint16_t>(wParam);
      if (msg == WM_KEYDOWN)
        field_->KeyDown(key, ShiftNow());
      else
        field_->KeyUp(key, ShiftNow());
      return key ? Control::OnMessage(msg, key, lParam) : 0;
    }
    case WM_GETDLGCODE:
      return static_cast<LRESULT>(field_->DialogCode(static_cast<unsigned>(Control::OnMessage(msg, wParam, lParam))));
    case WM_ENABLE: {
      const LRESULT result = Control::OnMessage(msg, wParam, lParam);
      field_->EnabledChanged();
      return result;
    }
    case WM_SETFONT: {
      const LRESULT result = Control::OnMessage(msg, wParam, lParam);
      field_->FontSet();
      return result;
    }
    case WM_PAINT:
      if (auto paint = field_->SelfPaintRequest()) {
        PaintSelf(*paint, reinterpret_cast<HDC>(wParam));
        return 0;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      const LRESULT result = Control::OnMessage(msg, wParam, lParam);
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
        field_->BoundsChanged(pos->x, pos->y, pos->cx, pos->cy);
      return result;
    }
  }
  return Control::OnMessage(msg, wParam, lParam);
}

EditTextField::EditTextField() : TEditText(editWindow) { editWindow.Attach(*this); }

EditTextField::~EditTextField() {
  // The window goes first: no message may reach the field while it is being
  // destroyed.
  editWindow.DestroyHandle();
}

void EditTextField::Create(const ui::Window& parent, const ui::ControlLayout& layout, UINT id) {
  editWindow.Place(parent, id, layout.bounds, layout.font);
  FontChanged();
  ComponentState.Add(ui::ComponentState::Loading);
  CreateHandle();
}

}  // namespace qalo::editctl
