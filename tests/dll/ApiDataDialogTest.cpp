// The login data dialog through the real DLL, as a host opens it with
// ApiDataDialog and a user works it: typed characters, Tab, Enter, Esc,
// clicks, the close box. The user runs on a second thread; the dialog on
// this one, as in a host's user-interface thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ImpApiQALO.h"
#include "support/RecordingViewer.h"
#include "support/UserDriver.h"

namespace qalo::test {
namespace {

constexpr const char* kCaption = "QALO Zugangsdaten";
// The dialog's control ids: portal id, password, key.
constexpr int kUserId = 201;
constexpr int kPasswordId = 202;
constexpr int kKeyId = 203;

constexpr const char* kRuleMessage =
    "Das Passwort muss folgenden Anforderungen gen\xFCgen:\r"
    "1. mindestens 8 Stellen\r"
    "2. mindestens drei der folgenden 4 Bedingungen:\r"
    "   - eine Zahl\r"
    "   - ein Gro\xDF" "buchstabe\r"
    "   - ein Kleinbuchstabe\r"
    "   - ein Sonderzeichen";

// Counts the dialog boxes created on the thread that runs the dialog: every
// message box the user is shown.
std::atomic<int> gDialogBoxes{0};
LRESULT CALLBACK CountDialogBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    char cls[16] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0) ++gDialogBoxes;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The three caller-owned buffers, filled beyond the text with a pattern so
// that any byte written is seen.
struct Buffers {
  std::vector<char> user, password, settings;
  Buffers(const std::string& u, const std::string& p, const std::string& s,
          std::size_t userSize = IMPAPIQALO_USER_BUFFER_SIZE,
          std::size_t settingsSize = IMPAPIQALO_SETTINGS_BUFFER_SIZE)
      : user(Filled(u, userSize)),
        password(Filled(p, IMPAPIQALO_PASSWORD_BUFFER_SIZE)),
        settings(Filled(s, settingsSize)) {}
  static std::vector<char> Filled(const std::string& text, std::size_t size) {
    std::vector<char> buffer(std::max(size, text.size() + 2), '\x5A');
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
    return buffer;
  }
  bool operator==(const Buffers& o) const {
    return user == o.user && password == o.password && settings == o.settings;
  }
};

bool IsHexKey(const std::string& key) {
  return key.size() == 48 && std::all_of(key.begin(), key.end(), [](char c) {
           return std::isxdigit(static_cast<unsigned char>(c)) != 0;
         });
}

class ApiDataDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { module_ = LoadLibraryA("ImpApiQALO.dll"); }
  static void TearDownTestSuite() { FreeLibrary(module_); }

  void SetUp() override {
    ASSERT_NE(module_, nullptr);
    dialog_ = reinterpret_cast<ImpApiQALO_ApiDataDialog>(
        reinterpret_cast<void*>(GetProcAddress(module_, "ApiDataDialog")));
    ASSERT_NE(dialog_, nullptr);
    gDialogBoxes = 0;
    hook_ = SetWindowsHookExA(WH_CBT, &CountDialogBoxes, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook_, nullptr);
  }
  void TearDown() override { UnhookWindowsHookEx(hook_); }

  // Runs ApiDataDialog on this thread while `user` works the dialog.
  std::int32_t Run(Buffers& b, const std::function<void(HWND)>& user) {
    return Run(b.user.data(), b.password.data(), b.settings.data(), user);
  }
  std::int32_t Run(char* userBuffer, char* passwordBuffer, char* settingsBuffer,
                   const std::function<void(HWND)>& user) {
    User person([&] {
      HWND form = WaitForOwnWindow(kCaption);
      ASSERT_NE(form, nullptr) << "the dialog did not come";
      user(form);
    });
    const std::int32_t result = dialog_(userBuffer, passwordBuffer, settingsBuffer);
    person.Join();
    return result;
  }

  static HWND Field(HWND form, int id) { return GetDlgItem(form, id); }

  // Waits until the dialog's thread has the focus in `control`.
  static bool FocusReaches(HWND form, HWND control) {
    return WaitUntil([&] { return FocusOf(form) == control; });
  }

  // The user tabs from the portal id into the password field and types;
  // returns the password field.
  static HWND TypePassword(HWND form, const std::string& text) {
    HWND password = Field(form, kPasswordId);
    PressKey(Field(form, kUserId), VK_TAB);
    EXPECT_TRUE(FocusReaches(form, password));
    Type(password, text);
    return password;
  }

  // The user reads the rule's message box, checks it and presses its OK;
  // returns once the box is gone and the focus back in the password field.
  static void AcknowledgeRuleMessage(HWND form) {
    HWND box = WaitForOwnWindow("Fehler", "#32770");
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), kRuleMessage);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(FocusReaches(form, Field(form, kPasswordId)));
    // Served only once the dialog's thread is back in its own loop.
    SendMessageA(form, WM_NULL, 0, 0);
  }

  static HMODULE module_;
  ImpApiQALO_ApiDataDialog dialog_ = nullptr;
  HHOOK hook_ = nullptr;
};

