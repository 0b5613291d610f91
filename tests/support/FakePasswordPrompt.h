#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace qalo::test {

// Answers with a fixed entry (nullopt: the user cancels) and records each prompt.
class FakePasswordPrompt : public PasswordPrompt {
 public:
  std::optional<std::string> Ask(const std::string& serviceName, const std::string& userName) override {
    asked.push_back(serviceName + "|" + userName);
    return answer;
  }
  std::optional<std::string> answer;
  std::vector<std::string> asked;
};

}  // namespace qalo::test
