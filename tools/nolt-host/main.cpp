// nolt-host: a reference host for ImpApiQALO.dll. It loads the library by
// name, registers a progress callback that prints the log lines and keeps
// the plug-in's windows alive, and runs one export per invocation.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "HostOutput.h"
#include "ImpApiQALO.h"

namespace {

bool gRaw = false;
bool gTraceProgress = false;
// --timeline: each log line and notification preceded by "AT: <seconds>",
// counted from the start of the export call, so that a bench can tell
// where the time inside the call goes.
bool gTimeline = false;
double gCallStart = 0;
// export --again-at N: the N-th progress notification runs the same export
// once more from inside the callback, as a host whose retrieve button is
// pressed again while the first retrieval downloads.
int gAgainAt = 0;
int gProgressSeen = 0;
std::function<void()> gAgain;

void Print(const std::string& cp1252) {
  const std::string text = ForTerminal(cp1252, gRaw);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

double Seconds();

void __stdcall OnProgress(std::int32_t kind, std::int32_t value, const char* text) {
  if (gTimeline) {
    char at[32];
    std::snprintf(at, sizeof at, "AT: %.4f\n", Seconds() - gCallStart);
    Print(at);
  }
  if (kind == IMPAPIQALO_KIND_LOG) {
    Print("LOG: " + std::string(text ? text : "") + "\n");
    return;
  }
  if (gTraceProgress) Print("PROGRESS: " + std::to_string(kind) + "," + std::to_string(value) + "\n");
  if (++gProgressSeen == gAgainAt && gAgain) gAgain();
  // Like the NOLT host: let the plug-in's windows paint, tick and take clicks.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

struct Plugin {
  HMODULE module = nullptr;
  template <typename Fn>
  Fn Get(const char* name) const {
    auto p = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!p) {
      std::fprintf(stderr, "nolt-host: export %s missing\n", name);
      std::exit(3);
    }
    return p;
  }
};

// The performance counter in seconds: the time of a call apart from Wine's
// start-up.
double Seconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "nolt-host: cannot read %s\n", path.c_str());
    std::exit(2);
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Days since 30 December 1899 for a proleptic Gregorian date.
double DayCount(int day, int month, int year) {
  const int y = year - (month <= 2);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long daysSince1970 = static_cast<long>(era) * 146097 + doe - 719468;
  return static_cast<double>(daysSince1970 + 25569);
}

// "46000", "46000.5", "1e300", "nan", "inf" or "09.12.2025"
double ParseDatum(const std::string& text) {
  int d, m, y;
  if (std::sscanf(text.c_str(), "%d.%d.%d", &d, &m, &y) == 3 && text.find('.') < 3)
    return DayCount(d, m, y);
  return std::strtod(text.c_str(), nullptr);
}

std::map<std::string, std::string> Options(int argc, char** argv, int first) {
  std::map<std::string, std::string> options;
  for (int i = first; i < argc; ++i) {
    std::string key = argv[i];
    if (key.rfind("--", 0) != 0 || i + 1 >= argc) {
      std::fprintf(stderr, "nolt-host: expected --name value, got %s\n", argv[i]);
      std::exit(2);
    }
    options[key.substr(2)] = argv[++i];
  }
  return options;
}

std::string Option(const std::map<std::string, std::string>& o, const char* name,
                   const std::string& fallback = "") {
  auto it = o.find(name);
  return it == o.end() ? fallback : it->second;
}

std::set<std::string> ExportFiles(const std::string& dir) {
  std::set<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\qalo_export_*.xml").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::ostringstream key;
    key << fd.cFileName << '|' << fd.ftLastWriteTime.dwHighDateTime << ':'
        << fd.ftLastWriteTime.dwLowDateTime << ':' << fd.nFileSizeLow;
    names.insert(key.str());
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

// The directory the plug-in will write to: the registry's XmlDir wins.
std::string EffectiveXmlDir(const std::string& hostDir) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kalbrix\\NOLT\\ImportAPI\\QALO", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return hostDir;
  char value[MAX_PATH] = {};
  DWORD size = sizeof value - 1, type = 0;
  const bool ok = RegQueryValueExA(key, "XmlDir", nullptr, &type, reinterpret_cast<BYTE*>(value),
                                   &size) == ERROR_SUCCESS &&
                  (type == REG_SZ || type == REG_EXPAND_SZ);
  RegCloseKey(key);
  return ok ? std::string(value) : hostDir;
}

int Usage() {
  std::fprintf(stderr,
               "usage: nolt-host [--dll PATH] [--raw] [--trace-progress] [--timeline] COMMAND [--name value ...]\n"
               "  version [--host-version N]\n"
               "  message --code N\n"
               "  export --xml-dir DIR [--settings FILE] [--berater REF | --berater-file FILE]\n"
               "         [--datum DAYS|dd.mm.yyyy|null] [--reserved N]\n"
               "         [--null xml-dir,berater,settings]  (null pointers in their place)\n"
               "         [--again-at N]  (the same export again from the N-th progress notification)\n"
               "  dialog [--user ID] [--password PW] [--settings FILE]\n");
  return 2;
}

int RunVersion(const Plugin& p, const std::map<std::string, std::string>& o) {
  char buffer[257];
  std::memset(buffer, 0x7F, sizeof buffer);
  p.Get<ImpApiQALO_ImportVersionInfo>("ImportVersionInfo")(buffer);
  const auto n = static_cast<unsigned char>(buffer[0]);
  Print("VersionInfo: " + std::to_string(p.Get<ImpApiQALO_VersionInfo>("VersionInfo")()) + "\n");
  Print("ImportVersionInfo: " + std::string(buffer + 1, n) + "\n");
  if (o.count("host-version")) {
    const auto v = static_cast<std::int32_t>(std::strtol(Option(o, "host-version").c_str(), nullptr, 10));
    Print("AppVersionCheck(" + std::to_string(v) + "): " +
          std::to_string(p.Get<ImpApiQALO_AppVersionCheck>("AppVersionCheck")(v)) + "\n");
  }
  return 0;
}

std::string Message(const Plugin& p, std::int32_t code) {
  char buffer[256] = {};
  p.Get<ImpApiQALO_GetExportErrorMsg>("GetExportErrorMsg")(code, buffer);
  return buffer;
}

int RunMessage(const Plugin& p, const std::map<std::string, std::string>& o) {
  const auto code = static_cast<std::int32_t>(std::strtol(Option(o, "code", "0").c_str(), nullptr, 10));
  Print("MESSAGE: " + Message(p, code) + "\n");
  return 0;
}

// Whether --null names the argument (a comma-separated list of option names):
// the export then gets a null pointer in its place.
bool Nulled(const std::map<std::string, std::string>& o, const std::string& name) {
  return ("," + Option(o, "null") + ",").find("," + name + ",") != std::string::npos;
}

const char* TextOrNull(const std::map<std::string, std::string>& o, const std::string& name,
                       const std::string& text) {
  return Nulled(o, name) ? nullptr : text.c_str();
}

int RunExport(const Plugin& p, const std::map<std::string, std::string>& o) {
  const std::string xmlDir = Option(o, "xml-dir");
  const std::string settings = o.count("settings") ? ReadFileBytes(Option(o, "settings")) : "";
  // A long reference does not fit on a command line: --berater-file reads it.
  const std::string berater =
      o.count("berater-file") ? ReadFileBytes(Option(o, "berater-file")) : Option(o, "berater");
  const std::string datumText = Option(o, "datum", "0");
  const double datum = datumText == "null" ? 0.0 : ParseDatum(datumText);
  const auto reserved = static_cast<std::int32_t>(std::strtol(Option(o, "reserved", "0").c_str(), nullptr, 10));

  const std::string outDir = EffectiveXmlDir(xmlDir);
  const auto before = ExportFiles(outDir);
  const auto exportXml = [&] {
    return p.Get<ImpApiQALO_ExportXML>("ExportXML")(
        TextOrNull(o, "xml-dir", xmlDir), TextOrNull(o, "berater", berater), reserved,
        datumText == "null" ? nullptr : &datum, TextOrNull(o, "settings", settings));
  };
  gAgainAt = static_cast<int>(std::strtol(Option(o, "again-at", "0").c_str(), nullptr, 10));
  gAgain = [&] { Print("AGAIN: " + std::to_string(exportXml()) + "\n"); };
  const double start = gCallStart = Seconds();
  const std::int32_t rc = exportXml();
  const double elapsed = Seconds() - start;
  gAgain = nullptr;
  Print("RESULT: " + std::to_string(rc) + "\n");
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "ELAPSED: %.4f\n", elapsed);
  Print(seconds);
  Print("MESSAGE: " + Message(p, rc) + "\n");
  for (const auto& entry : ExportFiles(outDir)) {
    if (!before.count(entry)) Print("EXPORTFILE: " + outDir + "\\" + entry.substr(0, entry.find('|')) + "\n");
  }
  return 0;
}

