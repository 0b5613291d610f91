#include "workflow/ImpApi_QALO.h"

namespace qalo {
namespace {

// Stand-in until the retrieval is wired in: refuses every run, writes nothing.
std::int32_t NotYetAvailable(const char*, const char*, std::int32_t, const double*, const char*) {
  return -1;
}

}  // namespace

void RegisterPlugin(PluginIdentity& identity) {
  identity.PluginNumber = 150;
  identity.PluginName = "QALO";
  identity.PluginVersion = "2.0.6";
  identity.PluginFileName = "ImpApi_QALO.dll";
  identity.ExportXmlHandler = &NotYetAvailable;
}

}  // namespace qalo
