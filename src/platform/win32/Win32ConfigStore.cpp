#include "platform/win32/Win32ConfigStore.h"

#include <cstring>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace qalo {
namespace {

// HKEY_LOCAL_MACHINE\keyPath opened with KEY_READ and nothing more; empty
// when it cannot be opened.
UniqueRegKey OpenMachineKey(const std::string& keyPath) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return UniqueRegKey();
  return UniqueRegKey(key);
}

}  // namespace

std::optional<std::string> Win32ConfigStore::ReadMachineString(const std::string& keyPath,
                                                               const std::string& valueName) {
  const UniqueRegKey key = OpenMachineKey(keyPath);
  if (!key) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::vector<char> data(size + 1, '\0');
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  // Stored data need not end with a zero; what follows the first one is not text.
  data[size] = '\0';
  return std::string(data.data());
}

std::optional<std::uint32_t> Win32ConfigStore::ReadMachineDword(const std::string& keyPath,
                                                                const std::string& valueName) {
  const UniqueRegKey key = OpenMachineKey(keyPath);
  if (!key) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return std::nullopt;
  return value;
}

std::string Win32ConfigStore::ReadIni(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& fallback) {
  // Windows trims trailing blanks off a default it hands back, so the fallback
  // is kept here and the call gets a default that no line of a file can hold.
  static constexpr char kAbsent[] = "<\n>";
  char value[2048];
  GetPrivateProfileStringA(section.c_str(), key.c_str(), kAbsent, value, sizeof value,
                           file.c_str());
  return std::strcmp(value, kAbsent) == 0 ? fallback : std::string(value);
}

}  // namespace qalo
