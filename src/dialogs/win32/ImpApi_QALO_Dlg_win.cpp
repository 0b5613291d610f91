#include "dialogs/win32/ImpApi_QALO_Dlg_win.h"

#include <algorithm>

#include "ui/Gdi.h"
#include "ui/Message.h"

namespace qalo {
namespace {

using editctl::TBorderStyle;

constexpr ui::FontStyle kBold{-11, true};
constexpr ui::FontStyle kTenPoint{-13, false};

constexpr ui::FormLayout kForm{"QALO Zugangsdaten", 260, 236, ui::Frame::DialogClose,
                               ui::CloseAction::Cancel};
const ui::ControlLayout kLabel5{{8, 8, 132, 13}, "Schnittstellen-Version: ", kBold};
const ui::ControlLayout kVersion{{144, 8, 105, 13}, "", kBold};
const ui::ControlLayout kLabel1{{8, 33, 0, 0}, "Portal-Id", {}};
const ui::ControlLayout kUser{{8, 48, 145, 15}, "", {}};
const ui::ControlLayout kLabel2{{8, 65, 0, 0}, "Passwort *", {}};
const ui::ControlLayout kPassword{{8, 80, 145, 15}, "", {}};
const ui::ControlLayout kKeyLabel{{8, 97, 0, 0}, "Key", {}};
const ui::ControlLayout kKey{{8, 112, 241, 15}, "", {}};
const ui::ControlLayout kLabel3{{8, 144, 5, 16}, "*", kTenPoint};
const ui::ControlLayout kLabel4{
    {16, 144, 225, 41},
    "Wenn Sie das Passwort hier nicht eingegeben wird bei jedem Abruf der Daten danach gefragt.",
    {}};
const ui::ControlLayout kHelp{{8, 203, 75, 25}, "Anleitung", kBold};
const ui::ControlLayout kCancel{{98, 203, 75, 25}, "Abbrechen", {}};
const ui::ControlLayout kOk{{182, 203, 75, 25}, "OK", {}};

// What the key field needs to show any key whole: its widest digit, either
// case, as often as a key has digits, in the field's own font.
int KeyWidthIn(HWND field) {
  const ui::UniqueWindowDc dc = ui::WindowDc(field);
  if (!dc) return 0;
  const ui::UniqueSelection font = ui::Select(dc.get(), ui::FontOf(field));
  LONG widest = 0;
  for (const char digit : std::string("0123456789ABCDEFabcdef")) {
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), &digit, 1, &size);
    widest = std::max(widest, size.cx);
  }
  return static_cast<int>(widest) * static_cast<int>(kKeyDigits);
}

}  // namespace

Tdlg_QALO_LoginData::Tdlg_QALO_LoginData(Cipher& cipher, Shell& shell,
                                         ImportVersionInfoFn importVersionInfo)
    : logic_(*this, cipher, shell, std::move(importVersionInfo)) {
  CreateForm(kForm, nullptr);
  Label5.Create(*this, kLabel5);
  lbVersion.Create(*this, kVersion, ui::LabelFit::Fixed);
  // The version follows the caption where the font makes the caption wider.
  const ui::Bounds caption = Label5.Placement();
  if (caption.left + caption.width > lbVersion.Placement().left)
    lbVersion.SetLeft(caption.left + caption.width);
  Label1.Create(*this, kLabel1);
  Label2.Create(*this, kLabel2);
  lKey.Create(*this, kKeyLabel);
  Label3.Create(*this, kLabel3, ui::LabelFit::Fixed);
  Label4.Create(*this, kLabel4, ui::LabelFit::WordWrap);

  for (editctl::EditTextField* field : {&eUser, &ePassword, &eKey})
    field->SetBorderStyle(TBorderStyle::bsNone);
  // No more than ApiDataDialog can hand back: nothing typed is cut unseen.
  eUser.SetMaxLength(kLoginTextChars);
  ePassword.SetMaxLength(kLoginTextChars);
  ePassword.SetPasswordChar('*');
  ePassword.OnModified = [this](editctl::TCustomUserEdit&) { logic_.ePasswordModified(); };
  eKey.SetReadOnly(true);
  eKey.SetEnabled(false);
  // Created in tab order: the fields, then "Abbrechen", "OK", "Anleitung".
  eUser.Create(*this, kUser, kLoginUserId);
  ePassword.Create(*this, kPassword, kLoginPasswordId);
  eKey.Create(*this, kKey, kLoginKeyId);
  btnCancel.Create(*this, kCancel, kLoginCancelId);
  btnOK.Create(*this, kOk, kLoginOkId, true);
  btnHelp.Create(*this, kHelp, kLoginHelpId);
  WidenForTheKey();
  btnCancel.ModalResult = ui::kResultCancel;
  btnOK.ModalResult = ui::kResultOk;
  btnHelp.OnClick = [this] { logic_.btnHelpClick(); };
  SetDefaultButton(&btnOK);
  SetCancelButton(&btnCancel);

  logic_.FormCreate();
}

Tdlg_QALO_LoginData::~Tdlg_QALO_LoginData() {
  ePassword.WipeValue();
  eKey.WipeValue();
  DestroyHandle();
}

int Tdlg_QALO_LoginData::Execute(std::string& userText, std::string& passwordText,
                                 std::string& settingsText) {
  logic_.UserText = userText;
  logic_.PasswordText = passwordText;
  logic_.SettingsText = settingsText;
  const int result = ShowModal();
  if (result == ui::kResultOk) {
    userText.swap(logic_.UserText);
    passwordText.swap(logic_.PasswordText);
    settingsText.swap(logic_.SettingsText);
  }
  return result;
}

void Tdlg_QALO_LoginData::WidenForTheKey() {
  const ui::Bounds key = eKey.Placement();
  const int extra = KeyWidthIn(eKey.Handle()) - key.width;
  if (extra <= 0) return;
  eKey.SetWidth(key.width + extra);
  // The dialog keeps its margin right of the field, and the buttons on the
  // right stay at its right edge.
  RECT client;
  GetClientRect(Handle(), &client);
  SetClientSize(client.right + extra, client.bottom);
  for (ui::Button* button : {&btnCancel, &btnOK}) button->SetLeft(button->Placement().left + extra);
}

void Tdlg_QALO_LoginData::OnShow() { logic_.FormShow(); }

bool Tdlg_QALO_LoginData::OnCloseQuery(int modalResult) {
  return logic_.FormClose(modalResult == ui::kResultOk);
}

editctl::EditTextField& Tdlg_QALO_LoginData::FieldOf(LoginField field) {
  switch (field) {
    case LoginField::eUser: return eUser;
    case LoginField::ePassword: return ePassword;
    case LoginField::eKey: break;
  }
  return eKey;
}

std::string Tdlg_QALO_LoginData::Value(LoginField field) { return FieldOf(field).Value(); }

void Tdlg_QALO_LoginData::SetValue(LoginField field, const std::string& value) {
  FieldOf(field).SetValue(value);
}

void Tdlg_QALO_LoginData::FocusPassword() { ePassword.SetFocus(); }

void Tdlg_QALO_LoginData::SetVersionText(const std::string& text) { lbVersion.SetCaption(text); }

void Tdlg_QALO_LoginData::ShowError(const std::string& title, const std::string& text) {
  ui::ShowMessage(Handle(), text, title, MB_OK | MB_ICONERROR);
}

}  // namespace qalo
