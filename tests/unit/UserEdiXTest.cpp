// The edit base over the recording window: settings kept without a window
// and pushed in at creation, style bits, height, recreation, selection,
// change events.
#include <gtest/gtest.h>

#include "editctl/UserEdiX.h"
#include "support/FakeEditWindow.h"

namespace qalo::editctl {
namespace {

using test::FakeEditWindow;

class UserEdiXTest : public ::testing::Test {
 protected:
  UserEdiXTest() {
    window.control = &edit;
    edit.OnChange = [this](TCustomEditEx& sender) {
      EXPECT_EQ(&sender, &edit);
      ++changes;
    };
  }

  FakeEditWindow window;
  TCustomEditEx edit{window};
  int changes = 0;
};

TEST_F(UserEdiXTest, StyleBitsFollowTheSettings) {
  constexpr std::uint32_t kBase = style::kAutoHScroll | style::kAutoVScroll | style::kTabStop;
  EXPECT_EQ(edit.WindowStyle(), kBase | style::kBorder);
  edit.SetBorderStyle(TBorderStyle::bsNone);
  EXPECT_EQ(edit.WindowStyle(), kBase);
  edit.SetPasswordChar('*');
  edit.SetReadOnly(true);
  edit.SetCharCase(TEditCharCase::ecUpperCase);
  EXPECT_EQ(edit.WindowStyle(), kBase | style::kPassword | style::kReadOnly | style::kUpperCase);
  edit.SetCharCase(TEditCharCase::ecLowerCase);
  edit.SetEnabled(false);
  EXPECT_EQ(edit.WindowStyle(),
            kBase | style::kPassword | style::kReadOnly | style::kLowerCase | style::kDisabled);
}

TEST_F(UserEdiXTest, HiddenSelectionAndOemConversionHaveTheirBits) {
  struct Open : TCustomEditEx {
    using TCustomEditEx::TCustomEditEx;
    void Flip() {
      hideSelection_ = false;
      oemConvert_ = true;
    }
  } open(window);
  open.Flip();
  EXPECT_EQ(open.WindowStyle() & (style::kNoHideSel | style::kOemConvert), style::kNoHideSel | style::kOemConvert);
}

TEST_F(UserEdiXTest, SettingsWithoutAWindowArePushedInAtCreation) {
  edit.SetMaxLength(12);
  edit.SetPasswordChar('*');
  edit.SetModified(true);
  edit.SetText("abc");
  EXPECT_EQ(changes, 1) << "a text change without a window is reported at once";
  EXPECT_TRUE(window.calls.empty());

  edit.CreateHandle();
  EXPECT_EQ(window.calls, (std::vector<std::string>{"Create", "LimitText 12", "SetModify 1", "SetPasswordChar *"}));
  EXPECT_EQ(window.text, "abc");
  EXPECT_EQ(changes, 1) << "no change event while the window is created";
  EXPECT_TRUE(edit.Modified());
}

TEST_F(UserEdiXTest, AZeroLimitIsSentAsIs) {
  edit.CreateHandle();
  EXPECT_TRUE(window.Called("LimitText 0"));
  EXPECT_FALSE(window.Called("SetPasswordChar #0"));
}

TEST_F(UserEdiXTest, FarEastWindows9xMakesTheWindowReadOnlyAfterCreation) {
  edit.SetReadOnly(true);
  window.farEast = true;
  window.platformId = kPlatformWin9x;
  edit.CreateHandle();
  EXPECT_EQ(window.style & style::kReadOnly, 0u);
  EXPECT_EQ(window.calls.at(1), "SetReadOnly 1");

  FakeEditWindow nt;
  nt.farEast = true;
  TCustomEditEx other(nt);
  other.SetReadOnly(true);
  other.CreateHandle();
  EXPECT_NE(nt.style & style::kReadOnly, 0u);
  EXPECT_FALSE(nt.Called("SetReadOnly 1"));
}

TEST_F(UserEdiXTest, HeightFollowsBothFontsAndTheBorder) {
  window.screenFontHeight = 16;
  window.controlFontHeight = 13;
  window.borderHeight = 1;
  edit.FontChanged();
  EXPECT_EQ(window.height, 13 + 13 / 4 + 4);

  window.controlFontHeight = 24;
  window.borderHeight = 2;
  edit.FontChanged();
  EXPECT_EQ(window.height, 24 + 16 / 4 + 8) << "the smaller font height counts";
}

TEST_F(UserEdiXTest, WithoutBorderOrAutoSizeTheHeightStaysAsSet) {
  edit.SetBorderStyle(TBorderStyle::bsNone);
  window.height = 15;
  window.controlFontHeight = 30;
  edit.FontChanged();
  edit.CreateHandle();
  EXPECT_EQ(window.height, 15);

  edit.SetBorderStyle(TBorderStyle::bsSingle);
  EXPECT_EQ(window.height, 30 + 16 / 4 + 4) << "the fixed height comes back with the border";
  edit.SetAutoSize(false);
  window.height = 40;
  edit.FontChanged();
  EXPECT_EQ(window.height, 40);
}

TEST_F(UserEdiXTest, UnchangedValuesTouchNothing) {
  edit.SetPasswordChar('*');
  edit.SetReadOnly(true);
  edit.SetMaxLength(5);
  edit.CreateHandle();
  window.calls.clear();
  edit.SetPasswordChar('*');
  edit.SetReadOnly(true);
  edit.SetMaxLength(5);
  edit.SetBorderStyle(TBorderStyle::bsSingle);
  edit.SetCharCase(TEditCharCase::ecNormal);
  EXPECT_TRUE(window.calls.empty());
  EXPECT_EQ(window.creations, 1);
}

TEST_F(UserEdiXTest, ChangedSettingsReachAShownWindow) {
  edit.CreateHandle();
  window.text = "geheim";
  window.calls.clear();
  edit.SetMaxLength(8);
  edit.SetReadOnly(true);
  edit.SetPasswordChar('*');
  edit.SetPasswordChar('\0');
  EXPECT_EQ(window.calls, (std::vector<std::string>{"LimitText 8", "SetReadOnly 1", "SetPasswordChar *",
                                                    "SetText geheim", "SetPasswordChar #0", "SetText geheim"}));
  EXPECT_EQ(window.text, "geheim");
}

TEST_F(UserEdiXTest, BorderAndCaseChangesRecreateTheWindowWithTextAndModified) {
  edit.CreateHandle();
  window.Type("Kunde");
  ASSERT_TRUE(edit.Modified());
  const int changesBefore = changes;

  edit.SetBorderStyle(TBorderStyle::bsNone);
  EXPECT_EQ(window.creations, 2);
  EXPECT_EQ(window.text, "Kunde");
  EXPECT_TRUE(edit.Modified());
  EXPECT_EQ(window.style & style::kBorder, 0u);

  edit.SetModified(false);
  edit.SetCharCase(TEditCharCase::ecUpperCase);
  EXPECT_EQ(window.creations, 3);
  EXPECT_EQ(window.text, "Kunde");
  EXPECT_FALSE(edit.Modified());
  EXPECT_NE(window.style & style::kUpperCase, 0u);
  EXPECT_EQ(changes, changesBefore) << "recreating is no change of the text";
}

TEST_F(UserEdiXTest, TheModifiedFlagIsKeptWhileNoWindowExists) {
  edit.CreateHandle();
  window.Type("x");
  edit.DestroyHandle();
  EXPECT_TRUE(edit.Modified());
  EXPECT_EQ(edit.Text(), "x");
  edit.SetModified(false);
  edit.CreateHandle();
  EXPECT_FALSE(window.modify);
}

TEST_F(UserEdiXTest, EveryTypedCharacterIsOneChange) {
  edit.CreateHandle();
  window.Type("abc");
  EXPECT_EQ(changes, 3);
  edit.SetText("abc");
  EXPECT_EQ(changes, 3) << "writing the same text is no change";
  edit.Clear();
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(window.text, "");
}

TEST_F(UserEdiXTest, SelectionOperations) {
  edit.CreateHandle();
  edit.SetText("Kundennummer");
  edit.SetSelStart(2);
  edit.SetSelLength(4);
  EXPECT_EQ(edit.GetSelStart(), 2);
  EXPECT_EQ(edit.GetSelLength(), 4);
  EXPECT_EQ(edit.GetSelText(), "nden");
  EXPECT_TRUE(window.Called("ScrollCaret"));

  char buffer[4] = {'?', '?', '?', '?'};
  EXPECT_EQ(edit.GetSelTextBuf(buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "nde");
  char wide[16];
  EXPECT_EQ(edit.GetSelTextBuf(wide, sizeof wide), 4);
  EXPECT_STREQ(wide, "nden");

  edit.SelectAll();
  EXPECT_EQ(edit.GetSelText(), "Kundennummer");
  edit.CopyToClipboard();
  edit.PasteFromClipboard();
  EXPECT_TRUE(window.Called("Copy"));
  EXPECT_TRUE(window.Called("Paste"));
}

TEST_F(UserEdiXTest, EnteringSelectsUnlessAClickIsHeldOrAutoSelectIsOff) {
  edit.CreateHandle();
  edit.SetText("abc");
  int enters = 0;
  edit.OnEnter = [&](TCustomEditEx&) { ++enters; };

  window.leftButtonDown = true;
  window.Enter();
  EXPECT_EQ(edit.GetSelLength(), 0);
  window.leftButtonDown = false;
  window.Enter();
  EXPECT_EQ(edit.GetSelLength(), 3);

  edit.SetSelStart(0);
  edit.SetAutoSelect(false);
  window.Enter();
  EXPECT_EQ(edit.GetSelLength(), 0);
  EXPECT_EQ(enters, 3);
}

}  // namespace
}  // namespace qalo::editctl
