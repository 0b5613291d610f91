// Loading from the system folder only, against Wine's loader: decoy.dll
// lies beside this program, where an ordinary LoadLibraryA finds it.
#include "platform/win32/SystemLibrary.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "support/RecordingViewer.h"

namespace qalo {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, sizeof path);
  return Lower(path);
}

std::string SystemFolder() {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, sizeof folder);
  return Lower(folder);
}

// An owner's library goes with it; a library for the process stays, one
// copy, whatever is freed later.
TEST(SystemLibraryTest, LoadsFromTheSystemFolderForItsOwnerOrForTheProcess) {
  ASSERT_EQ(GetModuleHandleA("wininet.dll"), nullptr) << "loaded before the test";
  {
    SystemLibrary library("wininet.dll", SystemLibrary::Lifetime::Owner);
    BOOL(WINAPI * close)(void*) = nullptr;
    library.Find("InternetCloseHandle", close);
    EXPECT_TRUE(library.Usable());
    EXPECT_NE(close, nullptr);
    const HMODULE loaded = GetModuleHandleA("wininet.dll");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(ModulePath(loaded), SystemFolder() + "\\wininet.dll");
  }
  EXPECT_EQ(GetModuleHandleA("wininet.dll"), nullptr) << "not freed";

  for (int run = 0; run < 3; ++run) {
    SystemLibrary library("wininet.dll", SystemLibrary::Lifetime::Process);
    ASSERT_TRUE(library.Usable());
  }
  const HMODULE kept = GetModuleHandleA("wininet.dll");
  ASSERT_NE(kept, nullptr) << "not kept";
  EXPECT_EQ(ModulePath(kept), SystemFolder() + "\\wininet.dll");
  FreeLibrary(kept);  // one more than anybody holds: a pinned library stays
  EXPECT_EQ(GetModuleHandleA("wininet.dll"), kept);
}

TEST(SystemLibraryTest, NeverTakesAFileBesideTheProgram) {
  const std::string marker = test::TestProgramFolder() + "decoy.dll.loaded";
  std::remove(marker.c_str());
  {
    SystemLibrary library("decoy.dll", SystemLibrary::Lifetime::Owner);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(library.Usable());
    EXPECT_EQ(library.FailureText(), "Systembibliothek decoy.dll konnte nicht geladen werden.");
  }
  EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);

  // The ordinary search order would have taken it.
  const HMODULE planted = LoadLibraryA("decoy.dll");
  ASSERT_NE(planted, nullptr);
  FreeLibrary(planted);
  EXPECT_NE(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
  std::remove(marker.c_str());
}

TEST(SystemLibraryTest, AMissingFunctionMakesTheLibraryUnusable) {
  SystemLibrary library("kernel32.dll", SystemLibrary::Lifetime::Owner);
  DWORD(WINAPI * missing)() = nullptr;
  DWORD(WINAPI * present)() = nullptr;
  library.Find("QaloNoSuchFunction", missing);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  library.Find("GetTickCount", present);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(present, nullptr) << "a library with a function missing is not used";
  EXPECT_FALSE(library.Usable());
  EXPECT_EQ(library.FailureText(),
            "Systembibliothek kernel32.dll: Funktion QaloNoSuchFunction fehlt.");
}

}  // namespace
}  // namespace qalo
