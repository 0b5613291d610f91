#include "plugin/ExportErrorMsg.h"

#include <cstdio>

namespace qalo {
namespace {

struct Message {
  std::int32_t code;
  const char* text;
};

constexpr Message kMessages[] = {
    {-1, "Fehler bei der Online-Verbindung"},
    {-2, "Import-Datei nicht gefunden"},
    {-3, "Import-Datei nicht kopierbar"},
    {-4, "Abbruch durch Benutzer"},
    {-5, "Fehler beim Entschlüsseln der Daten"},
    {-6, "unbekannte Nachricht vom Host"},
    {-7, "ungültiger Fehlercode vom Host"},
    {-8, "keine Daten vom Host"},
    {-1000, "Die gewünschten Daten wurden noch nicht erzeugt"},
    {-1100, "Beim Erzeugen der Daten ist ein Fehler aufgetreten"},
    {-1200, "Das Ticket ist nicht registriert"},
    {-2000, "Die Authentifizierung ist fehlgeschlagen"},
};

}  // namespace

std::string ExportErrorMessage(std::int32_t code) {
  for (const auto& m : kMessages) {
    if (m.code == code) return m.text;
  }
  char text[64];
  std::snprintf(text, sizeof text,
                code < 0 ? "Unspezifizierter Fehler [%ld]" : "unbekannter Fehlercode vom Host: [%ld]",
                static_cast<long>(code));
  return text;
}

}  // namespace qalo
