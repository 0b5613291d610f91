#pragma once
// RecordingViewer makes shell-recorder.exe (beside the test program) the viewer of one file
// type (".pdf" unless told otherwise) for as long as the object lives, in
// the test's Wine prefix. The recorder writes the path the shell hands it
// into recordFile. Wine 8 reads file types from the machine's classes only
// (HKCU\Software\Classes is not merged in), so the prefix's entry for the
// extension is pointed at the recorder and given back its former type
// afterwards. Only one test may take ".pdf": the prefix is shared.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/WindowFinder.h"

namespace qalo::test {

// The folder of this test program, with its trailing backslash.
inline std::string TestProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full(path, n);
  return full.substr(0, full.find_last_of('\\') + 1);
}

class RecordingViewer {
 public:
  explicit RecordingViewer(std::string recordFile, const std::string& extension = ".pdf")
      : recordFile_(std::move(recordFile)),
        extensionKey_("Software\\Classes\\" + extension),
        progId_("QaloTest.Recorder" + extension),
        progIdKey_("Software\\Classes\\" + progId_) {
    DeleteFileA(recordFile_.c_str());
    formerType_ = ReadDefault(extensionKey_.c_str());
    const std::string command = "\"" + TestProgramFolder() + "shell-recorder.exe\" \"" +
                                recordFile_ + "\" \"%1\"";
    if (!SetDefault((progIdKey_ + "\\shell\\open\\command").c_str(), command) ||
        !SetDefault(extensionKey_.c_str(), progId_))
      ADD_FAILURE() << "cannot register the viewer of " << extension;
  }
  ~RecordingViewer() {
    if (formerType_.empty() || formerType_ == progId_)
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, extensionKey_.c_str());
    else
      SetDefault(extensionKey_.c_str(), formerType_);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, progIdKey_.c_str());
    DeleteFileA(recordFile_.c_str());
  }
  RecordingViewer(const RecordingViewer&) = delete;
  RecordingViewer& operator=(const RecordingViewer&) = delete;

  // The document the recorder was started with, once it has written it;
  // empty when it did not run within the deadline.
  std::string OpenedDocument() const {
    if (!WaitUntil([&] { return GetFileAttributesA(recordFile_.c_str()) != INVALID_FILE_ATTRIBUTES; }))
      return {};
    std::ifstream in(recordFile_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
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
  std::string extensionKey_;
  std::string progId_;
  std::string progIdKey_;
  std::string formerType_;
};

}  // namespace qalo::test