HMODULE ApiDataDialogTest::module_ = nullptr;

const std::string kSettings = "UserLogin=demo\r\nTicketData=\r\n";

TEST_F(ApiDataDialogTest, OkWithANewAcceptedPasswordReturnsTheTextsAndTheGeneratedKey) {
  Buffers b("demo", "", kSettings);
  std::string key;
  const std::int32_t result = Run(b, [&](HWND form) {
    EXPECT_NE(Child(form, "2.0.6"), nullptr) << "version label";
    HWND user = Field(form, kUserId);
    ASSERT_TRUE(FocusReaches(form, user));
    Type(user, "kunde7");  // replaces the selected "demo"
    PressKey(user, VK_TAB);
    HWND password = Field(form, kPasswordId);
    ASSERT_TRUE(FocusReaches(form, password));
    Type(password, "Neu#Pass1");
    PressKey(password, VK_TAB);
    // The key field is skipped: it can neither be focused nor edited.
    ASSERT_TRUE(FocusReaches(form, Child(form, "Abbrechen")));
    key = TextOf(Field(form, kKeyId));
    EXPECT_FALSE(IsWindowEnabled(Field(form, kKeyId)));
    PostMessageA(Child(form, "OK"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(gDialogBoxes, 0);
  EXPECT_STREQ(b.user.data(), "kunde7");
  EXPECT_STREQ(b.password.data(), "Neu#Pass1");
  EXPECT_TRUE(IsHexKey(key)) << key;
  EXPECT_EQ(std::string(b.settings.data()), kSettings + "UserKey=" + key + "\r\n");
}

TEST_F(ApiDataDialogTest, PasswordRefusedOnLeavingTheFieldThenEscLeavesTheBuffers) {
  Buffers b("demo", "Alt#Pass9", kSettings);
  const Buffers before = b;
  const std::int32_t result = Run(b, [&](HWND form) {
    HWND password = TypePassword(form, "kurz1");
    PressKey(password, VK_TAB);
    AcknowledgeRuleMessage(form);
    EXPECT_EQ(TextOf(password), "");
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(gDialogBoxes, 1);
    PressKey(password, VK_ESCAPE);
  });
  EXPECT_EQ(result, 2);
  EXPECT_TRUE(b == before) << "a cancelled dialog wrote into the buffers";
}

TEST_F(ApiDataDialogTest, PasswordRefusedAtOkKeepsTheDialogOpenUntilOkWithAnEmptyField) {
  Buffers b("demo", "Alt#Pass9", kSettings);
  const std::int32_t result = Run(b, [&](HWND form) {
    HWND password = TypePassword(form, "einfach1");  // two classes only
    PressKey(password, VK_RETURN);
    AcknowledgeRuleMessage(form);
    EXPECT_EQ(TextOf(password), "");
    EXPECT_TRUE(IsWindowVisible(form)) << "closed with a refused password";
    EXPECT_EQ(gDialogBoxes, 1);
    PressKey(password, VK_RETURN);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(gDialogBoxes, 1);
  EXPECT_STREQ(b.password.data(), "");
}

TEST_F(ApiDataDialogTest, ClickOnOkWithARefusedPasswordShowsOneMessageAndStaysOpen) {
  Buffers b("demo", "Alt#Pass9", kSettings);
  const Buffers before = b;
  const std::int32_t result = Run(b, [&](HWND form) {
    HWND password = TypePassword(form, "\xE4\xF6\xFC\xDF" "1234");  // lower case and digits
    PostMessageA(Child(form, "OK"), BM_CLICK, 0, 0);
    AcknowledgeRuleMessage(form);
    EXPECT_EQ(TextOf(password), "");
    EXPECT_TRUE(IsWindowVisible(form)) << "closed with a refused password";
    EXPECT_EQ(gDialogBoxes, 1);
    PostMessageA(Child(form, "Abbrechen"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(result, 2);
  EXPECT_TRUE(b == before);
}

TEST_F(ApiDataDialogTest, TheUnchangedOldPasswordIsNotTestedAgain) {
  Buffers b("demo", "abc", kSettings);
  const std::int32_t result =
      Run(b, [&](HWND form) { PostMessageA(Child(form, "OK"), BM_CLICK, 0, 0); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(gDialogBoxes, 0);
  EXPECT_STREQ(b.password.data(), "abc");
}

TEST_F(ApiDataDialogTest, CloseBoxLeavesTheBuffersAndEachDialogGeneratesAnotherKey) {
  std::vector<std::string> keys;
  for (int run = 0; run < 2; ++run) {
    Buffers b("demo", "", kSettings);
    const Buffers before = b;
    const std::int32_t result = Run(b, [&](HWND form) {
      keys.push_back(TextOf(Field(form, kKeyId)));
      PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(b == before);
  }
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_TRUE(IsHexKey(keys[0])) << keys[0];
  EXPECT_TRUE(IsHexKey(keys[1])) << keys[1];
  EXPECT_NE(keys[0], keys[1]);
}

TEST_F(ApiDataDialogTest, AnExistingKeyIsShownAndKeptInItsPlace) {
  const std::string settings = "userkey=00112233445566778899AABBCCDDEEFF0011223344556\r\nUserLogin=demo\n";
  Buffers b("demo", "", settings);
  const std::int32_t result = Run(b, [&](HWND form) {
    EXPECT_EQ(TextOf(Field(form, kKeyId)), "00112233445566778899AABBCCDDEEFF0011223344556");
    PressKey(Field(form, kUserId), VK_RETURN);
  });
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(b.settings.data(),
               "UserKey=00112233445566778899AABBCCDDEEFF0011223344556\r\nUserLogin=demo\r\n");
}

TEST_F(ApiDataDialogTest, LongTextsComeBackCutTo127And4095Characters) {
  const std::string user(200, 'u');
  std::string settings = "UserKey=" + std::string(48, 'a') + "\r\n";
  while (settings.size() < 5000) settings += "Zeile=" + std::string(40, 'z') + "\r\n";
  Buffers b(user, "", settings, 256, 6000);
  const Buffers before = b;
  const std::int32_t result =
      Run(b, [&](HWND form) { PressKey(Field(form, kUserId), VK_RETURN); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::string(b.user.data()), std::string(127, 'u'));
  EXPECT_TRUE(std::equal(b.user.begin() + 128, b.user.end(), before.user.begin() + 128))
      << "written past the cut";
  EXPECT_EQ(std::string(b.settings.data()), settings.substr(0, 4095));
}

// What the host's buffers cannot take back is never typed in the first place.
TEST_F(ApiDataDialogTest, PortalIdAndPasswordTakeNoMoreThan127TypedCharacters) {
  Buffers b("", "", kSettings);
  const Buffers before = b;
  std::string user, password;
  const std::int32_t result = Run(b, [&](HWND form) {
    ASSERT_TRUE(FocusReaches(form, Field(form, kUserId)));
    Type(Field(form, kUserId), std::string(130, 'u'));
    HWND passwordField = TypePassword(form, "Aa1#" + std::string(126, 'p'));
    PressKey(passwordField, VK_TAB);  // once it has gone on, every key was taken
    ASSERT_TRUE(FocusReaches(form, Child(form, "Abbrechen")));
    user = TextOf(Field(form, kUserId));
    password = TextOf(passwordField);
    PressKey(Child(form, "Abbrechen"), VK_ESCAPE);
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(user, std::string(127, 'u'));
  EXPECT_EQ(password.size(), 127u);
  EXPECT_EQ(b.user, before.user);
}

TEST_F(ApiDataDialogTest, NullBuffersAreEmptyTextsAndGetNothingBack) {
  for (const int closeWith : {VK_RETURN, VK_ESCAPE}) {
    std::string userText = "?", keyText;
    const std::int32_t result = Run(nullptr, nullptr, nullptr, [&](HWND form) {
      userText = TextOf(Field(form, kUserId));
      keyText = TextOf(Field(form, kKeyId));
      PressKey(Field(form, kUserId), closeWith);
    });
    EXPECT_EQ(result, closeWith == VK_RETURN ? 1 : 2);
    EXPECT_EQ(userText, "");
    EXPECT_TRUE(IsHexKey(keyText)) << keyText;  // no key in the settings: a new one
  }
}

TEST_F(ApiDataDialogTest, TheManualOpensBesideTheHostsExecutable) {
  const std::string folder = TestProgramFolder() + "ImportApi\\QALO\\";
  const std::string manual = folder + "NOLT-Schnittstelle zu QALOnet.pdf";
  CreateDirectoryA((TestProgramFolder() + "ImportApi").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  std::ofstream(manual) << "%PDF-1.4\n";
  Buffers b("demo", "", kSettings);
  std::string opened;
  {
    RecordingViewer viewer(TestProgramFolder() + "manual.record");
    const std::int32_t result = Run(b, [&](HWND form) {
      PostMessageA(Child(form, "Anleitung"), BM_CLICK, 0, 0);
      opened = viewer.OpenedDocument();
      EXPECT_TRUE(IsWindowVisible(form));
      PressKey(Field(form, kUserId), VK_ESCAPE);
    });
    EXPECT_EQ(result, 2);
  }
  EXPECT_EQ(opened, manual);
  DeleteFileA(manual.c_str());
  RemoveDirectoryA(folder.c_str());
  RemoveDirectoryA((TestProgramFolder() + "ImportApi").c_str());
}

}  // namespace
}  // namespace qalo::test
