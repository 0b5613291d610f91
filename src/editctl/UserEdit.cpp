#include "editctl/UserEdit.h"

#include <algorithm>

#include "editctl/FormatText.h"
#include "editctl/UserEditTexts.h"
#include "platform/ScopeExit.h"
#include "platform/SecureWipe.h"

namespace qalo::editctl {
namespace {

constexpr char kTab = 9;
constexpr char kEnter = 13;
constexpr char kEscape = 27;
constexpr unsigned kDlgcWantTab = 2;      // DLGC_WANTTAB

std::string Cut(const std::string& text, size_t maxLen = kMaxText) { return text.substr(0, maxLen); }

}  // namespace

TCustomUserEdit::TCustomUserEdit(EditWindow& window) : TCustomEditEx(window) {
  textInset_ = std::min(window.ScreenFontHeight(), window.ControlFontHeight()) / 4;
}

TCustomUserEdit::~TCustomUserEdit() {
  ComponentState.Add(ui::ComponentState::Destroying);
  if (historyList_) historyList_->AttachEdit(nullptr);
}

void TCustomUserEdit::SetErrPrompt(const std::string& prompt) { errPrompt_ = Cut(prompt); }
void TCustomUserEdit::SetFormatEdit(const std::string& format) { formatEdit_ = Cut(format); }
void TCustomUserEdit::SetFormatView(const std::string& format) { formatView_ = Cut(format); }

void TCustomUserEdit::SetAlignment(TUserAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  if (Focused())
    RecreateWnd();
  else if (HandleAllocated())
    Window().Invalidate();
}

void TCustomUserEdit::SetHistoryList(TCustomEditHistoryList* list) {
  if (historyList_) historyList_->AttachEdit(nullptr);
  historyList_ = list;
  if (historyList_) historyList_->AttachEdit(this);
}

void TCustomUserEdit::UpdateDisplay() {
  bool produced = false;
  if (OnBeforeTF) {
    WipedString spezText(Text());
    produced = OnBeforeTF(*this, spezText.text, editState_);
    if (produced) SetText(spezText.text);
  }
  if (!produced) ShowValue();
  if (Editing()) {
    SelectAll();
    SetModified(false);
  }
  if (OnAfterTF) {
    WipedString spezText(Text());
    OnAfterTF(*this, spezText.text, editState_);
    SetText(spezText.text);
  }
}

void TCustomUserEdit::Enter() {
  if (Designing()) {
    TCustomEditEx::Enter();
    return;
  }
  if (!(editState_ & uesErrorFocus)) {
    AddState(uesEditing);
    savedColor_ = Color();
    UpdateDisplay();
    if (historyList_) {
      historyList_->AttachEdit(this);
      historyList_->EditEntered();
    }
    TCustomEditEx::Enter();
  }
  RemoveState(uesErrorFocus);
}

void TCustomUserEdit::Exit() {
  if (!Designing()) {
    if (!Modified()) {
      RemoveState(uesEditing);
      UpdateDisplay();
    } else if (ValidateEdit()) {
      RemoveState(uesEditing);
      SetModified(false);
      if (OnModified) OnModified(*this);
      UpdateDisplay();
      if (historyList_) historyList_->ValueAccepted();
    }
    if (historyList_) historyList_->EditExited();
  }
  TCustomEditEx::Exit();
}

bool TCustomUserEdit::ValidateEdit() {
  if (!Modified()) return true;
  if (CheckValue()) {
    bool canModify = true;
    if (!Designing() && OnModifying) OnModifying(*this, canModify);
    if (Designing() || canModify) {
      StoreText();
      return true;
    }
    TakeFocusBack();
    return false;
  }
  if (!Designing()) {
    TakeFocusBack();
    SetColor(ErrColor);
    AddState(uesErrorColor);
  }
  ReportCheckError();
  return false;
}

void TCustomUserEdit::TakeFocusBack() {
  // Giving the focus back enters the field again, at once or not at all: the
  // flag keeps that entering from showing the value over the text the user
  // is to correct, and must not outlive it, or it would swallow the next one.
  AddState(uesErrorFocus);
  SetFocus();
  RemoveState(uesErrorFocus);
}

bool TCustomUserEdit::CheckValue() {
  checkResult_ = ucrNone;
  return true;
}

void TCustomUserEdit::GetErrorText(std::string& /*text*/, size_t /*maxLen*/, int& helpContext) {
  helpContext = HelpContext;
}

void TCustomUserEdit::ReportCheckError() {
  if (checkResult_ == ucrNone) return;
  Window().Beep();
  std::string errorText;
  int helpContext = 0;
  GetErrorText(errorText, kMaxText, helpContext);
  bool errorHandled = false;
  if (OnValidationError) OnValidationError(*this, checkResult_, errorText, helpContext, errorHandled);
  if (errorHandled) return;
  throw EUserEditError(Cut(errorText), helpContext);
}

bool TCustomUserEdit::IsValidChar(char ch) const {
  return static_cast<unsigned char>(ch) < 32 && ch != kTab;
}

void TCustomUserEdit::RestoreColor() {
  if (editState_ & uesErrorColor) {
    if (savedColor_) SetColor(*savedColor_);
    RemoveState(uesErrorColor);
  }
}

bool TCustomUserEdit::KeyPress(char& key) {
  RestoreColor();
  if (PassesKeysThrough()) return TCustomEditEx::KeyPress(key);
  if (!IsValidChar(key)) {
    if (OnInvalidChar && !OnInvalidChar(*this, key, editState_)) Window().Beep();
    return false;
  }
  if (key == kEscape) {
    RestoreValue();
    return false;
  }
  if (key == kEnter) {
    if (Modified()) {
      AddState(uesEditing);
      if (!Designing()) ValidateEdit();
      RemoveState(uesEditing);
      SetModified(false);
      if (OnModified) OnModified(*this);
    }
    return false;
  }
  return TCustomEditEx::KeyPress(key);
}

void TCustomUserEdit::KeyDown(std::uint16_t& key, TShiftState shift) {
  if (OnEditKeyDown) OnEditKeyDown(*this, key, shift);
  if (historyList_ && !Designing()) historyList_->EditKeyDown(key, shift);
  TCustomEditEx::KeyDown(key, shift);
}

void TCustomUserEdit::KeyUp(std::uint16_t& key, TShiftState shift) {
  TCustomEditEx::KeyUp(key, shift);
  if (historyList_ && !Designing() && historyList_->Active) historyList_->EditKeyUp(key, shift);
}

unsigned TCustomUserEdit::DialogCode(unsigned systemCode) const {
  return OnEditKeyDown ? systemCode | kDlgcWantTab : systemCode;
}

void TCustomUserEdit::FontSet() { Window().SetMargins(0, 0); }

void TCustomUserEdit::EnabledChanged() { UpdateColors(); }

void TCustomUserEdit::BoundsChanged(int left, int top, int width, int height) {
  const bool loading = ComponentState.Has(ui::ComponentState::Loading);
  if (!Designing() && !loading && historyList_) historyList_->EditBoundsChanged(left, top, width, height);
}

void TCustomUserEdit::UpdateColors() {
  if (!ComponentState.Empty()) return;
  if (Enabled()) {
    if (savedColor_) SetColor(*savedColor_);
    if (savedFontColor_) SetFontColor(*savedFontColor_);
  } else {
    // Read each time: the user may change the system colours meanwhile.
    SetColor(Window().SystemColor(kColorBtnFace));
    SetFontColor(Window().SystemColor(kColorGrayText));
  }
}

void TCustomUserEdit::Loaded() {
  TCustomEditEx::Loaded();
  savedColor_ = Color();
  savedFontColor_ = FontColor();
  UpdateColors();
  if (!HasEditMask()) UpdateDisplay();
}

void TCustomUserEdit::CreateWnd() {
  TCustomEditEx::CreateWnd();
  UpdateColors();
}

void TCustomUserEdit::Change() {
  inChange_ = true;
  const ScopeExit done([this] { inChange_ = false; });
  TCustomEditEx::Change();
}

std::optional<SelfPaint> TCustomUserEdit::SelfPaintRequest() const {
  if (alignment_ == TUserAlignment::taLeftJustify || Focused()) return std::nullopt;
  const bool framed = BorderStyle() == TBorderStyle::bsSingle;
  return SelfPaint{Cut(WipedString(Text()).text), framed, framed ? textInset_ : 0};
}

std::string TEditText::Value() {
  if (!Designing() && Editing()) ValidateEdit();
  return value_;
}

void TEditText::SetValue(const std::string& value) {
  AssignWiped(value_, value, kMaxText);
  AssignWiped(undoValue_, value_);
  UpdateDisplay();
}

void TEditText::SetValueMin(const std::string& value) {
  const std::string bound = Cut(value);
  if (bound == valueMin_) return;
  valueMin_ = bound;
  if (valueMin_.empty())
    CheckMode.Remove(TUserCheckModes::ucmMinCheck);
  else
    CheckMode.Add(TUserCheckModes::ucmMinCheck);
}

void TEditText::SetValueMax(const std::string& value) {
  const std::string bound = Cut(value);
  if (bound == valueMax_) return;
  valueMax_ = bound;
  if (valueMax_.empty())
    CheckMode.Remove(TUserCheckModes::ucmMaxCheck);
  else
    CheckMode.Add(TUserCheckModes::ucmMaxCheck);
}

void TEditText::WipeValue() {
  WipeText();
  SecureWipe(value_);
  SecureWipe(undoValue_);
}

void TEditText::SetValueDef(const std::string& value) { valueDef_ = Cut(value); }

bool TEditText::CheckValue() {
  if (!InChange() && WipedString(Text()).text.empty()) SetText(valueDef_);
  TCustomUserEdit::CheckValue();
  const WipedString current(Text());
  const std::string& text = current.text;
  if (CheckMode.Has(TUserCheckModes::ucmMinCheck) && Window().CompareText(text, valueMin_) < 0) {
    checkResult_ = ucrBelowMin;
    return false;
  }
  if (CheckMode.Has(TUserCheckModes::ucmMaxCheck) && Window().CompareText(text, valueMax_) > 0) {
    checkResult_ = ucrAboveMax;
    return false;
  }
  return true;
}

void TEditText::GetErrorText(std::string& text, size_t maxLen, int& helpContext) {
  TCustomUserEdit::GetErrorText(text, maxLen, helpContext);
  if (checkResult_ != ucrBelowMin && checkResult_ != ucrAboveMax) return;
  const bool range =
      CheckMode.Has(TUserCheckModes::ucmMinCheck) && CheckMode.Has(TUserCheckModes::ucmMaxCheck);
  std::string message = range ? kRangeMessage : checkResult_ == ucrBelowMin ? kMinimumMessage : kMaximumMessage;
  message = Cut(ReplaceIgnoringCase(message, "[Minimum]", valueMin_));
  message = Cut(ReplaceIgnoringCase(message, "[Maximum]", valueMax_));
  text = Cut(message, maxLen);
}

void TEditText::ShowValue() {
  const std::string& format = Editing() ? FormatEdit() : FormatView();
  if (format.empty()) {
    SetText(value_);
    return;
  }
  WipedString shown(FormatText(format, value_));
  if (shown.text.size() > kMaxText) shown.text.resize(kMaxText);
  SetText(shown.text);
}

void TEditText::StoreText() {
  AssignWiped(value_, WipedString(Text()).text, kMaxText);
  AssignWiped(undoValue_, value_);
}

bool TEditText::IsValidChar(char ch) const {
  return static_cast<unsigned char>(ch) >= 32 || TCustomUserEdit::IsValidChar(ch);
}

void TEditText::RestoreValue() { SetValue(undoValue_); }

}  // namespace qalo::editctl
