#pragma once
// The validated text fields. TCustomUserEdit holds a value apart from the
// text its window shows: entering the field shows the value in the edit
// format, selected; leaving a changed field (or Enter in it) checks the text
// against the bounds and, if it passes and the owner agrees, stores it as
// the new value. A failed check colours the field, puts the focus back and
// raises EUserEditError with a German message naming the bound.
// TEditText is the field whose value is a text.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "editctl/UserEdiX.h"

namespace qalo::editctl {

enum class TUserCheckModes : std::uint8_t { ucmMinCheck, ucmMaxCheck, ucmMandatory, ucmSpecial, ucmDependence, ucmNotValid };

// A set of check modes, element n at bit n.
class TUserCheckMode {
 public:
  bool Has(TUserCheckModes m) const noexcept { return (bits_ & Bit(m)) != 0; }
  void Add(TUserCheckModes m) noexcept { bits_ = static_cast<std::uint8_t>(bits_ | Bit(m)); }
  void Remove(TUserCheckModes m) noexcept { bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(m)); }
  bool Empty() const noexcept { return bits_ == 0; }

 private:
  static constexpr std::uint8_t Bit(TUserCheckModes m) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(m)); }
  std::uint8_t bits_ = 0;
};

enum class TUserAlignment { taLeftJustify, taRightJustify };

// The edit state, one byte.
enum TUserEditStateFlag : std::uint8_t {
  uesEditing = 1 << 0,     // the field was entered and its text is being edited
  uesErrorFocus = 1 << 1,  // the focus is being put back after a failed check
  uesErrorColor = 1 << 2,  // the field shows ErrColor
};
using TUserEditState = std::uint8_t;

enum TUserCheckResults : std::uint8_t { ucrNone = 0, ucrBelowMin = 1, ucrAboveMax = 2 };

// Texts stored by the fields are cut to this many characters.
constexpr size_t kMaxText = 255;

// A failed check that no OnValidationError handled; the window layer shows
// its message to the user.
class EUserEditError : public std::runtime_error {
 public:
  EUserEditError(const std::string& message, int helpContext)
      : std::runtime_error(message), HelpContext(helpContext) {}
  int HelpContext;
};

class TCustomUserEdit;

// A list that follows a field (for example, earlier values). The library has
// no implementation; the field does not own the list, which must outlive
// every field that refers to it.
class TCustomEditHistoryList {
 public:
  virtual ~TCustomEditHistoryList() = default;
  virtual void AttachEdit(TCustomUserEdit* field) = 0;
  virtual void EditBoundsChanged(int left, int top, int width, int height) = 0;
  virtual void ValueAccepted() = 0;
  virtual void EditEntered() = 0;
  virtual void EditExited() = 0;
  virtual void EditKeyDown(std::uint16_t& key, TShiftState shift) = 0;
  virtual void EditKeyUp(std::uint16_t& key, TShiftState shift) = 0;
  bool Active = false;
};

using TModifyingEvent = std::function<void(TCustomUserEdit& sender, bool& canModify)>;
using TNotifyEvent = std::function<void(TCustomUserEdit& sender)>;
// True: the handler has produced the text.
using TUserBeforeEvent = std::function<bool(TCustomUserEdit& sender, std::string& spezText, TUserEditState state)>;
using TUserAfterEvent = std::function<void(TCustomUserEdit& sender, std::string& spezText, TUserEditState state)>;
// True suppresses the beep.
using TUserInvalidCharEvent = std::function<bool(TCustomUserEdit& sender, char& key, TUserEditState state)>;
using TValidationErrorEvent = std::function<void(TCustomUserEdit& sender, TUserCheckResults errorResult,
                                                 std::string& errorText, int& helpContext, bool& errorHandled)>;
using TEditKeyEvent = std::function<void(TCustomUserEdit& sender, std::uint16_t& key, TShiftState shift)>;

// What the binding draws for a right-aligned field without focus.
struct SelfPaint {
  std::string text;  // at most kMaxText characters, drawn unchanged
  bool framed;       // a one-pixel frame in the window-frame colour
  int inset;         // from the right edge and the top
};

class TCustomUserEdit : public TCustomEditEx {
 public:
  explicit TCustomUserEdit(EditWindow& window);
  ~TCustomUserEdit() override;

  TUserEditState EditState() const noexcept { return editState_; }
  TUserCheckResults CheckResult() const noexcept { return checkResult_; }

