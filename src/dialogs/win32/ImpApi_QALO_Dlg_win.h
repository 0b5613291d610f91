#pragma once
// The login data dialog Tdlg_QALO_LoginData: portal id, password (masked)
// and the generated key, the version, the note on an empty password and the
// manual. The window; what it decides is LoginDataDialog's. Create, Execute,
// destroy, all on one thread.
#include <string>

#include "dialogs/ImpApi_QALO_Dlg.h"
#include "editctl/win32/EditTextField.h"
#include "ui/Form.h"

namespace qalo {

class Tdlg_QALO_LoginData final : public ui::Form, private LoginDataView {
 public:
  // Creates the hidden dialog with no owner and runs FormCreate; throws
  // when the system refuses. cipher and shell must outlive the dialog.
  Tdlg_QALO_LoginData(Cipher& cipher, Shell& shell, ImportVersionInfoFn importVersionInfo);
  // Wipes the password and key fields before the windows go (FormDestroy).
  ~Tdlg_QALO_LoginData() override;

  // Shows the dialog modally with the three texts (portal id, password,
  // settings text) and returns the modal result: 1 after OK, and the texts
  // then hold the dialog's; 2 after "Abbrechen", Esc or the close box, and
  // the texts are as they were.
  int Execute(std::string& userText, std::string& passwordText, std::string& settingsText);

  ui::Label Label5;
  ui::Label lbVersion;
  ui::Label Label1;
  ui::Label Label2;
  ui::Label lKey;
  ui::Label Label3;
  ui::Label Label4;
  editctl::EditTextField eUser;
  editctl::EditTextField ePassword;
  editctl::EditTextField eKey;
  ui::Button btnCancel;
  ui::Button btnOK;
  ui::Button btnHelp;

 protected:
  void OnShow() override;
  bool OnCloseQuery(int modalResult) override;

 private:
  // The key field as wide as a whole key needs, and the dialog with it.
  void WidenForTheKey();
  editctl::EditTextField& FieldOf(LoginField field);
  std::string Value(LoginField field) override;
  void SetValue(LoginField field, const std::string& value) override;
  void FocusPassword() override;
  void SetVersionText(const std::string& text) override;
  void ShowError(const std::string& title, const std::string& text) override;

  LoginDataDialog logic_;
};

// Control ids, in tab order.
constexpr UINT kLoginUserId = 201;
constexpr UINT kLoginPasswordId = 202;
constexpr UINT kLoginKeyId = 203;
constexpr UINT kLoginCancelId = 204;
constexpr UINT kLoginOkId = 205;
constexpr UINT kLoginHelpId = 206;

}  // namespace qalo
