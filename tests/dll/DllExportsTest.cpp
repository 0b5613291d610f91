// The real ImpApiQALO.dll, loaded by name and called like a host calls it.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ImpApiQALO.h"
#include "support/LoopbackService.h"
#include "support/TestData.h"
#include "support/UserDriver.h"
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

template <typename Fn>
Fn ExportOf(HMODULE library, const char* name) {
  EXPECT_NE(library, nullptr);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  EXPECT_NE(fn, nullptr) << name;
  return fn;
}

class DllExports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { module_ = LoadLibraryA("ImpApiQALO.dll"); }
  static void TearDownTestSuite() { FreeLibrary(module_); }

  template <typename Fn>
  Fn Get(const char* name) {
    return ExportOf<Fn>(module_, name);
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

// The handles this process holds, as the system's handle table lists them
// (GetProcessHandleCount is a stub under Wine); -1 if it cannot be read.
int OwnHandleCount() {
  struct Entry {
    ULONG processId;
    BYTE objectType, flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  struct Table {
    ULONG count;
    Entry entries[1];
  };
  using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(256 * 1024);
  LONG status;
  ULONG needed = 0;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         &needed)) == kLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status < 0) return -1;
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  int n = 0;
  for (ULONG i = 0; i < table->count; ++i) n += table->entries[i].processId == GetCurrentProcessId();
  return n;
}

// The handle count once it holds still for 100 ms (at most about 3 s): the
// test's own service closes a connection just after its answer has gone.
int SettledHandleCount() {
  int count = OwnHandleCount();
  for (int tries = 0; tries < 30; ++tries) {
    Sleep(100);
    const int again = OwnHandleCount();
    if (again == count) break;
    count = again;
  }
  return count;
}

// How many thread-local storage slots are free: a load that keeps one takes
// it for good, and a process has about a thousand.
int FreeTlsSlots() {
  std::vector<DWORD> taken;
  for (DWORD slot; (slot = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(slot);
  for (DWORD slot : taken) TlsFree(slot);
  return static_cast<int>(taken.size());
}

void __stdcall DispatchOnProgress(std::int32_t kind, std::int32_t, const char*) {
  // Like a host: the progress window paints and ticks during the download.
  MSG msg;
  while (kind == 2 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// A host that loads the library for each use and frees it afterwards: a
// retrieval that downloads depot data and writes it decrypted, and a login
// data dialog the user cancels, a hundred times each. Whatever a load or a
// first use makes must go with the library. The first cycles may bring
// system libraries into the process for good, so counting starts after them:
// WinInet and CNG among them, kept from their first use on, one copy.
TEST(LibraryLoadedPerUse, LeavesNoHandleAndNoStorageSlotBehind) {
  using qalo::test::ReadWholeFile;
  using qalo::test::TestDataPath;
  const std::string depotData = ReadWholeFile(TestDataPath("tdea-sample.dec"));
  qalo::test::LoopbackService service(ReadWholeFile(TestDataPath("tdea-sample.enc")));
  ASSERT_NE(service.Port(), 0) << "no loopback service";
  ASSERT_FALSE(depotData.empty());
  const std::string root = qalo::test::UniqueTempPath("host");
  const std::string xmlDir = root + "\\xml";
  const std::string ini = root + "\\QALO\\Qalo_test.Ini";
  ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(xmlDir.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((root + "\\QALO").c_str(), nullptr));
  const std::string url = "http://127.0.0.1:" + std::to_string(service.Port()) + "/nolt";
  std::ofstream(ini, std::ios::binary) << "[Global]\r\nURL=" << url << "\r\n";
  ASSERT_NE(ReadWholeFile(ini).find(url), std::string::npos);

  int retrievals = 0;
  const std::string settings = "UserLogin=demo\r\nPassword=Geheim#123\r\nUserKey=" +
                               ReadWholeFile(TestDataPath("tdea-sample.key")) + "\r\n";
  auto retrieve = [&] {
    const double datum = 45000.0;
    HMODULE library = LoadLibraryA("ImpApiQALO.dll");
    ASSERT_NE(library, nullptr);
    ExportOf<ImpApiQALO_RegProgrCallback>(library, "RegProgrCallback")(&DispatchOnProgress);
    const auto exportXml = ExportOf<ImpApiQALO_ExportXML>(library, "ExportXML");
    EXPECT_EQ(exportXml(xmlDir.c_str(), "B-17", 0, &datum, settings.c_str()), 0);
    FreeLibrary(library);
    ++retrievals;
    const std::vector<std::string> files = FilesIn(xmlDir);
    ASSERT_EQ(files.size(), 1u) << "the export file, and nothing else";
    EXPECT_EQ(files[0].rfind("qalo_export_", 0), 0u) << files[0];
    const std::string path = xmlDir + "\\" + files[0];
    EXPECT_TRUE(ReadWholeFile(path) == depotData) << "the export file is not the depot data";
    DeleteFileA(path.c_str());  // the next run may come within the same second
  };
  auto cancelDialog = [] {
    HMODULE library = LoadLibraryA("ImpApiQALO.dll");
    ASSERT_NE(library, nullptr);
    char user[128] = "demo", password[128] = "", settingsText[4096] = "UserLogin=demo\r\n";
    qalo::test::User person([] {
      HWND form = qalo::test::WaitForOwnWindow("QALO Zugangsdaten");
      ASSERT_NE(form, nullptr) << "the dialog did not come";
      PostMessageA(qalo::test::Child(form, "Abbrechen"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(ExportOf<ImpApiQALO_ApiDataDialog>(library, "ApiDataDialog")(user, password, settingsText), 2);
    person.Join();
    FreeLibrary(library);
  };
  auto cycles = [&](int n) {
    for (int i = 0; i < n && !HasFailure(); ++i) {
      retrieve();
      cancelDialog();
    }
    // The service closes each connection just after its answer went out.
    EXPECT_TRUE(qalo::test::WaitUntil([&] { return service.Answered() == retrievals; }))
        << service.Answered() << " of " << retrievals << " requests answered";
  };

  ASSERT_EQ(GetModuleHandleA("wininet.dll"), nullptr) << "this host imports no WinInet";
  cycles(3);
  const HMODULE wininet = GetModuleHandleA("wininet.dll");
  const HMODULE bcrypt = GetModuleHandleA("bcrypt.dll");
  EXPECT_NE(wininet, nullptr) << "WinInet went with the plug-in";
  EXPECT_NE(bcrypt, nullptr) << "CNG went with the plug-in";
  const int handlesBefore = SettledHandleCount();
  const int slotsBefore = FreeTlsSlots();
  ASSERT_GT(handlesBefore, 0);
  cycles(100);
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(SettledHandleCount(), handlesBefore) << "after " << retrievals << " retrievals and dialogs";
  EXPECT_EQ(FreeTlsSlots(), slotsBefore);
  EXPECT_EQ(GetModuleHandleA("wininet.dll"), wininet);
  EXPECT_EQ(GetModuleHandleA("bcrypt.dll"), bcrypt);

  DeleteFileA(ini.c_str());
  RemoveDirectoryA((root + "\\QALO").c_str());
  RemoveDirectoryA(xmlDir.c_str());
  RemoveDirectoryA(root.c_str());
}

}  // namespace
