#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qalo {

// A file opened for writing; closed when the object goes away.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Appends n bytes; false when not all of them could be written.
  virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
  // Flushes and closes; false when that fails. Further writes fail.
  virtual bool Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // Creates path, replacing a file of the same name; nullptr on failure.
  virtual std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) = 0;
  // Renames from to to, replacing an existing to; false on failure.
  virtual bool MoveReplace(const std::string& from, const std::string& to) = 0;
  // Deletes path; false when it could not be deleted (or did not exist).
  virtual bool Remove(const std::string& path) = 0;
};

}  // namespace qalo
