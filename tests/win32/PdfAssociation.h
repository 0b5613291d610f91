#pragma once
// Makes shell-recorder.exe (beside the test program) the viewer of .pdf
// files for as long as the object lives, in this test's own Wine prefix.
// The recorder writes the path the shell hands it into recordFile. Wine 8
// reads file types from the machine's classes only (HKCU\Software\Classes
// is not merged in), so the prefix's .pdf entry is pointed at the recorder
// and given back its former type afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "win32/UserDriver.h"

namespace qalo::test {

// The folder of this test program, with its trailing backslash.
inline std::string TestProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full(path, n);
  return full.substr(0, full.find_last_of('\\') + 1);
}

class PdfAssociation {
 public:
  explicit PdfAssociation(std::string recordFile) : recordFile_(std::move(recordFile)) {
    DeleteFileA(recordFile_.c_str());
    formerType_ = ReadDefault(kExtensionKey);
    const std::string command = "\"" + TestProgramFolder() + "shell-recorder.exe\" \"" +
                                recordFile_ + "\" \"%1\"";
    if (!SetDefault(kCommandKey, command) || !SetDefault(kExtensionKey, kProgId))
      ADD_FAILURE() << "cannot register the .pdf association";
  }
  ~PdfAssociation() {
    if (formerType_.empty())
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, kExtensionKey);
    else
      SetDefault(kExtensionKey, formerType_);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProgIdKey);
    DeleteFileA(recordFile_.c_str());
  }
  PdfAssociation(const PdfAssociation&) = delete;
  PdfAssociation& operator=(const PdfAssociation&) = delete;

  // The document the recorder was started with, once it has written it;
  // empty when it did not run within the deadline.
  std::string OpenedDocument() const {
    if (!WaitUntil([&] { return GetFileAttributesA(recordFile_.c_str()) != INVALID_FILE_ATTRIBUTES; }))
      return {};
    std::ifstream in(recordFile_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static constexpr const char* kProgId = "QaloTest.PdfRecorder";
  static constexpr const char* kExtensionKey = "Software\\Classes\\.pdf";
  static constexpr const char* kProgIdKey = "Software\\Classes\\QaloTest.PdfRecorder";
  static constexpr const char* kCommandKey =
      "Software\\Classes\\QaloTest.PdfRecorder\\shell\\open\\command";

  // The default value of the key, empty when there is none.
  static std::string ReadDefault(const char* subKey) {
    char value[256] = {};
    LONG size = sizeof value;
    return RegQueryValueA(HKEY_LOCAL_MACHINE, subKey, value, &size) == ERROR_SUCCESS ? value : "";
  }
  static bool SetDefault(const char* subKey, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return false;
    const LONG rc = RegSetValueExA(key, nullptr, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }

  std::string recordFile_;
  std::string formerType_;
};

}  // namespace qalo::test
