#pragma once
#include <string>

namespace qalo {

// What the plug-in tells its host. Called only on the host's thread, from
// within the export that the host called.
class HostReporter {
 public:
  virtual ~HostReporter() = default;
  // One line of the host's protocol (kind 3, value 0). Empty lines are dropped.
  virtual void Log(const std::string& line) = 0;
  // A download progress notification (kind 2, value 5, empty text). The host
  // may dispatch window messages while handling it.
  virtual void Progress() = 0;
};

}  // namespace qalo
