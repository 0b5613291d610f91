#pragma once
#include <string>

namespace qalo {

// What the service answered, judged from the response's first bytes.
struct ResponseClass {
  enum class Kind {
    EncryptedData,  // no "<XML>": depot data under the user's key
    OrderNumber,    // "<XML>" and "<ORDER_NUMBER>": text is the ticket number
    ErrorCode,      // "<XML>" and "<ERROR>": text is the code text
    Unrecognised,   // "<XML>" but neither tag
  };
  Kind kind;
  std::string text;
};

// How many leading bytes of a response decide its class.
constexpr std::size_t kResponseWindowSize = 200;

// The bytes that are searched: at most the first 200, and only those before
// the first zero byte.
std::string ResponseWindow(const std::string& firstBytes);

// Classifies a response window. Searches are byte-exact and case-sensitive.
ResponseClass ClassifyResponse(const std::string& window);

}  // namespace qalo
