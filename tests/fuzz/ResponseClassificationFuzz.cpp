// The response's class from its first bytes, and the service's error code
// as a number. Input: the response bytes.
#include "fuzz/FuzzInput.h"
#include "plugin/ExportErrorMsg.h"
#include "workflow/ResponseClassification.h"
#include "workflow/ServiceErrorCode.h"

#include <optional>

using namespace qalo;
using qalo::fuzz::Check;
using qalo::fuzz::Contains;

namespace {

bool AllDigits(const std::string& text, int base) {
  if (text.empty()) return false;
  for (char c : text) {
    const bool digit = c >= '0' && c <= '9';
    const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit && !(base == 16 && hex)) return false;
  }
  return true;
}

// The number rules written out the long way: leading blanks; a sign and
// decimal digits, or "$" / "0x" and hexadecimal digits; 32-bit range.
std::optional<std::int32_t> ReferenceCode(const std::string& text) {
  std::string rest = text.substr(std::min(text.find_first_not_of(' '), text.size()));
  int base = 10;
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.erase(0, 1);
  } else if (!rest.empty() && rest[0] == '$') {
    base = 16;
    rest.erase(0, 1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    base = 16;
    rest.erase(0, 2);
  }
  if (!AllDigits(rest, base)) return std::nullopt;
  const std::string significant = rest.substr(std::min(rest.find_first_not_of('0'), rest.size() - 1));
  if (significant.size() > 10) return std::nullopt;
  const long long magnitude = std::stoll(significant, nullptr, base);
  const long long value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string response(reinterpret_cast<const char*>(data), size);

  const std::string window = ResponseWindow(response);
  Check(window.size() <= kResponseWindowSize, "at most 200 bytes are searched");
  Check(response.compare(0, window.size(), window) == 0, "the window is the response's head");
  Check(window.find('\0') == std::string::npos, "the window stops at a zero byte");
  Check(window.size() == kResponseWindowSize || window.size() == response.size() ||
            response[window.size()] == '\0',
        "the window ends at 200 bytes, the end, or a zero byte");

  const ResponseClass answer = ClassifyResponse(window);
  const bool xml = Contains(window, "<XML>");
  Check((answer.kind == ResponseClass::Kind::EncryptedData) == !xml, "data exactly without <XML>");
  if (answer.kind == ResponseClass::Kind::OrderNumber) {
    Check(Contains(window, "<ORDER_NUMBER>" + answer.text), "the ticket follows its tag");
    Check(!Contains(answer.text, "</ORDER_NUMBER>"), "the ticket ends at its closing tag");
  }
  if (answer.kind == ResponseClass::Kind::ErrorCode) {
    Check(Contains(window, "<ERROR>" + answer.text), "the code follows its tag");
    Check(!Contains(answer.text, "</ERROR>"), "the code ends at its closing tag");
  }

  // The number rules, on the whole input as well as on a code from a window.
  for (const std::string& text : {response, answer.text}) {
    const auto code = ParseServiceErrorCode(text);
    Check(code == ReferenceCode(text), "the code follows the number rules");
    if (!code) continue;
    // The run's result: the code negated, INT32_MIN passed on as it is.
    const std::int32_t result = *code == INT32_MIN ? *code : -*code;
    const std::string message = ExportErrorMessage(result);
    Check(!message.empty() && message.size() <= 50, "every result has a message that fits");
  }
  return 0;
}
