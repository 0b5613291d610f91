#pragma once
#include <cstdint>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/FileSystem.h"

namespace qalo::test {

// Files as a map from path to content. failCreate, failWriteAfter (bytes),
// failClose and failMove make that step fail without changing anything more.
class FakeMemoryFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }

  std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) override {
    if (failCreate) return nullptr;
    files[path].clear();
    return std::make_unique<File>(*this, path);
  }

  bool MoveReplace(const std::string& from, const std::string& to) override {
    auto it = files.find(from);
    if (failMove || it == files.end()) return false;
    std::string content = std::move(it->second);
    files.erase(it);
    files[to] = std::move(content);
    return true;
  }

  bool Remove(const std::string& path) override { return files.erase(path) != 0; }

  std::map<std::string, std::string> files;
  bool failCreate = false;
  std::size_t failWriteAfter = SIZE_MAX;
  bool failClose = false;
  bool failMove = false;

 private:
  class File : public WritableFile {
   public:
    File(FakeMemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    bool Write(const std::uint8_t* data, std::size_t n) override {
      if (closed_) return false;
      std::string& content = fs_.files[path_];
      if (content.size() + n > fs_.failWriteAfter) return false;
      content.append(reinterpret_cast<const char*>(data), n);
      return true;
    }
    bool Close() override { return !std::exchange(closed_, true) && !fs_.failClose; }

   private:
    FakeMemoryFileSystem& fs_;
    std::string path_;
    bool closed_ = false;
  };
};

}  // namespace qalo::test
