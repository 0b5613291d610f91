#pragma once
#include <string>

namespace qalo {

// The login data a request carries. Values go into the header text as they
// are, without escaping or checking.
struct LoginData {
  std::string userLogin;
  std::string password;
  std::string userKey;
};

// The header lines nolt_portal_id, nolt_password and nolt_key, each ended by
// a single LF, then "nolt_order_number: <ticket>" when ticketData is not
// empty, else "nolt_datum: <date>" when requestDate is not empty.
std::string BuildRequestHeaders(const LoginData& login, const std::string& ticketData,
                                const std::string& requestDate);

}  // namespace qalo
