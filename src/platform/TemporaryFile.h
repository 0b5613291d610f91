#pragma once
// Owns a file that is being written under a name of its own: unless the
// writer commits it (after renaming it into place, say), the file is removed
// when the owner goes away, on every path, exceptions included.
#include <string>
#include <utility>

namespace qalo {

// Remove is called as remove(path) and must not throw; whether the file
// existed does not matter.
template <typename Remove>
class TemporaryFile {
 public:
  TemporaryFile(std::string path, Remove remove) : path_(std::move(path)), remove_(std::move(remove)) {}
  ~TemporaryFile() {
    if (!committed_) remove_(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Path() const noexcept { return path_; }
  // The file stays: it has become, or was moved to, what it was written for.
  void Commit() noexcept { committed_ = true; }

 private:
  std::string path_;
  Remove remove_;
  bool committed_ = false;
};

}  // namespace qalo
