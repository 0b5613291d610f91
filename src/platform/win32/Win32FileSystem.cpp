#include "platform/win32/Win32FileSystem.h"

#include <cstring>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace qalo {
namespace {

// Enough numbers to step past the leftovers of killed runs of the same
// process id that the sweep could not remove yet.
constexpr int kTemporaryAttempts = 1000;

// The file is held open with write and delete access and no sharing, and is
// renamed and, unless placed, deleted through that one handle.
class Win32WritableFile final : public WritableFile {
 public:
  Win32WritableFile(UniqueFileHandle file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}
  ~Win32WritableFile() override {
    if (file_ && !placed_) MarkForDeletion();
  }

  const std::string& Path() const override { return path_; }

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

  Placement PlaceAs(const std::string& path) override {
    if (!file_ || placed_) return Placement::Failed;
    const int chars = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (chars <= 1) return Placement::Failed;
    const DWORD nameBytes = static_cast<DWORD>((chars - 1) * sizeof(WCHAR));
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, info->FileName, chars);
    if (SetFileInformationByHandle(file_.get(), FileRenameInfo, info,
                                   static_cast<DWORD>(buffer.size()))) {
      placed_ = true;
      path_ = path;
      return Placement::Placed;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Placement::NameTaken
                                                                       : Placement::Failed;
  }

  bool Close() override {
    if (!file_) return false;
    if (!placed_) {
      MarkForDeletion();
      return false;
    }
    return CloseHandle(file_.release()) != FALSE;
  }

 private:
  void MarkForDeletion() noexcept {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof disposition);
    file_.reset();
  }

  UniqueFileHandle file_;
  std::string path_;
  bool placed_ = false;
};

class Win32ReadableFile final : public ReadableFile {
 public:
  explicit Win32ReadableFile(UniqueFileHandle file) : file_(std::move(file)) {}

  bool Read(std::uint8_t* data, std::size_t n, std::size_t& got) override {
    DWORD read = 0;
    const DWORD piece = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    const bool ok = ReadFile(file_.get(), data, piece, &read, nullptr) != FALSE;
    got = ok ? read : 0;
    return ok;
  }

 private:
  UniqueFileHandle file_;
};

using UniqueFindHandle = UniqueHandle<HANDLE, FindHandleTraits>;

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<WritableFile> Win32FileSystem::CreateTemporary(const std::string& dir,
                                                               const std::string& prefix) {
  const std::string stem = dir + "\\" + prefix + std::to_string(GetCurrentProcessId()) + "_";
  const DWORD start = GetTickCount();
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string path = stem + std::to_string(start + static_cast<DWORD>(attempt)) + ".tmp";
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return std::make_unique<Win32WritableFile>(std::move(file), std::move(path));
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<ReadableFile> Win32FileSystem::OpenForReading(const std::string& path) {
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32ReadableFile>(std::move(file));
}

std::vector<std::string> Win32FileSystem::FindFiles(const std::string& dir,
                                                    const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  UniqueFindHandle search(FindFirstFileA((dir + "\\" + pattern).c_str(), &found));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileA(search.get(), &found));
  return names;
}

bool Win32FileSystem::Remove(const std::string& path) {
  return DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace qalo
