#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace qalo {

// The service's code for data that comes as an import file: the run writes
// a ticket with the ticket data kImportFileTicket, which sends the host's
// next retrieval into the import-file mode.
constexpr std::int32_t kImportFileCode = 3000;
constexpr const char* kImportFileTicket = "CD";

// The service's error code text as a signed 32-bit number: optional leading
// blanks, then an optional sign and decimal digits, or "$" / "0x" and
// hexadecimal digits without a sign; nothing may follow. nullopt for an
// empty text, any other character, or a value outside the 32-bit range.
std::optional<std::int32_t> ParseServiceErrorCode(const std::string& text);

}  // namespace qalo
