#include "dialogs/ImpApi_QALO_Dlg.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "dialogs/PasswordRule.h"
#include "platform/SecureWipe.h"
#include "workflow/SettingsText.h"

namespace qalo {
namespace {

constexpr const char* kKeyName = "UserKey";
constexpr std::size_t kKeyBytes = 24;
constexpr const char* kManualBelowHost = "ImportApi\\QALO\\NOLT-Schnittstelle zu QALOnet.pdf";

// The text as a field holds it: cut in place, so no uncut copy is left
// behind unwiped.
std::string Field(std::string text) {
  if (text.size() > kFieldLength) text.resize(kFieldLength);
  return text;
}

bool IsHexKey(const char* text) {
  const std::size_t n = std::char_traits<char>::length(text);
  return n == kKeyDigits && std::all_of(text, text + n, [](char c) {
           return std::isxdigit(static_cast<unsigned char>(c)) != 0;
         });
}

// The directory of exePath with its trailing backslash (empty without one).
std::string ManualPath(const std::string& exePath) {
  const std::size_t slash = exePath.find_last_of("\\:");
  const std::string directory = slash == std::string::npos ? "" : exePath.substr(0, slash + 1);
  return directory + kManualBelowHost;
}

}  // namespace

LoginDataDialog::LoginDataDialog(LoginDataView& view, Cipher& cipher, Shell& shell,
                                 ImportVersionInfoFn importVersionInfo)
    : view_(view), cipher_(cipher), shell_(shell), importVersionInfo_(std::move(importVersionInfo)) {}

LoginDataDialog::~LoginDataDialog() {
  SecureWipe(PasswordText);
  SecureWipe(SettingsText);
  for (auto& line : SettingsLines) SecureWipe(line);
}

void LoginDataDialog::FormCreate() {
  std::array<char, 256> buffer{};
  importVersionInfo_(buffer.data());
  const auto length = static_cast<unsigned char>(buffer[0]);
  view_.SetVersionText(std::string(buffer.data() + 1, length));
}

void LoginDataDialog::FormShow() {
  view_.SetValue(LoginField::eUser, Field(UserText));
  const WipedString password(Field(PasswordText));
  view_.SetValue(LoginField::ePassword, password.text);
  for (auto& line : SettingsLines) SecureWipe(line);
  SettingsLines = SplitSettings(SettingsText);
  WipedString key(Field(ReadSetting(SettingsLines, kKeyName)));
  if (key.text.empty()) key.text = GenerateKey();
  view_.SetValue(LoginField::eKey, key.text);
}

void LoginDataDialog::ePasswordModified() {
  const WipedString password(view_.Value(LoginField::ePassword));
  if (!CheckPasswordRule(password.text)) RefusePassword();
}

bool LoginDataDialog::FormClose(bool okPressed) {
  if (!okPressed) return true;
  WipedString password(view_.Value(LoginField::ePassword));
  if (password.text != PasswordText && !CheckPasswordRule(password.text)) {
    RefusePassword();
    return false;
  }
  UserText = view_.Value(LoginField::eUser);
  std::swap(PasswordText, password.text);  // the old one is wiped with `password`
  const WipedString key(view_.Value(LoginField::eKey));
  WriteSetting(SettingsLines, kKeyName, key.text);
  WipedString joined(JoinSettings(SettingsLines));
  std::swap(SettingsText, joined.text);
  return true;
}

void LoginDataDialog::btnHelpClick() { shell_.OpenDocument(ManualPath(shell_.HostExecutablePath())); }

bool LoginDataDialog::CheckPasswordRule(const std::string& password) {
  if (qalo::CheckPasswordRule(password)) return true;
  view_.ShowError(kPasswordRuleTitle, kPasswordRuleMessage);
  return false;
}

void LoginDataDialog::RefusePassword() {
  view_.SetValue(LoginField::ePassword, "");
  view_.FocusPassword();
}

std::string LoginDataDialog::GenerateKey() {
  // The generator's contract: 48 digits and a zero. Anything else (an error
  // reported, fewer or other characters) is no key, and the field stays
  // empty rather than show a part of one.
  std::array<char, 50> buffer{};
  const std::int32_t rc = cipher_.RNG_KeyHex(buffer.data(), static_cast<std::int32_t>(kKeyDigits),
                                             static_cast<std::int32_t>(kKeyBytes), "", 0);
  buffer.back() = '\0';
  std::string key = rc == 0 && IsHexKey(buffer.data()) ? std::string(buffer.data()) : std::string();
  SecureWipe(buffer.data(), buffer.size());
  return key;
}

}  // namespace qalo
