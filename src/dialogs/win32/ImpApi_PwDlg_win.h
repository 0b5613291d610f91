#pragma once
// The password prompt TImpApiPwDlg: a modal dialog that asks for the
// password of the depot interface. Create, set ServiceName and UserName,
// Execute, read PasswordText, destroy; all on one thread.
#include <string>

#include "platform/Dialogs.h"
#include "ui/Form.h"

namespace qalo {

class TImpApiPwDlg final : public ui::Form {
 public:
  // Creates the hidden dialog; throws when the system refuses.
  explicit TImpApiPwDlg(HWND owner = nullptr);
  // Wipes the password (field and PasswordText) before the memory goes.
  ~TImpApiPwDlg() override;

  // Shows the prompt modally; true after "Ok", and PasswordText then holds
  // the field's text exactly as typed. "Abbrechen" gives false and leaves
  // PasswordText as it was. Esc and the close request do nothing.
  bool Execute();

  std::string ServiceName;
  std::string UserName;
  std::string PasswordText;

  ui::Label Label1;
  ui::Label lbInfotext;
  ui::Edit ePasswort;
  ui::Button btnOk;
  ui::Button btnCancel;
};

// The workflow's seam: one dialog per question, with no owner.
class Win32PasswordPrompt final : public PasswordPrompt {
 public:
  std::optional<std::string> Ask(const std::string& serviceName, const std::string& userName) override;
};

}  // namespace qalo
