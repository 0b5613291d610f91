#pragma once
// The ticket document: the small XML file written in place of depot data
// when the service answers with an order number or with error code 3000.
#include <string>

namespace qalo {

// The 257 characters of the document before its placeholders are filled.
extern const char kTicketTemplate[];

// Every occurrence of find in source replaced by replacement, left to
// right; the inserted text is never searched again. An empty find replaces
// nothing.
std::string ReplaceAll(const std::string& source, const std::string& find,
                       const std::string& replacement);

// The template filled with origin "QALO", beraterRef, ticketData and the two
// validity dates as "dd.mm.yyyy hh:nn:ss" (the time's parts joined by
// timeSeparator), in that order, each replacement applied to the result of
// the one before. Values are not XML-escaped.
std::string BuildTicketDocument(const std::string& ticketData, const std::string& beraterRef,
                                double validFrom, double validUntil,
                                const std::string& timeSeparator);

struct TicketValidity {
  double from = 0.0;
  double until = 0.0;
};

// An order number is valid from 07:00 on the next day (on the day after the
// next from 21:00 on) for 14 days. The time of day is taken to the nearest
// second, as it is displayed.
TicketValidity OrderTicketValidity(double now);

// Error code 3000: valid from now until the clock, read a second time, plus
// 70 days.
TicketValidity ErrorCodeTicketValidity(double now, double nowReadAgain);

}  // namespace qalo
