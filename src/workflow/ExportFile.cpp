#include "workflow/ExportFile.h"

namespace qalo {

std::string TemporaryExportName(const std::string& path) { return path + ".tmp"; }

bool WriteFileAtomically(FileSystem& files, const std::string& path,
                         const std::function<bool(WritableFile&)>& writeContent) {
  const std::string temporary = TemporaryExportName(path);
  auto file = files.CreateForWriting(temporary);
  if (!file) return false;
  bool written = false;
  try {
    written = writeContent(*file);
  } catch (...) {
    file.reset();
    files.Remove(temporary);
    throw;
  }
  written = file->Close() && written;
  file.reset();
  if (written && files.MoveReplace(temporary, path)) return true;
  files.Remove(temporary);
  return false;
}

}  // namespace qalo
