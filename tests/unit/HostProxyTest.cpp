#include "plugin/HostProxy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/Identity.h"

namespace qalo {
namespace {

std::vector<std::string> gSeen;
void QALO_STDCALL Record(std::int32_t kind, std::int32_t value, const char* text) {
  ASSERT_NE(text, nullptr);
  gSeen.push_back(std::to_string(kind) + "," + std::to_string(value) + ":" + text);
}

class HostProxyTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetPluginFrame(); gSeen.clear(); }
  void TearDown() override { ResetPluginFrame(); }
  HostProxy host;
};

TEST_F(HostProxyTest, SendsTheTwoKindsOfCall) {
  Identity().ProgressCallback = &Record;
  host.Log("Abruf");
  host.Progress();
  EXPECT_EQ(gSeen, (std::vector<std::string>{"3,0:Abruf", "2,5:"}));
}

TEST_F(HostProxyTest, SilentWithoutCallback) {
  EXPECT_FALSE(host.Listening());
  host.Log("x");
  host.Progress();
  Identity().ProgressCallback = &Record;
  EXPECT_TRUE(host.Listening());
  host.Log("y");
  EXPECT_EQ(gSeen, (std::vector<std::string>{"3,0:y"}));
}

TEST_F(HostProxyTest, EmptyLogLineIsNeverSent) {
  Identity().ProgressCallback = &Record;
  host.Log("");
  EXPECT_TRUE(gSeen.empty());
}

}  // namespace
}  // namespace qalo
