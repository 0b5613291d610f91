#pragma once
// Drives real windows like a user, from a second thread of the test
// process: finds them by caption, types with posted WM_CHAR, presses keys
// and buttons. Only windows of this process count, so tests running side by
// side on one desktop never see each other's windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace qalo::test {

// Waits for a condition the window's thread brings about; gives up after
// thirty seconds so a broken window fails the test instead of hanging it.
inline bool WaitUntil(const std::function<bool()>& condition) {
  const ULONGLONG deadline = GetTickCount64() + 30000;
  while (GetTickCount64() < deadline) {
    if (condition()) return true;
    Sleep(5);
  }
  return condition();
}

inline bool OwnedByThisProcess(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == GetCurrentProcessId();
}

// The visible top-level window of this process with this caption (and
// class, if given), or null.
inline HWND FindOwnWindow(const char* caption, const char* className = nullptr) {
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, className, caption); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, className, caption)) {
    if (OwnedByThisProcess(hwnd) && IsWindowVisible(hwnd)) return hwnd;
  }
  return nullptr;
}

// Top-level windows of this process with this caption, hidden ones included.
inline int CountOwnWindows(const char* caption) {
  int n = 0;
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, nullptr, caption); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, nullptr, caption))
    n += OwnedByThisProcess(hwnd);
  return n;
}

inline HWND WaitForOwnWindow(const char* caption, const char* className = nullptr) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindOwnWindow(caption, className)) != nullptr; });
  return found;
}

inline HWND Child(HWND parent, const char* text, const char* className = nullptr) {
  return FindWindowExA(parent, nullptr, className, text);
}

inline std::string TextOf(HWND hwnd) {
  char buffer[1024] = {};
  const LRESULT n = SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return std::string(buffer, static_cast<size_t>(n));
}

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
