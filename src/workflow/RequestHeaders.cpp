#include "workflow/RequestHeaders.h"

namespace qalo {

std::string BuildRequestHeaders(const LoginData& login, const std::string& ticketData,
                                const std::string& requestDate) {
  std::string headers = "nolt_portal_id: " + login.userLogin + "\n" +
                        "nolt_password: " + login.password + "\n" +
                        "nolt_key: " + login.userKey + "\n";
  if (!ticketData.empty()) {
    headers += "nolt_order_number: " + ticketData + "\n";
  } else if (!requestDate.empty()) {
    headers += "nolt_datum: " + requestDate + "\n";
  }
  return headers;
}

}  // namespace qalo
