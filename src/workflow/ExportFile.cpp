#include "workflow/ExportFile.h"

#include <utility>

#include "workflow/DateTime.h"

namespace qalo {

ExportFile::ExportFile(FileSystem& files, std::string xmlDir)
    : files_(files), xmlDir_(std::move(xmlDir)) {}

bool ExportFile::Open() {
  if (!file_ && !failed_) {
    RemoveAbandonedTemporaries(files_, xmlDir_);
    file_ = files_.CreateTemporary(xmlDir_, kTemporaryPrefix);
    failed_ = !file_;
  }
  return !failed_;
}

bool ExportFile::Write(const std::uint8_t* data, std::size_t n) {
  failed_ = !Open() || !file_->Write(data, n);
  return !failed_;
}

std::optional<std::string> ExportFile::Commit(double stamp) {
  if (!Open()) return std::nullopt;
  // One placement per file: unless it is placed, it goes on return.
  const std::unique_ptr<WritableFile> file = std::move(file_);
  failed_ = true;
  for (int second = 0; second < kSecondsToTry; ++second) {
    const std::string name = ExportFileName(xmlDir_, AddSeconds(stamp, second));
    switch (file->PlaceAs(name)) {
      case WritableFile::Placement::Placed:
        if (file->Close()) return name;
        // Not known to be whole: it goes again, and it is still ours.
        files_.Remove(name);
        return std::nullopt;
      case WritableFile::Placement::NameTaken:
        break;
      case WritableFile::Placement::Failed:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

std::string ExportFileName(const std::string& xmlDir, double now) {
  return xmlDir + "\\qalo_export_" + FormatFileStamp(now) + ".xml";
}

void RemoveAbandonedTemporaries(FileSystem& files, const std::string& xmlDir) {
  for (const std::string& name : files.FindFiles(xmlDir, kTemporaryPattern))
    files.Remove(xmlDir + "\\" + name);
}

}  // namespace qalo
