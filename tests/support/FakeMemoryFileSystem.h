#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "support/FaultPlan.h"

namespace qalo::test {

// Files as a map from path to content, shared by every run that uses the
// same object, with the rules of a shared directory: a temporary file is
// created exclusively and held open until it is placed or dropped, an open
// file cannot be removed, a placement never replaces a file. The calls
// "FileExists", "Create", "Write", "Place", "Close", "Open", "Read", "Find"
// and "Remove" go through faults and fail as it says, changing nothing;
// onCall, when set, hears each of them first (another run may step in there).
class FakeMemoryFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    Call("FileExists");
    return files.count(path) != 0;
  }

  std::unique_ptr<WritableFile> CreateTemporary(const std::string& dir,
                                                const std::string& prefix) override {
    if (Call("Create")) return nullptr;
    std::string path;
    do path = dir + "\\" + prefix + std::to_string(++created_) + ".tmp";
    while (files.count(path) != 0);
    files[path].clear();
    return std::make_unique<File>(*this, path);
  }

  std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override {
    if (Call("Open") || files.count(path) == 0) return nullptr;
    return std::make_unique<Reader>(*this, files.at(path));
  }

  std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override {
    std::vector<std::string> names;
    if (Call("Find")) return names;
    for (const auto& [path, content] : files) {
      const std::string name = path.substr(path.rfind('\\') + 1);
      if (path == dir + "\\" + name && Matches(pattern, name)) names.push_back(name);
    }
    return names;
  }

  bool Remove(const std::string& path) override {
    if (Call("Remove") || open_.count(path) != 0) return false;
    return files.erase(path) != 0;
  }

  std::function<void(const std::string& call)> onCall;

  // The files held open now.
  const std::multiset<std::string>& OpenFiles() const { return open_; }
  // Read chunks are at most this long.
  std::size_t readChunk = 4096;

  std::map<std::string, std::string> files;
  FaultPlan faults;

 private:
  bool Call(const std::string& name) {
    if (onCall) onCall(name);
    return faults.Call(name);
  }

  static bool Matches(const std::string& pattern, const std::string& name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == '*')
      return Matches(pattern.substr(1), name) || (!name.empty() && Matches(pattern, name.substr(1)));
    return !name.empty() && (pattern[0] == '?' || pattern[0] == name[0]) &&
           Matches(pattern.substr(1), name.substr(1));
  }

  class File : public WritableFile {
   public:
    File(FakeMemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {
      fs_.open_.insert(path_);
    }
    ~File() override { Release(!placed_); }

    const std::string& Path() const override { return path_; }
    bool Write(const std::uint8_t* data, std::size_t n) override {
      if (fs_.Call("Write") || !open_) return false;
      fs_.files[path_].append(reinterpret_cast<const char*>(data), n);
      return true;
    }
    Placement PlaceAs(const std::string& path) override {
      if (fs_.Call("Place") || !open_ || placed_) return Placement::Failed;
      if (fs_.files.count(path) != 0) return Placement::NameTaken;
      fs_.files[path] = std::move(fs_.files.at(path_));
      fs_.files.erase(path_);
      fs_.open_.erase(fs_.open_.find(path_));
      fs_.open_.insert(path);
      path_ = path;
      placed_ = true;
      return Placement::Placed;
    }
    bool Close() override {
      if (!open_) return false;
      const bool failed = fs_.Call("Close");
      Release(!placed_);
      return placed_ && !failed;
    }

   private:
    void Release(bool remove) {
      if (!open_) return;
      open_ = false;
      fs_.open_.erase(fs_.open_.find(path_));
      if (remove) fs_.files.erase(path_);
    }

    FakeMemoryFileSystem& fs_;
    std::string path_;
    bool open_ = true;
    bool placed_ = false;
  };

  class Reader : public ReadableFile {
   public:
    Reader(FakeMemoryFileSystem& fs, std::string content) : fs_(fs), content_(std::move(content)) {}
    bool Read(std::uint8_t* data, std::size_t n, std::size_t& got) override {
      got = 0;
      if (fs_.Call("Read")) return false;
      got = std::min({n, fs_.readChunk, content_.size() - at_});
      std::copy_n(content_.data() + at_, got, data);
      at_ += got;
      return true;
    }

   private:
    FakeMemoryFileSystem& fs_;
    std::string content_;
    std::size_t at_ = 0;
  };

  std::multiset<std::string> open_;
  int created_ = 0;
};

}  // namespace qalo::test
