#include <windows.h>

#include "platform/win32/Win32FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestData.h"

namespace qalo {
namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)); }
  void TearDown() override {
    for (const std::string& name : fs_.FindFiles(dir_, "*")) DeleteFileA(Path(name).c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  static bool Write(WritableFile& file, const std::string& bytes) {
    return file.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::string Read(const std::string& path) {
    auto file = fs_.OpenForReading(path);
    std::string content;
    std::uint8_t chunk[7];
    std::size_t got = 0;
    while (file && file->Read(chunk, sizeof chunk, got) && got > 0)
      content.append(reinterpret_cast<const char*>(chunk), got);
    return content;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names = fs_.FindFiles(dir_, "*");
    std::sort(names.begin(), names.end());
    return names;
  }

  Win32FileSystem fs_;
  const std::string dir_ = test::UniqueTempPath("dir");
};

// What makes a shared directory safe: a temporary file is the run's alone
// until it is placed, and placing it never takes another file's name.
TEST_F(Win32FileSystemTest, TemporaryFileIsExclusiveAndPlacedWithoutReplacing) {
  auto first = fs_.CreateTemporary(dir_, "qalo_tmp_");
  auto second = fs_.CreateTemporary(dir_, "qalo_tmp_");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->Path(), second->Path());
  EXPECT_EQ(fs_.FindFiles(dir_, "qalo_tmp_*.tmp").size(), 2u);
  EXPECT_TRUE(Write(*first, std::string("x\0y", 3)));
  EXPECT_TRUE(Write(*first, "\r\n\xE4"));
  // Nobody else may open, remove or rename it meanwhile.
  EXPECT_FALSE(fs_.Remove(first->Path()));
  EXPECT_EQ(fs_.OpenForReading(first->Path()), nullptr);
  EXPECT_FALSE(MoveFileExA(first->Path().c_str(), Path("stolen.xml").c_str(), 0));

  auto other = fs_.CreateTemporary(dir_, "other_");
  ASSERT_TRUE(other && Write(*other, "older"));
  ASSERT_EQ(other->PlaceAs(Path("qalo_export_261207_100000.xml")), WritableFile::Placement::Placed);
  ASSERT_TRUE(other->Close());
  EXPECT_EQ(first->PlaceAs(Path("qalo_export_261207_100000.xml")),
            WritableFile::Placement::NameTaken);
  EXPECT_EQ(first->PlaceAs(Path("qalo_export_261207_100001.xml")), WritableFile::Placement::Placed);
  EXPECT_TRUE(first->Close());
  EXPECT_FALSE(first->Close());
  EXPECT_FALSE(Write(*first, "z"));
  first.reset();
  second.reset();  // never placed: it goes

  EXPECT_EQ(Names(), (std::vector<std::string>{"qalo_export_261207_100000.xml",
                                               "qalo_export_261207_100001.xml"}));
  EXPECT_EQ(Read(Path("qalo_export_261207_100000.xml")), "older");
  EXPECT_EQ(Read(Path("qalo_export_261207_100001.xml")), std::string("x\0y\r\n\xE4", 6));
}

TEST_F(Win32FileSystemTest, FindRemoveAndWhatCannotBeDone) {
  auto file = fs_.CreateTemporary(dir_, "qalo_tmp_");
  ASSERT_TRUE(file && file->PlaceAs(Path("closed.tmp")) == WritableFile::Placement::Placed);
  ASSERT_TRUE(file->Close());
  EXPECT_EQ(fs_.FindFiles(dir_, "*.tmp"), std::vector<std::string>{"closed.tmp"});
  EXPECT_TRUE(fs_.FindFiles(dir_, "qalo_tmp_*.tmp").empty());
  EXPECT_TRUE(fs_.FileExists(Path("closed.tmp")));
  EXPECT_TRUE(fs_.Remove(Path("closed.tmp")));
  EXPECT_FALSE(fs_.Remove(Path("closed.tmp")));
  EXPECT_FALSE(fs_.FileExists(Path("closed.tmp")));
  EXPECT_TRUE(fs_.FindFiles(dir_ + "\\no\\such", "*").empty());
  EXPECT_EQ(fs_.CreateTemporary(dir_ + "\\no\\such", "qalo_tmp_"), nullptr);
  EXPECT_EQ(fs_.OpenForReading(Path("missing.enc")), nullptr);
}

}  // namespace
}  // namespace qalo
