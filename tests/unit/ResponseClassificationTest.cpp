#include "workflow/ResponseClassification.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

using Kind = ResponseClass::Kind;

ResponseClass Classify(const std::string& response) { return ClassifyResponse(ResponseWindow(response)); }

TEST(ResponseWindow, FirstTwoHundredBytesBeforeTheFirstZero) {
  EXPECT_EQ(ResponseWindow(std::string(300, 'a')).size(), 200u);
  EXPECT_EQ(ResponseWindow(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(ResponseWindow(""), "");
}

TEST(ResponseClassification, WithoutXmlTagItIsEncryptedData) {
  EXPECT_EQ(Classify("\x13\x8f\x00\x01 binary").kind, Kind::EncryptedData);
  EXPECT_EQ(Classify("<xml><ERROR>1</ERROR></xml>").kind, Kind::EncryptedData);  // case-sensitive
  // A zero byte hides everything after it, "<XML>" included.
  EXPECT_EQ(Classify(std::string("ab\0<XML><ERROR>1</ERROR>", 24)).kind, Kind::EncryptedData);
  // "<XML>" beyond the first 200 bytes is not seen.
  EXPECT_EQ(Classify(std::string(200, ' ') + "<XML><ERROR>1</ERROR>").kind, Kind::EncryptedData);
}

TEST(ResponseClassification, OrderNumber) {
  const auto r = Classify("<XML><ORDER_NUMBER>4711</ORDER_NUMBER></XML>");
  EXPECT_EQ(r.kind, Kind::OrderNumber);
  EXPECT_EQ(r.text, "4711");
}

TEST(ResponseClassification, OrderNumberWithoutClosingTagIsEmpty) {
  const auto r = Classify("<XML><ORDER_NUMBER>4711");
  EXPECT_EQ(r.kind, Kind::OrderNumber);
  EXPECT_EQ(r.text, "");
  EXPECT_EQ(Classify("<XML></ORDER_NUMBER><ORDER_NUMBER>9").text, "");  // closing tag first
  EXPECT_EQ(Classify("<XML><ORDER_NUMBER></ORDER_NUMBER>").text, "");
}

TEST(ResponseClassification, OrderNumberWinsOverError) {
  const auto r = Classify("<XML><ERROR>1200</ERROR><ORDER_NUMBER>42</ORDER_NUMBER></XML>");
  EXPECT_EQ(r.kind, Kind::OrderNumber);
  EXPECT_EQ(r.text, "42");
}

TEST(ResponseClassification, ErrorCodeText) {
  const auto r = Classify("<XML><ERROR> -12</ERROR></XML>");
  EXPECT_EQ(r.kind, Kind::ErrorCode);
  EXPECT_EQ(r.text, " -12");
  EXPECT_EQ(Classify("<XML><ERROR>3000").text, "");
}

TEST(ResponseClassification, TagsCutOffByTheWindow) {
  // The closing tag starts inside the window but ends outside it.
  std::string response = "<XML><ORDER_NUMBER>" + std::string(176, '7') + "</ORDER_NUMBER>";
  EXPECT_EQ(Classify(response).text, "");
  // The opening tag itself lies beyond the window.
  EXPECT_EQ(Classify("<XML>" + std::string(195, ' ') + "<ORDER_NUMBER>1</ORDER_NUMBER>").kind,
            Kind::Unrecognised);
}

TEST(ResponseClassification, XmlWithoutEitherTagIsUnrecognised) {
  EXPECT_EQ(Classify("<XML><STATUS>ok</STATUS></XML>").kind, Kind::Unrecognised);
}

}  // namespace
}  // namespace qalo
