#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/DownloadProgress.h"
#include "platform/Host.h"
#include "platform/Internet.h"
#include "platform/TargetStream.h"
#include "platform/Threads.h"

namespace qalo {

// Result codes of InetDownload besides the result codes of a retrieval.
namespace inet {
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kUnspecified = -1;
constexpr std::int32_t kNoSession = -2;
constexpr std::int32_t kOpenUrlFailed = -3;
constexpr std::int32_t kAccessDenied = -4;
constexpr std::int32_t kNotFound = -5;
constexpr std::int32_t kHttpError = -6;
constexpr std::int32_t kIncomplete = -7;
constexpr std::int32_t kServerBusy = -8;
constexpr std::int32_t kProxyAuthRequired = -9;
constexpr std::int32_t kCancelledByUser = -1015;
// The target took no more bytes; it knows why and says so itself.
constexpr std::int32_t kTargetRefused = -1016;

constexpr const char* kAgent = "NOLT-ImportApi";
constexpr std::uint32_t kChunkSize = 65535;
}  // namespace inet

// How the host's thread waits while the network does not answer.
struct InetWaits {
  // The longest the host goes without a notification (2, 5) meanwhile.
  std::chrono::milliseconds notifyEvery{200};
  // An answer that has not begun this long after the send gets the
  // progress window, so that a silent service can be cancelled.
  std::chrono::milliseconds windowAfter{1000};
  // What a cancelled call is given to end before the download returns
  // without it.
  std::chrono::milliseconds letGo{200};
};

// What one download works with. All of it belongs to the caller and is used
// on the caller's thread only, but for the internet seam, which the
// download's worker thread shares (it may outlive the call after a cancel).
struct InetContext {
  std::shared_ptr<Internet> internet;
  DownloadProgress& progress;
  MouseCursor& cursor;
  HostReporter& host;
  Threads& threads;
  // True while the host has a progress callback registered; asked right
  // before each log line, so the system error text of a line nobody would
  // receive is never fetched. The real one looks at the identity record.
  std::function<bool()> hostListens;
  InetWaits waits{};
};

// One GET. The texts belong to the caller and outlive the call (the
// headers may hold secrets: the worker's one copy is wiped after use).
struct InetRequest {
  std::string_view url;
  std::string_view headers;    // extra header text, sent with its byte length; none when empty
  std::int32_t timeoutSec = 0;  // > 0: the send and receive time-outs
  bool logToHost = true;        // log lines through the host's callback
  bool withProgress = true;     // the progress window, whose cancel ends the download
  // A certificate for another name or an expired one is refused instead of
  // passed with a warning.
  bool strictCertificates = false;
};

struct InetResult {
  std::int32_t code = inet::kUnspecified;  // 0 or a code of inet::
  std::string statusText;  // the status read ("200" when it cannot be read); empty without a request
};

// One HTTP(S) GET; the body is appended to target. An HTTPS request is first
// sent with the full certificate check; a refusal is judged by
// CheckCertificate, and the request goes out again only if that lets it
// pass, so the headers reach no server whose certificate was not accepted.
// A refused certificate is -3 with a line saying why. A read that fails,
// after some bytes or none, is an incomplete download. The send and the
// reads run on a worker thread; the host's thread is never blocked by the
// network and hears from the download at least every waits.notifyEvery,
// and a cancel ends the download at any moment. An exception out of target
// or the worker
// (std::bad_alloc) passes through after the window, the internet handles
// and the cursor have been cleaned up.
InetResult InetDownload(InetContext& context, const InetRequest& request, TargetStream& target);

// The German message for a code of InetDownload; empty for 0 and unknown codes.
std::string InetErrorText(std::int32_t code);

// The calling thread's last system error as "<number>-<system text>", or
// the bare number when the system has no text for it.
std::string LastInetErrorText(Internet& internet);

}  // namespace qalo
