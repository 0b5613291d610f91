#pragma once
#include <optional>
#include <string>

#include "platform/WindowUnavailable.h"

namespace qalo {

// The password prompt (TImpApiPwDlg): the entered text on OK, nullopt when
// the user cancelled. Modal, on the calling thread. Throws WindowUnavailable
// (UnavailableWindow::PasswordPrompt) when the prompt cannot be created.
class PasswordPrompt {
 public:
  virtual ~PasswordPrompt() = default;
  virtual std::optional<std::string> Ask(const std::string& serviceName,
                                         const std::string& userName) = 0;
};

// The common file-open dialog: the chosen file's full path, or nullopt when
// the user cancelled. No filter, no initial directory, read-only box hidden,
// current directory unchanged, path and file must exist. Throws
// WindowUnavailable (UnavailableWindow::FileChooser) when the dialog cannot be shown.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  virtual std::optional<std::string> ChooseFile(const std::string& title) = 0;
};

}  // namespace qalo
