#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// Answers with a fixed entry (nullopt: the user cancels) and records each
// prompt; a failing "Ask" is a prompt that cannot be created.
class FakePasswordPrompt : public PasswordPrompt {
 public:
  std::optional<std::string> Ask(const std::string& serviceName, const std::string& userName) override {
    asked.push_back(serviceName + "|" + userName);
    if (faults.Call("Ask")) throw WindowUnavailable(UnavailableWindow::PasswordPrompt);
    return answer;
  }
  std::optional<std::string> answer;
  FaultPlan faults;
  std::vector<std::string> asked;
};

}  // namespace qalo::test
