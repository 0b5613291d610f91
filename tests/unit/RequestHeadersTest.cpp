#include "workflow/RequestHeaders.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

const LoginData kLogin{"demo", "Geheim1!", "00ff"};

TEST(RequestHeaders, ThreeLinesWithLfOnly) {
  EXPECT_EQ(BuildRequestHeaders(kLogin, "", ""),
            "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: 00ff\n");
}

TEST(RequestHeaders, TicketDataWinsOverTheDate) {
  EXPECT_EQ(BuildRequestHeaders(kLogin, "cd", "09.12.2025"),
            "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: 00ff\nnolt_order_number: cd\n");
}

TEST(RequestHeaders, DateLine) {
  EXPECT_EQ(BuildRequestHeaders(kLogin, "", "09.12.2025"),
            "nolt_portal_id: demo\nnolt_password: Geheim1!\nnolt_key: 00ff\nnolt_datum: 09.12.2025\n");
}

TEST(RequestHeaders, ValuesAreInsertedAsTheyAre) {
  EXPECT_EQ(BuildRequestHeaders({"%s", " p w ", ""}, "", ""),
            "nolt_portal_id: %s\nnolt_password:  p w \nnolt_key: \n");
}

}  // namespace
}  // namespace qalo
