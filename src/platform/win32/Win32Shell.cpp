#include "platform/win32/Win32Shell.h"

#include <windows.h>

#include <shellapi.h>

namespace qalo {

void Win32Shell::OpenDocument(const std::string& path) {
  ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string Win32Shell::HostExecutablePath() {
  // Room for the longest path Windows knows; a path that fills the buffer
  // would come back cut, and a cut path is no path.
  std::string path(32768, '\0');
  const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return path;
}

}  // namespace qalo
