#include "platform/win32/WinInet.h"

#include <windows.h>
#include <wininet.h>

namespace qalo {

static_assert(wininet::kOpenTypePreconfig == INTERNET_OPEN_TYPE_PRECONFIG);
static_assert(wininet::kOptionSendTimeout == INTERNET_OPTION_SEND_TIMEOUT);
static_assert(wininet::kOptionReceiveTimeout == INTERNET_OPTION_RECEIVE_TIMEOUT);
static_assert(wininet::kOptionSecurityFlags == INTERNET_OPTION_SECURITY_FLAGS);
static_assert(wininet::kSecurityIgnoreRevocation == SECURITY_FLAG_IGNORE_REVOCATION);
static_assert(wininet::kServiceHttp == INTERNET_SERVICE_HTTP);
static_assert(wininet::kRequestFlags == (INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                         INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                                         INTERNET_FLAG_IGNORE_CERT_CN_INVALID));
static_assert(wininet::kFlagSecure == INTERNET_FLAG_SECURE);
static_assert(wininet::kSchemeHttps == INTERNET_SCHEME_HTTPS);
static_assert(wininet::kQueryStatusCode == HTTP_QUERY_STATUS_CODE);
static_assert(wininet::kQueryContentLength == HTTP_QUERY_CONTENT_LENGTH);
static_assert(wininet::kErrorIncorrectPassword == ERROR_INTERNET_INCORRECT_PASSWORD);
static_assert(wininet::kErrorForceRetry == ERROR_INTERNET_FORCE_RETRY);
static_assert(wininet::kErrorTimeout == ERROR_INTERNET_TIMEOUT);
static_assert(wininet::kErrorDlgFlags ==
              (FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS));
static_assert(wininet::kFormatFromSystem == FORMAT_MESSAGE_FROM_SYSTEM);

InetHandle WinInet::Open(const char* agent, std::uint32_t accessType, const char* proxy,
                         const char* bypass, std::uint32_t flags) {
  return InternetOpenA(agent, accessType, proxy, bypass, flags);
}

bool WinInet::SetOption(InetHandle handle, std::uint32_t option, std::uint32_t value) {
  DWORD v = value;
  return InternetSetOptionA(handle, option, &v, sizeof v) != FALSE;
}

bool WinInet::QueryOption(InetHandle handle, std::uint32_t option, std::uint32_t& value) {
  DWORD v = 0;
  DWORD length = sizeof v;
  if (!InternetQueryOptionA(handle, option, &v, &length)) return false;
  value = v;
  return true;
}

bool WinInet::CrackUrl(const std::string& url, UrlParts& parts) {
  // Null buffers with non-zero lengths: the parts point into url.
  URL_COMPONENTSA c{};
  c.dwStructSize = sizeof c;
  c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = 1;
  c.dwUrlPathLength = c.dwExtraInfoLength = 1;
  if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &c)) return false;
  auto part = [](const char* p, DWORD n) { return p ? std::string(p, n) : std::string(); };
  parts.scheme = static_cast<std::uint32_t>(c.nScheme);
  parts.host = part(c.lpszHostName, c.dwHostNameLength);
  parts.port = c.nPort;
  parts.user = part(c.lpszUserName, c.dwUserNameLength);
  parts.password = part(c.lpszPassword, c.dwPasswordLength);
  parts.object = part(c.lpszUrlPath, c.dwUrlPathLength) + part(c.lpszExtraInfo, c.dwExtraInfoLength);
  return true;
}

InetHandle WinInet::Connect(InetHandle session, const std::string& host, std::uint16_t port,
                            const char* user, const char* password, std::uint32_t service,
                            std::uint32_t flags) {
  return InternetConnectA(session, host.c_str(), port, user, password, service, flags, 0);
}

InetHandle WinInet::OpenRequest(InetHandle connect, const char* verb, const std::string& object,
                                std::uint32_t flags) {
  return HttpOpenRequestA(connect, verb, object.c_str(), nullptr, nullptr, nullptr, flags, 0);
}

bool WinInet::SendRequest(InetHandle request, const char* headers, std::uint32_t headersLength) {
  return HttpSendRequestA(request, headers, headersLength, nullptr, 0) != FALSE;
}

bool WinInet::QueryInfo(InetHandle request, std::uint32_t infoLevel, char* buffer,
                        std::uint32_t& length, std::uint32_t& index) {
  DWORD n = length;
  DWORD i = index;
  const BOOL ok = HttpQueryInfoA(request, infoLevel, buffer, &n, &i);
  length = n;
  index = i;
  return ok != FALSE;
}

std::uint32_t WinInet::ErrorDialog(InetHandle request, std::uint32_t error, std::uint32_t flags) {
  return InternetErrorDlg(GetDesktopWindow(), request, error, flags, nullptr);
}

bool WinInet::Read(InetHandle request, void* buffer, std::uint32_t toRead, std::uint32_t& read) {
  DWORD n = 0;
  const BOOL ok = InternetReadFile(request, buffer, toRead, &n);
  read = n;
  return ok != FALSE;
}

bool WinInet::Close(InetHandle handle) { return InternetCloseHandle(handle) != FALSE; }

std::uint32_t WinInet::LastError() { return GetLastError(); }

std::uint32_t WinInet::FormatSystemMessage(std::uint32_t flags, std::uint32_t messageId,
                                           std::uint32_t languageId, char* buffer,
                                           std::uint32_t size) {
  return FormatMessageA(flags, nullptr, messageId, languageId, buffer, size, nullptr);
}

}  // namespace qalo
