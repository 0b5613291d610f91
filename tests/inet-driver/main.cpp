// inet-driver: performs one InetDownload over the real WinInet and prints
// what happened, one fact per line, texts as raw Windows-1252 bytes with
// backslash, CR and LF escaped:
//   LOG: <line>        each log line, in order
//   code: <n>          the result; status: <text>; body: <size>; ...
//   end: <n>           last, once everything is printed
// The cursor is a printing stand-in; the progress window is one too (it
// never cancels) unless --real-window asks for the plug-in's own window.
// With --click-cancel-after N a second thread presses that window's cancel
// button once it is visible and N chunks of the body have been written.
// With --proxy-dialog ok,cancel,... a second thread answers each proxy
// credentials dialog of this process in turn, like a user would.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <memory>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "inet/ImpApiINet.h"
#include "inet/win32/ImpApiDownloadProgress.h"
#include "platform/SystemThreads.h"
#include "platform/win32/Win32Internet.h"
#include "support/WindowFinder.h"

namespace {

using namespace qalo;

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

// "\n" and "\r" in a command-line argument stand for LF and CR.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'r')) {
      out += text[++i] == 'n' ? '\n' : '\r';
    } else {
      out += text[i];
    }
  }
  return out;
}

void Print(const std::string& line) {
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

constexpr const char* kProgressCaption = "Info";
constexpr const char* kCancelButton = "Download abbrechen";
constexpr DWORD kPatienceMs = 10000;

// The visible progress window of this process, or null: ctest runs other
// programs with windows of the same caption on the same desktop.
HWND FindProgressWindow() { return test::FindOwnWindow(kProgressCaption); }

// The host: prints log lines, counts notifications and, like the NOLT host,
// dispatches the pending window messages at each notification, so the
// progress window can tick and take clicks.
struct Printer final : HostReporter {
  void Log(const std::string& line) override { Print("LOG: " + Escaped(line)); }
  void Progress() override {
    ++notifications;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  std::atomic<int> notifications{0};
};

// The stand-in that never cancels.
struct NoWindow final : DownloadProgress {
  void Show() override {}
  void Hide() override {}
  bool CancelRequested() override { return false; }
};

// Records what the download does with a window and what the user could see:
// whether it was on the screen once shown, its status line right before it
// went, and whether the download was ever told of a cancel.
struct RecordingWindow final : DownloadProgress {
  explicit RecordingWindow(DownloadProgress& window) : inner(window) {}
  void Show() override {
    calls += "show,";
    inner.Show();
    visibleAtShow = FindProgressWindow() != nullptr;
  }
  void Hide() override {
    calls += "hide,";
    if (HWND form = FindProgressWindow()) labelAtHide = test::TextOf(GetWindow(form, GW_CHILD));
    inner.Hide();
  }
  bool CancelRequested() override {
    const bool cancel = inner.CancelRequested();
    cancelSeen = cancelSeen || cancel;
    return cancel;
  }
  DownloadProgress& inner;
  std::string calls;
  std::string labelAtHide;
  bool visibleAtShow = false;
  bool cancelSeen = false;
};

struct Cursor final : MouseCursor {
  void Set(CursorShape shape) override { shapes += std::to_string(static_cast<int>(shape)) + ","; }
  std::string shapes;
};

struct Target final : TargetStream {
  bool Write(const std::uint8_t* data, std::size_t n) override {
    bytes.append(reinterpret_cast<const char*>(data), n);
    ++chunks;
    return true;
  }
  std::uint64_t Size() const override { return bytes.size(); }
  std::string bytes;
  std::atomic<int> chunks{0};
};

// This process's proxy credentials dialog: the one with both fields.
HWND FindCredentialsDialog() {
  return test::FindTopLevel(nullptr, "#32770", [](HWND window) {
    return test::OwnedByThisProcess(window) && GetDlgItem(window, 1027) && GetDlgItem(window, 1028);
  });
}

// Answers the credentials dialogs in turn, each after the previous one has
// closed; gives up on one after 10 s.
void AnswerDialogs(std::vector<std::string> actions, std::string user, std::string password) {
  for (const std::string& action : actions) {
    HWND dialog = test::WaitFor(FindCredentialsDialog, kPatienceMs);
    if (!dialog) {
      Print("dialog: none");
      return;
    }
    if (action == "ok") {
      SendMessageA(GetDlgItem(dialog, 1027), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(user.c_str()));
      SendMessageA(GetDlgItem(dialog, 1028), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password.c_str()));
      SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    } else {
      SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    }
    Print("dialog: " + action);
    test::WaitUntil([&] { return !IsWindow(dialog); }, kPatienceMs);
  }
}

// The user who presses "Download abbrechen" once the window is up and the
// download has written `after` chunks. Posts the click, so it never waits
// on the download's thread; gives up when the download is over or after
// the patience.
void ClickCancel(int after, const std::atomic<int>& chunks, const std::atomic<bool>& over) {
  HWND form = nullptr;
  int seen = 0;
  test::WaitUntil(
      [&] {
        seen = chunks;
        return over || (seen >= after && (form = FindProgressWindow()) != nullptr);
      },
      kPatienceMs);
  HWND button = form ? test::Child(form, kCancelButton) : nullptr;
  if (!button || over) {
    Print("click: none");
    return;
  }
  PostMessageA(button, BM_CLICK, 0, 0);
  Print("click: " + std::to_string(seen));
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    parts.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

int Usage() {
  std::fprintf(stderr,
               "usage: inet-driver [--timeout S] [--headers TEXT] [--no-progress] [--no-log]\n"
               "                   [--real-window] [--click-cancel-after N]\n"
               "                   [--proxy-dialog ok,cancel,...] [--user U] [--password P] URL\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string url, headers, dialogs, user = "proxyuser", password = "proxypass";
  std::int32_t timeout = 1800;
  bool log = true, withProgress = true, realWindow = false;
  int clickAfter = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--timeout" && hasValue) timeout = std::atoi(argv[++i]);
    else if (arg == "--headers" && hasValue) headers = Unescaped(argv[++i]);
    else if (arg == "--proxy-dialog" && hasValue) dialogs = argv[++i];
    else if (arg == "--user" && hasValue) user = argv[++i];
    else if (arg == "--password" && hasValue) password = argv[++i];
    else if (arg == "--click-cancel-after" && hasValue) clickAfter = std::atoi(argv[++i]);
    else if (arg == "--no-progress") withProgress = false;
    else if (arg == "--real-window") realWindow = true;
    else if (arg == "--no-log") log = false;
    else if (arg.rfind("--", 0) == 0 || !url.empty()) return Usage();
    else url = arg;
  }
  if (url.empty()) return Usage();
  _setmode(_fileno(stdout), _O_BINARY);  // the bytes as they are, LF as LF

  Printer host;
  const auto internet = std::make_shared<Win32Internet>(host);
  NoWindow standIn;
  Win32DownloadProgress real;
  RecordingWindow window(realWindow ? static_cast<DownloadProgress&>(real) : standIn);
  Cursor cursor;
  SystemThreads threads;
  InetContext context{internet, window, cursor, host, threads, [] { return true; }};
  std::thread answerer;
  if (!dialogs.empty()) answerer = std::thread(AnswerDialogs, Split(dialogs), user, password);
  std::atomic<bool> over{false};
  Target target;
  std::thread clicker;
  if (clickAfter >= 0)
    clicker = std::thread(ClickCancel, clickAfter, std::cref(target.chunks), std::cref(over));

  const InetResult result = InetDownload(context, {url, headers, timeout, log, withProgress}, target);
  const std::int32_t code = result.code;
  const std::string& status = result.statusText;
  over = true;
  if (clicker.joinable()) clicker.join();
  if (answerer.joinable()) answerer.join();

  Print("code: " + std::to_string(code));
  Print("status: " + Escaped(status));
  Print("body: " + std::to_string(target.bytes.size()));
  Print("head: " + Escaped(target.bytes.substr(0, 40)));
  Print("progress: " + std::to_string(host.notifications.load()));
  Print("window: " + window.calls);
  Print("cancel-seen: " + std::to_string(window.cancelSeen ? 1 : 0));
  if (realWindow) {
    Print("visible-at-show: " + std::to_string(window.visibleAtShow ? 1 : 0));
    Print("label-at-hide: " + Escaped(window.labelAtHide));
    Print("windows-after: " + std::to_string(test::CountOwnWindows(kProgressCaption)));
  }
  Print("cursor: " + cursor.shapes);
  Print("error-text: " + Escaped(InetErrorText(code)));
  Print("end: " + std::to_string(code));
  return 0;
}
