#pragma once
// The plug-in module: fills the identity record while the library loads.
#include "plugin/Identity.h"

namespace qalo {

// Sets number 150, name "QALO", the version of PluginVersion.h ("2.0.6"),
// file name "ImpApi_QALO.dll" and points ExportXmlHandler at the retrieval
// and ApiDataDialogHandler at the login data dialog.
void RegisterPlugin(PluginIdentity& identity);

}  // namespace qalo
