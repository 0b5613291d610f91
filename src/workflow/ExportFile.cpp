#include "workflow/ExportFile.h"

#include "platform/TemporaryFile.h"

namespace qalo {

std::string TemporaryExportName(const std::string& path) { return path + ".tmp"; }

bool WriteFileAtomically(FileSystem& files, const std::string& path,
                         const std::function<bool(WritableFile&)>& writeContent) {
  TemporaryFile temporary(TemporaryExportName(path),
                          [&files](const std::string& name) { files.Remove(name); });
  auto file = files.CreateForWriting(temporary.Path());
  if (!file) return false;
  bool written = writeContent(*file);
  written = file->Close() && written;
  file.reset();
  if (!written || !files.MoveReplace(temporary.Path(), path)) return false;
  temporary.Commit();
  return true;
}

}  // namespace qalo
