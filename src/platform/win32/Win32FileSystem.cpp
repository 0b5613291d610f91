#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Win32Handles.h"

namespace qalo {
namespace {

class Win32WritableFile final : public WritableFile {
 public:
  explicit Win32WritableFile(UniqueFileHandle file) : file_(std::move(file)) {}

  bool Write(const std::uint8_t* data, std::size_t n) override {
    while (file_ && n > 0) {
      const DWORD piece = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
      DWORD written = 0;
      if (!WriteFile(file_.get(), data, piece, &written, nullptr) || written != piece)
        return false;
      data += piece;
      n -= piece;
    }
    return static_cast<bool>(file_);
  }

  bool Close() override {
    if (!file_) return false;
    return CloseHandle(file_.release()) != FALSE;
  }

 private:
  UniqueFileHandle file_;
};

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<WritableFile> Win32FileSystem::CreateForWriting(const std::string& path) {
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32WritableFile>(std::move(file));
}

bool Win32FileSystem::MoveReplace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32FileSystem::Remove(const std::string& path) {
  return DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace qalo
