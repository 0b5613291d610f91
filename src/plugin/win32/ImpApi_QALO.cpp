// The plug-in module: its identity, and the retrieval and the login data
// dialog bound to the real Windows services for one call each.
#include "plugin/win32/ImpApi_QALO.h"

#include "dialogs/win32/ImpApi_PwDlg_win.h"
#include "dialogs/win32/ImpApi_QALO_Dlg_win.h"
#include "inet/win32/ImpApiDownloadProgress.h"
#include "platform/SystemCipher.h"
#include "platform/SystemThreads.h"
#include "platform/win32/Win32FileChooser.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32ConfigStore.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Internet.h"
#include "plugin/Exports.h"
#include "plugin/HostProxy.h"
#include "plugin/PluginVersion.h"
#include "ui/Cursor.h"
#include "workflow/Retrieval.h"

namespace qalo {
namespace {

// Everything below lives for this one call and is released before it returns.
std::int32_t RunExport(const char* defaultXmlDir, const char* beraterRef, std::int32_t /*reserved*/,
                       const double* datum, const char* settingsText) {
  HostProxy host;
  Win32Clock clock;
  Win32ConfigStore config;
  Win32FileSystem files;
  const auto cipher = MakeSystemCipher();
  Win32PasswordPrompt passwordPrompt;
  Win32FileChooser fileChooser;
  // Shared with the download's worker, which a cancel may leave running.
  const auto internet = std::make_shared<Win32Internet>(host);
  Win32DownloadProgress progress;
  ui::ScreenCursor cursor;
  SystemThreads threads;
  InetContext inet{internet, progress, cursor, host, threads, [&host] { return host.Listening(); }};
  RetrievalPlatform platform{host, clock, config, files, *cipher, passwordPrompt, fileChooser,
                             inet, threads};
  return RunExport(platform, {defaultXmlDir, beraterRef, datum, settingsText});
}

std::int32_t RunApiDataDialog(std::string& userText, std::string& passwordText,
                              std::string& settingsText) {
  const auto cipher = MakeSystemCipher();
  Win32Shell shell;
  Tdlg_QALO_LoginData dialog(*cipher, shell, [](char* buffer) { ImportVersionInfo(buffer); });
  return dialog.Execute(userText, passwordText, settingsText);
}

}  // namespace

void RegisterPlugin(PluginIdentity& identity) {
  identity.PluginNumber = 150;
  identity.PluginName = "QALO";
  identity.PluginVersion = QALO_VERSION_TEXT;
  identity.PluginFileName = "ImpApi_QALO.dll";
  identity.ExportXmlHandler = &RunExport;
  identity.ApiDataDialogHandler = &RunApiDataDialog;
}

}  // namespace qalo
