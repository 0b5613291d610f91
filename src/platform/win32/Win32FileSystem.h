#pragma once
// Files through kernel32's ANSI functions (Windows-1252 paths).
#include "platform/FileSystem.h"

namespace qalo {

class Win32FileSystem final : public FileSystem {
 public:
  // True for an existing file or directory.
  bool FileExists(const std::string& path) override;
  // CREATE_ALWAYS, no sharing while it is open.
  std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) override;
  // MoveFileExA with MOVEFILE_REPLACE_EXISTING.
  bool MoveReplace(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
};

}  // namespace qalo
