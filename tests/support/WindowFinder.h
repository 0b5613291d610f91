#pragma once
// Finds real windows the way a user spots them on the screen: a visible
// top-level window by caption, a control by its caption whatever its class,
// and waits for either with a deadline. Used by the tests and by the
// drivers that answer the plug-in's windows from another process.
#include <windows.h>

#include <functional>
#include <string>

namespace qalo::test {

// Long enough for a loaded machine, short enough that a window that never
// comes fails its test instead of hanging the run.
constexpr DWORD kPatienceMs = 30000;

// Polls a condition that another thread or process brings about; true once
// it holds, false when the deadline passed first.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD patienceMs = kPatienceMs) {
  const ULONGLONG deadline = GetTickCount64() + patienceMs;
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

// The first visible top-level window with this caption and class (null
// matches any) that `accept` takes, or null.
inline HWND FindTopLevel(const char* caption, const char* className,
                         const std::function<bool(HWND)>& accept = {}) {
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, className, caption); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, className, caption)) {
    if (IsWindowVisible(hwnd) && (!accept || accept(hwnd))) return hwnd;
  }
  return nullptr;
}

// A window of this process only: tests running side by side on one desktop
// never see each other's windows.
inline HWND FindOwnWindow(const char* caption, const char* className = nullptr) {
  return FindTopLevel(caption, className, OwnedByThisProcess);
}

// A window of any process of the Wine prefix, for a driver that answers
// another program's dialog.
inline HWND FindPrefixWindow(const char* caption, const char* className = nullptr) {
  return FindTopLevel(caption, className);
}

inline HWND WaitFor(const std::function<HWND()>& find, DWORD patienceMs = kPatienceMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = find()) != nullptr; }, patienceMs);
  return found;
}

inline HWND WaitForOwnWindow(const char* caption, const char* className = nullptr) {
  return WaitFor([=] { return FindOwnWindow(caption, className); });
}

inline HWND WaitForPrefixWindow(const char* caption, const char* className = nullptr) {
  return WaitFor([=] { return FindPrefixWindow(caption, className); });
}

// Top-level windows of this process with this caption, hidden ones included.
inline int CountOwnWindows(const char* caption) {
  int n = 0;
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, nullptr, caption); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, nullptr, caption))
    n += OwnedByThisProcess(hwnd);
  return n;
}

// A control of `parent` by its caption and, if given, class. Without a class
// it finds superclassed controls too, whose class is not "Button" or "Edit".
inline HWND Child(HWND parent, const char* text, const char* className = nullptr) {
  return FindWindowExA(parent, nullptr, className, text);
}

inline std::string TextOf(HWND hwnd) {
  char buffer[1024] = {};
  const LRESULT n = SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace qalo::test
