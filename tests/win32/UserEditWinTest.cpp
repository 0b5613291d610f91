// Validated text fields in real edit windows on a form, driven like a user
// from a second thread: the edit cycle, the failed check with its German
// message box, colours and painting read back from the window's pixels, and
// settings that recreate the window.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "editctl/win32/EditTextField.h"
#include "ui/Form.h"
#include "ui/Message.h"
#include "support/UserDriver.h"

namespace qalo::editctl {
namespace {

using test::FocusOf;
using test::PressKey;
using test::TextOf;
using test::Type;
using test::User;
using test::WaitForOwnWindow;
using test::WaitUntil;

constexpr const char* kCaption = "Eingabeprobe";
constexpr UINT kRunOnFormThread = WM_APP + 1;
constexpr UINT kShowInfoBox = WM_APP + 2;

// Fields in tab order: a plain one like the login dialog's, one with the
// bounds B..D, a password field without border, a disabled read-only one,
// and a right-aligned one; then "OK". No default button, so Enter and
// Escape reach the fields.
class ProbeForm final : public ui::Form {
 public:
  ProbeForm() {
    CreateForm({kCaption, 260, 220, ui::Frame::DialogClose, ui::CloseAction::Cancel}, nullptr);
    Plain.Name = "Plain";
    Plain.Create(*this, {{8, 8, 145, 21}, "", {}}, 101);
    Ranged.SetValueMin("B");
    Ranged.SetValueMax("D");
    Ranged.SetValue("C");
    Ranged.Create(*this, {{8, 40, 145, 21}, "", {}}, 102);
    Secret.SetBorderStyle(TBorderStyle::bsNone);
    Secret.SetPasswordChar('*');
    Secret.SetValue("geheim");
    Secret.Create(*this, {{8, 72, 145, 15}, "", {}}, 103);
    Locked.SetReadOnly(true);
    Locked.SetEnabled(false);
    Locked.SetValue("ABC123");
    Locked.Create(*this, {{8, 96, 241, 21}, "", {}}, 104);
    Right.SetAlignment(TUserAlignment::taRightJustify);
    Right.SetFormatView("%s EUR");
    Right.SetValue("12");
    Right.Create(*this, {{8, 128, 145, 21}, "", {}}, 105);
    Ok.Create(*this, {{176, 188, 75, 25}, "OK", {}}, 106);
    Ok.ModalResult = ui::kResultOk;
    for (EditTextField* field : {&Plain, &Ranged, &Secret, &Right}) {
      field->OnEnter = [this, field](TCustomEditEx&) { events.push_back(NameOf(field) + " enter"); };
      field->OnModified = [this, field](TCustomUserEdit&) { events.push_back(NameOf(field) + " modified"); };
    }
  }
  ~ProbeForm() override { DestroyHandle(); }

  std::string NameOf(const EditTextField* field) const {
    return field == &Plain ? "Plain" : field == &Ranged ? "Ranged" : field == &Secret ? "Secret" : "Right";
  }

  EditTextField Plain, Ranged, Secret, Locked, Right;
  ui::Button Ok;
  std::vector<std::string> events;  // on the form's thread only

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kRunOnFormThread) {
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    }
    if (msg == kShowInfoBox) {
      ui::ShowMessage(Handle(), "Hinweis", "Info", MB_OK);
      return 0;
    }
    return ui::Form::OnMessage(msg, wParam, lParam);
  }
};

// Runs an action on the form's thread and waits for it: the fields belong to
// that thread.
void OnFormThread(HWND form, const std::function<void()>& action) {
  SendMessageA(form, kRunOnFormThread, 0, reinterpret_cast<LPARAM>(&action));
}

struct View {
  HWND form, plain, ranged, secret, locked, right, ok;
};

