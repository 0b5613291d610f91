#pragma once
// The shell seam over ShellExecuteA (shell32 from the system folder) and
// GetModuleFileNameA. A shell that cannot be loaded opens nothing, silently,
// like a missing viewer.
#include "platform/Shell.h"

namespace qalo {

class Win32Shell final : public Shell {
 public:
  void OpenDocument(const std::string& path) override;
  std::string HostExecutablePath() override;
};

}  // namespace qalo
