#include "plugin/Identity.h"

namespace qalo {

PluginIdentity& Identity() {
  static PluginIdentity identity;
  return identity;
}

void ResetPluginFrame() { Identity() = PluginIdentity{}; }

}  // namespace qalo
