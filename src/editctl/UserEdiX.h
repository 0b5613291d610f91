#pragma once
// TCustomEditEx: the single-line edit base of the text fields, over the
// platform's edit window. Every setting lives in the object while no window
// exists and is pushed into the window when it is created, so the window can
// be destroyed and created again without losing text, limit, password
// character or the modified flag. The binding calls the message handlers.
#include <cstdint>
#include <functional>
#include <string>

#include "editctl/EditWindow.h"
#include "ui/ComponentState.h"

namespace qalo::editctl {

enum class TBorderStyle { bsNone, bsSingle };
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// Modifier keys held with a key.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;

class TCustomEditEx {
 public:
  explicit TCustomEditEx(EditWindow& window);
  TCustomEditEx(const TCustomEditEx&) = delete;
  TCustomEditEx& operator=(const TCustomEditEx&) = delete;
  virtual ~TCustomEditEx() = default;

  // Settings; each setter does nothing for an unchanged value.
  int MaxLength() const noexcept { return maxLength_; }
  void SetMaxLength(int maxLength);
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle borderStyle);
  char PasswordChar() const noexcept { return passwordChar_; }
  void SetPasswordChar(char passwordChar);
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool AutoSize() const noexcept { return autoSize_; }
  void SetAutoSize(bool autoSize);
  bool AutoSelect() const noexcept { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) noexcept { autoSelect_ = autoSelect; }
  TEditCharCase CharCase() const noexcept { return charCase_; }
  void SetCharCase(TEditCharCase charCase);
  bool TabStop() const noexcept { return tabStop_; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool enabled);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  TColor FontColor() const noexcept { return fontColor_; }
  void SetFontColor(TColor color);

  // The text: the window's while it exists, else the stored one.
  std::string Text() const;
  void SetText(const std::string& text);
  bool Modified() const;
  void SetModified(bool modified);
  // Overwrites the text (window and stored) before emptying it: for secrets.
  void WipeText();

  virtual int GetSelLength() const;
  virtual int GetSelStart() const;
  virtual std::string GetSelText() const;
  virtual void SetSelLength(int length);
  virtual void SetSelStart(int start);
  virtual void Clear();
  // Copies the selection into buffer (size bytes, zero-terminated, at most
  // size - 1 characters); returns the number of characters copied.
  virtual int GetSelTextBuf(char* buffer, int size) const;
  void SelectAll();
  void CopyToClipboard();
  void PasteFromClipboard();

  bool Focused() const;
  void SetFocus();

  // The window's lifetime. The binding creates the window once it has a
  // parent; a change of border or character case recreates it.
  void CreateHandle();
  void DestroyHandle();
  bool HandleAllocated() const { return window_.Exists(); }
  // The edit window's style bits for the current settings.
  std::uint32_t WindowStyle() const;

  // Message handlers, called by the binding.
  virtual void Enter();                      // the form's active control becomes this one
  virtual void Exit();                       // the form's active control was this one
  void FontChanged();                        // the control's font changed
  virtual void FontSet() {}                  // after the window's own WM_SETFONT
  void EditChanged();                        // EN_CHANGE
  // A typed character (in/out); true when the window should take it.
  virtual bool KeyPress(char& key);
  // A key going down or up (in/out; 0 swallows it).
  virtual void KeyDown(std::uint16_t& key, TShiftState shift);
  virtual void KeyUp(std::uint16_t& key, TShiftState shift);
  virtual void EnabledChanged() {}           // after the window's own WM_ENABLE
  virtual unsigned DialogCode(unsigned systemCode) const { return systemCode; }
  virtual void BoundsChanged(int /*left*/, int /*top*/, int /*width*/, int /*height*/) {}
  // Runs once the form that created the control has created all its controls.
  virtual void Loaded();

  ui::ComponentStates ComponentState;
  std::string Name;
  int HelpContext = 0;

  std::function<void(TCustomEditEx&)> OnChange;
  std::function<void(TCustomEditEx&)> OnEnter;
  std::function<void(TCustomEditEx&)> OnExit;
  std::function<void(TCustomEditEx&, char& key)> OnKeyPress;
  std::function<void(TCustomEditEx&, std::uint16_t& key, TShiftState shift)> OnKeyDown;
  std::function<void(TCustomEditEx&, std::uint16_t& key, TShiftState shift)> OnKeyUp;

 protected:
  virtual void ApplyMaxLength(int maxLength);
  virtual void Change();
  // After the window was created and the settings pushed in.
  virtual void CreateWnd();
  void RecreateWnd();
  EditWindow& Window() const noexcept { return window_; }
  bool Designing() const noexcept { return ComponentState.Has(ui::ComponentState::Designing); }

  // Not published: every field keeps these defaults.
  bool hideSelection_ = true;
  bool oemConvert_ = false;

 private:
  void UpdateHeight();
  void AdjustHeight();

  EditWindow& window_;
  int maxLength_ = 0;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
  char passwordChar_ = '\0';
  bool readOnly_ = false;
  bool autoSize_ = true;
  bool autoSelect_ = true;
  TEditCharCase charCase_ = TEditCharCase::ecNormal;
  bool tabStop_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  TColor fontColor_ = clWindowText;
  bool fixedHeight_ = true;
  bool creating_ = false;
  bool storedModified_ = false;
  std::string storedText_;
};

}  // namespace qalo::editctl
