// The validated text field over the recording window: the edit cycle and its
// state table, the checks and their German messages, keys, colours, formats.
#include <gtest/gtest.h>

#include "editctl/FormatText.h"
#include "editctl/UserEdit.h"
#include "editctl/UserEditTexts.h"
#include "support/FakeEditWindow.h"

namespace qalo::editctl {
namespace {

using test::FakeEditWindow;

constexpr TColor kFieldColor = 0x00FFFFFF;

// A field as a form creates it: loaded, shown, not focused.
class UserEditTest : public ::testing::Test {
 protected:
  UserEditTest() {
    window.control = &field;
    field.Name = "eFeld";
    field.OnEnter = [this](TCustomEditEx&) { ++enters; };
    field.OnModified = [this](TCustomUserEdit& sender) {
      EXPECT_EQ(&sender, &field);
      ++modifieds;
    };
    field.ComponentState.Add(ui::ComponentState::Loading);
    field.SetColor(kFieldColor);
    field.CreateHandle();
    field.Loaded();
  }

  // Leaves the field; returns the message of the EUserEditError it raised,
  // or "" when it raised none.
  std::string LeaveForMessage() {
    try {
      window.Leave();
    } catch (const EUserEditError& e) {
      return e.what();
    }
    return "";
  }

  FakeEditWindow window;
  TEditText field{window};
  int enters = 0;
  int modifieds = 0;
};

// --- the state table -------------------------------------------------------

TEST_F(UserEditTest, EnteringShowsTheEditFormatSelectedAndUnmodified) {
  field.SetFormatView("%s EUR");
  field.SetValue("12");
  EXPECT_EQ(window.text, "12 EUR");
  window.Enter();
  EXPECT_EQ(field.EditState(), uesEditing);
  EXPECT_EQ(window.text, "12");
  EXPECT_EQ(field.GetSelText(), "12");
  EXPECT_FALSE(field.Modified());
  EXPECT_EQ(enters, 1);
}

TEST_F(UserEditTest, LeavingWithoutChangeShowsTheViewFormatAgain) {
  field.SetFormatView("%s EUR");
  field.SetValue("12");
  window.Enter();
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.EditState(), 0);
  EXPECT_EQ(window.text, "12 EUR");
  EXPECT_EQ(modifieds, 0);
}

TEST_F(UserEditTest, LeavingWithAnAcceptedChangeStoresItAndReportsIt) {
  int exits = 0;
  field.OnExit = [&](TCustomEditEx&) { ++exits; };
  window.Enter();
  window.Type("Kunde");
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.EditState(), 0);
  EXPECT_FALSE(field.Modified());
  EXPECT_EQ(field.Value(), "Kunde");
  EXPECT_EQ(modifieds, 1);
  EXPECT_EQ(exits, 1);
}

TEST_F(UserEditTest, ARefusedChangePutsTheFocusBackSilently) {
  field.SetValue("alt");
  field.OnModifying = [](TCustomUserEdit&, bool& canModify) {
    EXPECT_TRUE(canModify);
    canModify = false;
  };
  window.Enter();
  window.Type("neu");
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.EditState(), uesEditing);
  EXPECT_TRUE(window.focused);
  EXPECT_EQ(field.Color(), kFieldColor);
  EXPECT_EQ(window.beeps, 0);
  EXPECT_EQ(modifieds, 0);
  EXPECT_TRUE(field.Modified());
  EXPECT_EQ(window.text, "neu");
  field.OnModifying = nullptr;
  EXPECT_EQ(field.Value(), "neu");
}

