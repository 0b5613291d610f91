#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// Answers with choice (nullopt: the user cancelled); records the titles.
// A failing "ChooseFile" is a dialog that cannot be shown.
class FakeFileChooser : public FileChooser {
 public:
  std::optional<std::string> ChooseFile(const std::string& title) override {
    titles.push_back(title);
    if (faults.Call("ChooseFile")) throw WindowUnavailable(UnavailableWindow::FileChooser);
    return choice;
  }

  std::optional<std::string> choice;
  FaultPlan faults;
  std::vector<std::string> titles;
};

}  // namespace qalo::test
