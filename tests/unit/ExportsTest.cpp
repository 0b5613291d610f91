#include "plugin/Exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "workflow/ResultCodes.h"

namespace qalo {
namespace {

struct Call {
  std::string xmlDir, berater, settings;
  std::int32_t reserved;
  const double* datum;
};
std::vector<Call> gCalls;
std::vector<std::string> gReceived;

std::int32_t RecordingHandler(const char* d, const char* b, std::int32_t r, const double* dt,
                              const char* s) {
  gCalls.push_back({d, b, s, r, dt});
  return -1234;
}
std::int32_t ThrowingHandler(const char*, const char*, std::int32_t, const double*, const char*) {
  throw std::runtime_error("boom");
}
// What the dialog saw, and what it answers: these texts and this result.
struct DialogRun {
  std::string user, password, settings;
};
std::vector<DialogRun> gDialogRuns;
DialogRun gDialogAnswer;
std::int32_t gDialogResult = kDialogOk;

std::int32_t FakeDialog(std::string& user, std::string& password, std::string& settings) {
  gDialogRuns.push_back({user, password, settings});
  user = gDialogAnswer.user;
  password = gDialogAnswer.password;
  settings = gDialogAnswer.settings;
  return gDialogResult;
}
std::int32_t ThrowingDialog(std::string& user, std::string&, std::string&) {
  user = "changed";
  throw std::bad_alloc();
}

void QALO_STDCALL First(std::int32_t k, std::int32_t v, const char* t) {
  gReceived.push_back("first " + std::to_string(k) + "," + std::to_string(v) + " " + t);
}
void QALO_STDCALL Second(std::int32_t k, std::int32_t v, const char* t) {
  gReceived.push_back("second " + std::to_string(k) + "," + std::to_string(v) + " " + t);
}

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPluginFrame();
    Identity().PluginVersion = "2.0.6";
    gCalls.clear();
    gReceived.clear();
    gDialogRuns.clear();
    gDialogAnswer = {};
    gDialogResult = kDialogOk;
  }
  void TearDown() override { ResetPluginFrame(); }
};

TEST_F(ExportsTest, FramePlaceholders) {
  ResetPluginFrame();
  EXPECT_EQ(Identity().PluginNumber, 1);
  EXPECT_EQ(Identity().PluginName, "test_dummy");
  EXPECT_EQ(Identity().PluginVersion, "1.0");
  EXPECT_EQ(Identity().PluginFileName, "ImpApiGeneric.dll");
  EXPECT_EQ(Identity().ExportXmlHandler, nullptr);
  EXPECT_EQ(Identity().ApiDataDialogHandler, nullptr);
}

TEST_F(ExportsTest, VersionAnswers) {
  EXPECT_EQ(VersionInfo(), 40300);
  EXPECT_EQ(AppVersionCheck(40335), 0);
  EXPECT_EQ(AppVersionCheck(INT32_MAX), 0);
  EXPECT_EQ(AppVersionCheck(40334), -1);
  EXPECT_EQ(AppVersionCheck(-1), -1);
  EXPECT_EQ(AppVersionCheck(INT32_MIN), -1);
}

TEST_F(ExportsTest, ImportVersionInfoIsLengthPrefixedWithoutTerminator) {
  char buffer[256];
  std::memset(buffer, 0x55, sizeof buffer);
  ImportVersionInfo(buffer);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(std::string(buffer + 1, 5), "2.0.6");
  EXPECT_EQ(buffer[6], 0x55);
}

TEST_F(ExportsTest, ImportVersionInfoCutsAt255Characters) {
  Identity().PluginVersion = std::string(300, 'v');
  std::vector<char> buffer(300, 0x55);
  ImportVersionInfo(buffer.data());
  EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 255);
  EXPECT_EQ(buffer[255], 'v');
  EXPECT_EQ(buffer[256], 0x55);
}

TEST_F(ExportsTest, ExportXmlWithoutHandlerFails) {
  Identity().ExportXmlHandler = nullptr;
  EXPECT_LT(ExportXML("", "", 0, nullptr, ""), 0);
}

TEST_F(ExportsTest, ExportXmlForwardsToTheSlotWithNullTextsAsEmpty) {
  Identity().ExportXmlHandler = &RecordingHandler;
  const double datum = 46000.0;
  EXPECT_EQ(ExportXML(nullptr, nullptr, 77, &datum, nullptr), -1234);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].xmlDir, "");
  EXPECT_EQ(gCalls[0].berater, "");
  EXPECT_EQ(gCalls[0].settings, "");
  EXPECT_EQ(gCalls[0].reserved, 77);
  EXPECT_EQ(gCalls[0].datum, &datum);
}

TEST_F(ExportsTest, NoExceptionLeavesExportXml) {
  Identity().ExportXmlHandler = &ThrowingHandler;
  EXPECT_EQ(ExportXML("C:\\x", "B", 0, nullptr, ""), result::kUnexpectedFailure);
}

TEST_F(ExportsTest, CallbackIsReplacedAndRemoved) {
  EXPECT_EQ(RegProgrCallback(&First), 0);
  EXPECT_EQ(RegProgrCallback(&Second), 0);
  EXPECT_EQ(Identity().ProgressCallback, &Second);
  EXPECT_EQ(RegProgrCallback(nullptr), 0);
  EXPECT_EQ(Identity().ProgressCallback, nullptr);
}

