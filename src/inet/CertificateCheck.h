#pragma once
// What the download does about a server certificate that a secure send
// refused: the service's contract accepts a certificate issued for another
// name and an expired one, so those are let through with a warning in the
// host's protocol, unless the administrator asked for strict checking.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Internet.h"

namespace qalo {

// True for the errors with which a secure send refuses the server's
// certificate (nothing of the request has been sent then).
bool IsCertificateError(std::uint32_t error);

// What is known after such a refusal.
struct CertificateFailure {
  std::uint32_t error = 0;                       // the send's last error
  std::optional<std::uint32_t> securityFlags;    // the request's, when they could be read
  std::optional<ServerCertificate> certificate;  // when it could be read
  std::uint32_t ignored = 0;  // the ignore flags the request was sent with
};

struct CertificateVerdict {
  bool sendAgain = false;         // with ignoreFlags added to the request's security flags
  std::uint32_t ignoreFlags = 0;  // SECURITY_FLAG_IGNORE_CERT_CN_INVALID and/or _DATE_INVALID
  std::string line;  // German, Windows-1252: the warning, or why the certificate was refused
};

// Another name or an expiry passes with a warning (strict: is refused); a
// problem already ignored is passed over, and a failure that leaves nothing
// new to ignore is refused. An unknown authority, a revoked or otherwise
// invalid certificate is refused.
CertificateVerdict CheckCertificate(const CertificateFailure& failure, bool strict);

}  // namespace qalo
