#include "plugin/win32/ImpApi_QALO.h"

#include <gtest/gtest.h>

namespace qalo {
namespace {

TEST(ImpApi_QALO, RegisterPluginReplacesTheFramePlaceholders) {
  PluginIdentity identity;
  ASSERT_EQ(identity.PluginName, "test_dummy");
  RegisterPlugin(identity);
  EXPECT_EQ(identity.PluginNumber, 150);
  EXPECT_EQ(identity.PluginName, "QALO");
  EXPECT_EQ(identity.PluginVersion, "2.0.6");
  EXPECT_EQ(identity.PluginFileName, "ImpApi_QALO.dll");
  EXPECT_NE(identity.ExportXmlHandler, nullptr);
  EXPECT_NE(identity.ApiDataDialogHandler, nullptr);
  EXPECT_EQ(identity.ProgressCallback, nullptr);
}

}  // namespace
}  // namespace qalo
