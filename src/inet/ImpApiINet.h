#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/DownloadProgress.h"
#include "platform/Host.h"
#include "platform/Internet.h"
#include "platform/TargetStream.h"

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

// What one download works with. All of it belongs to the caller and is used
// on the caller's thread only.
struct InetContext {
  Internet& internet;
  DownloadProgress& progress;
  MouseCursor& cursor;
  HostReporter& host;
  // True while the host has a progress callback registered; asked right
  // before each log line, so the system error text of a line nobody would
  // receive is never fetched. The real one looks at the identity record.
  std::function<bool()> hostListens;
};

// One GET. The texts belong to the caller and outlive the call (the
// headers may hold secrets: nothing here copies them).
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
// after some bytes or none, is an incomplete download. An exception out of target
// (std::bad_alloc) passes through after the window, the internet handles
// and the cursor have been cleaned up.
InetResult InetDownload(InetContext& context, const InetRequest& request, TargetStream& target);

// The German message for a code of InetDownload; empty for 0 and unknown codes.
std::string InetErrorText(std::int32_t code);

// The calling thread's last system error as "<number>-<system text>", or
// the bare number when the system has no text for it.
std::string LastInetErrorText(Internet& internet);

}  // namespace qalo
