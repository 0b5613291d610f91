#pragma once
// The shell seam over ShellExecuteA and GetModuleFileNameA.
#include "platform/Shell.h"

namespace qalo {

class Win32Shell final : public Shell {
 public:
  void OpenDocument(const std::string& path) override;
  std::string HostExecutablePath() override;
};

}  // namespace qalo
