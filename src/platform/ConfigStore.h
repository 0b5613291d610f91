#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace qalo {

// Read-only configuration: a machine-wide string value and INI files.
// Reading never fails a caller: what cannot be read is simply absent.
class ConfigStore {
 public:
  virtual ~ConfigStore() = default;
  // A string value (REG_SZ or REG_EXPAND_SZ, as stored) under
  // HKEY_LOCAL_MACHINE\keyPath, opened with KEY_READ. nullopt when the key or
  // value is missing, of another type, or cannot be read.
  virtual std::optional<std::string> ReadMachineString(const std::string& keyPath,
                                                       const std::string& valueName) = 0;
  // A REG_DWORD value under HKEY_LOCAL_MACHINE\keyPath, opened with
  // KEY_READ. nullopt when the key or value is missing, of another type or
  // size, or cannot be read.
  virtual std::optional<std::uint32_t> ReadMachineDword(const std::string& keyPath,
                                                        const std::string& valueName) = 0;
  // An INI value, up to 2047 characters; fallback when the file, section or
  // key is missing. Section and key names ignore letter case.
  virtual std::string ReadIni(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& fallback) = 0;
};

}  // namespace qalo
