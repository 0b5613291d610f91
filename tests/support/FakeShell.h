#pragma once
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace qalo::test {

// Records every document it is asked to open; answers a fixed executable path.
class FakeShell : public Shell {
 public:
  void OpenDocument(const std::string& path) override { opened.push_back(path); }
  std::string HostExecutablePath() override { return exePath; }

  std::string exePath = "C:\\Programme\\NOLT\\nolt.exe";
  std::vector<std::string> opened;
};

}  // namespace qalo::test
