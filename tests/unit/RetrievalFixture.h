#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/FakeRetrievalPlatform.h"
#include "workflow/Retrieval.h"

namespace qalo::test {

using Lines = std::vector<std::string>;

inline const std::string kSettings =
    "UserLogin=demo\r\nPassword=Geheim1!\r\nUserKey=" + kUserKey + "\r\n";

// A retrieval on the recording fakes, on 7 December 2026 at 10:00, into the
// host's XML directory kXmlDir.
class RetrievalTest : public ::testing::Test, protected FakeRetrievalPlatform {
 protected:
  RetrievalTest() : FakeRetrievalPlatform(kDec7At10) {}

  std::int32_t Run(const std::string& settings = kSettings, const double* datum = &noDate_) {
    return RunExport(platform, {kXmlDir, "B-17", datum, settings});
  }
  void Answer(const std::string& body, const std::string& status = "200") {
    FakeResponse response;
    response.status = status;
    if (!body.empty()) response.chunks = {body};
    internet.defaultResponse = response;
  }
  std::string SentHeaders() const {
    return internet.sentHeaders.empty() ? "<none>" : internet.sentHeaders.back().text;
  }
  bool Called(const std::string& call) const {
    return std::any_of(internet.calls.begin(), internet.calls.end(),
                       [&](const std::string& c) { return c.find(call) != std::string::npos; });
  }
  Lines LogLines() const { return host.Lines(); }

  static constexpr double noDate_ = 0.0;
};

}  // namespace qalo::test
