#include "workflow/TicketDocument.h"

#include "workflow/DateTime.h"

namespace qalo {

const char kTicketTemplate[] =
    "<XML><IMPORT><I_Herkunft>%Herkunft%</I_Herkunft><I_BeraterRef>%BeraterRef%</I_BeraterRef>"
    "</IMPORT><Ticketdaten><TD_DataString>%TicketData%</TD_DataString>"
    "<TD_GueltigAb>%GueltigAb%</TD_GueltigAb><TD_GueltigBis>%GueltigBis%</TD_GueltigBis>"
    "</Ticketdaten></XML>";

std::string ReplaceAll(const std::string& source, const std::string& find,
                       const std::string& replacement) {
  if (find.empty()) return source;
  std::string result;
  std::size_t start = 0;
  for (std::size_t hit; (hit = source.find(find, start)) != std::string::npos;
       start = hit + find.size()) {
    result.append(source, start, hit - start);
    result += replacement;
  }
  result.append(source, start, std::string::npos);
  return result;
}

std::string BuildTicketDocument(const std::string& ticketData, const std::string& beraterRef,
                                double validFrom, double validUntil,
                                const std::string& timeSeparator) {
  std::string text = kTicketTemplate;
  text = ReplaceAll(text, "%Herkunft%", "QALO");
  text = ReplaceAll(text, "%BeraterRef%", beraterRef);
  text = ReplaceAll(text, "%TicketData%", ticketData);
  text = ReplaceAll(text, "%GueltigAb%", FormatDateTime(validFrom, timeSeparator));
  text = ReplaceAll(text, "%GueltigBis%", FormatDateTime(validUntil, timeSeparator));
  return text;
}

TicketValidity OrderTicketValidity(double now) {
  DateTimeParts moment = SplitDateTime(now);
  const bool lateEvening = moment.hour >= 21;
  moment.hour = 7;
  moment.minute = 0;
  moment.second = 0;
  const double sevenToday = MakeDateTime(moment);
  TicketValidity validity;
  validity.from = sevenToday + (lateEvening ? 2 : 1);
  validity.until = validity.from + 14;
  return validity;
}

TicketValidity ErrorCodeTicketValidity(double now, double nowReadAgain) {
  return {now, nowReadAgain + 70};
}

}  // namespace qalo
