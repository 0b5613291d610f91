#pragma once
#include "platform/Host.h"

namespace qalo {

// The only code that calls the host's progress callback. It looks the
// callback up right before every call, so a callback registered or removed
// meanwhile is honoured; without one it does nothing. Host's thread only.
class HostProxy final : public HostReporter {
 public:
  void Log(const std::string& line) override;
  void Progress() override;
  // Whether a callback is registered right now, i.e. whether a log line would arrive.
  bool Listening() const;
};

}  // namespace qalo
