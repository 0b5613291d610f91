#pragma once
#include <cstdint>
#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace qalo::test {

// Files as a map from path to content. Every call is recorded by kind
// ("FileExists", "Create", "Write", "Close", "Move", "Remove") in calls, and
// any of them can be made to fail by kind and occurrence, without changing
// anything more. failCreate, failWriteAfter (bytes), failClose and failMove
// fail every such step. openFiles counts the files not yet destroyed.
class FakeMemoryFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    Call("FileExists");
    return files.count(path) != 0;
  }

  std::unique_ptr<WritableFile> CreateForWriting(const std::string& path) override {
    if (Call("Create") || failCreate) return nullptr;
    files[path].clear();
    return std::make_unique<File>(*this, path);
  }

  bool MoveReplace(const std::string& from, const std::string& to) override {
    auto it = files.find(from);
    if (Call("Move") || failMove || it == files.end()) return false;
    std::string content = std::move(it->second);
    files.erase(it);
    files[to] = std::move(content);
    return true;
  }

  bool Remove(const std::string& path) override { return !Call("Remove") && files.erase(path) != 0; }

  // Makes the occurrence-th call (1-based) of kind fail.
  void Fail(const std::string& kind, int occurrence) { failures_[kind].insert(occurrence); }
  // How many calls of kind were made.
  int CallCount(const std::string& kind) const {
    auto it = occurrences_.find(kind);
    return it == occurrences_.end() ? 0 : it->second;
  }

  std::map<std::string, std::string> files;
  std::vector<std::string> calls;
  int openFiles = 0;
  bool failCreate = false;
  std::size_t failWriteAfter = SIZE_MAX;
  bool failClose = false;
  bool failMove = false;

 private:
  // Records the call; true when it is to fail.
  bool Call(const std::string& kind) {
    calls.push_back(kind);
    const int occurrence = ++occurrences_[kind];
    auto it = failures_.find(kind);
    return it != failures_.end() && it->second.count(occurrence) != 0;
  }

  class File : public WritableFile {
   public:
    File(FakeMemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) { ++fs_.openFiles; }
    ~File() override { --fs_.openFiles; }
    bool Write(const std::uint8_t* data, std::size_t n) override {
      if (fs_.Call("Write") || closed_) return false;
      std::string& content = fs_.files[path_];
      if (content.size() + n > fs_.failWriteAfter) return false;
      content.append(reinterpret_cast<const char*>(data), n);
      return true;
    }
    bool Close() override { return !fs_.Call("Close") && !std::exchange(closed_, true) && !fs_.failClose; }

   private:
    FakeMemoryFileSystem& fs_;
    std::string path_;
    bool closed_ = false;
  };

  std::map<std::string, int> occurrences_;
  std::map<std::string, std::set<int>> failures_;
};

}  // namespace qalo::test
