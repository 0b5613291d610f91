#include "inet/CertificateCheck.h"

#include <cstdio>
#include <vector>

namespace qalo {
namespace {

using namespace wininet;

// A name part of a certificate is shown up to this many characters: the
// server chooses them.
constexpr std::size_t kMaxNameLength = 128;

// One certificate problem: the bit of the security flags that reports it,
// the error that reports it alone, the ignore flag that lets it pass (0:
// none may) and its German words.
struct Problem {
  std::uint32_t flag;
  std::uint32_t error;
  std::uint32_t ignoreFlag;
  const char* words;
};

constexpr Problem kProblems[] = {
    {kSecurityCertInvalidCa, kErrorInvalidCa, 0,
     "von keiner vertrauenswürdigen Stelle ausgestellt"},
    {kSecurityCertInvalidCn, kErrorCertCnInvalid, kSecurityIgnoreCertCnInvalid,
     "für einen anderen Namen ausgestellt"},
    {kSecurityCertInvalidDate, kErrorCertDateInvalid, kSecurityIgnoreCertDateInvalid,
     "abgelaufen oder noch nicht gültig"},
    {0, kErrorCertRevoked, 0, "widerrufen"},
    {0, kErrorCertRevFailed, 0, "ohne prüfbaren Sperrstatus"},
    {0, kErrorInvalidCert, 0, "ungültig"},
};

constexpr const char* kUnknownProblem = "ungültig";

bool Reports(const Problem& problem, const CertificateFailure& failure) {
  if (failure.error == problem.error) return true;
  return problem.flag != 0 && failure.securityFlags && (*failure.securityFlags & problem.flag);
}

// "a", "a und b", "a, b und c".
std::string Listed(const std::vector<const char*>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " und " : ", ";
    text += words[i];
  }
  return text;
}

// A subject or issuer on one line: its parts joined by ", ", control
// characters shown as '?', cut to kMaxNameLength.
std::string NameText(const std::string& name) {
  std::string text;
  bool lineBreak = false;
  for (char c : name) {
    if (c == '\r' || c == '\n') {
      lineBreak = true;
      continue;
    }
    if (lineBreak && !text.empty()) text += ", ";
    lineBreak = false;
    text += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  }
  if (text.size() > kMaxNameLength) text = text.substr(0, kMaxNameLength) + "...";
  return text;
}

// A FILETIME (100 ns since 1 January 1601, UTC) as "dd.mm.yyyy hh:nn UTC".
std::string ExpiryText(std::uint64_t fileTime) {
  const std::uint64_t minutes = fileTime / 600000000u;
  // Days from 1 March of year 0 (proleptic Gregorian), so leap days end a year.
  const std::int64_t days = static_cast<std::int64_t>(minutes / 1440) + 584694;
  const std::int64_t era = days / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
  const std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[40];
  std::snprintf(text, sizeof text, "%02d.%02d.%04lld %02d:%02d UTC", static_cast<int>(day),
                static_cast<int>(month), static_cast<long long>(year),
                static_cast<int>(minutes / 60 % 24), static_cast<int>(minutes % 60));
  return text;
}

std::string CertificateText(const std::optional<ServerCertificate>& certificate) {
  if (!certificate) return "; Zertifikat nicht lesbar";
  return "; Zertifikat für " + NameText(certificate->subject) + ", ausgestellt von " +
         NameText(certificate->issuer) + ", gültig bis " + ExpiryText(certificate->expiry);
}

}  // namespace

bool IsCertificateError(std::uint32_t error) {
  if (error == kErrorCertErrors) return true;
  for (const Problem& problem : kProblems)
    if (problem.error == error) return true;
  return false;
}

CertificateVerdict CheckCertificate(const CertificateFailure& failure, bool strict) {
  std::vector<const char*> all;       // what is to be said
  std::vector<const char*> ignored;   // reported, though already ignored
  std::uint32_t ignoreFlags = 0;
  bool refused = false;
  for (const Problem& problem : kProblems) {
    if (!Reports(problem, failure)) continue;
    if (problem.ignoreFlag != 0 && (failure.ignored & problem.ignoreFlag)) {
      ignored.push_back(problem.words);
      continue;
    }
    all.push_back(problem.words);
    refused = refused || problem.ignoreFlag == 0;
    ignoreFlags |= problem.ignoreFlag;
  }
  if (all.empty()) {
    // Nothing new to let pass: an ignore flag that did not take, or a
    // failure that names no problem.
    all = ignored.empty() ? std::vector<const char*>{kUnknownProblem} : ignored;
    refused = true;
  }

  const std::string certificate = CertificateText(failure.certificate);
  CertificateVerdict verdict;
  if (!refused && !strict) {
    verdict.sendAgain = true;
    verdict.ignoreFlags = ignoreFlags;
    verdict.line = "Warnung: Zertifikat des Servers " + Listed(all) +
                   ", Verbindung trotzdem aufgebaut" + certificate;
    return verdict;
  }
  verdict.line = "WinINet-Systemfehler: " + std::to_string(failure.error) +
                 " - Zertifikat des Servers abgelehnt" +
                 (refused ? std::string() : std::string(" (StrictCertificates)")) + ": " +
                 Listed(all) + certificate;
  return verdict;
}

}  // namespace qalo