TEST_F(UserEditTest, AFailedCheckOnLeavingColoursTheFieldAndTakesTheFocusBack) {
  field.SetValueMin("B");
  field.SetValueMax("D");
  field.SetValue("C");
  window.Enter();
  window.Type("A");
  EXPECT_EQ(LeaveForMessage(), "G\xFCltige Eingaben liegen im Bereich von B bis D");
  EXPECT_EQ(window.beeps, 1);
  EXPECT_TRUE(window.focused);
  EXPECT_EQ(enters, 1) << "giving the focus back is no entering of its own";
  EXPECT_EQ(field.EditState(), uesEditing | uesErrorColor);
  EXPECT_EQ(field.Color(), clRed);
  EXPECT_EQ(field.CheckResult(), ucrBelowMin);
  EXPECT_EQ(window.text, "A") << "the user corrects the text in place";
  EXPECT_TRUE(field.Modified());
  EXPECT_EQ(modifieds, 0);

  window.Type("\b");
  EXPECT_EQ(field.Color(), kFieldColor) << "the next character restores the colour";
  EXPECT_EQ(field.EditState(), uesEditing);
}

TEST_F(UserEditTest, TheFocusTakenBackDoesNotSwallowTheNextRealEntering) {
  field.SetValueMin("B");
  window.Enter();
  window.Type("A");
  EXPECT_NE(LeaveForMessage(), "");
  window.Type("\bC");
  EXPECT_EQ(LeaveForMessage(), "");  // the user goes elsewhere ...
  window.Enter();  // ... and comes back
  EXPECT_EQ(enters, 2);
  EXPECT_EQ(field.EditState(), uesEditing);
  EXPECT_EQ(field.GetSelText(), "C");
}

TEST_F(UserEditTest, EnterInAChangedFieldStoresAndReportsButKeepsTheFocus) {
  window.Enter();
  window.Type("neu\r");
  EXPECT_EQ(field.EditState(), 0);
  EXPECT_FALSE(field.Modified());
  EXPECT_EQ(modifieds, 1);
  EXPECT_TRUE(window.focused);
  EXPECT_EQ(window.text, "neu") << "the carriage return is dropped";
  EXPECT_EQ(field.Value(), "neu");
}

TEST_F(UserEditTest, EnterInAnUnchangedFieldOnlyDropsTheCharacter) {
  field.SetValue("alt");
  window.Enter();
  window.calls.clear();
  window.Type("\r");
  EXPECT_EQ(field.EditState(), uesEditing);
  EXPECT_EQ(modifieds, 0);
  EXPECT_EQ(window.text, "alt");
  EXPECT_TRUE(window.calls.empty());
}

TEST_F(UserEditTest, EnterWithARefusalStillReportsTheModification) {
  field.SetValue("alt");
  field.OnModifying = [](TCustomUserEdit&, bool& canModify) { canModify = false; };
  window.Enter();
  window.Type("neu\r");
  EXPECT_EQ(modifieds, 1);
  EXPECT_FALSE(field.Modified());
  field.OnModifying = nullptr;
  EXPECT_EQ(field.Value(), "alt") << "the text was never stored";
}

TEST_F(UserEditTest, AFailedCheckOnEnterLeavesTheEditPendingAndLaterEnteringIntact) {
  field.SetValueMax("5");
  window.Enter();
  window.Type("9");
  EXPECT_THROW(window.Type("\r"), EUserEditError);
  EXPECT_EQ(field.EditState(), uesEditing | uesErrorColor);
  EXPECT_TRUE(field.Modified());
  window.Type("\b");
  window.text = "4";
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.Value(), "4");
  window.Enter();
  EXPECT_EQ(enters, 2) << "the focus was never taken away, so nothing may swallow this entering";
}

// --- the field as the login dialog uses it ----------------------------------

TEST_F(UserEditTest, WithoutChecksAChangeIsAlwaysStoredAndReported) {
  window.Enter();
  window.Type("hans");
  EXPECT_EQ(field.Value(), "hans") << "reading while the field still has the focus";
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(modifieds, 1);
  EXPECT_EQ(window.beeps, 0);
  EXPECT_EQ(field.Value(), "hans");
}

TEST_F(UserEditTest, ReadingValueWhileEditingStoresEachTimeAndLeavingReportsOnce) {
  int modifyings = 0;
  field.OnModifying = [&](TCustomUserEdit&, bool&) { ++modifyings; };
  window.Enter();
  window.Type("a");
  EXPECT_EQ(field.Value(), "a");
  window.Type("b");
  EXPECT_EQ(field.Value(), "ab");
  EXPECT_EQ(modifieds, 0);
  EXPECT_TRUE(field.Modified());
  EXPECT_EQ(field.EditState(), uesEditing);
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(modifyings, 3);
  EXPECT_EQ(modifieds, 1);
}

