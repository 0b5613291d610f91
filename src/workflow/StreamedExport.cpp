#include "workflow/StreamedExport.h"

namespace qalo {

bool StreamedExport::Take(ResponseBuffer& buffer, std::size_t end) {
  while (!failed_ && written_ < end) {
    const ResponseBuffer::Block block = buffer.BlockAt(written_);
    failed_ = !file_.Write(block.data, block.size);
    if (!failed_) buffer.Release(written_++);
  }
  return !failed_;
}

std::optional<std::string> StreamedExport::Commit(ResponseBuffer& buffer, double stamp) {
  if (!Take(buffer, buffer.BlockCount())) return std::nullopt;
  return file_.Commit(stamp);
}

}  // namespace qalo
