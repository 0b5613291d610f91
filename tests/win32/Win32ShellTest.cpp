// The shell adapter against Wine's real shell: a .pdf opened through the
// prefix's association reaches the viewer registered for it.
#include "platform/win32/Win32Shell.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "support/RecordingViewer.h"

namespace qalo {
namespace {

TEST(Win32ShellTest, HostExecutablePathIsThisProgram) {
  Win32Shell shell;
  const std::string path = shell.HostExecutablePath();
  EXPECT_EQ(path, test::TestProgramFolder() + "win32_tests.exe");
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32ShellTest, OpensADocumentWithItsRegisteredViewer) {
  const std::string folder = test::TestProgramFolder() + "shell test\\";
  // A type of its own: ".pdf" belongs to the login dialog's manual test.
  const std::string document = folder + "NOLT-Schnittstelle zu QALOnet.qalotest";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::ofstream(document) << "%PDF-1.4\n";
  {
    test::RecordingViewer viewer(test::TestProgramFolder() + "shell-test.record", ".qalotest");
    Win32Shell shell;
    shell.OpenDocument(document);
    EXPECT_EQ(viewer.OpenedDocument(), document);
  }
  DeleteFileA(document.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace qalo
