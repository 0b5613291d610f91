#include "platform/win32/Win32Shell.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/SystemLibrary.h"

namespace qalo {

// shell32 is loaded for the manual only, not imported: it brings a chain of
// libraries into the host's process at load. It stays once loaded, since
// the shell may still be at work in it when ShellExecuteA has returned.
void Win32Shell::OpenDocument(const std::string& path) {
  SystemLibrary shell32("shell32.dll", SystemLibrary::Lifetime::Process);
  decltype(&ShellExecuteA) shellExecute = nullptr;
  shell32.Find("ShellExecuteA", shellExecute);
  if (shellExecute) shellExecute(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
