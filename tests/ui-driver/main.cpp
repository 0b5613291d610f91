// ui-driver: waits for one of the plug-in's dialogs (shown by another
// process of the same Wine prefix) and answers it like a user would:
//   ui-driver password --text TEXT | --cancel | --escape-then-text TEXT
//   ui-driver open-file --path PATH | --cancel
//   ui-driver login --password TEXT | --cancel
// Prints "answered" once done; exits 1 when no dialog appeared in time.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui-driver password|open-file|login --option [value]\n");
    return 2;
  }
  const std::string what = argv[1], mode = argv[2], value = argc > 3 ? argv[3] : "";
  const int rc = what == "password" ? AnswerPassword(mode, value)
               : what == "open-file" ? AnswerOpenFile(mode, value)
               : what == "login"     ? AnswerLogin(mode, value)
                                     : 2;
  std::printf(rc == 0 ? "answered\n" : "no dialog (%d)\n", rc);
  return rc;
}
