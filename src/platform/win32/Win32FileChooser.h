#pragma once
// The file chooser over the common file-open dialog (GetOpenFileNameA),
// modal to the calling thread's active window.
#include "platform/Dialogs.h"

namespace qalo {

class Win32FileChooser final : public FileChooser {
 public:
  // The chosen file's full path; nullopt on cancel and when the chosen
  // path is too long for its buffer. WindowUnavailable when the dialog
  // cannot be shown.
  std::optional<std::string> ChooseFile(const std::string& title) override;
};

}  // namespace qalo
