#pragma once
// The Windows shell as the login data dialog uses it.
#include <string>

namespace qalo {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the document with its default verb, no owner window, shown
  // normally. Whether it opened is not reported: a missing file or viewer is
  // the user's to notice.
  virtual void OpenDocument(const std::string& path) = 0;
  // The full path of the host's executable (the process's main module);
  // empty when it cannot be read.
  virtual std::string HostExecutablePath() = 0;
};

}  // namespace qalo