TEST_F(UserEditTest, EscapeShowsTheLastStoredValueAgain) {
  field.SetFormatEdit("[%s]");
  field.SetValue("alt");
  window.Enter();
  window.Type("neu");
  window.Type("\x1B");
  EXPECT_EQ(window.text, "[alt]");
  EXPECT_EQ(field.GetSelText(), "[alt]");
  EXPECT_FALSE(field.Modified());
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(modifieds, 0);
  EXPECT_EQ(field.Value(), "alt");
}

// --- bounds and messages -----------------------------------------------------

TEST_F(UserEditTest, BoundsAreComparedWithoutRegardToCase) {
  field.SetValueMin("B");
  field.SetValueMax("D");
  window.Enter();
  window.Type("c");
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.Value(), "c");

  window.Enter();
  window.Type("E");
  EXPECT_EQ(LeaveForMessage(), "G\xFCltige Eingaben liegen im Bereich von B bis D");
  EXPECT_EQ(field.CheckResult(), ucrAboveMax);

  window.text = "d";
  window.modify = true;
  EXPECT_EQ(LeaveForMessage(), "") << "equal texts pass";
}

TEST_F(UserEditTest, TextsAreComparedNotNumbers) {
  field.SetValueMin("10");
  EXPECT_TRUE(field.CheckMode.Has(TUserCheckModes::ucmMinCheck));
  window.Enter();
  window.Type("09");
  EXPECT_EQ(LeaveForMessage(), "Das Minimum f\xFCr die Eingabe betr\xE4gt 10");
  window.Type("\b\b100");
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.Value(), "100");
  window.Enter();
  window.Type("9");
  EXPECT_EQ(LeaveForMessage(), "") << "9 sorts after 10";
}

TEST_F(UserEditTest, OnlyAMaximumGivesTheMaximumMessage) {
  field.SetValueMax("M");
  window.Enter();
  window.Type("x");
  EXPECT_EQ(LeaveForMessage(), "Das Maximum f\xFCr die Eingabe betr\xE4gt M");
}

TEST_F(UserEditTest, BoundSettersSwitchTheirChecks) {
  field.SetValueMax("Z");
  EXPECT_TRUE(field.CheckMode.Has(TUserCheckModes::ucmMaxCheck));
  field.CheckMode.Remove(TUserCheckModes::ucmMaxCheck);
  field.SetValueMax("Z");
  EXPECT_FALSE(field.CheckMode.Has(TUserCheckModes::ucmMaxCheck)) << "the same bound leaves CheckMode alone";
  field.SetValueMax("Y");
  EXPECT_TRUE(field.CheckMode.Has(TUserCheckModes::ucmMaxCheck));
  field.SetValueMax("");
  EXPECT_FALSE(field.CheckMode.Has(TUserCheckModes::ucmMaxCheck));
  field.SetValueMin("A");
  field.SetValueMin("");
  EXPECT_TRUE(field.CheckMode.Empty());
}

TEST_F(UserEditTest, AnEmptyTextBecomesTheDefaultWhichIsThenChecked) {
  field.SetValueDef("X");
  field.SetValue("B");
  window.Enter();
  window.Type("\b");
  window.text = "";
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.Value(), "X");

  field.SetValueMax("D");
  window.Enter();
  window.text = "";
  window.modify = true;
  EXPECT_EQ(LeaveForMessage(), "Das Maximum f\xFCr die Eingabe betr\xE4gt D");
  EXPECT_EQ(window.text, "X");
}

