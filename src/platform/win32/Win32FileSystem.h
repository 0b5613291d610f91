#pragma once
// Files through kernel32's ANSI functions (Windows-1252 paths).
#include "platform/FileSystem.h"

namespace qalo {

class Win32FileSystem final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  // CREATE_NEW with write and delete access and no sharing; the name is the
  // prefix, the process id and a number, the next number when it is taken.
  std::unique_ptr<WritableFile> CreateTemporary(const std::string& dir,
                                                const std::string& prefix) override;
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override;
  std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override;
  bool Remove(const std::string& path) override;
};

}  // namespace qalo
