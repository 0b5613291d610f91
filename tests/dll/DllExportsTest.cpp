// The real ImpApiQALO.dll, loaded by name and called like a host calls it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ImpApiQALO.h"
#include "support/WindowFinder.h"

namespace {

std::uintptr_t StackPointer() {
  std::uintptr_t sp;
  asm volatile("mov %%esp, %0" : "=r"(sp));
  return sp;
}

// The stack pointer moves by zero across a call only when the callee
// removes its own arguments, as the standard calling convention requires.
template <typename Fn, typename... Args>
std::intptr_t StackDrift(Fn fn, Args... args) {
  const std::uintptr_t before = StackPointer();
  fn(args...);
  const std::uintptr_t after = StackPointer();
  return static_cast<std::intptr_t>(after - before);
}

void __stdcall IgnoreProgress(std::int32_t, std::int32_t, const char*) {}

std::vector<std::string> gFirstLog, gSecondLog;
void __stdcall FirstCallback(std::int32_t kind, std::int32_t, const char* text) {
  if (kind == 3) gFirstLog.push_back(text);
}
void __stdcall SecondCallback(std::int32_t kind, std::int32_t, const char* text) {
  if (kind == 3) gSecondLog.push_back(text);
}

// Like a user: waits for this process's password prompt and presses
// "Abbrechen" once, so a retrieval without a password ends at once with -4.
std::thread CancelThePasswordPrompt() {
  return std::thread([] {
    HWND prompt = qalo::test::WaitForOwnWindow("QALO Passwortabfrage");
    if (!prompt) {
      ADD_FAILURE() << "no password prompt";
      return;
    }
    PostMessageA(qalo::test::Child(prompt, "Abbrechen"), BM_CLICK, 0, 0);
    EXPECT_TRUE(qalo::test::WaitUntil([&] { return !IsWindowVisible(prompt); })) << "the prompt stays";
  });
}

const char* const kFirstLine = "Abruf \xFC" "ber QALO-Depotschnittstelle ...";

class DllExports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { module_ = LoadLibraryA("ImpApiQALO.dll"); }
  static void TearDownTestSuite() { FreeLibrary(module_); }

  template <typename Fn>
  Fn Get(const char* name) {
    EXPECT_NE(module_, nullptr);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }

  static HMODULE module_;
};
HMODULE DllExports::module_ = nullptr;

TEST_F(DllExports, LoadsByNameAndExportsEveryFunctionByOrdinal) {
  ASSERT_NE(module_, nullptr);
  const char* names[] = {"ExportXML",        "ApiDataDialog",     "GetExportErrorMsg",
                         "RegProgrCallback", "AppVersionCheck",   "ImportVersionInfo",
                         "VersionInfo"};
  for (int ordinal = 1; ordinal <= 7; ++ordinal) {
    FARPROC byName = GetProcAddress(module_, names[ordinal - 1]);
    FARPROC byOrdinal = GetProcAddress(module_, MAKEINTRESOURCEA(ordinal));
    EXPECT_NE(byName, nullptr) << names[ordinal - 1];
    EXPECT_EQ(byName, byOrdinal) << names[ordinal - 1];
  }
}

TEST_F(DllExports, VersionAnswers) {
  auto version = Get<ImpApiQALO_VersionInfo>("VersionInfo");
  auto check = Get<ImpApiQALO_AppVersionCheck>("AppVersionCheck");
  EXPECT_EQ(version(), 40300);
  EXPECT_EQ(version(), 40300);
  EXPECT_EQ(check(40335), 0);
  EXPECT_EQ(check(40334), -1);
  EXPECT_EQ(check(-40335), -1);
}

TEST_F(DllExports, ImportVersionInfoLeavesTheByteAfterTheTextAlone) {
  char buffer[256];
  std::memset(buffer, 0x7E, sizeof buffer);
  Get<ImpApiQALO_ImportVersionInfo>("ImportVersionInfo")(buffer);
  EXPECT_EQ(buffer[0], 5);
  EXPECT_EQ(std::string(buffer + 1, 5), "2.0.6");
  EXPECT_EQ(buffer[6], 0x7E);
}

// What Explorer's Details tab and an installer read: the version the
// plug-in reports, with a German string table in Windows-1252.
TEST_F(DllExports, VersionResourceNamesTheReleaseInGerman) {
  ASSERT_NE(module_, nullptr);
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(module_, path, sizeof path), 0u);
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &unused);
  ASSERT_GT(size, 0u) << "no version resource";
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof *fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00060000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00060000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0407);
  EXPECT_EQ(translation[1], 1252);

  char reported[256];
  Get<ImpApiQALO_ImportVersionInfo>("ImportVersionInfo")(reported);
  const std::string version(reported + 1, static_cast<unsigned char>(reported[0]));
  const struct {
    const char* name;
    std::string value;
  } strings[] = {
      {"FileVersion", version + ".0"},
      {"ProductVersion", "2.0.6.0"},
      {"CompanyName", "Kalbrix"},
      {"InternalName", "ImpApiQALO.dll"},
      {"OriginalFilename", "ImpApiQALO.dll"},
      {"ProductName", "NOLT ImportAPI QALO"},
      {"FileDescription", "NOLT-Importschnittstelle zur QALO-Depotschnittstelle"},
      {"LegalCopyright", "Copyright (C) Kalbrix"},
  };
  for (const auto& s : strings) {
    char* text = nullptr;
    const std::string query = std::string("\\StringFileInfo\\040704E4\\") + s.name;
    ASSERT_TRUE(VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
        << s.name;
    EXPECT_EQ(std::string(text), s.value) << s.name;
  }
}

