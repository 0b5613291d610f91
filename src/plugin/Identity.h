#pragma once
#include <cstdint>
#include <string>

#include "plugin/CallingConvention.h"

namespace qalo {

// The operation behind ExportXML: same five arguments, same result.
using ExportXmlFn = std::int32_t (*)(const char* defaultXmlDir, const char* beraterRef,
                                     std::int32_t reserved, const double* datum,
                                     const char* settingsText);

// The operation behind ApiDataDialog: runs the login data dialog modally on
// portal id, password and settings text, and returns its modal result,
// kDialogOk or kDialogCancelled. The texts are the dialog's final ones after
// kDialogOk and may be anything otherwise. May throw (a dialog that cannot
// be created, say): the export then returns -9 and leaves the buffers.
using ApiDataDialogFn = std::int32_t (*)(std::string& userText, std::string& passwordText,
                                         std::string& settingsText);
constexpr std::int32_t kDialogOk = 1;
constexpr std::int32_t kDialogCancelled = 2;

// The host's progress callback: kind, value, text (never null).
using ProgressCallbackFn = void(QALO_STDCALL*)(std::int32_t kind, std::int32_t value,
                                               const char* text);
// The only two (kind, value) pairs it receives: a line of the host's
// protocol, and download progress with an empty text.
constexpr std::int32_t kLogKind = 3, kLogValue = 0;
constexpr std::int32_t kProgressKind = 2, kProgressValue = 5;

// The identity record, one per loaded library. Written only while the library
// loads (and by RegProgrCallback for the callback); read on the host's thread.
struct PluginIdentity {
  std::int32_t PluginNumber = 1;
  std::string PluginName = "test_dummy";
  std::string PluginVersion = "1.0";
  std::string PluginFileName = "ImpApiGeneric.dll";
  ExportXmlFn ExportXmlHandler = nullptr;
  ApiDataDialogFn ApiDataDialogHandler = nullptr;
  ProgressCallbackFn ProgressCallback = nullptr;
};

// The process-wide record.
PluginIdentity& Identity();

// Puts the frame's placeholders back (library load, and between tests).
void ResetPluginFrame();

constexpr std::int32_t kInterfaceVersion = 40300;   // VersionInfo
constexpr std::int32_t kLowestHostVersion = 40335;  // AppVersionCheck

}  // namespace qalo
