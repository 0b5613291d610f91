#pragma once
// TEditText in a real edit window on a form of the window layer.
//
//   editctl::EditTextField eUser;                  // a member of the form
//   eUser.SetBorderStyle(TBorderStyle::bsNone);     // settings before or after Create
//   eUser.Create(*this, {{8, 48, 145, 15}, "", {}}, kUserId);   // in tab order
//   eUser.SetValue(UserText);  ...  UserText = eUser.Value();
//
// The form runs the field's Loaded before it is first shown. Everything runs
// on the form's thread.
#include "editctl/UserEdit.h"
#include "ui/Controls.h"

namespace qalo::editctl {

// The layer's superclassed EDIT window of one field: one system call per
// operation, and the window's messages handed to the field's handlers.
class Win32EditWindow final : public ui::Control, public EditWindow {
 public:
  // The field receives the window's messages from here on.
  void Attach(TCustomUserEdit& field) noexcept { field_ = &field; }
  // Where and how the window is created: parent, id, the stored placement
  // and font (scaled as the parent is).
  void Place(const ui::Window& parent, UINT id, const ui::Bounds& bounds, const ui::FontStyle& font);

  bool Exists() const override { return Handle() != nullptr; }
  void Create(std::uint32_t editStyle, const std::string& text) override;
  void Destroy() override;
  std::string Text() const override { return ui::Control::Text(); }
  void SetText(const std::string& text) override { ui::Control::SetText(text); }
  void LimitText(int limit) override;
  Selection GetSel() const override;
  void SetSel(int start, int end) override;
  void ScrollCaret() override;
  bool GetModify() const override;
  void SetModify(bool modified) override;
  void SetPasswordChar(char c) override;
  void SetReadOnly(bool readOnly) override;
  void SetMargins(int left, int right) override;
  void Copy() override;
  void Paste() override;
  bool Focused() const override;
  void SetFocus() override;
  void Invalidate() override;
  void SetEnabled(bool enabled) override;
  void SetHeight(int height) override;
  int ScreenFontHeight() const override;
  int ControlFontHeight() const override;
  int SystemBorderHeight() const override;
  bool LeftButtonDown() const override;
  int PlatformId() const override;
  bool FarEastLocale() const override;
  TColor SystemColor(int index) const override;
  void Beep() override;
  int CompareText(const std::string& a, const std::string& b) const override;

  void EnterControl() override;
  void ExitControl() override;
  void OnCommand(WORD notification) override;
  HBRUSH OnControlColor(HDC dc) override;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Loaded() override;

 private:
  void PaintSelf(const SelfPaint& paint, HDC given);
  HBRUSH BrushFor(COLORREF color);

  TCustomUserEdit* field_ = nullptr;
  UINT id_ = 0;
  bool recreating_ = false;
  HWND previousSibling_ = nullptr;  // keeps the tab order across a recreation
  ui::UniqueBrush brush_;
  COLORREF brushColor_ = 0;
};

namespace detail {
// Constructed before the field, so the field can be built on the window.
struct EditWindowHolder {
  Win32EditWindow editWindow;
};
}  // namespace detail

class EditTextField : private detail::EditWindowHolder, public TEditText {
 public:
  EditTextField();
  ~EditTextField() override;

  // Creates the window on parent with the layout's placement and font (the
  // layout's text is not used: the field shows its value); call it in tab
  // order. Throws when the system refuses.
  void Create(const ui::Window& parent, const ui::ControlLayout& layout, UINT id);
  HWND Handle() const noexcept { return editWindow.Handle(); }
  // In pixels as shown.
  const ui::Bounds& Placement() const noexcept { return editWindow.Placement(); }
  void SetWidth(int width) { editWindow.SetSize(width, editWindow.Placement().height); }
};

}  // namespace qalo::editctl
