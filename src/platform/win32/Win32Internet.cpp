#include "platform/win32/Win32Internet.h"

#include <windows.h>
#include <wininet.h>

#include "platform/LastError.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Handles.h"

namespace qalo {

static_assert(wininet::kOpenTypePreconfig == INTERNET_OPEN_TYPE_PRECONFIG);
static_assert(wininet::kOptionSendTimeout == INTERNET_OPTION_SEND_TIMEOUT);
static_assert(wininet::kOptionReceiveTimeout == INTERNET_OPTION_RECEIVE_TIMEOUT);
static_assert(wininet::kOptionSecurityFlags == INTERNET_OPTION_SECURITY_FLAGS);
static_assert(wininet::kSecurityIgnoreRevocation == SECURITY_FLAG_IGNORE_REVOCATION);
static_assert(wininet::kSecurityIgnoreCertCnInvalid == SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
static_assert(wininet::kSecurityIgnoreCertDateInvalid == SECURITY_FLAG_IGNORE_CERT_DATE_INVALID);
static_assert(wininet::kOptionErrorMask == INTERNET_OPTION_ERROR_MASK);
static_assert(wininet::kErrorMaskCombinedSecCert == INTERNET_ERROR_MASK_COMBINED_SEC_CERT);
static_assert(wininet::kServiceHttp == INTERNET_SERVICE_HTTP);
static_assert(wininet::kRequestFlags == (INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE));
static_assert(wininet::kFlagSecure == INTERNET_FLAG_SECURE);
static_assert(wininet::kSchemeHttps == INTERNET_SCHEME_HTTPS);
static_assert(wininet::kQueryStatusCode == HTTP_QUERY_STATUS_CODE);
static_assert(wininet::kQueryContentLength == HTTP_QUERY_CONTENT_LENGTH);
static_assert(wininet::kErrorIncorrectPassword == ERROR_INTERNET_INCORRECT_PASSWORD);
static_assert(wininet::kErrorForceRetry == ERROR_INTERNET_FORCE_RETRY);
static_assert(wininet::kErrorTimeout == ERROR_INTERNET_TIMEOUT);
static_assert(wininet::kErrorCertDateInvalid == ERROR_INTERNET_SEC_CERT_DATE_INVALID);
static_assert(wininet::kErrorCertCnInvalid == ERROR_INTERNET_SEC_CERT_CN_INVALID);
static_assert(wininet::kErrorInvalidCa == ERROR_INTERNET_INVALID_CA);
static_assert(wininet::kErrorCertErrors == ERROR_INTERNET_SEC_CERT_ERRORS);
static_assert(wininet::kErrorCertRevFailed == ERROR_INTERNET_SEC_CERT_REV_FAILED);
static_assert(wininet::kErrorInvalidCert == ERROR_INTERNET_SEC_INVALID_CERT);
static_assert(wininet::kErrorCertRevoked == ERROR_INTERNET_SEC_CERT_REVOKED);
static_assert(wininet::kErrorDlgFlags ==
              (FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS));
static_assert(wininet::kFormatFromSystem == FORMAT_MESSAGE_FROM_SYSTEM);

struct Win32Internet::Api {
  Api() {
    library.Find("InternetOpenA", InternetOpenA);
    library.Find("InternetSetOptionA", InternetSetOptionA);
    library.Find("InternetQueryOptionA", InternetQueryOptionA);
    library.Find("InternetCrackUrlA", InternetCrackUrlA);
    library.Find("InternetConnectA", InternetConnectA);
    library.Find("HttpOpenRequestA", HttpOpenRequestA);
    library.Find("HttpSendRequestA", HttpSendRequestA);
    library.Find("HttpQueryInfoA", HttpQueryInfoA);
    library.Find("InternetErrorDlg", InternetErrorDlg);
    library.Find("InternetReadFile", InternetReadFile);
    library.Find("InternetCloseHandle", InternetCloseHandle);
  }

  SystemLibrary library{"wininet.dll", SystemLibrary::Lifetime::Process};
  decltype(&::InternetOpenA) InternetOpenA;
  decltype(&::InternetSetOptionA) InternetSetOptionA;
  decltype(&::InternetQueryOptionA) InternetQueryOptionA;
  decltype(&::InternetCrackUrlA) InternetCrackUrlA;
  decltype(&::InternetConnectA) InternetConnectA;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA;
  decltype(&::HttpSendRequestA) HttpSendRequestA;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA;
  decltype(&::InternetErrorDlg) InternetErrorDlg;
  decltype(&::InternetReadFile) InternetReadFile;
  decltype(&::InternetCloseHandle) InternetCloseHandle;
};

Win32Internet::Win32Internet(HostReporter& host) : host_(host) {}

Win32Internet::~Win32Internet() = default;

const Win32Internet::Api* Win32Internet::Load() {
  if (api_) return api_.get();
  auto api = std::make_unique<Api>();
  if (!api->library.Usable()) {
    // The download reads the last error right after the failed call: the
    // line to the host and the library's release must not change it.
    const KeptLastError kept;
    host_.Log(api->library.FailureText());
    api.reset();
    return nullptr;
  }
  api_ = std::move(api);
  return api_.get();
}

InetHandle Win32Internet::Open(const char* agent, std::uint32_t accessType, const char* proxy,
                               const char* bypass, std::uint32_t flags) {
  const Api* api = Load();
  return api ? api->InternetOpenA(agent, accessType, proxy, bypass, flags) : nullptr;
}

bool Win32Internet::SetOption(InetHandle handle, std::uint32_t option, std::uint32_t value) {
  DWORD v = value;
  return api_->InternetSetOptionA(handle, option, &v, sizeof v) != FALSE;
}

bool Win32Internet::QueryOption(InetHandle handle, std::uint32_t option, std::uint32_t& value) {
  DWORD v = 0;
  DWORD length = sizeof v;
  if (!api_->InternetQueryOptionA(handle, option, &v, &length)) return false;
  value = v;
  return true;
}

bool Win32Internet::QueryCertificate(InetHandle request, ServerCertificate& certificate) {
  INTERNET_CERTIFICATE_INFO info{};
  DWORD length = sizeof info;
  if (!api_->InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_CERTIFICATE_STRUCT, &info,
                                  &length))
    return false;
  // The texts are the caller's.
  const UniqueLocalText subject(info.lpszSubjectInfo), issuer(info.lpszIssuerInfo),
      protocol(info.lpszProtocolName), signature(info.lpszSignatureAlgName),
      encryption(info.lpszEncryptionAlgName);
  certificate.subject = subject ? subject.get() : "";
  certificate.issuer = issuer ? issuer.get() : "";
  certificate.expiry =
      (std::uint64_t{info.ftExpiry.dwHighDateTime} << 32) | info.ftExpiry.dwLowDateTime;
  return true;
}

bool Win32Internet::CrackUrl(const std::string& url, UrlParts& parts) {
  const Api* api = Load();
  if (!api) return false;
  // Null buffers with non-zero lengths: the parts point into url.
  URL_COMPONENTSA c{};
  c.dwStructSize = sizeof c;
  c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = 1;
  c.dwUrlPathLength = c.dwExtraInfoLength = 1;
  if (!api->InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &c)) return false;
  auto part = [](const char* p, DWORD n) { return p ? std::string(p, n) : std::string(); };
  parts.scheme = static_cast<std::uint32_t>(c.nScheme);
  parts.host = part(c.lpszHostName, c.dwHostNameLength);
  parts.port = c.nPort;
  parts.user = part(c.lpszUserName, c.dwUserNameLength);
  parts.password = part(c.lpszPassword, c.dwPasswordLength);
  parts.object = part(c.lpszUrlPath, c.dwUrlPathLength) + part(c.lpszExtraInfo, c.dwExtraInfoLength);
  return true;
}

