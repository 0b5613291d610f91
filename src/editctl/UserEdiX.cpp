#include "editctl/UserEdiX.h"

#include <algorithm>
#include <cstring>

#include "platform/SecureWipe.h"

namespace qalo::editctl {

TCustomEditEx::TCustomEditEx(EditWindow& window) : window_(window) { AdjustHeight(); }

void TCustomEditEx::SetMaxLength(int maxLength) {
  if (maxLength == maxLength_) return;
  maxLength_ = maxLength;
  if (HandleAllocated()) ApplyMaxLength(maxLength_);
}

void TCustomEditEx::SetBorderStyle(TBorderStyle borderStyle) {
  if (borderStyle == borderStyle_) return;
  borderStyle_ = borderStyle;
  UpdateHeight();
  RecreateWnd();
}

void TCustomEditEx::SetPasswordChar(char passwordChar) {
  if (passwordChar == passwordChar_) return;
  passwordChar_ = passwordChar;
  if (!HandleAllocated()) return;
  window_.SetPasswordChar(passwordChar_);
  // Written back so the window draws it again, masked or plain.
  const WipedString text(window_.Text());
  window_.SetText(text.text);
}

void TCustomEditEx::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  if (HandleAllocated()) window_.SetReadOnly(readOnly_);
}

void TCustomEditEx::SetAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  UpdateHeight();
}

void TCustomEditEx::SetCharCase(TEditCharCase charCase) {
  if (charCase == charCase_) return;
  charCase_ = charCase;
  RecreateWnd();
}

void TCustomEditEx::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  window_.SetEnabled(enabled_);
}

void TCustomEditEx::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (HandleAllocated()) window_.Invalidate();
}

void TCustomEditEx::SetFontColor(TColor color) {
  if (color == fontColor_) return;
  fontColor_ = color;
  if (HandleAllocated()) window_.Invalidate();
}

std::string TCustomEditEx::Text() const { return HandleAllocated() ? window_.Text() : storedText_; }

void TCustomEditEx::SetText(const std::string& text) {
  if (WipedString(Text()).text == text) return;
  if (HandleAllocated()) {
    window_.SetText(text);  // the window reports the change (EN_CHANGE)
  } else {
    AssignWiped(storedText_, text);
    Change();
  }
}

void TCustomEditEx::WipeText() {
  if (HandleAllocated()) {
    const size_t length = WipedString(window_.Text()).text.size();
    if (length > 0) window_.SetText(std::string(length, '*'));
    window_.SetText("");
  }
  SecureWipe(storedText_);
}

bool TCustomEditEx::Modified() const { return HandleAllocated() ? window_.GetModify() : storedModified_; }

void TCustomEditEx::SetModified(bool modified) {
  if (HandleAllocated())
    window_.SetModify(modified);
  else
    storedModified_ = modified;
}

int TCustomEditEx::GetSelLength() const {
  const Selection sel = window_.GetSel();
  return sel.end - sel.start;
}

int TCustomEditEx::GetSelStart() const { return window_.GetSel().start; }

std::string TCustomEditEx::GetSelText() const {
  const Selection sel = window_.GetSel();
  const WipedString whole(window_.Text());
  const std::string& text = whole.text;
  const auto start = static_cast<size_t>(std::clamp(sel.start, 0, static_cast<int>(text.size())));
  const auto end = static_cast<size_t>(std::clamp(sel.end, static_cast<int>(start), static_cast<int>(text.size())));
  return text.substr(start, end - start);
}

void TCustomEditEx::SetSelLength(int length) {
  const int start = window_.GetSel().start;
  window_.SetSel(start, start + length);
  window_.ScrollCaret();
}

void TCustomEditEx::SetSelStart(int start) { window_.SetSel(start, start); }

void TCustomEditEx::Clear() { SetText(""); }

int TCustomEditEx::GetSelTextBuf(char* buffer, int size) const {
  if (!buffer || size <= 0) return 0;
  const WipedString selected(GetSelText());
  const std::string& selection = selected.text;
  const int count = std::min(static_cast<int>(selection.size()), size - 1);
  std::memcpy(buffer, selection.data(), static_cast<size_t>(count));
  buffer[count] = '\0';
  return count;
}