  TUserCheckMode CheckMode;
  TColor ErrColor = clRed;
  std::string ErrPrompt() const { return errPrompt_.empty() ? Name : errPrompt_; }
  void SetErrPrompt(const std::string& prompt);
  const std::string& FormatEdit() const noexcept { return formatEdit_; }
  void SetFormatEdit(const std::string& format);
  const std::string& FormatView() const noexcept { return formatView_.empty() ? formatEdit_ : formatView_; }
  void SetFormatView(const std::string& format);
  TUserAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TUserAlignment alignment);
  TCustomEditHistoryList* HistoryList() const noexcept { return historyList_; }
  void SetHistoryList(TCustomEditHistoryList* list);

  // Checks a pending edit and, if it passes and the owner agrees, stores it.
  // False when the check failed (and an OnValidationError handled it) or the
  // owner refused; a failure nobody handled throws EUserEditError.
  bool ValidateEdit();
  // Shows the value in the text (edit format while editing).
  void UpdateDisplay();
  // Sets the enabled field's colours, or the system's disabled colours.
  void UpdateColors();
  // What the binding paints itself; nothing when the window paints.
  std::optional<SelfPaint> SelfPaintRequest() const;

  TModifyingEvent OnModifying;
  TNotifyEvent OnModified;
  TUserBeforeEvent OnBeforeTF;
  TUserAfterEvent OnAfterTF;
  TUserInvalidCharEvent OnInvalidChar;
  TValidationErrorEvent OnValidationError;
  TEditKeyEvent OnEditKeyDown;  // first on every key-down; the field then also gets Tab

  void Enter() override;
  void Exit() override;
  bool KeyPress(char& key) override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyUp(std::uint16_t& key, TShiftState shift) override;
  void FontSet() override;
  void EnabledChanged() override;
  unsigned DialogCode(unsigned systemCode) const override;
  void BoundsChanged(int left, int top, int width, int height) override;
  void Loaded() override;

 protected:
  virtual bool CheckValue();
  virtual void GetErrorText(std::string& text, size_t maxLen, int& helpContext);
  virtual void ShowValue() = 0;
  virtual void StoreText() = 0;
  virtual bool IsValidChar(char ch) const;
  // A field with an edit mask shows its text as it is, and one of the mask
  // kind lets the window take every key after the error colour is restored.
  virtual bool HasEditMask() const { return false; }
  virtual bool PassesKeysThrough() const { return false; }
  virtual void RestoreValue() = 0;

  void Change() override;
  void CreateWnd() override;
  void ReportCheckError();
  bool InChange() const noexcept { return inChange_; }
  bool Editing() const noexcept { return (editState_ & uesEditing) != 0; }

  TUserCheckResults checkResult_ = ucrNone;

 private:
  void AddState(TUserEditState flags) noexcept { editState_ = static_cast<TUserEditState>(editState_ | flags); }
  void RemoveState(TUserEditState flags) noexcept { editState_ = static_cast<TUserEditState>(editState_ & ~flags); }
  void RestoreColor();
  void TakeFocusBack();

  TUserEditState editState_ = 0;
  TUserAlignment alignment_ = TUserAlignment::taLeftJustify;
  std::string formatEdit_;
  std::string formatView_;
  std::string errPrompt_;
  std::optional<TColor> savedColor_;
  std::optional<TColor> savedFontColor_;
  TCustomEditHistoryList* historyList_ = nullptr;
  bool inChange_ = false;
  int textInset_ = 0;
};

// The field whose value is a text of at most kMaxText characters; bounds are
// compared by the user locale's collation without regard to case. It may
// hold a secret (the password, the key): the copies it makes of its text and
// value are wiped before their memory is given back.
class TEditText : public TCustomUserEdit {
 public:
  using TCustomUserEdit::TCustomUserEdit;

  // While the field is being edited, reading Value first stores a pending
  // edit (ValidateEdit; a failed check throws).
  std::string Value();
  void SetValue(const std::string& value);
  const std::string& ValueMin() const noexcept { return valueMin_; }
  // A new, different bound switches its check on (off when empty).
  void SetValueMin(const std::string& value);
  const std::string& ValueMax() const noexcept { return valueMax_; }
  void SetValueMax(const std::string& value);
  const std::string& ValueDef() const noexcept { return valueDef_; }
  void SetValueDef(const std::string& value);
  // Overwrites text and values before emptying them: for secrets.
  void WipeValue();

 protected:
  bool CheckValue() override;
  void GetErrorText(std::string& text, size_t maxLen, int& helpContext) override;
  void ShowValue() override;
  void StoreText() override;
  bool IsValidChar(char ch) const override;
  void RestoreValue() override;

 private:
  std::string value_;
  std::string undoValue_;
  std::string valueDef_;
  std::string valueMin_;
  std::string valueMax_;
};

// The masked field: its own key handling once an edit mask is set. The
// library sets no mask; the validated field recognises it when a key is
// typed and after loading.
class TCustomUserMaskEdit : public TCustomUserEdit {
 public:
  using TCustomUserEdit::TCustomUserEdit;
  const std::string& EditMask() const noexcept { return editMask_; }
  char BlankChar() const noexcept { return blankChar_; }

 protected:
  bool HasEditMask() const override { return !editMask_.empty(); }
  bool PassesKeysThrough() const override { return true; }

 private:
  std::string editMask_;
  char blankChar_ = '_';
};

}  // namespace qalo::editctl
