#pragma once
// The export file of depot data, written while the data still arrives:
// decrypted blocks go to the run's temporary export file and leave the
// buffer, so the body is never held whole; Commit writes the rest and puts
// the file in place.
#include <cstddef>
#include <optional>
#include <string>

#include "workflow/ExportFile.h"
#include "workflow/ResponseBuffer.h"

namespace qalo {

class StreamedExport {
 public:
  // file outlives the object.
  explicit StreamedExport(ExportFile& file) : file_(file) {}
  StreamedExport(const StreamedExport&) = delete;
  StreamedExport& operator=(const StreamedExport&) = delete;

  // Writes the blocks of buffer before end that are not written yet and
  // releases them. False once a write has failed: nothing more is written.
  bool Take(ResponseBuffer& buffer, std::size_t end);
  bool Failed() const noexcept { return failed_; }

  // Writes the remaining blocks and puts the file in place as of stamp; the
  // name, or nullopt on any failure.
  std::optional<std::string> Commit(ResponseBuffer& buffer, double stamp);

 private:
  ExportFile& file_;
  std::size_t written_ = 0;  // blocks written and released
  bool failed_ = false;
};

}  // namespace qalo
