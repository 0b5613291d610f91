// Windows and timers the system refuses to create: each window of the
// prompt, the progress window and the login dialog in turn. The seam
// reports it, and no window is left behind. (Wine's file chooser sets no
// extended error when its dialog is refused, so that case is not shown here.)
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/win32/ImpApi_PwDlg_win.h"
#include "dialogs/win32/ImpApi_QALO_Dlg_win.h"
#include "inet/win32/ImpApiDownloadProgress.h"
#include "platform/SystemCipher.h"
#include "platform/win32/Win32Shell.h"
#include "plugin/Exports.h"
#include "plugin/win32/ImpApi_QALO.h"
#include "support/UserDriver.h"
#include "ui/Controls.h"
#include "workflow/ResultCodes.h"

namespace qalo {
namespace {

// Refuses the refuseAt-th of the plug-in's windows (its classes are named
// "Qalo...") created on this thread from now on (0: none), through a CBT
// hook, the way the system refuses one; counts the creations asked for.
// Windows the system makes for itself (the input method's) pass uncounted.
class RefusedWindow {
 public:
  explicit RefusedWindow(int refuseAt) {
    refuseAt_ = refuseAt;
    asked_ = 0;
    hook_ = SetWindowsHookExA(WH_CBT, &Proc, nullptr, GetCurrentThreadId());
  }
  ~RefusedWindow() { UnhookWindowsHookEx(hook_); }
  RefusedWindow(const RefusedWindow&) = delete;
  RefusedWindow& operator=(const RefusedWindow&) = delete;

  bool Hooked() const { return hook_ != nullptr; }
  int Asked() const { return asked_; }

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && IsOwnClass(reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszClass) &&
        ++asked_ == refuseAt_)
      return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static bool IsOwnClass(const char* name) {
    return HIWORD(reinterpret_cast<UINT_PTR>(name)) != 0 && std::strncmp(name, "Qalo", 4) == 0;
  }
  static inline int refuseAt_ = 0;
  static inline int asked_ = 0;
  HHOOK hook_;
};

// The system's timers, but refused while refuse is set.
class RefusedTimers final : public ui::TimerService {
 public:
  bool Start(HWND window, UINT id, UINT intervalMs) override {
    return !refuse && ui::SystemTimers().Start(window, id, intervalMs);
  }
  void Stop(HWND window, UINT id) override { ui::SystemTimers().Stop(window, id); }
  bool refuse = true;
};

// The plug-in's forms of this process, hidden ones included; their controls
// go with them.
int OwnForms() {
  int n = 0;
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, "QaloForm", nullptr); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, "QaloForm", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    n += process == GetCurrentProcessId();
  }
  return n;
}

// How many windows constructing one object asks for.
template <typename Make>
int WindowsOf(Make make) {
  RefusedWindow counting(0);
  make();
  return counting.Asked();
}

TEST(WindowRefusal, PromptEachWindowRefusedLeavesNoneAndTheAdapterSaysWhich) {
  const int windows = WindowsOf([] { TImpApiPwDlg dialog(nullptr); });
  ASSERT_GE(windows, 6);  // the form and its five controls
  for (int n = 1; n <= windows; ++n) {
    RefusedWindow refused(n);
    ASSERT_TRUE(refused.Hooked());
    EXPECT_THROW(TImpApiPwDlg dialog(nullptr), std::runtime_error) << n;
    EXPECT_EQ(OwnForms(), 0) << n;
  }
  RefusedWindow refused(1);
  Win32PasswordPrompt prompt;
  try {
    prompt.Ask("QALO", "demo");
    ADD_FAILURE() << "the prompt came up";
  } catch (const WindowUnavailable& failure) {
    EXPECT_EQ(failure.which, UnavailableWindow::PasswordPrompt);
  }
  EXPECT_EQ(OwnForms(), 0);
}

TEST(WindowRefusal, ProgressWindowRefusedLeavesNoWindowAndTheSlotEmpty) {
  Win32DownloadProgress progress;
  const int windows = WindowsOf([&] {
    progress.Show();
    progress.Hide();
  });
  ASSERT_GE(windows, 5);  // the form, the label, the panel, the block and the button
  for (int n = 1; n <= windows; ++n) {
    {
      RefusedWindow refused(n);
      try {
        progress.Show();
        ADD_FAILURE() << "shown with refusal " << n;
      } catch (const WindowUnavailable& failure) {
        EXPECT_EQ(failure.which, UnavailableWindow::ProgressWindow) << n;
      }
      EXPECT_EQ(OwnForms(), 0) << n;
      EXPECT_FALSE(progress.CancelRequested()) << n;
    }
    // Nothing stays in the slot: the next Show brings up a window that runs.
    progress.Show();
    EXPECT_EQ(OwnForms(), 1) << n;
    progress.Hide();
    EXPECT_EQ(OwnForms(), 0) << n;
  }
}

