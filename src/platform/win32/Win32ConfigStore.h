#pragma once
#include "platform/ConfigStore.h"

namespace qalo {

// The registry (HKEY_LOCAL_MACHINE, KEY_READ) and GetPrivateProfileStringA.
class Win32ConfigStore final : public ConfigStore {
 public:
  std::optional<std::string> ReadMachineString(const std::string& keyPath,
                                               const std::string& valueName) override;
  std::optional<std::uint32_t> ReadMachineDword(const std::string& keyPath,
                                                const std::string& valueName) override;
  std::string ReadIni(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& fallback) override;
};

}  // namespace qalo
