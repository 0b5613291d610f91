#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace qalo::test {

// Answers with choice (nullopt: the user cancelled); records the titles.
// unavailable: the dialog cannot be shown.
class FakeFileChooser : public FileChooser {
 public:
  std::optional<std::string> ChooseFile(const std::string& title) override {
    titles.push_back(title);
    if (unavailable) throw WindowUnavailable(UnavailableWindow::FileChooser);
    return choice;
  }

  std::optional<std::string> choice;
  bool unavailable = false;
  std::vector<std::string> titles;
};

}  // namespace qalo::test
