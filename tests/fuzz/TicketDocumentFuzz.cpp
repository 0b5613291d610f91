// ReplaceAll and the ticket document. Input: source, find, replacement,
// ticket data, adviser reference, time separator, then 16 bytes for the two
// dates.
#include "fuzz/FuzzInput.h"
#include "workflow/DateTime.h"
#include "workflow/TicketDocument.h"

#include <cstring>

using namespace qalo;
using qalo::fuzz::Check;
using qalo::fuzz::Contains;

namespace {

std::size_t CountOccurrences(const std::string& text, const std::string& find) {
  std::size_t count = 0;
  for (std::size_t at = text.find(find); at != std::string::npos; at = text.find(find, at + find.size()))
    ++count;
  return count;
}

// A date a Windows clock can give: 1 January 1601 to 31 December 9999, to
// the second.
double DateFrom(const std::string& bytes) {
  std::uint64_t raw = 0;
  std::memcpy(&raw, bytes.data(), std::min(bytes.size(), sizeof raw));
  constexpr std::int64_t kFirstDay = -109205, kLastDay = 2958465;
  const std::int64_t seconds = static_cast<std::int64_t>(raw % ((kLastDay - kFirstDay + 1) * 86400));
  return static_cast<double>(kFirstDay) + static_cast<double>(seconds) / 86400.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string source = input.Next();
  const std::string find = input.Next();
  const std::string replacement = input.Next();
  const std::string ticketData = input.Next();
  const std::string beraterRef = input.Next();
  const std::string separator = input.Next();
  const std::string dates = input.Next() + std::string(16, '\0');

  const std::string replaced = ReplaceAll(source, find, replacement);
  if (find.empty()) {
    Check(replaced == source, "an empty find text replaces nothing");
  } else {
    const std::size_t hits = CountOccurrences(source, find);
    Check(replaced.size() == source.size() + hits * replacement.size() - hits * find.size(),
          "each occurrence, left to right, without overlap");
    Check(ReplaceAll(source, find, find) == source, "replacing by itself changes nothing");
    if (hits == 0) Check(replaced == source, "no occurrence, no change");
  }

  const double from = DateFrom(dates.substr(0, 8));
  const double until = DateFrom(dates.substr(8, 8));
  const std::string fromText = FormatDateTime(from, separator);
  Check(fromText.size() == 17 + 2 * separator.size(), "dd.mm.yyyy hh:nn:ss with its separator");
  Check(fromText[2] == '.' && fromText[5] == '.' && fromText[10] == ' ', "the date's dots and blank");

  const std::string document = BuildTicketDocument(ticketData, beraterRef, from, until, separator);
  // Without "%" no value brings a placeholder in, so each value sits in its element.
  const bool plain = (ticketData + beraterRef + separator).find('%') == std::string::npos;
  if (plain) {
    Check(document == "<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>" + beraterRef +
                          "</I_BeraterRef></IMPORT><Ticketdaten><TD_DataString>" + ticketData +
                          "</TD_DataString><TD_GueltigAb>" + fromText +
                          "</TD_GueltigAb><TD_GueltigBis>" + FormatDateTime(until, separator) +
                          "</TD_GueltigBis></Ticketdaten></XML>",
          "the filled template");
  }
  Check(document.compare(0, 25, "<XML><IMPORT><I_Herkunft>") == 0, "the document's head");
  Check(Contains(document, "</TD_GueltigBis></Ticketdaten></XML>"), "the document's tail");
  return 0;
}
