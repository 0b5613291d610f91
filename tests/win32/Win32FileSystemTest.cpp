#include <windows.h>
#undef CreateFile
#undef DeleteFile

#include "platform/win32/Win32FileSystem.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TestData.h"

namespace qalo {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = test::UniqueTempPath("a.xml");
    b_ = test::UniqueTempPath("b.xml");
    TearDown();
  }
  void TearDown() override {
    DeleteFileA(a_.c_str());
    DeleteFileA(b_.c_str());
  }

  void Make(const std::string& path, const std::string& content) {
    auto file = fs_.CreateFile(path);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write(reinterpret_cast<const std::uint8_t*>(content.data()),
                            content.size()));
    ASSERT_TRUE(file->Close());
  }

  Win32FileSystem fs_;
  std::string a_, b_;
};

TEST_F(Win32FileSystemTest, WrittenBytesArriveAndCloseEndsWriting) {
  auto file = fs_.CreateFile(a_);
  ASSERT_TRUE(file);
  const std::string content("x\0y\r\n\xE4", 6);
  EXPECT_TRUE(file->Write(reinterpret_cast<const std::uint8_t*>(content.data()), 3));
  EXPECT_TRUE(file->Write(reinterpret_cast<const std::uint8_t*>(content.data()) + 3, 3));
  EXPECT_TRUE(file->Close());
  EXPECT_FALSE(file->Close());
  EXPECT_FALSE(file->Write(reinterpret_cast<const std::uint8_t*>("z"), 1));
  EXPECT_EQ(test::ReadWholeFile(a_), content);
}

TEST_F(Win32FileSystemTest, CreateReplacesAnExistingFile) {
  Make(a_, "long old content");
  Make(a_, "new");
  EXPECT_EQ(test::ReadWholeFile(a_), "new");
}

TEST_F(Win32FileSystemTest, MoveReplacesTheTarget) {
  Make(a_, "fresh");
  Make(b_, "stale");
  EXPECT_TRUE(fs_.MoveReplace(a_, b_));
  EXPECT_FALSE(fs_.FileExists(a_));
  EXPECT_EQ(test::ReadWholeFile(b_), "fresh");
  EXPECT_FALSE(fs_.MoveReplace(a_, b_));
}

TEST_F(Win32FileSystemTest, DeleteAndExists) {
  EXPECT_FALSE(fs_.FileExists(a_));
  EXPECT_FALSE(fs_.DeleteFile(a_));
  Make(a_, "");
  EXPECT_TRUE(fs_.FileExists(a_));
  EXPECT_TRUE(fs_.DeleteFile(a_));
  EXPECT_FALSE(fs_.FileExists(a_));
}

TEST_F(Win32FileSystemTest, CreateInAMissingFolderFails) {
  EXPECT_EQ(fs_.CreateFile(a_ + ".d\\no\\such.xml"), nullptr);
}

}  // namespace
}  // namespace qalo
