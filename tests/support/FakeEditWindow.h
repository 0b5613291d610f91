#pragma once
// A recording stand-in for the platform's edit window, and for the user in
// front of it: typing goes through the control's key handling and reports
// EN_CHANGE like the real window; focus moves call the control's entering
// and leaving as the form does.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "editctl/EditWindow.h"
#include "editctl/UserEdiX.h"

namespace qalo::test {

class FakeEditWindow : public editctl::EditWindow {
 public:
  // Receives the window's notifications once attached.
  editctl::TCustomEditEx* control = nullptr;

  // The window.
  bool exists = false;
  std::uint32_t style = 0;
  std::string text;
  editctl::Selection sel;
  bool modify = false;
  bool focused = false;
  bool enabled = true;
  int height = 25;
  int creations = 0;
  // The system.
  int screenFontHeight = 16;
  int controlFontHeight = 13;
  int borderHeight = 1;
  bool leftButtonDown = false;
  int platformId = editctl::kPlatformNT;
  bool farEast = false;
  int beeps = 0;
  std::vector<std::string> calls;  // window operations, in order

  bool Exists() const override { return exists; }
  void Create(std::uint32_t editStyle, const std::string& initialText) override {
    Record("Create");
    exists = true;
    ++creations;
    style = editStyle;
    text = initialText;
    sel = {};
    modify = false;
    if (control) control->EditChanged();  // a notification while creating
  }
  void Destroy() override {
    Record("Destroy");
    exists = false;
    focused = false;
  }
  std::string Text() const override { return text; }
  void SetText(const std::string& newText) override {
    Record("SetText " + newText);
    text = newText;
    sel = {};
    modify = false;
    if (control) control->EditChanged();
  }
  void LimitText(int limit) override { Record("LimitText " + std::to_string(limit)); }
  editctl::Selection GetSel() const override { return sel; }
  void SetSel(int start, int end) override {
    const int size = static_cast<int>(text.size());
    sel.start = std::clamp(start, 0, size);
    sel.end = end < 0 ? size : std::clamp(end, sel.start, size);
  }
  void ScrollCaret() override { Record("ScrollCaret"); }
  bool GetModify() const override { return modify; }
  void SetModify(bool modified) override {
    Record(std::string("SetModify ") + (modified ? "1" : "0"));
    modify = modified;
  }
  void SetPasswordChar(char c) override {
    Record(c ? std::string("SetPasswordChar ") + c : std::string("SetPasswordChar #0"));
  }
  void SetReadOnly(bool readOnly) override { Record(std::string("SetReadOnly ") + (readOnly ? "1" : "0")); }
  void SetMargins(int left, int right) override {
    Record("SetMargins " + std::to_string(left) + " " + std::to_string(right));
  }
  void Copy() override { Record("Copy"); }
  void Paste() override { Record("Paste"); }
  bool Focused() const override { return focused; }
  void SetFocus() override {
    Record("SetFocus");
    if (focused) return;
    focused = true;
    if (control) control->Enter();
  }
  void Invalidate() override { Record("Invalidate"); }
  void SetEnabled(bool enable) override {
    enabled = enable;
    if (exists && control) control->EnabledChanged();
  }
  void SetHeight(int newHeight) override { height = newHeight; }
  int ScreenFontHeight() const override { return screenFontHeight; }
  int ControlFontHeight() const override { return controlFontHeight; }
  int SystemBorderHeight() const override { return borderHeight; }
  bool LeftButtonDown() const override { return leftButtonDown; }
  int PlatformId() const override { return platformId; }
  bool FarEastLocale() const override { return farEast; }
  editctl::TColor SystemColor(int index) const override {
    return index == editctl::kColorBtnFace ? kBtnFace : index == editctl::kColorGrayText ? kGrayText : 0;
  }
  void Beep() override { ++beeps; }
  int CompareText(const std::string& a, const std::string& b) const override {
    std::string la = a, lb = b;
    for (char& c : la) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : lb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return la.compare(lb);
  }

  // The user: the form moves the focus into the field (it is entered).
  void Enter() {
    focused = true;
    control->Enter();
  }
  // The user: the form moves the focus to another control (it is left).
  // Whatever the leaving throws reaches the caller.
  void Leave() {
    focused = false;
    control->Exit();
  }
  // The user types: each character through the key handling, then into the
  // selection like the edit window does (\b deletes backwards).
  void Type(const std::string& chars) {
    for (char c : chars) {
      char key = c;
      if (!control->KeyPress(key)) continue;
      if (key == '\b') {
        if (sel.start == sel.end && sel.start > 0) --sel.start;
        text.erase(static_cast<size_t>(sel.start), static_cast<size_t>(sel.end - sel.start));
        sel.end = sel.start;
      } else {
        text.replace(static_cast<size_t>(sel.start), static_cast<size_t>(sel.end - sel.start), 1, key);
        sel.start = sel.end = sel.start + 1;
      }
      modify = true;
      control->EditChanged();
    }
  }
  bool Called(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

  static constexpr editctl::TColor kBtnFace = 0x00C0C0C0;
  static constexpr editctl::TColor kGrayText = 0x00808080;

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace qalo::test
