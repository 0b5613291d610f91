// The registry and INI adapter against the real Wine registry and files.
#include "platform/win32/Win32ConfigStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

namespace qalo {
namespace {

constexpr const char* kTestKeyPath = "Software\\Kalbrix\\NOLT\\ImportAPI\\QALO-ConfigTest";

class Win32ConfigStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKeyPath);
    DeleteFileA(ini_.c_str());
  }
  void SetValue(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }
  void WriteIni(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }

  HKEY key_ = nullptr;
  std::string ini_ = "config-test.ini";
  Win32ConfigStore store_;
};

TEST_F(Win32ConfigStoreTest, ReadsStringValuesAsStored) {
  SetValue("XmlDir", REG_SZ, "C:\\xml\\\xE4", 10);
  SetValue("Expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
  EXPECT_EQ(store_.ReadMachineString(kTestKeyPath, "XmlDir"), "C:\\xml\\\xE4");
  EXPECT_EQ(store_.ReadMachineString(kTestKeyPath, "Expand"), "%TEMP%\\x");
}

TEST_F(Win32ConfigStoreTest, EmptyStringIsAValue) {
  SetValue("XmlDir", REG_SZ, "", 1);
  EXPECT_EQ(store_.ReadMachineString(kTestKeyPath, "XmlDir"), "");
}

TEST_F(Win32ConfigStoreTest, ValueWithoutTerminatingZero) {
  SetValue("XmlDir", REG_SZ, "C:\\abc", 6);
  EXPECT_EQ(store_.ReadMachineString(kTestKeyPath, "XmlDir"), "C:\\abc");
}

TEST_F(Win32ConfigStoreTest, OtherTypesAndMissingValuesAreAbsent) {
  const DWORD number = 42;
  SetValue("XmlDir", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(store_.ReadMachineString(kTestKeyPath, "XmlDir"), std::nullopt);
  EXPECT_EQ(store_.ReadMachineString(kTestKeyPath, "Missing"), std::nullopt);
  EXPECT_EQ(store_.ReadMachineString("Software\\Kalbrix\\NoSuchKey", "XmlDir"), std::nullopt);
}

TEST_F(Win32ConfigStoreTest, ReadsA32BitNumberOnlyFromADword) {
  const DWORD one = 1;
  const DWORD large = 0xFFFFFFFF;
  const std::uint64_t wide = 1;
  SetValue("StrictCertificates", REG_DWORD, &one, sizeof one);
  SetValue("Large", REG_DWORD, &large, sizeof large);
  SetValue("Text", REG_SZ, "1", 2);
  SetValue("Qword", REG_QWORD, &wide, sizeof wide);
  SetValue("Binary", REG_BINARY, &one, sizeof one);
  SetValue("Short", REG_DWORD, &one, 2);
  EXPECT_EQ(store_.ReadMachineDword(kTestKeyPath, "StrictCertificates"), 1u);
  EXPECT_EQ(store_.ReadMachineDword(kTestKeyPath, "Large"), 0xFFFFFFFFu);
  for (const char* other : {"Text", "Qword", "Binary", "Short", "Missing"})
    EXPECT_EQ(store_.ReadMachineDword(kTestKeyPath, other), std::nullopt) << other;
  EXPECT_EQ(store_.ReadMachineDword("Software\\Kalbrix\\NoSuchKey", "StrictCertificates"),
            std::nullopt);
}

TEST_F(Win32ConfigStoreTest, IniNamesIgnoreCaseAndMissingGivesFallback) {
  char full[MAX_PATH];
  GetFullPathNameA(ini_.c_str(), MAX_PATH, full, nullptr);
  ini_ = full;
  WriteIni("[global]\r\nurl=http://127.0.0.1:1/nolt\r\n[Demo]\r\nKEY=abc\r\n");
  EXPECT_EQ(store_.ReadIni(ini_, "Global", "URL", "x"), "http://127.0.0.1:1/nolt");
  EXPECT_EQ(store_.ReadIni(ini_, "DEMO", "key", "x"), "abc");
  EXPECT_EQ(store_.ReadIni(ini_, "Global", "TicketData", "keep"), "keep");
  EXPECT_EQ(store_.ReadIni(ini_ + ".missing", "Global", "URL", "dflt"), "dflt");
}

TEST_F(Win32ConfigStoreTest, MissingIniKeyKeepsTheFallbackWithItsBlanksAndLength) {
  char full[MAX_PATH];
  GetFullPathNameA(ini_.c_str(), MAX_PATH, full, nullptr);
  ini_ = full;
  WriteIni("[Global]\r\nURL=  \r\n");
  EXPECT_EQ(store_.ReadIni(ini_, "Global", "TicketData", "4711  "), "4711  ");
  EXPECT_EQ(store_.ReadIni(ini_, "Other", "KEY", " \t"), " \t");
  EXPECT_EQ(store_.ReadIni(ini_ + ".missing", "Global", "URL", "u "), "u ");
  const std::string longValue(3000, 'k');
  EXPECT_EQ(store_.ReadIni(ini_, "Global", "KEY", longValue), longValue);
  // A key that is present replaces the fallback, even with an empty value.
  EXPECT_EQ(store_.ReadIni(ini_, "Global", "URL", "keep "), "");
}

TEST_F(Win32ConfigStoreTest, IniValueIsReadUpTo2047Characters) {
  char full[MAX_PATH];
  GetFullPathNameA(ini_.c_str(), MAX_PATH, full, nullptr);
  ini_ = full;
  WriteIni("[Global]\r\nURL=" + std::string(3000, 'u') + "\r\n");
  EXPECT_EQ(store_.ReadIni(ini_, "Global", "URL", "").size(), 2047u);
}

}  // namespace
}  // namespace qalo
