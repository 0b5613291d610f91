#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ConfigStore.h"

namespace qalo::test {

// An in-memory registry and INI store that records what was asked.
class FakeConfigStore : public ConfigStore {
 public:
  std::optional<std::string> ReadMachineString(const std::string& keyPath,
                                               const std::string& valueName) override {
    return Lookup(registry, keyPath, valueName);
  }
  std::optional<std::uint32_t> ReadMachineDword(const std::string& keyPath,
                                                const std::string& valueName) override {
    return Lookup(registryDwords, keyPath, valueName);
  }
  std::string ReadIni(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& fallback) override {
    iniReads.push_back(file + "|" + section + "|" + key);
    auto it = ini.find(section + "|" + key);
    return it == ini.end() ? fallback : it->second;
  }

  std::map<std::string, std::string> registry;  // "keyPath|value" -> text
  std::map<std::string, std::uint32_t> registryDwords;  // "keyPath|value" -> number
  std::map<std::string, std::string> ini;       // "section|key" -> text
  std::vector<std::string> registryReads, iniReads;

 private:
  template <typename Value>
  std::optional<Value> Lookup(const std::map<std::string, Value>& values, const std::string& keyPath,
                              const std::string& valueName) {
    registryReads.push_back(keyPath + "|" + valueName);
    const auto it = values.find(keyPath + "|" + valueName);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

}  // namespace qalo::test
