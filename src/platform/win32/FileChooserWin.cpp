#include "platform/win32/FileChooserWin.h"

#include <windows.h>

#include <cderr.h>
#include <commdlg.h>

#include <vector>

#include "platform/win32/Win32Handles.h"

namespace qalo {

// comdlg32 is loaded for the one dialog, not imported: it brings in the
// print spooler, whose Wine version leaves a named mutex open each time it
// is loaded.
std::optional<std::string> FileChooserWin::ChooseFile(const std::string& title) {
  const UniqueModule comdlg(LoadLibraryExA("comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!comdlg) throw WindowUnavailable(UnavailableWindow::FileChooser);
  const auto open = reinterpret_cast<decltype(&GetOpenFileNameA)>(
      reinterpret_cast<void*>(GetProcAddress(comdlg.get(), "GetOpenFileNameA")));
  const auto extendedError = reinterpret_cast<decltype(&CommDlgExtendedError)>(
      reinterpret_cast<void*>(GetProcAddress(comdlg.get(), "CommDlgExtendedError")));
  if (!open || !extendedError) throw WindowUnavailable(UnavailableWindow::FileChooser);

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
