#include "plugin/ExportErrorMsg.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

// Expected texts are spelled as bytes so the check is byte-exact in
// Windows-1252 whatever the compiler's execution character set does.
TEST(ExportErrorMessage, FixedMessages) {
  EXPECT_EQ(ExportErrorMessage(-1), "Fehler bei der Online-Verbindung");
  EXPECT_EQ(ExportErrorMessage(-2), "Import-Datei nicht gefunden");
  EXPECT_EQ(ExportErrorMessage(-3), "Import-Datei nicht kopierbar");
  EXPECT_EQ(ExportErrorMessage(-4), "Abbruch durch Benutzer");
  EXPECT_EQ(ExportErrorMessage(-5), "Fehler beim Entschl\xFCsseln der Daten");
  EXPECT_EQ(ExportErrorMessage(-6), "unbekannte Nachricht vom Host");
  EXPECT_EQ(ExportErrorMessage(-7), "ung\xFCltiger Fehlercode vom Host");
  EXPECT_EQ(ExportErrorMessage(-8), "keine Daten vom Host");
  EXPECT_EQ(ExportErrorMessage(-1000), "Die gew\xFCnschten Daten wurden noch nicht erzeugt");
  EXPECT_EQ(ExportErrorMessage(-1100), "Beim Erzeugen der Daten ist ein Fehler aufgetreten");
  EXPECT_EQ(ExportErrorMessage(-1200), "Das Ticket ist nicht registriert");
  EXPECT_EQ(ExportErrorMessage(-2000), "Die Authentifizierung ist fehlgeschlagen");
}

TEST(ExportErrorMessage, LongestMessageFitsFiftyOneBytes) {
  EXPECT_EQ(ExportErrorMessage(-1100).size(), 50u);
}

TEST(ExportErrorMessage, OtherNegativeCodesAreUnspecified) {
  EXPECT_EQ(ExportErrorMessage(-9), "Unspezifizierter Fehler [-9]");
  EXPECT_EQ(ExportErrorMessage(-3000), "Unspezifizierter Fehler [-3000]");
  EXPECT_EQ(ExportErrorMessage(-1015), "Unspezifizierter Fehler [-1015]");
  const std::string lowest = ExportErrorMessage(INT32_MIN);
  EXPECT_EQ(lowest, "Unspezifizierter Fehler [-2147483648]");
  EXPECT_EQ(lowest.size(), 37u);
}

TEST(ExportErrorMessage, ZeroAndPositiveCodesAreUnknown) {
  EXPECT_EQ(ExportErrorMessage(0), "unbekannter Fehlercode vom Host: [0]");
  EXPECT_EQ(ExportErrorMessage(5), "unbekannter Fehlercode vom Host: [5]");
  EXPECT_EQ(ExportErrorMessage(INT32_MAX), "unbekannter Fehlercode vom Host: [2147483647]");
}

}  // namespace
}  // namespace qalo
