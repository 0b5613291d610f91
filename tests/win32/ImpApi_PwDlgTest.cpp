#include "dialogs/win32/ImpApi_PwDlg_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/UserDriver.h"

namespace qalo {
namespace {

using test::Child;
using test::PlacementOf;
using test::PressKey;
using test::TextOf;
using test::Type;
using test::User;
using test::WaitForOwnWindow;
using test::WaitUntil;

constexpr const char* kCaption = "QALO Passwortabfrage";

// The prompt as the user sees it.
struct PromptView {
  HWND form = nullptr;
  HWND edit = nullptr;
  HWND ok = nullptr;
  HWND cancel = nullptr;
};

// Runs Execute on this thread while `user` works the prompt from another.
// Whatever the user does, the prompt is closed with "Abbrechen" if it is
// still open afterwards, so a failing test cannot hang.
bool ExecuteWithUser(TImpApiPwDlg& dialog, const char* caption,
                     const std::function<void(const PromptView&)>& user) {
  User thread([&] {
    PromptView v;
    v.form = WaitForOwnWindow(caption);
    ASSERT_NE(v.form, nullptr) << "no window " << caption;
    v.edit = Child(v.form, nullptr, "QaloEdit");
    v.ok = Child(v.form, "Ok");
    v.cancel = Child(v.form, "Abbrechen");
    ASSERT_TRUE(v.edit && v.ok && v.cancel);
    user(v);
    if (!WaitUntil([&] { return !IsWindowVisible(v.form); })) {
      ADD_FAILURE() << "the prompt did not close";
      PostMessageA(v.cancel, BM_CLICK, 0, 0);
    }
  });
  return dialog.Execute();
}

void WaitForText(HWND edit, const std::string& text) {
  EXPECT_TRUE(WaitUntil([&] { return TextOf(edit) == text; })) << "field holds " << TextOf(edit);
}

class PasswordPromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.ServiceName = "QALO";
    dialog.UserName = "hans";
  }
  TImpApiPwDlg dialog;
};

