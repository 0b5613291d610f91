#pragma once
#include <string>
#include <vector>

#include "platform/Host.h"

namespace qalo::test {

// Records what the plug-in tells the host, in order. A log line is recorded
// as its text, a progress notification as "<progress>".
class FakeHost : public HostReporter {
 public:
  void Log(const std::string& line) override { events.push_back(line); }
  void Progress() override { events.push_back(kProgress); }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& e : events)
      if (e != kProgress) lines.push_back(e);
    return lines;
  }
  int ProgressCount() const {
    int n = 0;
    for (const auto& e : events) n += (e == kProgress);
    return n;
  }

  static constexpr const char* kProgress = "<progress>";
  std::vector<std::string> events;
};

}  // namespace qalo::test
