#include "workflow/ExportFile.h"

#include <utility>

#include "workflow/DateTime.h"

namespace qalo {
namespace {

// How long a run waits for a free second before it gives up.
constexpr int kSecondsToWait = 10;

}  // namespace

ExportFile::ExportFile(FileSystem& files, Clock& clock, std::string xmlDir)
    : files_(files), clock_(clock), xmlDir_(std::move(xmlDir)) {}

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
  for (int waited = 0;; ++waited) {
    const std::string name = ExportFileName(xmlDir_, stamp);
    switch (file_->PlaceAs(name)) {
      case WritableFile::Placement::Placed:
        if (file_->Close()) return name;
        // Not known to be whole: it goes again, and it is still ours.
        files_.Remove(name);
        return std::nullopt;
      case WritableFile::Placement::NameTaken:
        if (waited == kSecondsToWait) return std::nullopt;
        clock_.Sleep(1000);
        stamp = clock_.Now();
        break;
      case WritableFile::Placement::Failed:
        return std::nullopt;
    }
  }
}

std::string ExportFileName(const std::string& xmlDir, double now) {
  return xmlDir + "\\qalo_export_" + FormatFileStamp(now) + ".xml";
}

void RemoveAbandonedTemporaries(FileSystem& files, const std::string& xmlDir) {
  for (const std::string& name : files.FindFiles(xmlDir, kTemporaryPattern))
    files.Remove(xmlDir + "\\" + name);
}

}  // namespace qalo
