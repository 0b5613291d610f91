#include "workflow/TicketDocument.h"

#include <gtest/gtest.h>

#include <cstring>

#include "workflow/DateTime.h"

namespace qalo {
namespace {

constexpr double kMidnightDec7 = 46363;

double At(int hour, int minute, int second) {
  return kMidnightDec7 + (hour * 3600 + minute * 60 + second) / 86400.0;
}

bool Has(const std::string& document, const std::string& part) {
  return document.find(part) != std::string::npos;
}

TEST(TicketDocument, OrderNumberReceivedAtTenIsTheKnownDocument) {
  EXPECT_EQ(std::strlen(kTicketTemplate), 257u);
  const TicketValidity validity = OrderTicketValidity(At(10, 0, 0));
  const std::string document = BuildTicketDocument("4711", "B-17", validity.from, validity.until, ":");
  EXPECT_EQ(document,
            "<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>B-17</I_BeraterRef>"
            "</IMPORT><Ticketdaten><TD_DataString>4711</TD_DataString>"
            "<TD_GueltigAb>08.12.2026 07:00:00</TD_GueltigAb>"
            "<TD_GueltigBis>22.12.2026 07:00:00</TD_GueltigBis></Ticketdaten></XML>");
  EXPECT_EQ(document.size(), 250u);
}

TEST(TicketDocument, ValuesGoInUnchangedAndEmpty) {
  const std::string document = BuildTicketDocument("", "A&B<C\xE4", 0, 0, ":");
  EXPECT_TRUE(Has(document, "<I_BeraterRef>A&B<C\xE4</I_BeraterRef>"));
  EXPECT_TRUE(Has(document, "<TD_DataString></TD_DataString>"));
  EXPECT_TRUE(Has(document, "<TD_GueltigAb>30.12.1899 00:00:00</TD_GueltigAb>"));
}

TEST(TicketDocument, TimesUseTheLocaleSeparatorAndDatesKeepTheirDots) {
  const TicketValidity validity = OrderTicketValidity(At(10, 0, 0));
  const std::string document = BuildTicketDocument("4711", "B-17", validity.from, validity.until, ".");
  EXPECT_TRUE(Has(document, "<TD_GueltigAb>08.12.2026 07.00.00</TD_GueltigAb>"));
  EXPECT_TRUE(Has(document, "<TD_GueltigBis>22.12.2026 07.00.00</TD_GueltigBis>"));
  // A separator of several characters goes in whole.
  EXPECT_TRUE(Has(BuildTicketDocument("", "", At(10, 15, 30), 0, " h "),
                  "<TD_GueltigAb>07.12.2026 10 h 15 h 30</TD_GueltigAb>"));
}

TEST(TicketDocument, PlaceholderBroughtInByAnEarlierValueIsFilledLater) {
  // The adviser reference brings %TicketData% in, which the next step fills;
  // the ticket data brings %Herkunft% in after that step has run.
  const std::string document = BuildTicketDocument("%Herkunft%", "%TicketData%", 0, 0, ":");
  EXPECT_TRUE(Has(document, "<I_BeraterRef>%Herkunft%</I_BeraterRef>"));
  EXPECT_TRUE(Has(document, "<TD_DataString>%Herkunft%</TD_DataString>"));
}

struct OrderCase {
  double now;
  const char* from;
  const char* until;
};

TEST(OrderValidity, SevenOnTheNextDayOrFromNineInTheEveningTheDayAfter) {
  const OrderCase cases[] = {
      {At(0, 0, 0), "08.12.2026 07:00:00", "22.12.2026 07:00:00"},
      {At(20, 59, 59), "08.12.2026 07:00:00", "22.12.2026 07:00:00"},
      {At(21, 0, 0), "09.12.2026 07:00:00", "23.12.2026 07:00:00"},
      {At(23, 59, 59), "09.12.2026 07:00:00", "23.12.2026 07:00:00"},
      // A hair short of 21:00 is shown as 21:00:00 and treated as shown.
      {At(21, 0, 0) - 0.0001 / 86400, "09.12.2026 07:00:00", "23.12.2026 07:00:00"},
      {kMidnightDec7 + 24 + 22.0 / 24, "02.01.2027 07:00:00", "16.01.2027 07:00:00"},
  };
  for (const OrderCase& c : cases) {
    const TicketValidity v = OrderTicketValidity(c.now);
    EXPECT_EQ(FormatDateTime(v.from), c.from) << FormatDateTime(c.now);
    EXPECT_EQ(FormatDateTime(v.until), c.until) << FormatDateTime(c.now);
  }
}

TEST(ErrorCodeValidity, FromNowUntilTheSecondReadingPlusSeventyDays) {
  const TicketValidity v = ErrorCodeTicketValidity(At(10, 15, 30), At(10, 15, 31));
  EXPECT_EQ(FormatDateTime(v.from), "07.12.2026 10:15:30");
  EXPECT_EQ(FormatDateTime(v.until), "15.02.2027 10:15:31");
}

TEST(ReplaceAll, EveryOccurrenceLeftToRightNeverSearchingTheReplacement) {
  EXPECT_EQ(ReplaceAll("aXbXc", "X", "XX"), "aXXbXXc");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("XaX", "X", ""), "a");
  EXPECT_EQ(ReplaceAll("xX\xE4\xC4", "\xC4", "-"), "xX\xE4-");  // byte-exact, case-sensitive
}

TEST(ReplaceAll, NothingToReplace) {
  EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
  EXPECT_EQ(ReplaceAll("", "x", "y"), "");
}

}  // namespace
}  // namespace qalo
