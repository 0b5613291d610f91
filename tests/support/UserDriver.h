#pragma once
// Drives real windows like a user, from a second thread of the test
// process: finds them (WindowFinder.h), types with posted WM_CHAR, presses
// keys and buttons.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/WindowFinder.h"

namespace qalo::test {

inline void Type(HWND edit, const std::string& text) {
  for (unsigned char c : text) PostMessageA(edit, WM_CHAR, c, 1);
}

inline void PressKey(HWND target, WPARAM key) {
  const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
  PostMessageA(target, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageA(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

// A control's rectangle in its parent's client coordinates.
inline RECT PlacementOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The window with the input focus in the thread that owns `window`.
inline HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

inline SIZE ClientSize(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

// The user at the keyboard: runs on its own thread from construction until
// Join. A failed expectation inside is reported like any other.
class User {
 public:
  explicit User(std::function<void()> actions) : actions_(std::move(actions)) {
    thread_ = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    if (!thread_) ADD_FAILURE() << "no user thread";
  }
  ~User() { Join(); }
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  // Dispatches this thread's messages, as a host does while the download
  // notifies it, until the user has finished. Waiting without dispatching
  // could deadlock on a message the user sends to this thread's windows.
  void Join() {
    if (!thread_) return;
    bool quit = false;
    WPARAM quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          quit = true;
          quitCode = msg.wParam;
          continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    CloseHandle(thread_);
    thread_ = nullptr;
    if (quit) PostQuitMessage(static_cast<int>(quitCode));  // for the test to see
  }

 private:
  static DWORD WINAPI Run(void* self) {
    try {
      static_cast<User*>(self)->actions_();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "user thread: " << e.what();
    }
    return 0;
  }

  std::function<void()> actions_;
  HANDLE thread_ = nullptr;
};

}  // namespace qalo::test
