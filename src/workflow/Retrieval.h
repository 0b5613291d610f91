#pragma once
// One ExportXML run: from the host's settings to the written export file.
#include <cstdint>
#include <string>

#include "inet/ImpApiINet.h"
#include "platform/Cipher.h"
#include "platform/Clock.h"
#include "platform/ConfigStore.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/SecureWipe.h"
#include "platform/Threads.h"

namespace qalo {

// Everything a retrieval reaches outside itself; all of it outlives the run
// and is used on the calling thread only, but for the cipher, which the
// run's own threads call too (they are joined before the run returns).
// inet.host is the same host.
struct RetrievalPlatform {
  HostReporter& host;
  Clock& clock;
  ConfigStore& config;
  FileSystem& files;
  Cipher& cipher;
  PasswordPrompt& passwordPrompt;
  FileChooser& fileChooser;
  InetContext& inet;
  Threads& threads;
};

// The arguments of ExportXML, null texts already made empty. Reserved is
// never read.
struct ExportArguments {
  std::string defaultXmlDir;
  std::string beraterRef;
  const double* datum = nullptr;  // read only when no ticket data is given; null: no date
  std::string settingsText;       // holds the password and the key: wiped at the end
  ~ExportArguments() { SecureWipe(settingsText); }
};

// Where the registry may name the XML directory (under HKEY_LOCAL_MACHINE).
constexpr const char* kRegistryKey = "Software\\Kalbrix\\NOLT\\ImportAPI\\QALO";
constexpr const char* kDefaultUrl = "https://depot.qalo.de/nolt";
constexpr std::int32_t kDownloadTimeoutSec = 1800;

// Runs one retrieval and returns its result code; expected failures are
// codes, running out of memory and a window that cannot be created included
// (-9, with a log line that says which). Nothing throws: anything else that
// goes wrong is -9 with a log line too.
std::int32_t RunExport(RetrievalPlatform& platform, const ExportArguments& args);

}  // namespace qalo