void RunWithUser(ProbeForm& form, const std::function<void(const View&)>& user) {
  User thread([&] {
    HWND hwnd = WaitForOwnWindow(kCaption);
    ASSERT_NE(hwnd, nullptr);
    View v{hwnd,
           GetDlgItem(hwnd, 101),
           GetDlgItem(hwnd, 102),
           GetDlgItem(hwnd, 103),
           GetDlgItem(hwnd, 104),
           GetDlgItem(hwnd, 105),
           GetDlgItem(hwnd, 106)};
    user(v);
    PostMessageA(v.ok, BM_CLICK, 0, 0);
  });
  EXPECT_EQ(form.ShowModal(), ui::kResultOk);
}

// The text of this process's message box with that caption; presses its OK.
std::string AcknowledgeBox(const char* caption) {
  HWND box = WaitForOwnWindow(caption, "#32770");
  if (!box) return "<no message box>";
  const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  WaitUntil([&] { return !IsWindow(box); });
  return text;
}

COLORREF PixelOf(HWND form, HWND window, int x, int y) {
  OnFormThread(form, [&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); });
  HDC dc = GetDC(window);
  const COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return pixel;
}

// The columns of the client area where a pixel differs from background.
std::vector<int> InkColumns(HWND form, HWND window, COLORREF background, int fromY, int toY) {
  OnFormThread(form, [&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); });
  RECT r;
  GetClientRect(window, &r);
  std::vector<int> columns;
  HDC dc = GetDC(window);
  for (int x = 1; x < r.right - 1; ++x) {
    for (int y = fromY; y < toY; ++y) {
      if (GetPixel(dc, x, y) != background) {
        columns.push_back(x);
        break;
      }
    }
  }
  ReleaseDC(window, dc);
  return columns;
}

TEST(UserEditWin, TheEditCycleAsAUserGoesThroughIt) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.plain; }));
    Type(v.plain, "hans");
    PressKey(v.plain, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.ranged; }));
    OnFormThread(v.form, [&] {
      EXPECT_EQ(form.Plain.Value(), "hans");
      EXPECT_EQ(form.Ranged.EditState(), uesEditing);
      EXPECT_EQ(form.Ranged.GetSelText(), "C") << "entering selects the whole text";
    });

    Type(v.ranged, "x");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(v.ranged) == "x"; }));
    PressKey(v.ranged, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(v.ranged) == "C"; }));

    Type(v.ranged, "d");
    PressKey(v.ranged, VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] {
      bool stored = false;
      OnFormThread(v.form, [&] { stored = form.Ranged.EditState() == 0; });
      return stored;
    }));
    EXPECT_EQ(FocusOf(v.form), v.ranged) << "Enter keeps the focus";

    PressKey(v.ranged, VK_TAB);  // the disabled field is skipped
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.secret; }));
    EXPECT_EQ(TextOf(v.secret), "geheim");
    PressKey(v.secret, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.right; }));
    EXPECT_EQ(TextOf(v.right), "12") << "the edit format while edited";
    PressKey(v.right, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.ok; }));
    EXPECT_EQ(TextOf(v.right), "12 EUR") << "the view format again";
  });
  EXPECT_EQ(form.Ranged.Value(), "d");
  EXPECT_EQ(form.events, (std::vector<std::string>{"Plain enter", "Plain modified", "Ranged enter",
                                                   "Ranged modified", "Secret enter", "Right enter"}));
}

