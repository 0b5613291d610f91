#include "inet/ImpApiINet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "inet/CertificateCheck.h"
#include "inet/InetWorker.h"

namespace qalo {
namespace {

using namespace wininet;

// One opened request. The request handle is closed before its connection.
struct Request {
  explicit Request(Internet& internet) : connect(nullptr, {&internet}), request(nullptr, {&internet}) {}
  void Close() {
    request.reset();
    connect.reset();
  }
  UniqueInetHandle connect;
  UniqueInetHandle request;
};

// Sets crAppStart when the download ends, however it ends.
class CursorRestorer {
 public:
  explicit CursorRestorer(MouseCursor& cursor) : cursor_(cursor) {}
  ~CursorRestorer() { cursor_.Set(CursorShape::AppStart); }
  CursorRestorer(const CursorRestorer&) = delete;
  CursorRestorer& operator=(const CursorRestorer&) = delete;

 private:
  MouseCursor& cursor_;
};

// The progress window: shown with a notification, hidden with a
// notification, also when an exception leaves the download.
class ShownProgress {
 public:
  explicit ShownProgress(InetContext& context) : context_(context) {
    context_.progress.Show();
    context_.host.Progress();
  }
  ~ShownProgress() {
    context_.progress.Hide();
    context_.host.Progress();
  }
  ShownProgress(const ShownProgress&) = delete;
  ShownProgress& operator=(const ShownProgress&) = delete;

