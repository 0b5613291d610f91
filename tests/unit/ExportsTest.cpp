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

}  // namespace
}  // namespace qalo
