#pragma once
// What the login data dialog Tdlg_QALO_LoginData decides, apart from its
// window: the fields it edits, the password rule at the password field and
// at OK, the key generated once, the settings text written back, the manual.
// The window implements LoginDataView and calls the event handlers below
// from its own events, on its own thread.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/Cipher.h"
#include "platform/Shell.h"

namespace qalo {

// The dialog's three text fields (TEditText, Value at most 255 characters).
enum class LoginField { eUser, ePassword, eKey };

// The most characters of a portal id or password that ApiDataDialog gives
// back to the host's buffers of 128 bytes.
constexpr int kLoginTextChars = 127;

// The key: hexadecimal digits for 24 bytes.
constexpr std::size_t kKeyDigits = 48;

// The window as the dialog's logic sees it.
class LoginDataView {
 public:
  virtual ~LoginDataView() = default;
  // Reading a value stores a pending edit of that field first.
  virtual std::string Value(LoginField field) = 0;
  virtual void SetValue(LoginField field, const std::string& value) = 0;
  // Gives ePassword the input focus.
  virtual void FocusPassword() = 0;
  // The text of lbVersion.
  virtual void SetVersionText(const std::string& text) = 0;
  // A modal message box with the error icon and one button "OK"; returns
  // when the user has closed it.
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
};

// The longest text a field holds; longer texts are cut on the way in.
constexpr std::size_t kFieldLength = 255;

// ImportVersionInfo: fills a 256-byte buffer with a length-prefixed text.
using ImportVersionInfoFn = std::function<void(char* versionBuffer)>;

// The logic of one Tdlg_QALO_LoginData, for one ApiDataDialog call: the
// caller sets UserText, PasswordText and SettingsText, the window runs
// FormCreate, FormShow, its events and FormClose, and after OK the caller
// reads the three texts back. Password and settings copies (the settings
// hold the key) are wiped when the object goes.
class LoginDataDialog {
 public:
  // view, cipher and shell must outlive the dialog.
  LoginDataDialog(LoginDataView& view, Cipher& cipher, Shell& shell,
                  ImportVersionInfoFn importVersionInfo);
  ~LoginDataDialog();
  LoginDataDialog(const LoginDataDialog&) = delete;
  LoginDataDialog& operator=(const LoginDataDialog&) = delete;

  // Portal id, password and settings text: the caller's before the dialog
  // is shown, the dialog's after OK.
  std::string UserText;
  std::string PasswordText;
  std::string SettingsText;

  // Once, when the window has its controls: the version label.
  void FormCreate();
  // Each time the window is shown: fills the fields from the texts and
  // generates a key when the settings hold none. A failed generation leaves
  // the key field empty, never part of a key.
  void FormShow();
  // The user changed the password and left its field: a password that
  // breaks the rule is refused with the message, emptied and refocused.
  void ePasswordModified();
  // The window is about to close with okPressed (modal result 1) or
  // otherwise. Returns false when it must stay open: a changed password
  // breaks the rule (message, field emptied and refocused, nothing written
  // back). On OK it writes UserText, PasswordText and SettingsText (with
  // the key field's value as UserKey); otherwise it changes nothing.
  bool FormClose(bool okPressed);
  // Opens the manual beside the host's executable; nothing is reported.
  void btnHelpClick();

 private:
  // The rule, with the message when it fails.
  bool CheckPasswordRule(const std::string& password);
  // Empties ePassword and gives it the focus again.
  void RefusePassword();
  std::string GenerateKey();

  LoginDataView& view_;
  Cipher& cipher_;
  Shell& shell_;
  ImportVersionInfoFn importVersionInfo_;
  // SettingsText split into lines (line rules of the settings text).
  std::vector<std::string> SettingsLines;
};

}  // namespace qalo
