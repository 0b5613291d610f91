#include "dialogs/ImpApi_QALO_Dlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/PasswordRule.h"
#include "platform/SystemCipher.h"
#include "support/FakeCipher.h"
#include "support/FakeLoginDataView.h"
#include "support/FakeShell.h"

namespace qalo {
namespace {

using test::FakeCipher;
using test::FakeLoginDataView;
using test::FakeShell;

const std::string kGeneratedKey = "0123456789abcdefABCDEF0123456789abcdef0123456789";
const std::string kStoredKey = "00112233445566778899AABBCCDDEEFF0011223344556677";

class LoginDataDialogTest : public ::testing::Test {
 protected:
  // The dialog as ApiDataDialog runs it: created, given the caller's texts,
  // shown.
  void Show(const std::string& user, const std::string& password, const std::string& settings) {
    dialog_.FormCreate();
    dialog_.UserText = user;
    dialog_.PasswordText = password;
    dialog_.SettingsText = settings;
    dialog_.FormShow();
  }
  void Type(LoginField field, const std::string& text) { view_.values[field] = text; }
  std::string Shown(LoginField field) { return view_.Value(field); }

  FakeLoginDataView view_;
  FakeCipher cipher_;
  FakeShell shell_;
  LoginDataDialog dialog_{view_, cipher_, shell_, [](char* buffer) {
                            std::memcpy(buffer, "\x05" "2.0.6junk", 10);
                          }};
};

TEST_F(LoginDataDialogTest, VersionLabelReadsTheLengthPrefixedText) {
  dialog_.FormCreate();
  EXPECT_EQ(view_.versionText, "2.0.6");
}

TEST_F(LoginDataDialogTest, ShowFillsTheFieldsCutTo255) {
  Show(std::string(300, 'u'), std::string(256, 'p'), "UserLogin=x\r\nUserKey=" + kStoredKey);
  EXPECT_EQ(Shown(LoginField::eUser), std::string(255, 'u'));
  EXPECT_EQ(Shown(LoginField::ePassword), std::string(255, 'p'));
  EXPECT_EQ(Shown(LoginField::eKey), kStoredKey);
  EXPECT_TRUE(cipher_.keyHexCalls.empty());
  EXPECT_TRUE(view_.errors.empty());
}

TEST_F(LoginDataDialogTest, StoredKeyIsShownUnchangedWhateverItHolds) {
  Show("demo", "", "userKEY=not hex \xE4" + std::string(300, 'k'));
  EXPECT_EQ(Shown(LoginField::eKey), "not hex \xE4" + std::string(246, 'k'));
  EXPECT_TRUE(cipher_.keyHexCalls.empty());
}

TEST_F(LoginDataDialogTest, MissingKeyIsGeneratedOnceWithTheGeneratorsArguments) {
  Show("demo", "", "UserLogin=demo\r\n");
  ASSERT_EQ(cipher_.keyHexCalls.size(), 1u);
  EXPECT_EQ(cipher_.keyHexCalls[0].maxChars, 48);
  EXPECT_EQ(cipher_.keyHexCalls[0].nBytes, 24);
  EXPECT_EQ(cipher_.keyHexCalls[0].seed, "");
  EXPECT_EQ(cipher_.keyHexCalls[0].seedLen, 0);
  EXPECT_EQ(Shown(LoginField::eKey), kGeneratedKey);  // case as delivered
  ASSERT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(dialog_.SettingsText, "UserLogin=demo\r\nUserKey=" + kGeneratedKey + "\r\n");

  // The next dialog over the returned settings keeps that key.
  FakeLoginDataView nextView;
  LoginDataDialog next(nextView, cipher_, shell_, [](char* b) { b[0] = 0; });
  next.SettingsText = dialog_.SettingsText;
  next.FormShow();
  EXPECT_EQ(nextView.Value(LoginField::eKey), kGeneratedKey);
  EXPECT_EQ(cipher_.keyHexCalls.size(), 1u);
}

TEST_F(LoginDataDialogTest, FailedGenerationLeavesTheKeyEmpty) {
  cipher_.keyHexResult = 6;
  cipher_.keyHex = std::string("0123", 5);
  Show("demo", "", "");
  EXPECT_EQ(Shown(LoginField::eKey), "");

  // Success reported, but not 48 digits: too short, not hex, unterminated
  // across the whole 50-byte buffer.
  for (const std::string& delivered :
       {std::string(40, 'a') + '\0', std::string(47, 'a') + "g" + '\0', std::string(50, 'f')}) {
    cipher_.keyHexResult = 0;
    cipher_.keyHex = delivered;
    dialog_.FormShow();
    EXPECT_EQ(Shown(LoginField::eKey), "") << delivered.size();
  }
  ASSERT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(dialog_.SettingsText, "");  // no key line written for no key
}

TEST_F(LoginDataDialogTest, EmptyKeyLineIsReplacedInPlace) {
  Show("demo", "", "UserLogin=demo\r\nUSERKEY=\r\nTicketData=CD\r\n\r\nPassword=x");
  EXPECT_EQ(Shown(LoginField::eKey), kGeneratedKey);
  ASSERT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(dialog_.SettingsText, "UserLogin=demo\r\nUserKey=" + kGeneratedKey +
                                      "\r\nTicketData=CD\r\n\r\nPassword=x\r\n");
}

TEST_F(LoginDataDialogTest, KeyLineFoundWithoutRegardToCaseIsRewrittenInPlace) {
  Show("demo", "", "A=1\nuserkey=" + kStoredKey + "\nB=2");
  ASSERT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(dialog_.SettingsText, "A=1\r\nUserKey=" + kStoredKey + "\r\nB=2\r\n");
}

TEST_F(LoginDataDialogTest, LongSettingsPassThroughWhole) {
  const std::string longLine = "Note=" + std::string(4995, 'n');
  Show("demo", "", longLine + "\rUserKey=" + kStoredKey);
  ASSERT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(dialog_.SettingsText, longLine + "\r\nUserKey=" + kStoredKey + "\r\n");
}

TEST_F(LoginDataDialogTest, CancelWritesNothingBack) {
  Show("demo", "Old#Pass1", "UserLogin=demo\n");
  Type(LoginField::eUser, "other");
  Type(LoginField::ePassword, "New#Pass2");
  EXPECT_TRUE(dialog_.FormClose(false));
  EXPECT_EQ(dialog_.UserText, "demo");
  EXPECT_EQ(dialog_.PasswordText, "Old#Pass1");
  EXPECT_EQ(dialog_.SettingsText, "UserLogin=demo\n");
  EXPECT_TRUE(view_.errors.empty());
}

TEST_F(LoginDataDialogTest, OkWritesTheFieldsBack) {
  Show("demo", "", "UserKey=" + kStoredKey);
  Type(LoginField::eUser, "portal-7");
  Type(LoginField::ePassword, "Neu#Pass1");
  EXPECT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(dialog_.UserText, "portal-7");
  EXPECT_EQ(dialog_.PasswordText, "Neu#Pass1");
  EXPECT_TRUE(view_.errors.empty());
}

TEST_F(LoginDataDialogTest, RefusedNewPasswordKeepsTheDialogOpenUntilEmptied) {
  Show("demo", "Old#Pass1", "UserKey=" + kStoredKey);
  Type(LoginField::eUser, "other");
  Type(LoginField::ePassword, "short");
  EXPECT_FALSE(dialog_.FormClose(true));
  ASSERT_EQ(view_.errors.size(), 1u);
  EXPECT_EQ(view_.errors[0].title, kPasswordRuleTitle);
  EXPECT_EQ(view_.errors[0].text, kPasswordRuleMessage);
  EXPECT_EQ(Shown(LoginField::ePassword), "");
  EXPECT_EQ(view_.passwordFocused, 1);
  EXPECT_EQ(dialog_.UserText, "demo");
  EXPECT_EQ(dialog_.PasswordText, "Old#Pass1");
  EXPECT_EQ(dialog_.SettingsText, "UserKey=" + kStoredKey);

  // OK again with the field left empty: closes with an empty password.
  EXPECT_TRUE(dialog_.FormClose(true));
  EXPECT_EQ(view_.errors.size(), 1u);
  EXPECT_EQ(dialog_.UserText, "other");
  EXPECT_EQ(dialog_.PasswordText, "");
}

TEST_F(LoginDataDialogTest, UnchangedPasswordIsNotTestedAgain) {
  Show("demo", "weak", "");
  EXPECT_TRUE(dialog_.FormClose(true));
  EXPECT_TRUE(view_.errors.empty());
  EXPECT_EQ(dialog_.PasswordText, "weak");
}

TEST_F(LoginDataDialogTest, PasswordFieldRefusesABrokenRuleWhenLeft) {
  Show("demo", "", "");
  Type(LoginField::ePassword, "abcdefgh1");
  dialog_.ePasswordModified();
  ASSERT_EQ(view_.errors.size(), 1u);
  EXPECT_EQ(view_.errors[0].text, kPasswordRuleMessage);
  EXPECT_EQ(Shown(LoginField::ePassword), "");
  EXPECT_EQ(view_.passwordFocused, 1);

  for (const char* accepted : {"", "abcdefgH1"}) {
    Type(LoginField::ePassword, accepted);
    dialog_.ePasswordModified();
    EXPECT_EQ(Shown(LoginField::ePassword), accepted);
  }
  EXPECT_EQ(view_.errors.size(), 1u);
  EXPECT_EQ(view_.passwordFocused, 1);
}

TEST_F(LoginDataDialogTest, ManualBesideTheHostsExecutable) {
  dialog_.btnHelpClick();
  shell_.exePath = "";
  dialog_.btnHelpClick();
  EXPECT_EQ(shell_.opened,
            (std::vector<std::string>{
                "C:\\Programme\\NOLT\\ImportApi\\QALO\\NOLT-Schnittstelle zu QALOnet.pdf",
                "ImportApi\\QALO\\NOLT-Schnittstelle zu QALOnet.pdf"}));
}

// With the platform's generator: 48 hexadecimal digits, and a cancelled
// dialog's key is not the next one's.
TEST(LoginDataDialogKeyTest, EachDialogWithoutKeyGeneratesAFreshOne) {
  const auto cipher = MakeSystemCipher();
  FakeShell shell;
  std::string keys[2];
  for (std::string& key : keys) {
    FakeLoginDataView view;
    LoginDataDialog dialog(view, *cipher, shell, [](char* b) { b[0] = 0; });
    dialog.SettingsText = "UserLogin=demo\r\n";
    dialog.FormShow();
    key = view.Value(LoginField::eKey);
    EXPECT_TRUE(dialog.FormClose(false));
    EXPECT_EQ(key.find_first_not_of("0123456789abcdefABCDEF"), std::string::npos) << key;
    EXPECT_EQ(key.size(), 48u);
  }
  EXPECT_NE(keys[0], keys[1]);
}

}  // namespace
}  // namespace qalo
