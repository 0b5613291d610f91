#include "platform/win32/Win32FileChooser.h"

#include <windows.h>

#include <cderr.h>
#include <commdlg.h>

#include <vector>

#include "platform/win32/SystemLibrary.h"

namespace qalo {

// comdlg32 is loaded for the one dialog, not imported: it brings in the
// print spooler, whose Wine version leaves a named mutex open each time it
// is loaded.
std::optional<std::string> Win32FileChooser::ChooseFile(const std::string& title) {
  SystemLibrary comdlg("comdlg32.dll", SystemLibrary::Lifetime::Owner);
  decltype(&GetOpenFileNameA) open = nullptr;
  decltype(&CommDlgExtendedError) extendedError = nullptr;
  comdlg.Find("GetOpenFileNameA", open);
  comdlg.Find("CommDlgExtendedError", extendedError);
  if (!comdlg.Usable()) throw WindowUnavailable(UnavailableWindow::FileChooser);

  std::vector<char> path(32 * 1024, '\0');
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (open(&dialog)) return std::string(path.data());
  // Cancelled leaves no extended error; a dialog that could not be shown
  // leaves a general one (below the file-name errors' range).
  const DWORD error = extendedError();
  if (error == CDERR_DIALOGFAILURE || (error != 0 && error < FNERR_FILENAMECODES))
    throw WindowUnavailable(UnavailableWindow::FileChooser);
  return std::nullopt;
}

}  // namespace qalo