TEST(UserEditWin, AFailedCheckShowsOneGermanMessageAndKeepsTheFieldRedAndFocused) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.plain; }));
    PressKey(v.plain, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.ranged; }));
    Type(v.ranged, "A");
    PressKey(v.ranged, VK_TAB);
    EXPECT_EQ(AcknowledgeBox("Fehler"), "G\xFCltige Eingaben liegen im Bereich von B bis D");
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.ranged; }));
    // The form is active again and has given the focus back: no second check.
    OnFormThread(v.form, [] {});
    EXPECT_EQ(test::FindOwnWindow("Fehler", "#32770"), nullptr);
    EXPECT_EQ(TextOf(v.ranged), "A");
    EXPECT_EQ(PixelOf(v.form, v.ranged, 100, 5), RGB(255, 0, 0));

    Type(v.ranged, "\bC");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(v.ranged) == "C"; }));
    EXPECT_EQ(PixelOf(v.form, v.ranged, 100, 5), GetSysColor(COLOR_WINDOW)) << "typing restores the colour";
    PressKey(v.ranged, VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.secret; }));
  });
  EXPECT_EQ(form.events,
            (std::vector<std::string>{"Plain enter", "Ranged enter", "Ranged modified", "Secret enter"}));
}

TEST(UserEditWin, AnotherWindowTakingTheFocusIsNeitherLeavingNorEntering) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.plain; }));
    Type(v.plain, "teil");
    PostMessageA(v.form, kShowInfoBox, 0, 0);
    EXPECT_EQ(AcknowledgeBox("Info"), "Hinweis");
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.plain; }));
    OnFormThread(v.form, [&] {
      EXPECT_TRUE(form.Plain.Modified());
      EXPECT_EQ(form.Plain.EditState(), uesEditing);
    });
    EXPECT_EQ(TextOf(v.plain), "teil");
  });
  // Leaving for "OK" at the end stores the text.
  EXPECT_EQ(form.events, (std::vector<std::string>{"Plain enter", "Plain modified"}));
}

TEST(UserEditWin, ADisabledFieldShowsTheSystemColours) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    EXPECT_FALSE(IsWindowEnabled(v.locked));
    EXPECT_NE(GetWindowLongA(v.locked, GWL_STYLE) & ES_READONLY, 0);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(PixelOf(v.form, v.locked, 200, 5), face);
    std::vector<int> ink = InkColumns(v.form, v.locked, face, 0, 16);
    EXPECT_FALSE(ink.empty()) << "the text is drawn";
    OnFormThread(v.form, [&] { form.Locked.SetEnabled(true); });
    EXPECT_TRUE(IsWindowEnabled(v.locked));
    EXPECT_EQ(PixelOf(v.form, v.locked, 200, 5), GetSysColor(COLOR_WINDOW));
  });
}

TEST(UserEditWin, ARightAlignedFieldPaintsAgainstTheRightEdgeUntilFocused) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    RECT client;
    GetClientRect(v.right, &client);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(PixelOf(v.form, v.right, 0, 0), GetSysColor(COLOR_WINDOWFRAME)) << "the frame";
    std::vector<int> ink = InkColumns(v.form, v.right, window, 1, client.bottom - 1);
    ASSERT_FALSE(ink.empty());
    int inset = 0;
    OnFormThread(v.form, [&] { inset = form.Right.SelfPaintRequest()->inset; });
    EXPECT_GT(inset, 0);
    // The last glyph ends at the inset from the inner right edge, give or
    // take its own bearing.
    EXPECT_LE(ink.back(), client.right - 1 - inset);
    EXPECT_GE(ink.back(), client.right - 1 - inset - 3);
    EXPECT_GT(ink.front(), client.right / 2);

    OnFormThread(v.form, [&] { form.Right.SetFocus(); });
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.right; }));
    ink = InkColumns(v.form, v.right, window, 1, client.bottom - 1);
    ASSERT_FALSE(ink.empty());
    EXPECT_LT(ink.front(), client.right / 2) << "the window paints, left-aligned, while focused";
  });
}

