// ui-screenshots <window> <ready file> <stop file>
// Shows one window (progress, cancelled, password, edit-fields or login) in the
// state a user sees it, writes the window's screen rectangle "width height left top"
// into the ready file, and closes it once the stop file exists.
#include <windows.h>

#include <cstdio>
#include <string>

#include "dialogs/win32/ImpApi_PwDlg_win.h"
#include "dialogs/win32/ImpApi_QALO_Dlg_win.h"
#include "editctl/win32/EditTextField.h"
#include "inet/win32/ImpApiDownloadProgress.h"
#include "platform/SystemCipher.h"
#include "platform/win32/Win32Shell.h"
#include "plugin/Exports.h"
#include "plugin/win32/ImpApi_QALO.h"
#include "support/WindowFinder.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Announces the window once it has painted.
bool Announce(HWND window, const std::string& readyFile) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT r;
  GetWindowRect(window, &r);
  FILE* f = std::fopen(readyFile.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "%ld %ld %ld %ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  return std::fclose(f) == 0;
}

// Dispatches messages, as the host does during a download, until told to stop.
void PumpUntil(const std::string& stopFile) {
  while (!Exists(stopFile)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

int ShowProgress(bool cancelled, const std::string& ready, const std::string& stop) {
  qalo::ShowDownloadProgress(nullptr);
  HWND form = qalo::test::WaitForOwnWindow("Info");
  if (!form) return 1;
  KillTimer(form, qalo::kTimer1Id);  // hold the block still for the picture
  for (int tick = 0; tick < 6; ++tick) SendMessageA(form, WM_TIMER, qalo::kTimer1Id, 0);
  if (cancelled) SendMessageA(qalo::test::Child(form, "Download abbrechen"), BM_CLICK, 0, 0);
  if (!Announce(form, ready)) return 1;
  PumpUntil(stop);
  qalo::HideDownloadProgress();
  return 0;
}

// The user of a modal dialog: waits for it, lets `prepare` put it into the
// state to show, announces it, and presses "Abbrechen" once told to stop.
struct ModalUser {
  const char* caption;
  void (*prepare)(HWND form);
  std::string ready, stop;
  bool ok = false;
};

DWORD WINAPI PrepareAndWait(void* param) {
  auto* user = static_cast<ModalUser*>(param);
  HWND form = qalo::test::WaitForOwnWindow(user->caption);
  if (!form) return 1;
  user->prepare(form);
  user->ok = Announce(form, user->ready);
  while (user->ok && !Exists(user->stop)) Sleep(50);
  PostMessageA(qalo::test::Child(form, "Abbrechen"), BM_CLICK, 0, 0);
  return 0;
}

// Runs the modal dialog on this thread while its user acts on another.
template <typename RunModal>
int PhotographModal(ModalUser user, RunModal runModal) {
  HANDLE thread = CreateThread(nullptr, 0, &PrepareAndWait, &user, 0, nullptr);
  if (!thread) return 1;
  runModal();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return user.ok ? 0 : 1;
}

int ShowPassword(const std::string& ready, const std::string& stop) {
  qalo::TImpApiPwDlg dialog;
  dialog.ServiceName = "QALO";
  dialog.UserName = "hans.m\xFCller";
  const auto typePassword = [](HWND form) {
    HWND edit = qalo::test::Child(form, nullptr, "QaloEdit");
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Geheim123"));
  };
  return PhotographModal({"QALO Passwortabfrage", typePassword, ready, stop},
                         [&] { dialog.Execute(); });
}

// The login data dialog as a user first meets it: a portal id and a stored
// password, and the key generated for a settings text without one.
int ShowLogin(const std::string& ready, const std::string& stop) {
  const auto cipher = qalo::MakeSystemCipher();
  qalo::Win32Shell shell;
  qalo::RegisterPlugin(qalo::Identity());
  qalo::Tdlg_QALO_LoginData dialog(*cipher, shell, [](char* buffer) { ImportVersionInfo(buffer); });
  std::string user = "hans.m\xFCller", password = "Demo#2026", settings = "UserLogin=hans\r\n";
  return PhotographModal({"QALO Zugangsdaten", [](HWND) {}, ready, stop},
                         [&] { dialog.Execute(user, password, settings); });
}

// Validated text fields in their states, each with its label.
class EditFieldsForm final : public qalo::ui::Form {
 public:
  EditFieldsForm() {
    using namespace qalo::editctl;
    CreateForm({"Eingabefelder", 260, 172, qalo::ui::Frame::DialogClose, qalo::ui::CloseAction::Cancel}, nullptr);
    const char* captions[] = {"Normal", "Bearbeitung", "Fehler", "Gesperrt", "Rechtsb\xFCndig"};
    for (int i = 0; i < 5; ++i) labels_[i].Create(*this, {{8, 12 + 32 * i, 0, 0}, captions[i], {}});
    Normal.SetFormatView("%s EUR");
    Normal.SetValue("12");
    Error.SetValueMin("B");
    Error.SetValueMax("D");
    Error.SetValue("C");
    Error.OnValidationError = [](TCustomUserEdit&, TUserCheckResults, std::string&, int&, bool& handled) {
      handled = true;  // the picture shows the colour, not the message box
    };
    Locked.SetReadOnly(true);
    Locked.SetEnabled(false);
    Locked.SetValue("5F3A9C0E");
    Right.SetAlignment(TUserAlignment::taRightJustify);
    Right.SetFormatView("%s EUR");
    Right.SetValue("1.250,00");
    EditTextField* fields[] = {&Normal, &Editing, &Error, &Locked, &Right};
    for (int i = 0; i < 5; ++i) fields[i]->Create(*this, {{96, 8 + 32 * i, 150, 21}, "", {}}, 101 + i);
  }
  ~EditFieldsForm() override { DestroyHandle(); }

  // Brings the fields into their states as a user would: a text below the
  // bounds is typed into the error field and refused; the bounds are then
  // dropped (the colour stays until the next key) so that the focus can
  // move on, and a text is typed into the field being edited.
  void Act() {
    Error.SetFocus();
    Type(Error, "A");
    Editing.SetFocus();
    Error.SetValueMin("");
    Error.SetValueMax("");
    Editing.SetFocus();
    Type(Editing, "Kunde 4711");
  }

  qalo::editctl::EditTextField Normal, Editing, Error, Locked, Right;

 private:
  static void Type(const qalo::editctl::EditTextField& field, const char* text) {
    for (const char* c = text; *c; ++c) SendMessageA(field.Handle(), WM_CHAR, static_cast<unsigned char>(*c), 1);
  }
  qalo::ui::Label labels_[5];
};

int ShowEditFields(const std::string& ready, const std::string& stop) {
  EditFieldsForm form;
  form.Show();
  form.Act();
  if (!Announce(form.Handle(), ready)) return 1;
  PumpUntil(stop);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ui-screenshots progress|cancelled|password|edit-fields|login READY STOP\n");
    return 2;
  }
  const std::string window = argv[1];
  try {
    if (window == "progress" || window == "cancelled") return ShowProgress(window == "cancelled", argv[2], argv[3]);
    if (window == "password") return ShowPassword(argv[2], argv[3]);
    if (window == "edit-fields") return ShowEditFields(argv[2], argv[3]);
    if (window == "login") return ShowLogin(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ui-screenshots: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "ui-screenshots: unknown window %s\n", window.c_str());
  return 2;
}
