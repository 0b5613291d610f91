#include "workflow/TicketDocument.h"

#include <gtest/gtest.h>

#include <cstring>

#include "workflow/DateTime.h"

namespace qalo {
namespace {

constexpr double kDec7th2026 = 46363;

double At(int hour, int minute, int second) {
  return kDec7th2026 + (hour * 3600 + minute * 60 + second) / 86400.0;
}

TEST(TicketTemplate, IsTheFixedText) {
  EXPECT_EQ(std::strlen(kTicketTemplate), 257u);
}

TEST(TicketDocument, OrderNumberReceivedAtTenIsTheKnownDocument) {
  const TicketValidity validity = OrderTicketValidity(At(10, 0, 0));
  const std::string document = BuildTicketDocument("4711", "B-17", validity.from, validity.until);
  EXPECT_EQ(document,
            "<XML><IMPORT><I_Herkunft>QALO</I_Herkunft><I_BeraterRef>B-17</I_BeraterRef>"
            "</IMPORT><Ticketdaten><TD_DataString>4711</TD_DataString>"
            "<TD_GueltigAb>08.12.2026 07:00:00</TD_GueltigAb>"
            "<TD_GueltigBis>22.12.2026 07:00:00</TD_GueltigBis></Ticketdaten></XML>");
  EXPECT_EQ(document.size(), 250u);
}

TEST(TicketDocument, EmptyValuesGiveEmptyElements) {
  const std::string document = BuildTicketDocument("", "", 0, 0);
  EXPECT_NE(document.find("<I_BeraterRef></I_BeraterRef>"), std::string::npos);
  EXPECT_NE(document.find("<TD_DataString></TD_DataString>"), std::string::npos);
  EXPECT_NE(document.find("<TD_GueltigAb>30.12.1899 00:00:00</TD_GueltigAb>"),
            std::string::npos);
}

TEST(TicketDocument, ValuesAreInsertedUnescaped) {
  const std::string document = BuildTicketDocument("1", "A&B<C\xE4", 0, 0);
  EXPECT_NE(document.find("<I_BeraterRef>A&B<C\xE4</I_BeraterRef>"), std::string::npos);
}

TEST(TicketDocument, PlaceholderBroughtInByAnEarlierValueIsFilledLater) {
  const std::string document = BuildTicketDocument("%Herkunft%", "%TicketData%", 0, 0);
  // The adviser reference brings %TicketData% in, which is then replaced;
  // the ticket data brings %Herkunft% in after that step has run.
  EXPECT_NE(document.find("<I_BeraterRef>%Herkunft%</I_BeraterRef>"), std::string::npos);
  EXPECT_NE(document.find("<TD_DataString>%Herkunft%</TD_DataString>"), std::string::npos);
}

TEST(OrderValidity, BeforeNineInTheEveningFromSevenNextMorning) {
  for (double now : {At(0, 0, 0), At(10, 0, 0), At(20, 59, 59)}) {
    const TicketValidity v = OrderTicketValidity(now);
    EXPECT_EQ(FormatDateTime(v.from), "08.12.2026 07:00:00");
    EXPECT_EQ(FormatDateTime(v.until), "22.12.2026 07:00:00");
  }
}

TEST(OrderValidity, FromNineInTheEveningOnADayLater) {
  for (double now : {At(21, 0, 0), At(23, 59, 59)}) {
    const TicketValidity v = OrderTicketValidity(now);
    EXPECT_EQ(FormatDateTime(v.from), "09.12.2026 07:00:00");
    EXPECT_EQ(FormatDateTime(v.until), "23.12.2026 07:00:00");
  }
}

TEST(OrderValidity, NineOClockComputedAHairShortCountsAsNine) {
  // 20:59:59.9999 is shown as 21:00:00 and treated as it is shown.
  const TicketValidity v = OrderTicketValidity(At(21, 0, 0) - 0.0001 / 86400);
  EXPECT_EQ(FormatDateTime(v.from), "09.12.2026 07:00:00");
}

TEST(OrderValidity, AcrossMonthAndYearEnds) {
  const TicketValidity v = OrderTicketValidity(kDec7th2026 + 24 + 22.0 / 24);  // 31.12. 22:00
  EXPECT_EQ(FormatDateTime(v.from), "02.01.2027 07:00:00");
  EXPECT_EQ(FormatDateTime(v.until), "16.01.2027 07:00:00");
}

TEST(ErrorCodeValidity, FromNowUntilTheSecondReadingPlusSeventyDays) {
  const TicketValidity v = ErrorCodeTicketValidity(At(10, 15, 30), At(10, 15, 31));
  EXPECT_EQ(FormatDateTime(v.from), "07.12.2026 10:15:30");
  EXPECT_EQ(FormatDateTime(v.until), "15.02.2027 10:15:31");
}

TEST(ReplaceAll, ReplacementIsNotSearchedAgain) {
  EXPECT_EQ(ReplaceAll("aXbXc", "X", "XX"), "aXXbXXc");
  EXPECT_EQ(ReplaceAll("XX", "X", "X"), "XX");
}

TEST(ReplaceAll, EveryOccurrenceLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("XaX", "X", ""), "a");
  EXPECT_EQ(ReplaceAll("X", "X", "yz"), "yz");
}

TEST(ReplaceAll, NothingToReplace) {
  EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
  EXPECT_EQ(ReplaceAll("", "x", "y"), "");
}

TEST(ReplaceAll, IsCaseSensitiveAndByteExact) {
  EXPECT_EQ(ReplaceAll("xX\xE4\xC4", "x", "-"), "-X\xE4\xC4");
  EXPECT_EQ(ReplaceAll("xX\xE4\xC4", "\xC4", "-"), "xX\xE4-");
}

}  // namespace
}  // namespace qalo
