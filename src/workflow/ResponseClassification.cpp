#include "workflow/ResponseClassification.h"

namespace qalo {
namespace {

// The text between the first opening tag and the first closing tag; empty
// when the closing tag is missing or does not come after the opening one.
std::string TagContent(const std::string& window, std::size_t openAt, const std::string& openTag,
                       const std::string& closeTag) {
  const std::size_t start = openAt + openTag.size();
  const std::size_t closeAt = window.find(closeTag);
  if (closeAt == std::string::npos || closeAt <= start) return {};
  return window.substr(start, closeAt - start);
}

}  // namespace

std::string ResponseWindow(const std::string& firstBytes) {
  const std::string window = firstBytes.substr(0, kResponseWindowSize);
  return window.substr(0, window.find('\0'));
}

ResponseClass ClassifyResponse(const std::string& window) {
  using Kind = ResponseClass::Kind;
  if (window.find("<XML>") == std::string::npos) return {Kind::EncryptedData, {}};

  const std::string orderTag = "<ORDER_NUMBER>";
  if (const auto at = window.find(orderTag); at != std::string::npos)
    return {Kind::OrderNumber, TagContent(window, at, orderTag, "</ORDER_NUMBER>")};

  const std::string errorTag = "<ERROR>";
  if (const auto at = window.find(errorTag); at != std::string::npos)
    return {Kind::ErrorCode, TagContent(window, at, errorTag, "</ERROR>")};

  return {Kind::Unrecognised, {}};
}

}  // namespace qalo
