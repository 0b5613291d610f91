#pragma once
#include <cstdint>
#include <string>

#include "platform/UniqueHandle.h"

namespace qalo {

// An internet handle (HINTERNET): opaque, null when there is none. Whoever
// receives one from Open, Connect or OpenRequest closes it with Close.
using InetHandle = void*;

// The WinInet values the download passes. The Win32 adapter checks them
// against the system headers.
namespace wininet {
constexpr std::uint32_t kOpenTypePreconfig = 0;          // INTERNET_OPEN_TYPE_PRECONFIG
constexpr std::uint32_t kOptionSendTimeout = 5;          // INTERNET_OPTION_SEND_TIMEOUT
constexpr std::uint32_t kOptionReceiveTimeout = 6;       // INTERNET_OPTION_RECEIVE_TIMEOUT
constexpr std::uint32_t kOptionSecurityFlags = 31;       // INTERNET_OPTION_SECURITY_FLAGS
constexpr std::uint32_t kSecurityIgnoreRevocation = 0x80;  // SECURITY_FLAG_IGNORE_REVOCATION
// SECURITY_FLAG_IGNORE_CERT_CN_INVALID, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID
constexpr std::uint32_t kSecurityIgnoreCertCnInvalid = 0x1000;
constexpr std::uint32_t kSecurityIgnoreCertDateInvalid = 0x2000;
// What a failed secure send leaves in a request's security flags (no names
// for them in the headers): the certificate's problems.
constexpr std::uint32_t kSecurityCertInvalidCa = 0x01000000;
constexpr std::uint32_t kSecurityCertInvalidCn = 0x02000000;
constexpr std::uint32_t kSecurityCertInvalidDate = 0x04000000;
constexpr std::uint32_t kOptionErrorMask = 62;           // INTERNET_OPTION_ERROR_MASK
constexpr std::uint32_t kErrorMaskCombinedSecCert = 2;   // INTERNET_ERROR_MASK_COMBINED_SEC_CERT
constexpr std::uint32_t kServiceHttp = 3;                // INTERNET_SERVICE_HTTP
// RELOAD | NO_CACHE_WRITE: no certificate problem is ignored before it has been seen
constexpr std::uint32_t kRequestFlags = 0x84000000;
constexpr std::uint32_t kFlagSecure = 0x00800000;        // INTERNET_FLAG_SECURE
constexpr std::uint32_t kSchemeHttps = 4;                // INTERNET_SCHEME_HTTPS
constexpr std::uint32_t kQueryStatusCode = 19;           // HTTP_QUERY_STATUS_CODE
constexpr std::uint32_t kQueryContentLength = 5;         // HTTP_QUERY_CONTENT_LENGTH
constexpr std::uint32_t kErrorIncorrectPassword = 12014;  // ERROR_INTERNET_INCORRECT_PASSWORD
constexpr std::uint32_t kErrorForceRetry = 12032;        // ERROR_INTERNET_FORCE_RETRY
constexpr std::uint32_t kErrorTimeout = 12002;           // ERROR_INTERNET_TIMEOUT
constexpr std::uint32_t kErrorCertDateInvalid = 12037;   // ERROR_INTERNET_SEC_CERT_DATE_INVALID
constexpr std::uint32_t kErrorCertCnInvalid = 12038;     // ERROR_INTERNET_SEC_CERT_CN_INVALID
constexpr std::uint32_t kErrorInvalidCa = 12045;         // ERROR_INTERNET_INVALID_CA
constexpr std::uint32_t kErrorCertErrors = 12055;        // ERROR_INTERNET_SEC_CERT_ERRORS
constexpr std::uint32_t kErrorCertRevFailed = 12057;     // ERROR_INTERNET_SEC_CERT_REV_FAILED
constexpr std::uint32_t kErrorInvalidCert = 12169;       // ERROR_INTERNET_SEC_INVALID_CERT
constexpr std::uint32_t kErrorCertRevoked = 12170;       // ERROR_INTERNET_SEC_CERT_REVOKED
// FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS
constexpr std::uint32_t kErrorDlgFlags = 3;
constexpr std::uint32_t kFormatFromSystem = 0x1000;      // FORMAT_MESSAGE_FROM_SYSTEM
}  // namespace wininet

// A URL split into the parts InternetConnectA and HttpOpenRequestA take.
struct UrlParts {
  std::uint32_t scheme = 0;  // INTERNET_SCHEME_*
  std::string host;
  std::uint16_t port = 0;
  std::string user;
  std::string password;
  std::string object;  // path and query, as HttpOpenRequestA wants it
};

// What INTERNET_OPTION_SECURITY_CERTIFICATE_STRUCT tells of a server's
// certificate: subject and issuer as WinInet writes them (their parts
// separated by line breaks), the end of its validity as a FILETIME (UTC).
struct ServerCertificate {
  std::string subject;
  std::string issuer;
  std::uint64_t expiry = 0;
};

// The WinInet functions the download uses, one method each, with the same
// arguments and results. Functions that fail set the thread's last error,
// which LastError reads. Every call blocks its caller; the download makes
// SendRequest and Read on a worker thread of its own, the rest on the
// host's thread, and a worker's call may still run after the download
// closed its request handle (the object is shared with the worker).
class Internet {
 public:
  virtual ~Internet() = default;
  // InternetOpenA; proxy and bypass may be null.
  virtual InetHandle Open(const char* agent, std::uint32_t accessType, const char* proxy,
                          const char* bypass, std::uint32_t flags) = 0;
  // InternetSetOptionA / InternetQueryOptionA with a 4-byte value.
  virtual bool SetOption(InetHandle handle, std::uint32_t option, std::uint32_t value) = 0;
  virtual bool QueryOption(InetHandle handle, std::uint32_t option, std::uint32_t& value) = 0;
  // InternetQueryOptionA with INTERNET_OPTION_SECURITY_CERTIFICATE_STRUCT on a
  // request that has been sent, successfully or not; the texts WinInet
  // allocates are freed before it returns.
  virtual bool QueryCertificate(InetHandle request, ServerCertificate& certificate) = 0;
  // InternetCrackUrlA without decoding or escaping; false on a malformed URL.
  virtual bool CrackUrl(const std::string& url, UrlParts& parts) = 0;
  // InternetConnectA, context 0; user and password may be null.
  virtual InetHandle Connect(InetHandle session, const std::string& host, std::uint16_t port,
                             const char* user, const char* password, std::uint32_t service,
                             std::uint32_t flags) = 0;
  // HttpOpenRequestA: default HTTP version, no referrer, no accept types, context 0.
  virtual InetHandle OpenRequest(InetHandle connect, const char* verb, const std::string& object,
                                 std::uint32_t flags) = 0;
  // HttpSendRequestA with no optional body; headers may be null with length 0.
  virtual bool SendRequest(InetHandle request, const char* headers,
                           std::uint32_t headersLength) = 0;
  // HttpQueryInfoA: length in = buffer size, out = bytes written.
  virtual bool QueryInfo(InetHandle request, std::uint32_t infoLevel, char* buffer,
                         std::uint32_t& length, std::uint32_t& index) = 0;
  // InternetErrorDlg over the desktop window, no data; modal.
  virtual std::uint32_t ErrorDialog(InetHandle request, std::uint32_t error,
                                    std::uint32_t flags) = 0;
  // InternetReadFile: true with 0 bytes read at the end of the body.
  virtual bool Read(InetHandle request, void* buffer, std::uint32_t toRead,
                    std::uint32_t& read) = 0;
  // InternetCloseHandle.
  virtual bool Close(InetHandle handle) = 0;
  // GetLastError, SetLastError: the calling thread's last error.
  virtual std::uint32_t LastError() = 0;
  virtual void SetLastError(std::uint32_t error) = 0;
  // FormatMessageA with no source and no arguments: the length written
  // (without the terminating zero), 0 when there is no text.
  virtual std::uint32_t FormatSystemMessage(std::uint32_t flags, std::uint32_t messageId,
                                            std::uint32_t languageId, char* buffer,
                                            std::uint32_t size) = 0;
};

// An internet handle closed through the seam that opened it.
struct InetHandleTraits {
  Internet* internet = nullptr;
  static constexpr InetHandle Empty() noexcept { return nullptr; }
  void Close(InetHandle handle) const noexcept { internet->Close(handle); }
};
using UniqueInetHandle = UniqueHandle<InetHandle, InetHandleTraits>;

}  // namespace qalo