void TCustomEditEx::SelectAll() { window_.SetSel(0, -1); }
void TCustomEditEx::CopyToClipboard() { window_.Copy(); }
void TCustomEditEx::PasteFromClipboard() { window_.Paste(); }

bool TCustomEditEx::Focused() const { return HandleAllocated() && window_.Focused(); }

void TCustomEditEx::SetFocus() {
  if (HandleAllocated()) window_.SetFocus();
}

std::uint32_t TCustomEditEx::WindowStyle() const {
  std::uint32_t bits = style::kAutoHScroll | style::kAutoVScroll;
  if (tabStop_) bits |= style::kTabStop;
  if (!enabled_) bits |= style::kDisabled;
  if (borderStyle_ == TBorderStyle::bsSingle) bits |= style::kBorder;
  if (passwordChar_ != '\0') bits |= style::kPassword;
  if (readOnly_) bits |= style::kReadOnly;
  if (charCase_ == TEditCharCase::ecUpperCase) bits |= style::kUpperCase;
  if (charCase_ == TEditCharCase::ecLowerCase) bits |= style::kLowerCase;
  if (!hideSelection_) bits |= style::kNoHideSel;
  if (oemConvert_) bits |= style::kOemConvert;
  return bits;
}

void TCustomEditEx::CreateHandle() {
  if (HandleAllocated()) return;
  std::uint32_t bits = WindowStyle();
  // Read-only edits of Far East Windows 9x are made read-only after creation.
  const bool readOnlyLater =
      (bits & style::kReadOnly) && window_.FarEastLocale() && window_.PlatformId() != kPlatformNT;
  if (readOnlyLater) bits &= ~style::kReadOnly;
  creating_ = true;
  try {
    window_.Create(bits, storedText_);
  } catch (...) {
    creating_ = false;
    throw;
  }
  creating_ = false;
  if (readOnlyLater) window_.SetReadOnly(true);
  CreateWnd();
}

void TCustomEditEx::CreateWnd() {
  ApplyMaxLength(maxLength_);
  SetModified(storedModified_);
  if (passwordChar_ != '\0') window_.SetPasswordChar(passwordChar_);
  UpdateHeight();
}

void TCustomEditEx::DestroyHandle() {
  if (!HandleAllocated()) return;
  storedModified_ = window_.GetModify();
  SecureWipe(storedText_);
  storedText_ = window_.Text();
  window_.Destroy();
}

void TCustomEditEx::RecreateWnd() {
  if (!HandleAllocated()) return;
  const bool hadFocus = Focused();
  DestroyHandle();
  CreateHandle();
  if (hadFocus) SetFocus();
}

void TCustomEditEx::ApplyMaxLength(int maxLength) { window_.LimitText(maxLength); }

void TCustomEditEx::Change() {
  if (OnChange) OnChange(*this);
}

void TCustomEditEx::UpdateHeight() {
  fixedHeight_ = autoSize_ && borderStyle_ == TBorderStyle::bsSingle;
  if (fixedHeight_) AdjustHeight();
}

void TCustomEditEx::AdjustHeight() {
  const int screen = window_.ScreenFontHeight();
  const int font = window_.ControlFontHeight();
  window_.SetHeight(font + std::min(screen, font) / 4 + 4 * window_.SystemBorderHeight());
}

void TCustomEditEx::Enter() {
  // A click that is still held places the caret itself.
  if (autoSelect_ && !window_.LeftButtonDown() && !(WindowStyle() & style::kMultiLine)) SelectAll();
  if (OnEnter) OnEnter(*this);
}

void TCustomEditEx::Exit() {
  if (OnExit) OnExit(*this);
}

void TCustomEditEx::FontChanged() {
  const bool designLoading =
      ComponentState.Has(ui::ComponentState::Designing) && ComponentState.Has(ui::ComponentState::Loading);
  if (fixedHeight_ && !designLoading) AdjustHeight();
}

void TCustomEditEx::EditChanged() {
  if (!creating_) Change();
}

bool TCustomEditEx::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(*this, key);
  return key != '\0';
}

void TCustomEditEx::KeyDown(std::uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void TCustomEditEx::KeyUp(std::uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(*this, key, shift);
}

void TCustomEditEx::Loaded() {
  ComponentState.Remove(ui::ComponentState::Loading);
  ComponentState.Remove(ui::ComponentState::Reading);
}

}  // namespace qalo::editctl
