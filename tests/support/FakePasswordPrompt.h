#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace qalo::test {

// Answers with a fixed entry (nullopt: the user cancels) and records each
// prompt; unavailable: the prompt cannot be created.
class FakePasswordPrompt : public PasswordPrompt {
 public:
  std::optional<std::string> Ask(const std::string& serviceName, const std::string& userName) override {
    asked.push_back(serviceName + "|" + userName);
    if (unavailable) throw WindowUnavailable(UnavailableWindow::PasswordPrompt);
    return answer;
  }
  std::optional<std::string> answer;
  bool unavailable = false;
  std::vector<std::string> asked;
};

}  // namespace qalo::test
