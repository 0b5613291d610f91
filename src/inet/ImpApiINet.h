#pragma once
#include <cstdint>
#include <functional>
#include <string>

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

// One HTTP(S) GET of url with the extra header text headers (sent with its
// byte length; none when empty). The body is appended to target. timeoutSec
// > 0 sets the send and receive time-outs. statusText receives the status
// read (or "200" when it cannot be read). Returns 0 or a code of inet::.
// An exception out of target (std::bad_alloc) passes through after the
// window, the internet handles and the cursor have been cleaned up.
std::int32_t InetDownload(InetContext& context, const std::string& url, const std::string& headers,
                          std::int32_t timeoutSec, TargetStream& target, std::string& statusText,
                          bool logToHost, bool withProgress);

// The German message for a code of InetDownload; empty for 0 and unknown codes.
std::string InetErrorText(std::int32_t code);

// The calling thread's last system error as "<number>-<system text>", or
// the bare number when the system has no text for it.
std::string LastInetErrorText(Internet& internet);

}  // namespace qalo
