// The window layer under the dialogs: modal loop, dialog keys, close
// actions, the handler for exceptions and the screen cursor.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ui/Cursor.h"
#include "ui/Form.h"
#include "support/UserDriver.h"

namespace qalo::ui {
namespace {

using test::Child;
using test::FocusOf;
using test::PressKey;
using test::TextOf;
using test::User;
using test::WaitForOwnWindow;
using test::WaitUntil;

constexpr const char* kCaption = "Probe";

// A small form like the login dialog: a field, "OK" (default), "Abbrechen"
// (cancel button, Esc) and a button whose handler fails.
class ProbeForm final : public Form {
 public:
  explicit ProbeForm(CloseAction close) : Tick(AddTimer(7, 600000)) {
    CreateForm({kCaption, 260, 120, Frame::DialogClose, close}, nullptr);
    Field.Create(*this, {{8, 8, 145, 21}, "", {}}, 101, {});
    Ok.Create(*this, {{8, 80, 75, 25}, "OK", {}}, 102, true);
    Cancel.Create(*this, {{98, 80, 75, 25}, "Abbrechen", {}}, 103);
    Fail.Create(*this, {{182, 80, 75, 25}, "Fehler", {}}, 104);
    Ok.ModalResult = kResultOk;
    Cancel.ModalResult = kResultCancel;
    Fail.OnClick = [] { throw std::runtime_error("Daten ung\xFCltig"); };
    Tick.OnTimer = [] { throw std::runtime_error("Zeitgeber kaputt"); };
    SetDefaultButton(&Ok);
    SetCancelButton(&Cancel);
  }
  ~ProbeForm() override { DestroyHandle(); }

  Edit Field;
  Button Ok;
  Button Cancel;
  Button Fail;
  Timer& Tick;
};

struct ProbeView {
  HWND form, field, ok, cancel, fail;
};

int RunWithUser(ProbeForm& form, const std::function<void(const ProbeView&)>& user) {
  User thread([&] {
    HWND hwnd = WaitForOwnWindow(kCaption);
    ASSERT_NE(hwnd, nullptr);
    ProbeView v{hwnd, Child(hwnd, nullptr, "QaloEdit"), Child(hwnd, "OK"), Child(hwnd, "Abbrechen"),
                Child(hwnd, "Fehler")};
    user(v);
    if (!WaitUntil([&] { return !IsWindowVisible(hwnd); })) {
      ADD_FAILURE() << "the form did not close";
      PostMessageA(v.cancel, BM_CLICK, 0, 0);
    }
  });
  return form.ShowModal();
}

// The error box of this process, its text, and a press on its OK button.
std::string AcknowledgeErrorBox() {
  HWND box = WaitForOwnWindow("Fehler", "#32770");
  if (!box) return "<no message box>";
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (std::string(cls) == "Static" && GetWindowTextLengthA(child) > 0) text = TextOf(child);
  }
  PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  WaitUntil([&] { return !IsWindow(box); });
  return text;
}

TEST(UiForm, EnterClicksTheDefaultButtonEscTheCancelButton) {
  ProbeForm form(CloseAction::Cancel);
  EXPECT_EQ(RunWithUser(form, [](const ProbeView& v) { PressKey(v.field, VK_RETURN); }), kResultOk);
  EXPECT_EQ(RunWithUser(form, [](const ProbeView& v) { PressKey(v.field, VK_ESCAPE); }), kResultCancel);
}

TEST(UiForm, TabWalksTheTabOrderAndEnterPressesTheFocusedButton) {
  ProbeForm form(CloseAction::Cancel);
  EXPECT_EQ(RunWithUser(form,
                        [](const ProbeView& v) {
                          EXPECT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.field; }));
                          PressKey(v.field, VK_TAB);
                          EXPECT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.ok; }));
                          PressKey(v.ok, VK_TAB);
                          EXPECT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.cancel; }));
                          PressKey(v.cancel, VK_RETURN);
                        }),
            kResultCancel);
}

TEST(UiForm, CloseActionDecidesWhatTheCloseBoxDoes) {
  ProbeForm cancelling(CloseAction::Cancel);
  EXPECT_EQ(RunWithUser(cancelling, [](const ProbeView& v) { SendMessageA(v.form, WM_CLOSE, 0, 0); }),
            kResultCancel);

  ProbeForm ignoring(CloseAction::None);
  EXPECT_EQ(RunWithUser(ignoring,
                        [](const ProbeView& v) {
                          SendMessageA(v.form, WM_SYSCOMMAND, SC_CLOSE, 0);
                          EXPECT_TRUE(IsWindowVisible(v.form));
                          SendMessageA(v.ok, BM_CLICK, 0, 0);
                        }),
            kResultOk);
}

TEST(UiForm, ExceptionInAHandlerIsShownAndTheFormGoesOn) {
  ProbeForm form(CloseAction::Cancel);
  EXPECT_EQ(RunWithUser(form,
                        [](const ProbeView& v) {
                          // Posted: a sent click would wait for the box to close.
                          PostMessageA(v.fail, BM_CLICK, 0, 0);
                          EXPECT_EQ(AcknowledgeErrorBox(), "Daten ung\xFCltig");
                          SendMessageA(v.form, WM_TIMER, 7, 0);  // the timer is off: nothing
                          EXPECT_EQ(test::FindOwnWindow("Fehler", "#32770"), nullptr);
                          SendMessageA(v.ok, BM_CLICK, 0, 0);
                        }),
            kResultOk);
}

TEST(UiForm, ExceptionInATimerTickIsShown) {
  ProbeForm form(CloseAction::Cancel);
  form.Tick.SetEnabled(true);  // ten minutes: the only tick is the one sent here
  EXPECT_EQ(RunWithUser(form,
                        [&](const ProbeView& v) {
                          PostMessageA(v.form, WM_TIMER, 7, 0);
                          EXPECT_EQ(AcknowledgeErrorBox(), "Zeitgeber kaputt");
                          SendMessageA(v.cancel, BM_CLICK, 0, 0);
                        }),
            kResultCancel);
}

TEST(UiForm, ModalLoopHandsAQuitRequestOn) {
  ProbeForm form(CloseAction::Cancel);
  EXPECT_EQ(RunWithUser(form, [](const ProbeView& v) { PostThreadMessageA(
                                  GetWindowThreadProcessId(v.form, nullptr), WM_QUIT, 3, 0); }),
            kResultCancel);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(UiCursor, ScreenCursorShowsOverTheLayersWindows) {
  ProbeForm form(CloseAction::Cancel);
  ScreenCursor cursor;
  HCURSOR wait = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
  HCURSOR appStart = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_APPSTARTING));

  cursor.Set(CursorShape::HourGlass);
  EXPECT_EQ(GetCursor(), wait);
  SetCursor(nullptr);
  SendMessageA(form.Field.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Field.Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), wait) << "a window of the layer keeps showing it";

  cursor.Set(CursorShape::AppStart);
  EXPECT_EQ(GetCursor(), appStart);

  cursor.Set(CursorShape::Default);
  EXPECT_EQ(ScreenCursorHandle(), nullptr);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

}  // namespace
}  // namespace qalo::ui