TEST_F(UserEditTest, AHandledValidationErrorRaisesNothingAndStoresNothing) {
  field.SetValueMin("B");
  field.SetValue("C");
  field.OnValidationError = [](TCustomUserEdit&, TUserCheckResults result, std::string& text, int&,
                               bool& handled) {
    EXPECT_EQ(result, ucrBelowMin);
    EXPECT_EQ(text, "Das Minimum f\xFCr die Eingabe betr\xE4gt B");
    EXPECT_FALSE(handled);
    handled = true;
  };
  window.Enter();
  window.Type("A");
  EXPECT_EQ(LeaveForMessage(), "");
  EXPECT_EQ(field.EditState(), uesEditing | uesErrorColor);
  EXPECT_EQ(field.Color(), clRed);
  EXPECT_TRUE(window.focused);
  EXPECT_EQ(modifieds, 0);
}

TEST_F(UserEditTest, TheValidationHandlerMayChangeTextAndHelpContext) {
  field.HelpContext = 17;
  field.SetValueMin("B");
  field.OnValidationError = [](TCustomUserEdit&, TUserCheckResults, std::string& text, int& help, bool&) {
    EXPECT_EQ(help, 17);
    text = "Zu klein";
    help = 42;
  };
  window.Enter();
  window.Type("A");
  try {
    window.Leave();
    FAIL() << "no exception";
  } catch (const EUserEditError& e) {
    EXPECT_STREQ(e.what(), "Zu klein");
    EXPECT_EQ(e.HelpContext, 42);
  }
}

TEST(UserEditTexts, PlaceholdersAreFoundWithoutRegardToCase) {
  EXPECT_EQ(ReplaceIgnoringCase("von [MINIMUM] bis [minimum].", "[Minimum]", "B"), "von B bis B.");
  EXPECT_EQ(ReplaceIgnoringCase("[Min", "[Minimum]", "B"), "[Min");
  EXPECT_STREQ(kRangeMessage, "G\xFCltige Eingaben liegen im Bereich von [Minimum] bis [Maximum]");
}

// --- keys ------------------------------------------------------------------------

TEST_F(UserEditTest, TabIsRejectedAndBeepsOnlyWhenAHandlerSaysSo) {
  window.Enter();
  window.Type("a\tb");
  EXPECT_EQ(window.text, "ab");
  EXPECT_EQ(window.beeps, 0) << "no handler, no beep";

  TUserEditState seen = 0;
  field.OnInvalidChar = [&](TCustomUserEdit&, char& key, TUserEditState state) {
    EXPECT_EQ(key, '\t');
    seen = state;
    return false;
  };
  window.Type("\t");
  EXPECT_EQ(window.beeps, 1);
  EXPECT_EQ(seen, uesEditing);
  field.OnInvalidChar = [](TCustomUserEdit&, char&, TUserEditState) { return true; };
  window.Type("\t");
  EXPECT_EQ(window.beeps, 1);
  EXPECT_EQ(window.text, "ab");
}

TEST_F(UserEditTest, AnEditKeyHandlerSeesKeysFirstAndGetsTheTabKey) {
  std::uint16_t key = 9;
  EXPECT_EQ(field.DialogCode(0x81), 0x81u);
  std::vector<std::string> order;
  field.OnKeyDown = [&](TCustomEditEx&, std::uint16_t& k, TShiftState) { order.push_back("key " + std::to_string(k)); };
  field.OnEditKeyDown = [&](TCustomUserEdit&, std::uint16_t& k, TShiftState) {
    order.push_back("edit");
    k = 10;
  };
  EXPECT_EQ(field.DialogCode(0x81), 0x83u);
  field.KeyDown(key, 0);
  EXPECT_EQ(order, (std::vector<std::string>{"edit", "key 10"}));
}

TEST_F(UserEditTest, AMaskedFieldTakesTheKeyAfterTheColourIsRestored) {
  struct Masked : TCustomUserMaskEdit {
    using TCustomUserMaskEdit::TCustomUserMaskEdit;
    void ShowValue() override {}
    void StoreText() override {}
    void RestoreValue() override {}
  };
  FakeEditWindow maskWindow;
  Masked masked(maskWindow);
  maskWindow.control = &masked;
  masked.CreateHandle();
  maskWindow.Enter();
  maskWindow.Type("\t\x1B");
  EXPECT_EQ(maskWindow.text, "\t\x1B") << "the validated field's own key rules are not applied";
}

