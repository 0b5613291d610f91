#pragma once
// The export file of depot data, written while the response still arrives:
// decrypted blocks go to a temporary file in the XML directory and leave the
// buffer, so the body is never held whole; Commit writes the rest and
// renames the file into place. Unless committed, the temporary file is
// removed when the object goes away, on every path.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/TemporaryFile.h"
#include "workflow/ResponseBuffer.h"

namespace qalo {

class StreamedExport {
 public:
  // files outlives the object; nothing is created before the first Take.
  StreamedExport(FileSystem& files, std::string temporaryPath);
  StreamedExport(const StreamedExport&) = delete;
  StreamedExport& operator=(const StreamedExport&) = delete;

  // Writes the blocks of buffer before end that are not written yet and
  // releases them. After a failure nothing more is written and the blocks
  // stay; Commit then fails. Throws only std::bad_alloc.
  void Take(ResponseBuffer& buffer, std::size_t end);

  // Writes the remaining blocks, closes the file and renames it to path;
  // false on any failure (and the temporary file goes).
  bool Commit(ResponseBuffer& buffer, const std::string& path);

 private:
  bool WriteUpTo(ResponseBuffer& buffer, std::size_t end);

  FileSystem& files_;
  TemporaryFile<std::function<void(const std::string&)>> temporary_;
  std::unique_ptr<WritableFile> file_;  // closed before the temporary file is removed
  std::size_t written_ = 0;             // blocks written and released
  bool failed_ = false;
};

// The temporary file depot data is written to during the download.
std::string DownloadTemporaryName(const std::string& xmlDir);

}  // namespace qalo
