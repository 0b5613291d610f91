#include "ui/Form.h"

#include <stdexcept>
#include <utility>

#include "platform/ScopeExit.h"
#include "ui/Gdi.h"

namespace qalo::ui {
namespace {

DWORD StyleOf(Frame frame) {
  switch (frame) {
    case Frame::Single: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    case Frame::DialogNoMenu: return WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    case Frame::DialogClose: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  }
  return WS_POPUP | WS_CAPTION;
}

DWORD ExStyleOf(Frame frame) {
  return frame == Frame::Single ? WS_EX_WINDOWEDGE : WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
}

// The dpi a window is shown at: its own where the system tells it (a
// per-monitor aware host gets its monitor's, an unaware one what the
// system virtualises), else the screen's. Nothing process-wide is changed.
int DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  const UniqueWindowDc screen = WindowDc(nullptr);
  return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kDefaultDpi;
}

// Disables the thread's other enabled top-level windows while a modal form
// runs, and enables them again (before the form hides, so one of them can
// take the activation back).
class ThreadWindowsDisabled {
 public:
  explicit ThreadWindowsDisabled(HWND except) : except_(except) {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND hwnd : windows_) EnableWindow(hwnd, FALSE);
  }
  ~ThreadWindowsDisabled() {
    for (HWND hwnd : windows_)
      if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND hwnd, LPARAM self) noexcept {
    auto* me = reinterpret_cast<ThreadWindowsDisabled*>(self);
    if (hwnd != me->except_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
      try {
        me->windows_.push_back(hwnd);
      } catch (...) {
        return FALSE;
      }
    }
    return TRUE;
  }

  HWND except_;
  std::vector<HWND> windows_;
};

}  // namespace

void Form::CreateForm(const FormLayout& layout, HWND owner) {
  const DWORD style = StyleOf(layout.frame);
  const DWORD exStyle = ExStyleOf(layout.frame);
  RECT r{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  closeAction_ = layout.closeAction;
  Create(Kind::Form, exStyle, style, layout.caption, {0, 0, r.right - r.left, r.bottom - r.top}, owner);
  SetScaling(Scale(DpiOf(Handle())));
  SetClientSize(Scaling()(layout.clientWidth), Scaling()(layout.clientHeight));
}

void Form::SetClientSize(int width, int height) {
  // The frame as the system draws it at this window's dpi.
  RECT window, client;
  GetWindowRect(Handle(), &window);
  GetClientRect(Handle(), &client);
  const int frameWidth = (window.right - window.left) - client.right;
  const int frameHeight = (window.bottom - window.top) - client.bottom;
  SetWindowPos(Handle(), nullptr, 0, 0, width + frameWidth, height + frameHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show() {
  RECT r;
  GetWindowRect(Handle(), &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  LoadControls();
  OnShow();
  ShowWindow(Handle(), SW_SHOW);
  FocusFirstControl();
  UpdateWindow(Handle());
}

void Form::Hide() { ShowWindow(Handle(), SW_HIDE); }

Timer& Form::AddTimer(UINT id, UINT intervalMs) {
  ownTimers_.push_back(std::unique_ptr<Timer>(new Timer(*this, id, intervalMs)));
  return *ownTimers_.back();
}

int Form::ShowModal() {
  if (inModalLoop_) throw std::logic_error("Formular l\xE4uft bereits modal");
  modalResult_ = kResultNone;
  // However the loop ends (OnCloseQuery may throw), the form is hidden and
  // no longer modal, after the other windows were enabled again.
  inModalLoop_ = true;
  const ScopeExit modal([this] {
    Hide();
    inModalLoop_ = false;
  });
  ThreadWindowsDisabled others(Handle());
  lastFocus_ = nullptr;
  Show();
  MSG msg;
  for (;;) {
    if (modalResult_ != kResultNone) {
      if (OnCloseQuery(modalResult_)) break;
      modalResult_ = kResultNone;
    }
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The thread is asked to end: give the quit back to the outer loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult_ = kResultCancel;
    } else if (got == -1) {
      modalResult_ = kResultCancel;
    } else if (!HandleDialogKey(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return modalResult_;
}

void Form::SetModalResult(int result) noexcept {
  modalResult_ = result;
  // A result set while handling a sent message must still wake GetMessage.
  if (inModalLoop_) PostMessageA(Handle(), WM_NULL, 0, 0);
}

BOOL CALLBACK Form::CollectControl(HWND hwnd, LPARAM controls) noexcept {
  if (auto* control = dynamic_cast<Control*>(Window::FromHandle(hwnd))) {
    try {
      reinterpret_cast<std::vector<Control*>*>(controls)->push_back(control);
    } catch (...) {
      return FALSE;
    }
  }
  return TRUE;
}

void Form::LoadControls() {
  // Collected first: Loaded may throw, and nothing may unwind through user32.
  std::vector<Control*> controls;
  EnumChildWindows(Handle(), &CollectControl, reinterpret_cast<LPARAM>(&controls));
  for (Control* control : controls) control->NotifyLoaded();
}

void Form::ControlFocused(Control& control) {
  if (&control == activeControl_) return;
  const unsigned move = ++focusMoves_;
  if (Control* previous = std::exchange(activeControl_, nullptr)) {
    try {
      previous->ExitControl();
    } catch (...) {
      // The leaving failed where it stood: the focus stays where it went,
      // and that control is the one to leave next.
      if (move == focusMoves_) activeControl_ = &control;
      throw;
    }
    if (move != focusMoves_) return;
  }
  activeControl_ = &control;
  control.EnterControl();
}

void Form::FocusFirstControl() {
  if (HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE)) SetFocus(first);
}

bool Form::HandleDialogKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  if (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd)) return false;
  const WPARAM key = msg.wParam;
  if (key != VK_RETURN && key != VK_ESCAPE && key != VK_TAB) return false;
  HWND focus = GetFocus();
  const LRESULT wants = focus ? SendMessageA(focus, WM_GETDLGCODE, key, 0) : 0;
  if (wants & DLGC_WANTALLKEYS) return false;
  switch (key) {
    case VK_TAB:
      if (wants & DLGC_WANTTAB) return false;
      if (HWND next = GetNextDlgTabItem(Handle(), focus, GetKeyState(VK_SHIFT) < 0)) SetFocus(next);
      return true;
    case VK_RETURN: {
      Button* target = dynamic_cast<Button*>(Window::FromHandle(focus));
      if (!target) target = defaultButton_;
      if (!target || !IsWindowEnabled(target->Handle())) return false;
      target->Click();
      return true;
    }
    default:  // VK_ESCAPE
      if (!cancelButton_) return false;
      if (IsWindowEnabled(cancelButton_->Handle())) cancelButton_->Click();
      return true;
  }
}

LRESULT Form::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      if (closeAction_ == CloseAction::Hide || closeAction_ == CloseAction::Cancel) {
        if (inModalLoop_)
          SetModalResult(kResultCancel);
        else
          Hide();
      }
      return 0;
    case WM_TIMER:
      for (const auto& timer : ownTimers_) {
        if (timer->Id() == wParam) {
          timer->Tick();
          return 0;
        }
      }
      break;
    case WM_ACTIVATE:
      // Keep the focused control across a change of the active window.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
  }
  return Window::OnMessage(msg, wParam, lParam);
}

}  // namespace qalo::ui
