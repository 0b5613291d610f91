// The login data dialog and its validated text fields give no password and
// no key back to the heap unwiped: its own copies, the fields' values and
// the texts of their windows, on OK, on cancel, with a refused password and
// with a generated key.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "dialogs/ImpApi_QALO_Dlg.h"
#include "editctl/UserEdit.h"
#include "platform/SecureWipe.h"
#include "secrets/FreedMemoryWatch.h"
#include "support/FakeCipher.h"
#include "support/FakeEditWindow.h"
#include "support/FakeShell.h"

namespace qalo {
namespace {

using test::FreedMemoryWatch;

// Long enough to live on the heap in every copy.
constexpr const char* kOldPassword = "Alt!Passwort-0815-zzz";
constexpr const char* kNewPassword = "Neu!Passwort-4711-yyy";
constexpr const char* kStoredKey = "9f8e7d6c5b4a9f8e7d6c5b4a9f8e7d6c5b4a9f8e7d6c5b4a";
constexpr const char* kGeneratedKey = "a1b2c3d4e5f6a1b2c3d4e5f6a1b2c3d4e5f6a1b2c3d4e5f6";
constexpr const char* kRefusedPassword = "nurkleinbuchstabenxyz";

// The window of the dialog as far as its logic sees it: three validated text
// fields over recording edit windows. Like the real window it wipes the
// password and key fields when it goes.
class FieldsView : public LoginDataView {
 public:
  FieldsView() {
    for (int i = 0; i < 3; ++i) {
      windows_[i].control = &fields_[i];
      fields_[i].CreateHandle();
    }
  }
  ~FieldsView() override {
    Field(LoginField::ePassword).WipeValue();
    Field(LoginField::eKey).WipeValue();
    // What the recording windows kept is the system's memory in the real
    // window, out of the plug-in's hands.
    for (auto& window : windows_) {
      for (auto& call : window.calls) SecureWipe(call);
      SecureWipe(window.text);
    }
  }
  std::string Value(LoginField field) override { return Field(field).Value(); }
  void SetValue(LoginField field, const std::string& value) override { Field(field).SetValue(value); }
  void FocusPassword() override {}
  void SetVersionText(const std::string&) override {}
  void ShowError(const std::string&, const std::string&) override { ++errors; }

  // The user types a new password into the field and leaves it.
  void TypePassword(const char* text) {
    test::FakeEditWindow& window = windows_[static_cast<int>(LoginField::ePassword)];
    window.Enter();
    window.SetSel(0, -1);
    const WipedString typed{std::string(text)};  // the test's own copy
    window.Type(typed.text);
    window.Leave();
  }
  editctl::TEditText& Field(LoginField field) { return fields_[static_cast<int>(field)]; }

  int errors = 0;

 private:
  test::FakeEditWindow windows_[3];
  editctl::TEditText fields_[3]{editctl::TEditText{windows_[0]}, editctl::TEditText{windows_[1]},
                                editctl::TEditText{windows_[2]}};
};

class LoginDataWipeTest : public ::testing::Test {
 protected:
  // One ApiDataDialog call from the caller's texts to the window's end, the
  // caller's own strings apart; `act` is what the user does.
  template <typename Act>
  int Leaks(const char* password, const char* settings, Act act) {
    auto view = std::make_unique<FieldsView>();
    auto dialog = std::make_unique<LoginDataDialog>(*view, cipher_, shell_, [](char* buffer) {
      std::memcpy(buffer, "\x05" "2.0.6", 6);
    });
    view->Field(LoginField::ePassword).OnModified = [&](editctl::TCustomUserEdit&) {
      dialog->ePasswordModified();
    };
    FreedMemoryWatch watch({kOldPassword, kNewPassword, kStoredKey, kGeneratedKey, kRefusedPassword});
    dialog->UserText = "demo";
    dialog->PasswordText = password;
    dialog->SettingsText = settings;
    dialog->FormCreate();
    dialog->FormShow();
    act(*view, *dialog);
    // The caller takes the texts after OK, as ApiDataDialog does, and keeps
    // them out of this count.
    WipedString user(std::move(dialog->UserText));
    WipedString pass(std::move(dialog->PasswordText));
    WipedString text(std::move(dialog->SettingsText));
    dialog.reset();
    view.reset();
    watch.Disarm();
    if (watch.Leaks() > 0) ADD_FAILURE() << "first block: " << watch.FirstLeak();
    return watch.Leaks();
  }

  test::FakeCipher cipher_;
  test::FakeShell shell_;
};

TEST_F(LoginDataWipeTest, NewPasswordConfirmedWithOk) {
  const std::string settings = std::string("UserLogin=demo\r\nUserKey=") + kStoredKey + "\r\n";
  EXPECT_EQ(Leaks(kOldPassword, settings.c_str(), [](FieldsView& view, LoginDataDialog& dialog) {
              view.TypePassword(kNewPassword);
              EXPECT_TRUE(dialog.FormClose(true));
            }),
            0);
}

TEST_F(LoginDataWipeTest, Cancelled) {
  const std::string settings = std::string("UserKey=") + kStoredKey + "\r\n";
  EXPECT_EQ(Leaks(kOldPassword, settings.c_str(), [](FieldsView& view, LoginDataDialog& dialog) {
              view.TypePassword(kNewPassword);
              EXPECT_TRUE(dialog.FormClose(false));
            }),
            0);
}

TEST_F(LoginDataWipeTest, RefusedPasswordThenAGoodOne) {
  EXPECT_EQ(Leaks("", "", [](FieldsView& view, LoginDataDialog& dialog) {
              view.TypePassword(kRefusedPassword);
              EXPECT_EQ(view.errors, 1);
              view.TypePassword(kNewPassword);
              EXPECT_TRUE(dialog.FormClose(true));
            }),
            0);
}

TEST_F(LoginDataWipeTest, GeneratedKey) {
  cipher_.keyHex = std::string(kGeneratedKey) + '\0';
  EXPECT_EQ(Leaks(kOldPassword, "UserLogin=demo\r\n", [](FieldsView&, LoginDataDialog& dialog) {
              EXPECT_TRUE(dialog.FormClose(true));
            }),
            0);
}

// The watch sees a secret that is given back unwiped.
TEST_F(LoginDataWipeTest, TheWatchFindsAnUnwipedCopy) {
  FreedMemoryWatch watch({kNewPassword});
  { std::string copy(kNewPassword); }
  EXPECT_EQ(watch.Leaks(), 1);
  { WipedString copy{std::string(kNewPassword)}; }
  EXPECT_EQ(watch.Leaks(), 1);
}

}  // namespace
}  // namespace qalo
