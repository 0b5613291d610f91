#include "inet/CertificateCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace qalo {
namespace {

using namespace wininet;

CertificateFailure Failure(std::uint32_t error, std::optional<std::uint32_t> flags,
                           std::uint32_t ignored = 0) {
  CertificateFailure failure;
  failure.error = error;
  failure.securityFlags = flags;
  failure.certificate = ServerCertificate{"localhost", "qalo-mock test CA", 133512192000000000u};
  failure.ignored = ignored;
  return failure;
}

TEST(CertificateCheck, CertificateErrorsAreTheSendsRefusalsOfACertificate) {
  for (std::uint32_t error : {12037u, 12038u, 12045u, 12055u, 12057u, 12169u, 12170u})
    EXPECT_TRUE(IsCertificateError(error)) << error;
  for (std::uint32_t error : {0u, 2u, 12002u, 12029u, 12030u, 12044u, 12056u, 12157u})
    EXPECT_FALSE(IsCertificateError(error)) << error;
}

// The error names a problem even when the flags cannot be read.
TEST(CertificateCheck, ProblemsComeFromTheFlagsAndFromTheError) {
  const CertificateVerdict name = CheckCertificate(Failure(12038, std::nullopt), false);
  EXPECT_TRUE(name.sendAgain);
  EXPECT_EQ(name.ignoreFlags, kSecurityIgnoreCertCnInvalid);

  const CertificateVerdict both =
      CheckCertificate(Failure(12055, kSecurityCertInvalidCn | kSecurityCertInvalidDate | 0x1), false);
  EXPECT_TRUE(both.sendAgain);
  EXPECT_EQ(both.ignoreFlags, kSecurityIgnoreCertCnInvalid | kSecurityIgnoreCertDateInvalid);

  // The flags of a problem the error does not name still count.
  const CertificateVerdict untrusted =
      CheckCertificate(Failure(12038, kSecurityCertInvalidCn | kSecurityCertInvalidCa), false);
  EXPECT_FALSE(untrusted.sendAgain);
  EXPECT_EQ(untrusted.ignoreFlags, 0u);
}

TEST(CertificateCheck, WhatCannotBeIgnoredIsRefusedWithItsReason) {
  struct Case {
    std::uint32_t error;
    std::optional<std::uint32_t> flags;
    const char* reason;
  };
  const Case cases[] = {
      {12045, std::nullopt, "von keiner vertrauensw\xFCrdigen Stelle ausgestellt"},
      {12170, 0, "widerrufen"},
      {12057, 0, "ohne pr\xFC" "fbaren Sperrstatus"},
      {12169, 0, "ung\xFCltig"},
      // Several, but the flags say nothing: nothing is known to let pass.
      {12055, std::nullopt, "ung\xFCltig"},
      {12055, 0, "ung\xFCltig"},
  };
  for (const Case& c : cases) {
    const CertificateVerdict verdict = CheckCertificate(Failure(c.error, c.flags), false);
    EXPECT_FALSE(verdict.sendAgain) << c.error;
    EXPECT_EQ(verdict.line, "WinINet-Systemfehler: " + std::to_string(c.error) +
                                " - Zertifikat des Servers abgelehnt: " + c.reason +
                                "; Zertifikat f\xFCr localhost, ausgestellt von qalo-mock test "
                                "CA, g\xFCltig bis 01.02.2024 00:00 UTC")
        << c.error;
  }
}

// A problem already ignored is passed over; a failure with nothing new to
// ignore means the ignore flag did not take.
TEST(CertificateCheck, AProblemIsLetPassOnce) {
  const CertificateVerdict next = CheckCertificate(
      Failure(12037, kSecurityCertInvalidCn | kSecurityCertInvalidDate, kSecurityIgnoreCertCnInvalid),
      false);
  EXPECT_TRUE(next.sendAgain);
  EXPECT_EQ(next.ignoreFlags, kSecurityIgnoreCertDateInvalid);
  EXPECT_EQ(next.line.find("anderen Namen"), std::string::npos) << next.line;

  const CertificateVerdict again =
      CheckCertificate(Failure(12038, kSecurityCertInvalidCn, kSecurityIgnoreCertCnInvalid), false);
  EXPECT_FALSE(again.sendAgain);
  EXPECT_EQ(again.line.rfind("WinINet-Systemfehler: 12038 - Zertifikat des Servers abgelehnt: "
                             "f\xFCr einen anderen Namen ausgestellt;", 0),
            0u)
      << again.line;
}

TEST(CertificateCheck, StrictRefusesWhatWouldPassAndSaysSo) {
  const CertificateVerdict verdict =
      CheckCertificate(Failure(12037, kSecurityCertInvalidDate), true);
  EXPECT_FALSE(verdict.sendAgain);
  EXPECT_EQ(verdict.ignoreFlags, 0u);
  EXPECT_EQ(verdict.line.rfind("WinINet-Systemfehler: 12037 - Zertifikat des Servers abgelehnt "
                               "(StrictCertificates): abgelaufen oder noch nicht g\xFCltig;", 0),
            0u)
      << verdict.line;
}

// The server chooses the names: they stay on one line and within bounds.
TEST(CertificateCheck, CertificateNamesAndExpiryAreShownOnOneLine) {
  struct Case {
    ServerCertificate certificate;
    std::string text;
  };
  const Case cases[] = {
      {{"DE\r\nKalbrix\r\nlocalhost", "CA", 133536855000000000u},
       "Zertifikat f\xFCr DE, Kalbrix, localhost, ausgestellt von CA, g\xFCltig bis 29.02.2024 "
       "13:05 UTC"},
      {{"a\tb\x01", "\r\nx\n", 125911583400000000u},
       "Zertifikat f\xFCr a?b?, ausgestellt von x, g\xFCltig bis 31.12.1999 23:59 UTC"},
      {{std::string(300, 'n'), "", 157520160000000000u},
       "Zertifikat f\xFCr " + std::string(128, 'n') +
           "..., ausgestellt von , g\xFCltig bis 01.03.2100 00:00 UTC"},
      {{"x", "y", 0}, "Zertifikat f\xFCr x, ausgestellt von y, g\xFCltig bis 01.01.1601 00:00 UTC"},
  };
  for (const Case& c : cases) {
    CertificateFailure failure = Failure(12038, kSecurityCertInvalidCn);
    failure.certificate = c.certificate;
    const std::string line = CheckCertificate(failure, false).line;
    EXPECT_EQ(line, "Warnung: Zertifikat des Servers f\xFCr einen anderen Namen ausgestellt, "
                    "Verbindung trotzdem aufgebaut; " + c.text);
  }
  CertificateFailure unreadable = Failure(12037, std::nullopt);
  unreadable.certificate.reset();
  EXPECT_EQ(CheckCertificate(unreadable, false).line,
            "Warnung: Zertifikat des Servers abgelaufen oder noch nicht g\xFCltig, Verbindung "
            "trotzdem aufgebaut; Zertifikat nicht lesbar");
}

}  // namespace
}  // namespace qalo