// --- display -------------------------------------------------------------------

TEST_F(UserEditTest, TheViewFormatFallsBackToTheEditFormat) {
  field.SetFormatEdit("<%s>");
  field.SetValue("12");
  EXPECT_EQ(window.text, "<12>");
  field.SetFormatView("%s EUR");
  field.SetValue("12");
  EXPECT_EQ(window.text, "12 EUR");
  window.Enter();
  EXPECT_EQ(window.text, "<12>");
}

TEST_F(UserEditTest, AFormatThatDoesNotFitRaises) {
  field.SetFormatView("%d");
  EXPECT_THROW(field.SetValue("12"), std::invalid_argument);
  field.SetFormatView("%s und %s");
  EXPECT_THROW(field.SetValue("12"), std::invalid_argument);
}

TEST(FormatText, AcceptsTheDirectivesOfOneTextArgument) {
  EXPECT_EQ(FormatText("%s EUR", "12"), "12 EUR");
  EXPECT_EQ(FormatText("100%% %S", "x"), "100% x");
  EXPECT_EQ(FormatText("[%5s|%0:-5s]", "ab"), "[   ab|ab   ]");
  EXPECT_EQ(FormatText("%.2s", "abcd"), "ab");
  EXPECT_EQ(FormatText("%s=%0:s", "v"), "v=v");
  for (const char* unfit : {"%", "%d", "%1:s", "%s%s", "%.s", "%5", "%99999999999s"})
    EXPECT_THROW(FormatText(unfit, "v"), std::invalid_argument) << unfit;
}

TEST_F(UserEditTest, BeforeAndAfterHandlersShapeTheText) {
  field.OnBeforeTF = [](TCustomUserEdit&, std::string& text, TUserEditState) {
    text = "vorher";
    return true;
  };
  std::string afterSaw;
  field.OnAfterTF = [&](TCustomUserEdit&, std::string& text, TUserEditState) {
    afterSaw = text;
    text += "!";
  };
  field.SetValue("wert");
  EXPECT_EQ(afterSaw, "vorher") << "ShowValue did not run";
  EXPECT_EQ(window.text, "vorher!");

  field.OnBeforeTF = [](TCustomUserEdit&, std::string&, TUserEditState) { return false; };
  field.SetValue("wert");
  EXPECT_EQ(afterSaw, "wert");
  EXPECT_EQ(window.text, "wert!");
}

TEST_F(UserEditTest, KeyboardEnteringSelectsEvenWithoutAutoSelect) {
  field.SetAutoSelect(false);
  field.SetValue("abc");
  window.Enter();
  EXPECT_EQ(field.GetSelText(), "abc");
}

TEST_F(UserEditTest, StoredTextsAreCutTo255Characters) {
  const std::string longText(300, 'x');
  field.SetValue(longText);
  EXPECT_EQ(field.Value().size(), 255u);
  field.SetValueMax(longText);
  EXPECT_EQ(field.ValueMax().size(), 255u);
  field.SetValueMax("");
  window.Enter();
  window.text = longText;
  window.modify = true;
  EXPECT_EQ(field.Value().size(), 255u);
}

TEST_F(UserEditTest, WipingOverwritesTheShownSecretAndEmptiesTheValue) {
  field.SetValue("geheim");
  window.calls.clear();
  field.WipeValue();
  EXPECT_EQ(window.calls, (std::vector<std::string>{"SetText ******", "SetText "}));
  EXPECT_EQ(field.Value(), "");
  window.Enter();
  window.Type("\x1B");
  EXPECT_EQ(window.text, "") << "Escape has nothing to bring back";
}

TEST_F(UserEditTest, ThePromptFallsBackToTheName) {
  EXPECT_EQ(field.ErrPrompt(), "eFeld");
  field.SetErrPrompt("Portal-Id");
  EXPECT_EQ(field.ErrPrompt(), "Portal-Id");
}

