#include "platform/win32/SystemLibrary.h"

namespace qalo {
namespace {

HMODULE LoadFromSystemFolder(const std::string& name) {
  HMODULE module = LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A Windows that does not know the flag (7 without KB2533623): the full
  // path, whose folder is then searched first for the library's own imports.
  char folder[MAX_PATH];
  const UINT n = GetSystemDirectoryA(folder, sizeof folder);
  if (n == 0 || n >= sizeof folder) return nullptr;
  const std::string path = std::string(folder, n) + "\\" + name;
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SystemLibrary::SystemLibrary(const char* name, Lifetime lifetime)
    : name_(name), module_(LoadFromSystemFolder(name_)) {
  if (module_ && lifetime == Lifetime::Process) {
    // Failing to pin costs only the load of the next run.
    HMODULE pinned = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(module_.get()), &pinned);
  }
}

std::string SystemLibrary::FailureText() const {
  if (!module_) return "Systembibliothek " + name_ + " konnte nicht geladen werden.";
  return "Systembibliothek " + name_ + ": Funktion " + missing_ + " fehlt.";
}

}  // namespace qalo
