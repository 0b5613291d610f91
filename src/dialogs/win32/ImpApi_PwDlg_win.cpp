#include "dialogs/win32/ImpApi_PwDlg_win.h"

#include <optional>
#include <stdexcept>

#include "dialogs/ImpApi_PwDlg.h"
#include "platform/SecureWipe.h"

namespace qalo {
namespace {

constexpr ui::FormLayout kForm{"", 319, 146, ui::Frame::DialogNoMenu, ui::CloseAction::None};
const ui::ControlLayout kLabel1{{16, 16, 0, 0}, "Bitte geben Sie das Passwort zum Login-Kennwort", {}};
const ui::ControlLayout kInfotext{{16, 32, 0, 0}, "", {}};
const ui::ControlLayout kPasswort{{16, 56, 201, 21}, "", {}};
const ui::ControlLayout kOk{{232, 112, 75, 25}, "Ok", {}};
const ui::ControlLayout kCancel{{144, 112, 75, 25}, "Abbrechen", {}};
constexpr UINT kPasswortId = 101;
constexpr UINT kOkId = 102;
constexpr UINT kCancelId = 103;

}  // namespace

TImpApiPwDlg::TImpApiPwDlg(HWND owner) {
  CreateForm(kForm, owner);
  Label1.Create(*this, kLabel1);
  lbInfotext.Create(*this, kInfotext);
  // Created in tab order: the field, then "Ok", then "Abbrechen".
  ePasswort.Create(*this, kPasswort, kPasswortId, {true});
  btnOk.Create(*this, kOk, kOkId, true);
  btnCancel.Create(*this, kCancel, kCancelId);
  btnOk.ModalResult = ui::kResultOk;
  btnCancel.ModalResult = ui::kResultCancel;
  SetDefaultButton(&btnOk);
}

TImpApiPwDlg::~TImpApiPwDlg() {
  ePasswort.WipeText();
  SecureWipe(PasswordText);
  DestroyHandle();
}

bool TImpApiPwDlg::Execute() {
  SetText(PwDlgCaption(ServiceName));
  lbInfotext.SetCaption(PwDlgInfoText(ServiceName, UserName));
  if (ShowModal() != ui::kResultOk) return false;
  std::string typed = ePasswort.Text();
  PasswordText.swap(typed);
  SecureWipe(typed);
  return true;
}

std::optional<std::string> Win32PasswordPrompt::Ask(const std::string& serviceName,
                                                    const std::string& userName) {
  std::optional<TImpApiPwDlg> dialog;
  try {
    dialog.emplace(nullptr);
  } catch (const std::runtime_error&) {
    throw WindowUnavailable(UnavailableWindow::PasswordPrompt);
  }
  dialog->ServiceName = serviceName;
  dialog->UserName = userName;
  if (!dialog->Execute()) return std::nullopt;
  return std::optional<std::string>(std::move(dialog->PasswordText));
}

}  // namespace qalo
