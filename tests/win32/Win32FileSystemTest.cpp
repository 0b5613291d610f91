#include <windows.h>

#include "platform/win32/Win32FileSystem.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TestData.h"

namespace qalo {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DeleteFileA(a_.c_str());
    DeleteFileA(b_.c_str());
  }
  bool Write(WritableFile& file, const std::string& bytes) {
    return file.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  void Make(const std::string& path, const std::string& content) {
    auto file = fs_.CreateForWriting(path);
    ASSERT_TRUE(file && Write(*file, content) && file->Close());
  }

  Win32FileSystem fs_;
  const std::string a_ = test::UniqueTempPath("a.xml"), b_ = test::UniqueTempPath("b.xml");
};

TEST_F(Win32FileSystemTest, CreateReplacesWritesAppendAndCloseEndsWriting) {
  Make(a_, "long old content");
  auto file = fs_.CreateForWriting(a_);
  ASSERT_TRUE(file);
  EXPECT_TRUE(Write(*file, std::string("x\0y", 3)));
  EXPECT_TRUE(Write(*file, "\r\n\xE4"));
  EXPECT_TRUE(file->Close());
  EXPECT_FALSE(file->Close());
  EXPECT_FALSE(Write(*file, "z"));
  EXPECT_EQ(test::ReadWholeFile(a_), std::string("x\0y\r\n\xE4", 6));
  EXPECT_EQ(fs_.CreateForWriting(a_ + ".d\\no\\such.xml"), nullptr);
}

TEST_F(Win32FileSystemTest, MoveReplacesTheTargetAndDeleteRemoves) {
  Make(a_, "fresh");
  Make(b_, "stale");
  EXPECT_TRUE(fs_.MoveReplace(a_, b_));
  EXPECT_FALSE(fs_.FileExists(a_));
  EXPECT_EQ(test::ReadWholeFile(b_), "fresh");
  EXPECT_FALSE(fs_.MoveReplace(a_, b_));
  EXPECT_TRUE(fs_.Remove(b_));
  EXPECT_FALSE(fs_.FileExists(b_));
  EXPECT_FALSE(fs_.Remove(b_));
}

}  // namespace
}  // namespace qalo