 private:
  InetContext& context_;
};

// Declared after the request it belongs to, so that it goes first.
using ProgressWindow = std::optional<ShownProgress>;

// The send and receive time-outs in milliseconds, kept within what WinInet
// reads as a positive value.
std::uint32_t TimeoutMilliseconds(std::int32_t timeoutSec) {
  const std::int64_t ms = std::int64_t{timeoutSec} * 1000;
  return static_cast<std::uint32_t>(
      std::min<std::int64_t>(ms, std::numeric_limits<std::int32_t>::max()));
}

// A signed 32-bit decimal number, or -1 when the text is not one.
std::int32_t ParseAnnouncedLength(const char* text) {
  const char* p = text;
  const bool negative = (*p == '-');
  if (*p == '-' || *p == '+') ++p;
  if (*p == '\0') return -1;
  std::int64_t value = 0;
  for (; *p; ++p) {
    if (*p < '0' || *p > '9') return -1;
    value = value * 10 + (*p - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return -1;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return -1;
  return static_cast<std::int32_t>(value);
}

class Download {
 public:
  Download(InetContext& context, const InetRequest& request, TargetStream& target)
      : context_(context),
        internet_(*context.internet),
        request_(request),
        target_(target),
        worker_(context.internet, context.threads) {}

  InetResult Run() {
    result_.code = Fetch();
    return std::move(result_);
  }

 private:
  std::int32_t Fetch() {
    context_.cursor.Set(CursorShape::HourGlass);
    CursorRestorer cursor(context_.cursor);

    UniqueInetHandle session(internet_.Open(inet::kAgent, kOpenTypePreconfig, nullptr, nullptr, 0),
                             {&internet_});
    if (!session) {
      LogSystemError();
      return inet::kNoSession;
    }
    SetTimeouts(session.get());
    std::uint32_t securityFlags = 0;
    internet_.QueryOption(session.get(), kOptionSecurityFlags, securityFlags);
    internet_.SetOption(session.get(), kOptionSecurityFlags,
                        securityFlags | kSecurityIgnoreRevocation);

    Request request(internet_);
    ProgressWindow window;
    for (;;) {
      switch (OpenRequest(session.get(), request, window)) {
        case Opened::Cancelled: return Cancel(request, window);
        case Opened::Failed: LogSystemError(); return inet::kOpenUrlFailed;
        case Opened::Refused: return inet::kOpenUrlFailed;
        case Opened::Sent: break;
      }
      result_.statusText = QueryText(request.request.get(), kQueryStatusCode).value_or("200");
      if (result_.statusText != "407") break;
      // The credentials dialog is modal over the desktop, with no window of
      // ours beside it.
      window.reset();
      const std::uint32_t answer =
          internet_.ErrorDialog(request.request.get(), kErrorIncorrectPassword, kErrorDlgFlags);
      if (answer == kErrorForceRetry) {
        request.Close();
        continue;
      }
      if (answer != 0) return inet::kUnspecified;
      Log("HTTP-Fehler 407: Authentifizierung erforderlich.");
      return inet::kProxyAuthRequired;
    }

    if (const std::int32_t failure = StatusFailure(); failure != inet::kOk) return failure;

    const std::optional<std::string> length =
        QueryText(request.request.get(), kQueryContentLength);
    const std::int32_t announced = length ? ParseAnnouncedLength(length->c_str()) : 0;
    const ReadEnd end = ReadBody(request.request.get(), window);
    if (end == ReadEnd::Cancelled) return Cancel(request, window);
    // What follows is said once the window has gone.
    window.reset();
    switch (end) {
      case ReadEnd::Refused: return inet::kTargetRefused;
      case ReadEnd::Failed: return Incomplete();
      default: break;
    }
    return CheckLength(announced);
  }

  bool CanLog() const {
    return request_.logToHost && context_.hostListens && context_.hostListens();
  }

  void Log(const std::string& line) {
    if (CanLog()) context_.host.Log(line);
  }

  // Right after the failed call: nothing may touch the last error before.
  void LogSystemError() {
    if (CanLog()) context_.host.Log("WinINet-Systemfehler: " + LastInetErrorText(internet_));
  }

  void SetTimeouts(InetHandle handle) {
    if (request_.timeoutSec <= 0) return;
    const std::uint32_t ms = TimeoutMilliseconds(request_.timeoutSec);
    internet_.SetOption(handle, kOptionSendTimeout, ms);
    internet_.SetOption(handle, kOptionReceiveTimeout, ms);
  }

  enum class Opened { Sent, Failed, Refused, Cancelled };

  // What InternetOpenUrlA does, in steps whose handles take the time-outs
  // before anything is sent. On failure the handles opened so far stay in
  // request and the last error is the failed call's; a refused certificate
  // has had its line.
  Opened OpenRequest(InetHandle session, Request& request, ProgressWindow& window) {
    UrlParts parts;
    if (!internet_.CrackUrl(std::string(request_.url), parts)) return Opened::Failed;
    request.connect.reset(internet_.Connect(
        session, parts.host, parts.port, parts.user.empty() ? nullptr : parts.user.c_str(),
        parts.password.empty() ? nullptr : parts.password.c_str(), kServiceHttp, 0));
    if (!request.connect) return Opened::Failed;
    SetTimeouts(request.connect.get());
    const bool secure = parts.scheme == kSchemeHttps;
    request.request.reset(internet_.OpenRequest(request.connect.get(), "GET", parts.object,
                                                kRequestFlags | (secure ? kFlagSecure : 0)));
    if (!request.request) return Opened::Failed;
    SetTimeouts(request.request.get());
    // One failed send then names every problem of the certificate at once.
    if (secure)
      internet_.SetOption(request.request.get(), kOptionErrorMask, kErrorMaskCombinedSecCert);
    return Send(request.request.get(), window);
  }

  // Sends the request on the worker; after a certificate refusal, sends it
  // once more when CheckCertificate lets the problems pass, with just those
  // ignored. Each pass ignores something new or ends, so there are at most
  // three sends.
  Opened Send(InetHandle request, ProgressWindow& window) {
    std::uint32_t ignored = 0;
    for (;;) {
      worker_.Send(request, request_.headers);
      if (!Await(window, true)) return Opened::Cancelled;
      const InetWorker::Outcome& sent = worker_.Result();
      if (sent.ok) return Opened::Sent;
      CertificateFailure failure;
      failure.error = sent.error;
      if (!IsCertificateError(failure.error)) {
        // The worker's last error, here for the line that reports it.
        internet_.SetLastError(sent.error);
        return Opened::Failed;
      }
      failure.ignored = ignored;
      std::uint32_t flags = 0;
      if (internet_.QueryOption(request, kOptionSecurityFlags, flags))
        failure.securityFlags = flags;
      ServerCertificate certificate;
      if (internet_.QueryCertificate(request, certificate))
        failure.certificate = std::move(certificate);
      const CertificateVerdict verdict = CheckCertificate(failure, request_.strictCertificates);
      Log(verdict.line);
      if (!verdict.sendAgain) return Opened::Refused;
      ignored |= verdict.ignoreFlags;
      internet_.SetOption(request, kOptionSecurityFlags, flags | ignored);
    }
  }

  // Waits for the worker's call. Meanwhile the host hears from the download
  // at least every notifyEvery, which lets it dispatch messages, and is
  // asked for a cancel after each time; an answer slow to begin gets the
  // window. False when the user cancelled.
  bool Await(ProgressWindow& window, bool sending) {
    const auto started = std::chrono::steady_clock::now();
    while (!worker_.Wait(context_.waits.notifyEvery)) {
      if (sending && request_.withProgress && !window &&
          std::chrono::steady_clock::now() - started >= context_.waits.windowAfter) {
        window.emplace(context_);
      } else {
        context_.host.Progress();
      }
      if (request_.withProgress && context_.progress.CancelRequested()) return false;
    }
    return true;
  }

  // The user cancelled: said while the window is up, then the window and
  // the request go. Closing the request ends a call still pending on
  // Windows; one that goes on (Wine) is left to the worker, which ends
  // when its call returns.
  std::int32_t Cancel(Request& request, ProgressWindow& window) {
    Log("Download durch Benutzer abgebrochen");
    window.reset();
    request.request.reset();
    worker_.Settle(context_.waits.letGo);
    return inet::kCancelledByUser;
  }

  std::optional<std::string> QueryText(InetHandle request, std::uint32_t infoLevel) {
    char buffer[32];
    buffer[0] = '\0';
    std::uint32_t length = sizeof buffer;
    std::uint32_t index = 0;
    if (!internet_.QueryInfo(request, infoLevel, buffer, length, index)) return std::nullopt;
    return std::string(buffer, strnlen(buffer, sizeof buffer));
  }

  // The code for a status other than success, with its log line.
  std::int32_t StatusFailure() {
    if (result_.statusText == "200" || result_.statusText == "302") return inet::kOk;
    struct Known {
      const char* status;
      const char* line;
      std::int32_t code;
    };
    static constexpr Known kKnown[] = {
        {"401", "HTTP-Fehler 401: Zugriff verweigert.", inet::kAccessDenied},
        {"403", "HTTP-Fehler 403: Zugriff verweigert.", inet::kAccessDenied},
        {"404", "HTTP-Fehler 404: Die Seite wurde nicht gefunden.", inet::kNotFound},
        {"503", "HTTP-Fehler 503: Der Server ist vorübergehend überlastet.", inet::kServerBusy},
    };
    for (const Known& known : kKnown) {
      if (result_.statusText == known.status) {
        Log(known.line);
        return known.code;
      }
    }
    Log("HTTP-Fehler: " + result_.statusText);
    return inet::kHttpError;
  }

  enum class ReadEnd { Done, Failed, Cancelled, Refused };

  // Reads the body into the target until it ends, a read fails, the user
  // cancels or the target refuses what was read.
  ReadEnd ReadBody(InetHandle request, ProgressWindow& window) {
    if (request_.withProgress && !window) window.emplace(context_);
    for (;;) {
      worker_.Read(request);
      if (!Await(window, false)) return ReadEnd::Cancelled;
      const InetWorker::Outcome& outcome = worker_.Result();
      if (!outcome.ok) return ReadEnd::Failed;
      if (outcome.read == 0) return ReadEnd::Done;
      if (!target_.Write(worker_.Data(), outcome.read)) return ReadEnd::Refused;
      context_.host.Progress();
      if (request_.withProgress && context_.progress.CancelRequested()) return ReadEnd::Cancelled;
    }
  }

  std::int32_t CheckLength(std::int32_t announced) {
    const std::uint64_t size = target_.Size();
    if (size != 0 && (announced <= 0 || size == static_cast<std::uint64_t>(announced)))
      return inet::kOk;
    return Incomplete();
  }

  std::int32_t Incomplete() {
    Log("Fehler bei Download: Die angeforderte Datei wurde nur unvollständig geladen (" +
        std::to_string(target_.Size()) + " Bytes geladen)");
    return inet::kIncomplete;
  }

  InetContext& context_;
  Internet& internet_;
  const InetRequest& request_;
  TargetStream& target_;
  InetWorker worker_;
  InetResult result_;
};

}  // namespace

InetResult InetDownload(InetContext& context, const InetRequest& request, TargetStream& target) {
  return Download(context, request, target).Run();
}

std::string InetErrorText(std::int32_t code) {
  switch (code) {
    case inet::kUnspecified: return "Unbestimmter Fehler bei Internet-Zugriff";
    case inet::kNoSession: return "Internet-Fehler: Session nicht verfügbar";
    case inet::kOpenUrlFailed: return "Internet-Fehler: Öffnen der URL fehlgeschlagen";
    case inet::kAccessDenied: return "Internet-Fehler: Zugriff auf Seite verweigert";
    case inet::kNotFound: return "Internet-Fehler: Seite nicht gefunden";
    case inet::kHttpError: return "Internet-Fehler: Zugriff auf URL fehlgeschlagen";
    case inet::kIncomplete: return "Internet-Fehler: Datei unvollständig übertragen";
    case inet::kServerBusy: return "Internet-Fehler: Server überlastet. Bitte später erneut versuchen";
    case inet::kProxyAuthRequired: return "Proxy-Fehler: Authentifizierung erforderlich";
    case inet::kCancelledByUser: return "Download durch Benutzer abgebrochen";
    default: return "";
  }
}

std::string LastInetErrorText(Internet& internet) {
  const std::uint32_t error = internet.LastError();
  char buffer[1024];
  buffer[0] = '\0';
  const std::uint32_t length =
      internet.FormatSystemMessage(kFormatFromSystem, error, 0, buffer, sizeof buffer - 1);
  if (length != 0)
    return std::to_string(error) + "-" + std::string(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
  if (error == kErrorTimeout) return std::to_string(error) + ":Zeitüberschreitung (TimeOut)";
  return std::to_string(error);
}

}  // namespace qalo