TEST_F(ExportsTest, GetExportErrorMsgWritesTheTextAndReturnsZero) {
  char buffer[64];
  std::memset(buffer, 0x55, sizeof buffer);
  EXPECT_EQ(GetExportErrorMsg(-1100, buffer), 0);
  EXPECT_EQ(std::string(buffer), "Beim Erzeugen der Daten ist ein Fehler aufgetreten");
  EXPECT_EQ(buffer[50], '\0');
  EXPECT_EQ(buffer[51], 0x55);  // 51 bytes written, not one more
  EXPECT_EQ(GetExportErrorMsg(0, buffer), 0);
  EXPECT_EQ(std::string(buffer), "unbekannter Fehlercode vom Host: [0]");
  EXPECT_EQ(GetExportErrorMsg(-4, nullptr), 0);
}

// The host's three buffers (128, 128, 4096 bytes), each filled with a text
// and a pattern behind it, so a test sees every byte written.
struct DialogBuffers {
  DialogBuffers(const std::string& u, const std::string& p, const std::string& s) {
    Fill(user, u);
    Fill(password, p);
    Fill(settings, s);
  }
  template <std::size_t N>
  static void Fill(char (&buffer)[N], const std::string& text) {
    std::memset(buffer, 0x55, N);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
  }
  std::int32_t Call() { return ApiDataDialog(user, password, settings); }
  std::string Bytes() const {
    return std::string(user, sizeof user) + std::string(password, sizeof password) +
           std::string(settings, sizeof settings);
  }
  char user[128], password[128], settings[4096];
};

TEST_F(ExportsTest, ApiDataDialogWithoutHandlerCancelsAndTouchesNothing) {
  DialogBuffers buffers("demo", "pw", "UserKey=1\r\n");
  const std::string before = buffers.Bytes();
  EXPECT_EQ(buffers.Call(), kDialogCancelled);
  EXPECT_EQ(buffers.Bytes(), before);
  EXPECT_EQ(ApiDataDialog(nullptr, nullptr, nullptr), kDialogCancelled);
}

TEST_F(ExportsTest, ApiDataDialogCopiesTheTextsBackAfterOk) {
  Identity().ApiDataDialogHandler = &FakeDialog;
  DialogBuffers buffers("demo", "Old#Pass1", "UserLogin=demo\r\n");
  gDialogAnswer = {"portal", "New#Pass2", "UserLogin=demo\r\nUserKey=ab\r\n"};
  EXPECT_EQ(buffers.Call(), kDialogOk);
  ASSERT_EQ(gDialogRuns.size(), 1u);
  EXPECT_EQ(gDialogRuns[0].user, "demo");
  EXPECT_EQ(gDialogRuns[0].password, "Old#Pass1");
  EXPECT_EQ(gDialogRuns[0].settings, "UserLogin=demo\r\n");
  EXPECT_EQ(std::string(buffers.user), "portal");
  EXPECT_EQ(std::string(buffers.password), "New#Pass2");
  EXPECT_EQ(std::string(buffers.settings), "UserLogin=demo\r\nUserKey=ab\r\n");
  EXPECT_EQ(buffers.user[7], 0x55);  // only the text and its zero written
}

TEST_F(ExportsTest, ApiDataDialogCutsLongTextsToTheBuffers) {
  Identity().ApiDataDialogHandler = &FakeDialog;
  DialogBuffers buffers("", "", "");
  gDialogAnswer = {std::string(200, 'u'), std::string(128, 'p'), std::string(5000, 's')};
  EXPECT_EQ(buffers.Call(), kDialogOk);
  EXPECT_EQ(std::string(buffers.user), std::string(127, 'u'));
  EXPECT_EQ(std::string(buffers.password), std::string(127, 'p'));
  EXPECT_EQ(std::string(buffers.settings), std::string(4095, 's'));
}

TEST_F(ExportsTest, ApiDataDialogTreatsNullBuffersAsEmptyAndWritesNone) {
  Identity().ApiDataDialogHandler = &FakeDialog;
  char settings[4096] = "A=1";
  gDialogAnswer = {"u", "p", "B=2"};
  EXPECT_EQ(ApiDataDialog(nullptr, nullptr, settings), kDialogOk);
  ASSERT_EQ(gDialogRuns.size(), 1u);
  EXPECT_EQ(gDialogRuns[0].user, "");
  EXPECT_EQ(gDialogRuns[0].password, "");
  EXPECT_EQ(std::string(settings), "B=2");
}

TEST_F(ExportsTest, ApiDataDialogLeavesTheBuffersAfterCancel) {
  Identity().ApiDataDialogHandler = &FakeDialog;
  DialogBuffers buffers("demo", "pw", std::string(4095, 's'));
  const std::string before = buffers.Bytes();
  gDialogAnswer = {"x", "y", "z"};
  gDialogResult = kDialogCancelled;
  EXPECT_EQ(buffers.Call(), kDialogCancelled);
  EXPECT_EQ(buffers.Bytes(), before);
}

TEST_F(ExportsTest, NoExceptionLeavesApiDataDialog) {
  Identity().ApiDataDialogHandler = &ThrowingDialog;
  DialogBuffers buffers("demo", "pw", "A=1");
  const std::string before = buffers.Bytes();
  EXPECT_EQ(buffers.Call(), result::kUnexpectedFailure);
  EXPECT_EQ(buffers.Bytes(), before);
}

}  // namespace
}  // namespace qalo
