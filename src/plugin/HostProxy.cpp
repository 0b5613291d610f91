#include "plugin/HostProxy.h"

#include "plugin/Identity.h"

namespace qalo {

void HostProxy::Log(const std::string& line) {
  // The contract promises the host a non-empty line.
  if (line.empty()) return;
  if (auto callback = Identity().ProgressCallback) callback(kLogKind, kLogValue, line.c_str());
}

bool HostProxy::Listening() const { return Identity().ProgressCallback != nullptr; }

void HostProxy::Progress() {
  if (auto callback = Identity().ProgressCallback) callback(kProgressKind, kProgressValue, "");
}

}  // namespace qalo