// Every window comes up and the timer is refused: the window goes again.
TEST(WindowRefusal, ProgressTimerRefusedLeavesNoWindowAndTheSlotEmpty) {
  RefusedTimers timers;
  DownloadProgressSlot slot([&timers](void* owner) -> std::unique_ptr<ProgressWindow> {
    return std::make_unique<TfrmDownloadProgress>(static_cast<HWND>(owner), timers);
  });
  EXPECT_THROW(slot.Show(nullptr), std::runtime_error);
  EXPECT_EQ(OwnForms(), 0);
  EXPECT_FALSE(slot.CancelRequested());
  timers.refuse = false;
  slot.Show(nullptr);
  EXPECT_EQ(OwnForms(), 1);
  slot.Hide();
  EXPECT_EQ(OwnForms(), 0);
}

// The plug-in bound as the host finds it, for the exports below.
class BoundPlugin {
 public:
  BoundPlugin() : saved_(Identity()) { RegisterPlugin(Identity()); }
  ~BoundPlugin() { Identity() = saved_; }
  BoundPlugin(const BoundPlugin&) = delete;
  BoundPlugin& operator=(const BoundPlugin&) = delete;

 private:
  PluginIdentity saved_;
};

std::vector<std::string> gHostLines;
void QALO_STDCALL RecordHost(std::int32_t kind, std::int32_t, const char* text) {
  if (kind == 3) gHostLines.emplace_back(text);
}

TEST(WindowRefusal, ExportXmlWithAPromptThatCannotBeCreatedLogsWhyAndEndsAsMinusNine) {
  BoundPlugin plugin;
  Identity().ProgressCallback = &RecordHost;
  gHostLines.clear();
  const char settings[] = "UserLogin=demo\r\nUserKey=0123456789abcdef\r\n";
  RefusedWindow refused(1);
  EXPECT_EQ(ExportXML("C:\\nowhere", "B-17", 0, nullptr, settings), result::kUnexpectedFailure);
  EXPECT_EQ(gHostLines, (std::vector<std::string>{"Abruf \xFC" "ber QALO-Depotschnittstelle ...",
                                                  "Passwortabfrage konnte nicht angezeigt werden."}));
  EXPECT_EQ(OwnForms(), 0);
}

// The login dialog has no log: its export gives -9 and leaves the buffers.
TEST(WindowRefusal, ApiDataDialogEachWindowRefusedIsMinusNineWithTheBuffersUntouched) {
  BoundPlugin plugin;
  const auto cipher = MakeSystemCipher();
  Win32Shell shell;
  const int windows = WindowsOf([&] { Tdlg_QALO_LoginData dialog(*cipher, shell, [](char* b) { b[0] = 0; }); });
  ASSERT_GE(windows, 13);  // the form and its twelve controls
  for (int n = 1; n <= windows; ++n) {
    char user[128] = "demo", password[128] = "Geheim1!", settings[4096] = "UserKey=00\r\n";
    std::atomic<bool> returned{false};
    // Should the dialog come up after all, the user closes it.
    test::User watchdog([&] {
      test::WaitUntil([&] { return returned || test::FindOwnWindow("QALO Zugangsdaten"); });
      if (returned) return;
      ADD_FAILURE() << "the dialog came up with refusal " << n;
      PostMessageA(test::FindOwnWindow("QALO Zugangsdaten"), WM_CLOSE, 0, 0);
    });
    RefusedWindow refused(n);
    EXPECT_EQ(ApiDataDialog(user, password, settings), result::kUnexpectedFailure) << n;
    returned = true;
    watchdog.Join();
    EXPECT_STREQ(user, "demo");
    EXPECT_STREQ(password, "Geheim1!");
    EXPECT_STREQ(settings, "UserKey=00\r\n");
    EXPECT_EQ(OwnForms(), 0) << n;
  }
}

}  // namespace
}  // namespace qalo