// Windows-1252 bytes for every code of the table, the two formatted rows up
// to both ends of the 32-bit range, nothing written past the zero byte.
TEST_F(DllExports, MessageTableAndTheExtremesOfTheRange) {
  const struct {
    std::int32_t code;
    const char* text;
  } cases[] = {
      {-1, "Fehler bei der Online-Verbindung"},
      {-2, "Import-Datei nicht gefunden"},
      {-3, "Import-Datei nicht kopierbar"},
      {-4, "Abbruch durch Benutzer"},
      {-5, "Fehler beim Entschl\xFCsseln der Daten"},
      {-6, "unbekannte Nachricht vom Host"},
      {-7, "ung\xFCltiger Fehlercode vom Host"},
      {-8, "keine Daten vom Host"},
      {-1000, "Die gew\xFCnschten Daten wurden noch nicht erzeugt"},
      {-1100, "Beim Erzeugen der Daten ist ein Fehler aufgetreten"},
      {-1200, "Das Ticket ist nicht registriert"},
      {-2000, "Die Authentifizierung ist fehlgeschlagen"},
      {-9, "Unspezifizierter Fehler [-9]"},
      {-1015, "Unspezifizierter Fehler [-1015]"},
      {-2147483647 - 1, "Unspezifizierter Fehler [-2147483648]"},
      {0, "unbekannter Fehlercode vom Host: [0]"},
      {12, "unbekannter Fehlercode vom Host: [12]"},
      {3000, "unbekannter Fehlercode vom Host: [3000]"},
      {2147483647, "unbekannter Fehlercode vom Host: [2147483647]"},
  };
  auto message = Get<ImpApiQALO_GetExportErrorMsg>("GetExportErrorMsg");
  for (const auto& c : cases) {
    char buffer[64];
    std::memset(buffer, 0x7E, sizeof buffer);
    EXPECT_EQ(message(c.code, buffer), 0) << c.code;
    const std::size_t n = std::strlen(c.text);
    ASSERT_LE(n, 50u) << c.code;
    EXPECT_EQ(std::string(buffer, n + 1), std::string(c.text, n + 1)) << c.code;
    EXPECT_EQ(std::string(buffer + n + 1, sizeof buffer - n - 1), std::string(sizeof buffer - n - 1, 0x7E))
        << c.code;
  }
}

TEST_F(DllExports, NullBuffersAreLeftAlone) {
  EXPECT_EQ(Get<ImpApiQALO_GetExportErrorMsg>("GetExportErrorMsg")(-4, nullptr), 0);
  EXPECT_EQ(Get<ImpApiQALO_GetExportErrorMsg>("GetExportErrorMsg")(2147483647, nullptr), 0);
  Get<ImpApiQALO_ImportVersionInfo>("ImportVersionInfo")(nullptr);
}

TEST_F(DllExports, RegProgrCallbackAcceptsAndRemoves) {
  auto reg = Get<ImpApiQALO_RegProgrCallback>("RegProgrCallback");
  EXPECT_EQ(reg(&IgnoreProgress), 0);
  EXPECT_EQ(reg(nullptr), 0);
}

TEST_F(DllExports, NullTextsAreEmptyAndOnlyTheRegisteredCallbackHearsTheRun) {
  auto exportXml = Get<ImpApiQALO_ExportXML>("ExportXML");
  auto reg = Get<ImpApiQALO_RegProgrCallback>("RegProgrCallback");
  const double noDate = 0.0;
  gFirstLog.clear();
  gSecondLog.clear();

  // No settings text: no password, so the prompt comes and is cancelled.
  reg(&FirstCallback);
  std::thread user = CancelThePasswordPrompt();
  EXPECT_EQ(exportXml(nullptr, nullptr, 12345, &noDate, nullptr), -4);
  user.join();
  EXPECT_EQ(gFirstLog, std::vector<std::string>{kFirstLine});

  reg(&SecondCallback);
  user = CancelThePasswordPrompt();
  EXPECT_EQ(exportXml("C:\\x", "B", 0, &noDate, "UserLogin=demo\r\n"), -4);
  user.join();
  EXPECT_EQ(gFirstLog.size(), 1u);
  EXPECT_EQ(gSecondLog, std::vector<std::string>{kFirstLine});

  reg(nullptr);
  user = CancelThePasswordPrompt();
  EXPECT_EQ(exportXml(nullptr, nullptr, 0, &noDate, nullptr), -4);
  user.join();
  EXPECT_EQ(gFirstLog.size() + gSecondLog.size(), 2u);
}

TEST_F(DllExports, EveryExportRemovesItsOwnArguments) {
  char buffer[256] = {};
  const double noDate = 0.0;
  EXPECT_EQ(StackDrift(Get<ImpApiQALO_VersionInfo>("VersionInfo")), 0);
  EXPECT_EQ(StackDrift(Get<ImpApiQALO_AppVersionCheck>("AppVersionCheck"), 40335), 0);
  EXPECT_EQ(StackDrift(Get<ImpApiQALO_ImportVersionInfo>("ImportVersionInfo"), buffer), 0);
  EXPECT_EQ(StackDrift(Get<ImpApiQALO_GetExportErrorMsg>("GetExportErrorMsg"), -4, buffer), 0);
  EXPECT_EQ(StackDrift(Get<ImpApiQALO_RegProgrCallback>("RegProgrCallback"),
                       ImpApiQALO_ProgressCallback{}),
            0);
  std::thread user = CancelThePasswordPrompt();
  EXPECT_EQ(StackDrift(Get<ImpApiQALO_ExportXML>("ExportXML"), "", "", 0, &noDate, ""), 0);
  user.join();
}

}  // namespace
