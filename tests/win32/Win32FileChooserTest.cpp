// The import-file mode with the real file-open dialog, driven like a user
// from a second thread, the CNG cipher and the Win32 file system.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/SystemCipher.h"
#include "platform/SystemThreads.h"
#include "platform/win32/Win32FileChooser.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "support/FakeHost.h"
#include "support/TestData.h"
#include "support/WindowFinder.h"
#include "workflow/Decryption.h"
#include "workflow/ExportFile.h"

namespace qalo {
namespace {

const char kTitle[] = "QALO - Importfile ausw\xE4hlen ...";

// Waits for the dialog, types path into its file-name box (unless empty)
// and presses the button with the given id.
class DialogUser {
 public:
  DialogUser(std::string path, int button)
      : thread_([this, path, button] { Act(path, button); }) {}
  ~DialogUser() { thread_.join(); }
  bool FoundDialog() const { return found_; }

 private:
  void Act(const std::string& path, int button) {
    // Only this process's dialog: tests in other processes may show theirs.
    HWND dialog = test::WaitForOwnWindow(kTitle, "#32770");
    if (!dialog) return;
    found_ = true;
    if (!path.empty()) {
      HWND combo = GetDlgItem(dialog, 0x47c);
      HWND edit = reinterpret_cast<HWND>(SendMessageA(combo, CBEM_GETEDITCONTROL, 0, 0));
      SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
  }

  std::atomic<bool> found_{false};
  std::thread thread_;
};

std::string WindowsPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

std::string CurrentDirectory() {
  char dir[MAX_PATH];
  return std::string(dir, GetCurrentDirectoryA(MAX_PATH, dir));
}

class ImportFileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)); }
  void TearDown() override {
    for (const std::string& name : files_.FindFiles(dir_, "*")) files_.Remove(dir_ + "\\" + name);
    RemoveDirectoryA(dir_.c_str());
  }

  std::int32_t Run() {
    const std::string key = test::ReadWholeFile(test::TestDataPath("tdea-sample.key"));
    ExportFile exportFile(files_, dir_);
    return DecryptImportFile(exportFile, clock_.Now(), key, chooser_, *cipher_, threads_, files_,
                             host_);
  }

  const std::string dir_ = WindowsPath(test::UniqueTempPath("xml"));
  Win32Clock clock_;
  Win32FileChooser chooser_;
  std::unique_ptr<Cipher> cipher_ = MakeSystemCipher();
  SystemThreads threads_;
  Win32FileSystem files_;
  test::FakeHost host_;
};

TEST_F(ImportFileDialogTest, ChosenFileBecomesTheExportFileAsOpensslDecryptsIt) {
  const std::string sample = WindowsPath(test::TestDataPath("tdea-sample.enc"));
  const std::string directoryBefore = CurrentDirectory();
  std::int32_t rc;
  {
    DialogUser user(sample, IDOK);
    rc = Run();
    ASSERT_TRUE(user.FoundDialog());
  }
  ASSERT_EQ(rc, 0);
  const std::string expected = test::ReadWholeFile(test::TestDataPath("tdea-sample.dec"));
  ASSERT_EQ(expected.size(), 150000u);
  // The export file and nothing else: no temporary file is left.
  const std::vector<std::string> names = files_.FindFiles(dir_, "*");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind("qalo_export_", 0), 0u) << names[0];
  EXPECT_TRUE(test::ReadWholeFile(dir_ + "\\" + names[0]) == expected);
  EXPECT_EQ(CurrentDirectory(), directoryBefore);
  EXPECT_EQ(host_.Lines().back(), "... erfolgreich dechiffriert!");
}

TEST_F(ImportFileDialogTest, CancelWritesNothing) {
  std::int32_t rc;
  {
    DialogUser user("", IDCANCEL);
    rc = Run();
    ASSERT_TRUE(user.FoundDialog());
  }
  EXPECT_EQ(rc, -4);
  EXPECT_TRUE(files_.FindFiles(dir_, "*").empty());
  EXPECT_TRUE(host_.events.empty());
}

}  // namespace
}  // namespace qalo