InetHandle Win32Internet::Connect(InetHandle session, const std::string& host, std::uint16_t port,
                                  const char* user, const char* password, std::uint32_t service,
                                  std::uint32_t flags) {
  return api_->InternetConnectA(session, host.c_str(), port, user, password, service, flags, 0);
}

InetHandle Win32Internet::OpenRequest(InetHandle connect, const char* verb, const std::string& object,
                                      std::uint32_t flags) {
  return api_->HttpOpenRequestA(connect, verb, object.c_str(), nullptr, nullptr, nullptr, flags, 0);
}

bool Win32Internet::SendRequest(InetHandle request, const char* headers, std::uint32_t headersLength) {
  return api_->HttpSendRequestA(request, headers, headersLength, nullptr, 0) != FALSE;
}

bool Win32Internet::QueryInfo(InetHandle request, std::uint32_t infoLevel, char* buffer,
                              std::uint32_t& length, std::uint32_t& index) {
  DWORD n = length;
  DWORD i = index;
  const BOOL ok = api_->HttpQueryInfoA(request, infoLevel, buffer, &n, &i);
  length = n;
  index = i;
  return ok != FALSE;
}

std::uint32_t Win32Internet::ErrorDialog(InetHandle request, std::uint32_t error, std::uint32_t flags) {
  return api_->InternetErrorDlg(GetDesktopWindow(), request, error, flags, nullptr);
}

bool Win32Internet::Read(InetHandle request, void* buffer, std::uint32_t toRead, std::uint32_t& read) {
  DWORD n = 0;
  const BOOL ok = api_->InternetReadFile(request, buffer, toRead, &n);
  read = n;
  return ok != FALSE;
}

bool Win32Internet::Close(InetHandle handle) { return api_->InternetCloseHandle(handle) != FALSE; }

std::uint32_t Win32Internet::LastError() { return GetLastError(); }

void Win32Internet::SetLastError(std::uint32_t error) { ::SetLastError(error); }

std::uint32_t Win32Internet::FormatSystemMessage(std::uint32_t flags, std::uint32_t messageId,
                                                 std::uint32_t languageId, char* buffer,
                                                 std::uint32_t size) {
  return FormatMessageA(flags, nullptr, messageId, languageId, buffer, size, nullptr);
}

}  // namespace qalo
