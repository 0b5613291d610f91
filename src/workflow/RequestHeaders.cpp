#include "workflow/RequestHeaders.h"

namespace qalo {

// The text holds the password and the key: it is reserved whole and
// appended to, so no partial copy goes back to the heap unwiped.
std::string BuildRequestHeaders(const LoginData& login, const std::string& ticketData,
                                const std::string& requestDate) {
  constexpr std::size_t kNamesAndBreaks = 96;
  std::string headers;
  headers.reserve(kNamesAndBreaks + login.userLogin.size() + login.password.size() +
                  login.userKey.size() + ticketData.size() + requestDate.size());
  headers.append("nolt_portal_id: ").append(login.userLogin).append("\n");
  headers.append("nolt_password: ").append(login.password).append("\n");
  headers.append("nolt_key: ").append(login.userKey).append("\n");
  if (!ticketData.empty()) {
    headers.append("nolt_order_number: ").append(ticketData).append("\n");
  } else if (!requestDate.empty()) {
    headers.append("nolt_datum: ").append(requestDate).append("\n");
  }
  return headers;
}

}  // namespace qalo
