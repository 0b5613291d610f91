#include "workflow/StreamedExport.h"

#include <utility>

namespace qalo {

StreamedExport::StreamedExport(FileSystem& files, std::string temporaryPath)
    : files_(files), temporary_(std::move(temporaryPath), [&files](const std::string& name) {
        if (files.FileExists(name)) files.Remove(name);
      }) {}

void StreamedExport::Take(ResponseBuffer& buffer, std::size_t end) {
  if (!failed_ && end > written_) failed_ = !WriteUpTo(buffer, end);
}

bool StreamedExport::WriteUpTo(ResponseBuffer& buffer, std::size_t end) {
  if (!file_) file_ = files_.CreateForWriting(temporary_.Path());
  if (!file_) return false;
  for (; written_ < end; ++written_) {
    const ResponseBuffer::Block block = buffer.BlockAt(written_);
    if (!file_->Write(block.data, block.size)) return false;
    buffer.Release(written_);
  }
  return true;
}

bool StreamedExport::Commit(ResponseBuffer& buffer, const std::string& path) {
  if (failed_ || !WriteUpTo(buffer, buffer.BlockCount())) return false;
  const bool closed = file_->Close();
  file_.reset();
  if (!closed || !files_.MoveReplace(temporary_.Path(), path)) return false;
  temporary_.Commit();
  return true;
}

std::string DownloadTemporaryName(const std::string& xmlDir) {
  return xmlDir + "\\qalo_export_download.tmp";
}

}  // namespace qalo
