#pragma once
// A window, or a timer of one, that the system refused to create; the run
// that wanted it ends and says which.
#include <stdexcept>

namespace qalo {

enum class UnavailableWindow { PasswordPrompt, ProgressWindow, FileChooser };

class WindowUnavailable : public std::runtime_error {
 public:
  explicit WindowUnavailable(UnavailableWindow which)
      : std::runtime_error("window not created"), which(which) {}
  UnavailableWindow which;
};

}  // namespace qalo
