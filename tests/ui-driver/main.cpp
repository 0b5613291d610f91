// ui-driver: waits for one of the plug-in's dialogs (shown by another
// process of the same Wine prefix) and answers it like a user would:
//   ui-driver password --text TEXT | --cancel | --escape-then-text TEXT
//   ui-driver open-file --path PATH | --cancel
//   ui-driver login --password TEXT | --cancel
//   ui-driver progress --cancel-after MS | --watch
// Prints "answered" once done; exits 1 when no dialog appeared in time.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/WindowFinder.h"

namespace {

using qalo::test::Child;
using qalo::test::WaitForPrefixWindow;

int AnswerPassword(const std::string& mode, const std::string& text) {
  HWND dialog = WaitForPrefixWindow("QALO Passwortabfrage");
  if (!dialog) return 1;
  HWND edit = Child(dialog, nullptr, "QaloEdit");
  if (mode == "--cancel") {
    SendMessageA(Child(dialog, "Abbrechen"), BM_CLICK, 0, 0);
    return 0;
  }
  if (mode == "--escape-then-text") {
    // Esc must not end the prompt. The character typed after it arrives
    // only once Esc has been handled, and finds the prompt still there.
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(edit, WM_CHAR, VK_ESCAPE, 0);
    PostMessageA(edit, WM_CHAR, 'x', 0);
    qalo::test::WaitUntil([&] { return !IsWindowVisible(dialog) || qalo::test::TextOf(edit) == "x"; });
    if (!IsWindowVisible(dialog)) return 2;
  }
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(Child(dialog, "Ok"), BM_CLICK, 0, 0);
  return 0;
}

int AnswerOpenFile(const std::string& mode, const std::string& path) {
  HWND dialog = WaitForPrefixWindow("QALO - Importfile auswählen ...", "#32770");
  if (!dialog) return 1;
  if (mode == "--cancel") {
    PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    return 0;
  }
  HWND combo = GetDlgItem(dialog, 0x47c);
  HWND edit = reinterpret_cast<HWND>(SendMessageA(combo, CBEM_GETEDITCONTROL, 0, 0));
  if (!edit) edit = combo;
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  return 0;
}

// The login data dialog: Tab from the portal id into the password field,
// the password typed, then Enter (OK); or Esc. Posted in this order, the
// dialog's thread takes them in this order.
int AnswerLogin(const std::string& mode, const std::string& text) {
  HWND dialog = WaitForPrefixWindow("QALO Zugangsdaten");
  if (!dialog) return 1;
  HWND user = GetDlgItem(dialog, 201), password = GetDlgItem(dialog, 202);
  if (mode == "--cancel") {
    PostMessageA(user, WM_KEYDOWN, VK_ESCAPE, 0);
    return 0;
  }
  PostMessageA(user, WM_KEYDOWN, VK_TAB, 0);
  for (unsigned char c : text) PostMessageA(password, WM_CHAR, c, 1);
  PostMessageA(password, WM_KEYDOWN, VK_RETURN, 0);
  return 0;
}

// The progress window while the service is silent: it must answer WM_NULL
// within half a second all along. --cancel-after MS presses its cancel
// button after MS ms, and the window must be gone 0.8 s after the click (the
// download then gives its worker 0.2 s at most); --watch follows it until it
// goes.
int WatchProgress(const std::string& mode, const std::string& value) {
  HWND window = WaitForPrefixWindow("Info");
  if (!window) return 1;
  const bool cancel = mode == "--cancel-after";
  const ULONGLONG until = GetTickCount64() + (cancel ? std::strtoul(value.c_str(), nullptr, 10) : 0);
  while (IsWindow(window) && (!cancel || GetTickCount64() < until)) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 500, &answer) && IsWindow(window)) {
      std::printf("no answer to WM_NULL within 500 ms\n");
      return 3;
    }
    Sleep(50);
  }
  if (!cancel) return 0;
  const ULONGLONG clicked = GetTickCount64();
  PostMessageA(Child(window, "Download abbrechen"), BM_CLICK, 0, 0);
  if (!qalo::test::WaitUntil([&] { return !IsWindow(window); }, 800)) {
    std::printf("the window is still there 0.8 s after the click\n");
    return 4;
  }
  std::printf("gone %llu ms after the click\n", GetTickCount64() - clicked);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui-driver password|open-file|login|progress --option [value]\n");
    return 2;
  }
  const std::string what = argv[1], mode = argv[2], value = argc > 3 ? argv[3] : "";
  const int rc = what == "password" ? AnswerPassword(mode, value)
               : what == "open-file" ? AnswerOpenFile(mode, value)
               : what == "login"     ? AnswerLogin(mode, value)
               : what == "progress"  ? WatchProgress(mode, value)
                                     : 2;
  std::printf(rc == 0 ? "answered\n" : "no dialog (%d)\n", rc);
  return rc;
}