TEST(UserEditWin, PasswordCharChangesOnAShownField) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    EXPECT_EQ(SendMessageA(v.secret, EM_GETPASSWORDCHAR, 0, 0), '*');
    const std::vector<int> masked = InkColumns(v.form, v.secret, GetSysColor(COLOR_WINDOW), 0, 13);
    OnFormThread(v.form, [&] { form.Secret.SetPasswordChar('\0'); });
    EXPECT_EQ(SendMessageA(v.secret, EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_EQ(TextOf(v.secret), "geheim");
    EXPECT_NE(InkColumns(v.form, v.secret, GetSysColor(COLOR_WINDOW), 0, 13), masked) << "drawn again";
    OnFormThread(v.form, [&] { form.Secret.SetPasswordChar('#'); });
    EXPECT_EQ(SendMessageA(v.secret, EM_GETPASSWORDCHAR, 0, 0), '#');
    EXPECT_EQ(TextOf(v.secret), "geheim");
  });
}

TEST(UserEditWin, BorderAndCaseChangesRecreateTheWindowKeepingTextModifiedAndTabOrder) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.plain; }));
    Type(v.plain, "Abc");
    ASSERT_TRUE(WaitUntil([&] { return TextOf(v.plain) == "Abc"; }));
    OnFormThread(v.form, [&] { form.Plain.SetBorderStyle(TBorderStyle::bsNone); });
    HWND recreated = GetDlgItem(v.form, 101);
    EXPECT_NE(GetWindowLongA(recreated, GWL_STYLE) & WS_BORDER, WS_BORDER);
    EXPECT_EQ(TextOf(recreated), "Abc");
    EXPECT_NE(SendMessageA(recreated, EM_GETMODIFY, 0, 0), 0);
    EXPECT_EQ(FocusOf(v.form), recreated) << "the focus stays in the field";
    EXPECT_EQ(GetNextDlgTabItem(v.form, recreated, FALSE), v.ranged) << "the tab order stays";

    OnFormThread(v.form, [&] { form.Plain.SetCharCase(TEditCharCase::ecUpperCase); });
    recreated = GetDlgItem(v.form, 101);
    EXPECT_NE(GetWindowLongA(recreated, GWL_STYLE) & ES_UPPERCASE, 0);
    EXPECT_NE(SendMessageA(recreated, EM_GETMODIFY, 0, 0), 0);
    EXPECT_EQ(FocusOf(v.form), recreated);
    EXPECT_EQ(GetNextDlgTabItem(v.form, recreated, FALSE), v.ranged);
    EXPECT_EQ(_stricmp(TextOf(recreated).c_str(), "Abc"), 0);
    PressKey(recreated, VK_END);
    Type(recreated, "d");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(recreated).size() == 4; }));
    EXPECT_EQ(TextOf(recreated).back(), 'D') << "typed in upper case";
    PressKey(recreated, VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(v.form) == v.ranged; }));
  });
  EXPECT_EQ(form.events, (std::vector<std::string>{"Plain enter", "Plain modified", "Ranged enter"}));
}

TEST(UserEditWin, TheHeightFollowsTheFontsWithABorderOnly) {
  ProbeForm form;
  RunWithUser(form, [&](const View& v) {
    HDC dc = GetDC(nullptr);
    TEXTMETRICA screen{}, font{};
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(dc, &screen);
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(v.plain, WM_GETFONT, 0, 0)));
    GetTextMetricsA(dc, &font);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int expected = font.tmHeight + std::min(screen.tmHeight, font.tmHeight) / 4 + 4 * GetSystemMetrics(SM_CYBORDER);
    EXPECT_EQ(test::PlacementOf(v.plain).bottom - test::PlacementOf(v.plain).top, expected);
    EXPECT_EQ(test::PlacementOf(v.secret).bottom - test::PlacementOf(v.secret).top, 15);
  });
}

TEST(UserEditWin, BoundsFollowTheUserLocaleWithoutRegardToCase) {
  Win32EditWindow window;
  EXPECT_GT(window.CompareText("c", "B"), 0);
  EXPECT_LT(window.CompareText("a", "B"), 0);
  EXPECT_EQ(window.CompareText("d", "D"), 0);
  EXPECT_GT(window.CompareText("9", "10"), 0) << "texts, not numbers";
}

}  // namespace
}  // namespace qalo::editctl