TEST_F(PasswordPromptTest, ShowsItsSentenceLayoutAndAMaskedField) {
  EXPECT_TRUE(ExecuteWithUser(dialog, kCaption, [](const PromptView& v) {
    EXPECT_NE(Child(v.form, "Bitte geben Sie das Passwort zum Login-Kennwort"), nullptr);
    EXPECT_NE(Child(v.form, "<hans> f\xFCr die QALO-Depotschnittstelle ein: "), nullptr);
    const SIZE client = test::ClientSize(v.form);
    EXPECT_EQ(client.cx, 319);
    EXPECT_EQ(client.cy, 146);
    EXPECT_FALSE(GetWindowLongA(v.form, GWL_STYLE) & WS_SYSMENU) << "no system menu, no close box";

    const RECT edit = PlacementOf(v.edit), ok = PlacementOf(v.ok), cancel = PlacementOf(v.cancel);
    EXPECT_EQ((std::vector<LONG>{edit.left, edit.top, edit.right, edit.bottom}),
              (std::vector<LONG>{16, 56, 16 + 201, 56 + 21}));
    EXPECT_EQ((std::vector<LONG>{ok.left, ok.top, ok.right, ok.bottom}),
              (std::vector<LONG>{232, 112, 232 + 75, 112 + 25}));
    EXPECT_EQ((std::vector<LONG>{cancel.left, cancel.top, cancel.right, cancel.bottom}),
              (std::vector<LONG>{144, 112, 144 + 75, 112 + 25}));

    EXPECT_TRUE(GetWindowLongA(v.edit, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(SendMessageA(v.edit, EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_TRUE(GetWindowLongA(v.ok, GWL_STYLE) & BS_DEFPUSHBUTTON);

    EXPECT_TRUE(WaitUntil([&] { return test::FocusOf(v.form) == v.edit; })) << "focus starts in the field";
    SendMessageA(v.ok, BM_CLICK, 0, 0);
  }));
  EXPECT_EQ(dialog.PasswordText, "");
}

TEST_F(PasswordPromptTest, AbbrechenReturnsFalseAndTakesNothing) {
  EXPECT_FALSE(ExecuteWithUser(dialog, kCaption, [](const PromptView& v) {
    Type(v.edit, "abc");
    WaitForText(v.edit, "abc");
    SendMessageA(v.cancel, BM_CLICK, 0, 0);
  }));
  EXPECT_EQ(dialog.PasswordText, "");
}

TEST_F(PasswordPromptTest, EscAndCloseRequestsDoNothing) {
  EXPECT_TRUE(ExecuteWithUser(dialog, kCaption, [](const PromptView& v) {
    PressKey(v.edit, VK_ESCAPE);
    SendMessageA(v.form, WM_CLOSE, 0, 0);
    SendMessageA(v.form, WM_SYSCOMMAND, SC_CLOSE, 0);
    Type(v.edit, "x");  // typed after the Esc, so seen only once that is handled
    WaitForText(v.edit, "x");
    EXPECT_TRUE(IsWindowVisible(v.form));
    SendMessageA(v.ok, BM_CLICK, 0, 0);
  }));
  EXPECT_EQ(dialog.PasswordText, "x");
}

TEST_F(PasswordPromptTest, CaptionAndInfoTextFollowEachExecute) {
  EXPECT_FALSE(ExecuteWithUser(dialog, kCaption, [](const PromptView& v) {
    SendMessageA(v.cancel, BM_CLICK, 0, 0);
  }));
  dialog.ServiceName = "TEST";
  dialog.UserName = "";
  EXPECT_TRUE(ExecuteWithUser(dialog, "TEST Passwortabfrage", [](const PromptView& v) {
    EXPECT_NE(Child(v.form, "<> f\xFCr die TEST-Depotschnittstelle ein: "), nullptr);
    SendMessageA(v.ok, BM_CLICK, 0, 0);
  }));
}

// Any text comes back exactly as it was entered, typed or set in one go,
// when the user presses Enter in the field.
struct EnteredText {
  const char* name;
  std::string text;
  bool typed;
};

void PrintTo(const EnteredText& entered, std::ostream* os) { *os << entered.name; }

class PasswordPromptTextTest : public ::testing::TestWithParam<EnteredText> {};

TEST_P(PasswordPromptTextTest, ComesBackUnchanged) {
  const EnteredText& entered = GetParam();
  TImpApiPwDlg dialog;
  dialog.ServiceName = "QALO";
  EXPECT_TRUE(ExecuteWithUser(dialog, kCaption, [&](const PromptView& v) {
    if (entered.typed)
      Type(v.edit, entered.text);
    else
      SendMessageA(v.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(entered.text.c_str()));
    EXPECT_TRUE(WaitUntil([&] {
      return GetWindowTextLengthA(v.edit) == static_cast<int>(entered.text.size());
    }));
    PressKey(v.edit, VK_RETURN);  // Enter in the field is "Ok"
  }));
  EXPECT_EQ(dialog.PasswordText, entered.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PasswordPromptTextTest,
    ::testing::Values(EnteredText{"Empty", "", false},
                      EnteredText{"Blanks", "  zwei Leer  zeichen  ", true},
                      EnteredText{"Umlauts", "\xE4\xF6\xFC\xDF\xC4\xD6\xDC\xA7\x80", true},
                      EnteredText{"ThreeHundred", std::string(150, 'a') + std::string(150, '#'), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordPromptAdapter, ReturnsTheTextOnOkAndNothingOnAbbrechen) {
  Win32PasswordPrompt prompt;
  {
    User user([] {
      HWND form = WaitForOwnWindow("QALO Passwortabfrage");
      ASSERT_NE(form, nullptr);
      EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);
      EXPECT_NE(Child(form, "<m\xFCller> f\xFCr die QALO-Depotschnittstelle ein: "), nullptr);
      HWND edit = Child(form, nullptr, "QaloEdit");
      Type(edit, "pw");
      PressKey(edit, VK_RETURN);
    });
    EXPECT_EQ(prompt.Ask("QALO", "m\xFCller"), std::optional<std::string>("pw"));
  }
  EXPECT_EQ(test::CountOwnWindows("QALO Passwortabfrage"), 0) << "destroyed after the question";
  {
    User user([] {
      HWND form = WaitForOwnWindow("QALO Passwortabfrage");
      ASSERT_NE(form, nullptr);
      PostMessageA(Child(form, "Abbrechen"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(prompt.Ask("QALO", ""), std::nullopt);
  }
}

}  // namespace
}  // namespace qalo
