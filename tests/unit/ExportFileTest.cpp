#include "workflow/ExportFile.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/FakeMemoryFileSystem.h"

namespace qalo {
namespace {

const std::string kPath = "C:\\xml\\qalo_export_261207_015509.xml";

bool WriteText(WritableFile& file, const std::string& text) {
  return file.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

class ExportFileTest : public ::testing::Test {
 protected:
  bool Write(const std::string& text) {
    return WriteFileAtomically(files_, kPath, [&](WritableFile& f) { return WriteText(f, text); });
  }
  test::FakeMemoryFileSystem files_;
};

TEST_F(ExportFileTest, AppearsUnderItsNameOnlyWhenComplete) {
  ASSERT_TRUE(Write("<XML>data</XML>"));
  EXPECT_EQ(files_.files, (std::map<std::string, std::string>{{kPath, "<XML>data</XML>"}}));
}

TEST_F(ExportFileTest, ReplacesAnEarlierFileOfTheSameName) {
  files_.files[kPath] = "old";
  ASSERT_TRUE(Write("new"));
  EXPECT_EQ(files_.files.at(kPath), "new");
  EXPECT_EQ(files_.files.size(), 1u);
}

TEST_F(ExportFileTest, EveryFailureLeavesNothingNewAndKeepsAnOlderFile) {
  const auto attempt = [&](auto breakStep) {
    test::FakeMemoryFileSystem fresh;
    files_ = fresh;
    files_.files[kPath] = "old";
    breakStep();
    EXPECT_FALSE(Write("0123456789"));
    EXPECT_EQ(files_.files, (std::map<std::string, std::string>{{kPath, "old"}}));
  };
  attempt([&] { files_.failCreate = true; });
  attempt([&] { files_.failWriteAfter = 4; });
  attempt([&] { files_.failClose = true; });
  attempt([&] { files_.failMove = true; });
}

TEST_F(ExportFileTest, AnExceptionWhileWritingRemovesTheTemporaryFile) {
  EXPECT_THROW(WriteFileAtomically(files_, kPath,
                                   [](WritableFile&) -> bool { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_TRUE(files_.files.empty());
}

}  // namespace
}  // namespace qalo