int RunDialog(const Plugin& p, const std::map<std::string, std::string>& o) {
  std::vector<char> user(IMPAPIQALO_USER_BUFFER_SIZE), password(IMPAPIQALO_PASSWORD_BUFFER_SIZE),
      settings(IMPAPIQALO_SETTINGS_BUFFER_SIZE);
  const std::string u = Option(o, "user"), pw = Option(o, "password");
  const std::string s = o.count("settings") ? ReadFileBytes(Option(o, "settings")) : "";
  std::strncpy(user.data(), u.c_str(), user.size() - 1);
  std::strncpy(password.data(), pw.c_str(), password.size() - 1);
  std::strncpy(settings.data(), s.c_str(), settings.size() - 1);
  const std::int32_t rc =
      p.Get<ImpApiQALO_ApiDataDialog>("ApiDataDialog")(user.data(), password.data(), settings.data());
  Print("RESULT: " + std::to_string(rc) + "\n");
  Print("USER: " + std::string(user.data()) + "\n");
  Print("PASSWORD: " + std::string(password.data()) + "\n");
  Print("SETTINGS: " + std::string(settings.data()) + "\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::string dll = IMPAPIQALO_LIBRARY_NAME;
  int i = 1;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    const std::string flag = argv[i];
    if (flag == "--raw") gRaw = true;
    else if (flag == "--trace-progress") gTraceProgress = true;
    else if (flag == "--timeline") gTimeline = gTraceProgress = true;
    else if (flag == "--dll" && i + 1 < argc) dll = argv[++i];
    else return Usage();
  }
  if (i >= argc) return Usage();
  const std::string command = argv[i];
  const auto options = Options(argc, argv, i + 1);

  Plugin plugin;
  plugin.module = LoadLibraryA(dll.c_str());
  if (!plugin.module) {
    std::fprintf(stderr, "nolt-host: cannot load %s (error %lu)\n", dll.c_str(), GetLastError());
    return 3;
  }
  plugin.Get<ImpApiQALO_RegProgrCallback>("RegProgrCallback")(&OnProgress);

  int rc;
  if (command == "version") rc = RunVersion(plugin, options);
  else if (command == "message") rc = RunMessage(plugin, options);
  else if (command == "export") rc = RunExport(plugin, options);
  else if (command == "dialog") rc = RunDialog(plugin, options);
  else rc = Usage();

  plugin.Get<ImpApiQALO_RegProgrCallback>("RegProgrCallback")(nullptr);
  FreeLibrary(plugin.module);
  return rc;
}