TEST_F(UserEditTest, ARightAlignedFieldPaintsItselfOnlyWithoutFocus) {
  EXPECT_FALSE(field.SelfPaintRequest());
  field.SetValue("12");
  field.SetAlignment(TUserAlignment::taRightJustify);
  EXPECT_TRUE(window.Called("Invalidate"));
  auto paint = field.SelfPaintRequest();
  ASSERT_TRUE(paint);
  EXPECT_EQ(paint->text, "12");
  EXPECT_TRUE(paint->framed);
  EXPECT_EQ(paint->inset, 13 / 4);

  field.SetBorderStyle(TBorderStyle::bsNone);
  EXPECT_EQ(field.SelfPaintRequest()->inset, 0);
  window.Enter();
  EXPECT_FALSE(field.SelfPaintRequest());
  const int creations = window.creations;
  field.SetAlignment(TUserAlignment::taLeftJustify);
  EXPECT_EQ(window.creations, creations + 1) << "a focused field is recreated";
  EXPECT_TRUE(window.focused);
}

// --- colours -------------------------------------------------------------------

TEST_F(UserEditTest, ADisabledFieldShowsTheSystemColoursUntilEnabled) {
  field.SetFontColor(0x00112233);
  field.Loaded();  // the saved colours are those of the loaded form
  field.SetEnabled(false);
  EXPECT_EQ(field.Color(), FakeEditWindow::kBtnFace);
  EXPECT_EQ(field.FontColor(), FakeEditWindow::kGrayText);
  field.SetEnabled(true);
  EXPECT_EQ(field.Color(), kFieldColor);
  EXPECT_EQ(field.FontColor(), 0x00112233u);
}

TEST_F(UserEditTest, ColoursAreLeftAloneWhileLoading) {
  FakeEditWindow loadingWindow;
  TEditText loading(loadingWindow);
  loadingWindow.control = &loading;
  loading.ComponentState.Add(ui::ComponentState::Loading);
  loading.SetEnabled(false);
  loading.CreateHandle();
  EXPECT_EQ(loading.Color(), clWindow);
  loading.Loaded();
  EXPECT_EQ(loading.Color(), FakeEditWindow::kBtnFace);
}

TEST_F(UserEditTest, SettingTheFontClearsTheMargins) {
  window.calls.clear();
  field.FontSet();
  EXPECT_EQ(window.calls, std::vector<std::string>{"SetMargins 0 0"});
}

// --- history list ------------------------------------------------------------

struct RecordingList : TCustomEditHistoryList {
  std::vector<std::string> calls;
  void AttachEdit(TCustomUserEdit* field) override { calls.push_back(field ? "attach" : "detach"); }
  void EditBoundsChanged(int, int, int, int) override { calls.push_back("bounds"); }
  void ValueAccepted() override { calls.push_back("accepted"); }
  void EditEntered() override { calls.push_back("entered"); }
  void EditExited() override { calls.push_back("exited"); }
  void EditKeyDown(std::uint16_t&, TShiftState) override { calls.push_back("down"); }
  void EditKeyUp(std::uint16_t&, TShiftState) override { calls.push_back("up"); }
};

TEST_F(UserEditTest, AnAttachedHistoryListFollowsTheField) {
  RecordingList list;
  {
    FakeEditWindow listWindow;
    TEditText withList(listWindow);
    listWindow.control = &withList;
    withList.CreateHandle();
    withList.SetHistoryList(&list);
    listWindow.Enter();
    listWindow.Type("x");
    std::uint16_t key = 'X';
    withList.KeyDown(key, 0);
    withList.KeyUp(key, 0);  // the list is not active: no key-up
    list.Active = true;
    withList.KeyUp(key, 0);
    withList.BoundsChanged(1, 2, 3, 4);
    listWindow.Leave();
  }
  EXPECT_EQ(list.calls, (std::vector<std::string>{"attach", "attach", "entered", "down", "up", "bounds",
                                                  "accepted", "exited", "detach"}));
}

}  // namespace
}  // namespace qalo::editctl
