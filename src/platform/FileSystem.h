#pragma once
// Files as the plug-in writes them into a directory that other runs, other
// users and the host share: every file it writes is a temporary file of its
// own, created exclusively and held open without sharing until it is put in
// place under its final name, which is never taken from someone else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qalo {

// A temporary file being written. While the object lives the file is open
// and nobody else can open, rename or delete it. Unless it was put in place,
// the file is deleted through its own handle when the object goes away, so
// a run never removes a file that is not its own.
class WritableFile {
 public:
  enum class Placement { Placed, NameTaken, Failed };

  virtual ~WritableFile() = default;
  // The temporary file's full path.
  virtual const std::string& Path() const = 0;
  // Appends n bytes; false when not all of them could be written.
  virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
  // Renames the still open file to path, never replacing a file of that
  // name (NameTaken); Failed on any other failure. After Placed the file is
  // no longer removed.
  virtual Placement PlaceAs(const std::string& path) = 0;
  // Closes the file; false when that fails. Further calls fail.
  virtual bool Close() = 0;
};

// A file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to n bytes into data; got is 0 at the end. False on failure.
  virtual bool Read(std::uint8_t* data, std::size_t n, std::size_t& got) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True for an existing file or directory.
  virtual bool FileExists(const std::string& path) = 0;
  // A new empty file in dir, created exclusively under a name that begins
  // with prefix and ends in ".tmp"; nullptr when none can be created.
  virtual std::unique_ptr<WritableFile> CreateTemporary(const std::string& dir,
                                                        const std::string& prefix) = 0;
  // Opens path for reading, sharing it with readers; nullptr on failure.
  virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) = 0;
  // The names (without the directory) of the files in dir that match
  // pattern, with * and ? as wildcards; empty when there are none.
  virtual std::vector<std::string> FindFiles(const std::string& dir,
                                             const std::string& pattern) = 0;
  // Deletes path; false when it could not be deleted: it did not exist, or
  // somebody holds it open.
  virtual bool Remove(const std::string& path) = 0;
};

}  // namespace qalo
