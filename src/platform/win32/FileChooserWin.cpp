#include "platform/win32/FileChooserWin.h"

#include <windows.h>

#include <cderr.h>
#include <commdlg.h>

#include <vector>

namespace qalo {

std::optional<std::string> FileChooserWin::ChooseFile(const std::string& title) {
  std::vector<char> path(32 * 1024, '\0');
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (GetOpenFileNameA(&dialog)) return std::string(path.data());
  // Cancelled leaves no extended error; a dialog that could not be shown
  // leaves a general one (below the file-name errors' range).
  const DWORD error = CommDlgExtendedError();
  if (error == CDERR_DIALOGFAILURE || (error != 0 && error < FNERR_FILENAMECODES))
    throw WindowUnavailable(UnavailableWindow::FileChooser);
  return std::nullopt;
}

}  // namespace qalo
