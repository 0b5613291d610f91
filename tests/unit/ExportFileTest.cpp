#include "workflow/ExportFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/FakeMemoryFileSystem.h"

namespace qalo {
namespace {

using Files = std::map<std::string, std::string>;

// 7 December 2026, 01:55:09
constexpr double kExportStamp = 46363.0 + (1 * 3600 + 55 * 60 + 9) / 86400.0;
const std::string kExportDir = "C:\\xml";
const std::string kPath = "C:\\xml\\qalo_export_261207_015509.xml";
const std::string kNextSecond = "C:\\xml\\qalo_export_261207_015510.xml";

bool WriteText(ExportFile& file, const std::string& text) {
  return file.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

class ExportFileTest : public ::testing::Test {
 protected:
  std::optional<std::string> Write(const std::string& text) {
    ExportFile file(files_, kExportDir);
    if (!WriteText(file, text)) return std::nullopt;
    return file.Commit(kExportStamp);
  }
  test::FakeMemoryFileSystem files_;
};

TEST_F(ExportFileTest, IsATemporaryFileOfItsOwnUntilItIsPutInPlaceWhole) {
  ExportFile file(files_, kExportDir);
  ASSERT_TRUE(WriteText(file, "<XML>da"));
  ASSERT_TRUE(WriteText(file, "ta</XML>"));
  ASSERT_EQ(files_.files.size(), 1u);
  const std::string temporary = files_.files.begin()->first;
  EXPECT_EQ(temporary.rfind(kExportDir + "\\qalo_tmp_", 0), 0u) << temporary;
  EXPECT_EQ(temporary.substr(temporary.size() - 4), ".tmp");
  EXPECT_EQ(files_.OpenFiles().count(temporary), 1u);
  EXPECT_FALSE(files_.Remove(temporary));  // nobody else can take it away

  EXPECT_EQ(file.Commit(kExportStamp), kPath);
  EXPECT_EQ(files_.files, (Files{{kPath, "<XML>data</XML>"}}));
  EXPECT_TRUE(files_.OpenFiles().empty());
}

TEST_F(ExportFileTest, ATakenNameIsNeverReplacedTheNextSecondIsTaken) {
  files_.files[kPath] = "another run's export";
  EXPECT_EQ(Write("mine"), kNextSecond);
  EXPECT_EQ(files_.files, (Files{{kPath, "another run's export"}, {kNextSecond, "mine"}}));
}

// A burst takes the seconds after the stamp, over the end of a minute, an
// hour and a day alike, and gives up only when all of them are taken.
TEST_F(ExportFileTest, TheFirstFreeSecondIsTakenAtOnceUntilAnHourIsTaken) {
  // 31 December 2026, 23:59:30
  const double stamp = 46387.0 + (23 * 3600 + 59 * 60 + 30) / 86400.0;
  std::vector<std::string> names;
  const auto hour = static_cast<std::size_t>(kSecondsToTry);
  for (int s = 23 * 3600 + 59 * 60 + 30; names.size() < hour; ++s) {
    const int t = s % 86400;
    char name[64];
    std::snprintf(name, sizeof name, "\\qalo_export_%s_%02d%02d%02d.xml",
                  s < 86400 ? "261231" : "270101", t / 3600, t / 60 % 60, t % 60);
    names.push_back(kExportDir + name);
  }
  ASSERT_EQ(names[30], kExportDir + "\\qalo_export_270101_000000.xml");
  for (int taken : {0, 1, 29, 30, 31, 60, 61, kSecondsToTry - 1}) {
    files_ = test::FakeMemoryFileSystem();
    for (int i = 0; i < taken; ++i) files_.files[names[i]] = "taken";
    ExportFile file(files_, kExportDir);
    ASSERT_TRUE(WriteText(file, "mine"));
    ASSERT_EQ(file.Commit(stamp), names[taken]) << taken;
    ASSERT_EQ(files_.files.at(names[taken]), "mine");
  }
  ExportFile oneMore(files_, kExportDir);  // every name of the hour is taken now
  ASSERT_TRUE(WriteText(oneMore, "lost"));
  EXPECT_EQ(oneMore.Commit(stamp), std::nullopt);
  EXPECT_EQ(files_.files.size(), names.size());
  EXPECT_TRUE(files_.OpenFiles().empty());
}

TEST_F(ExportFileTest, EveryFailureLeavesNothingNewAndKeepsAnOlderFile) {
  for (const char* call : {"Create", "Write", "Place", "Close"}) {
    files_ = test::FakeMemoryFileSystem();
    files_.files[kPath] = "old";
    files_.faults.Fail(call, 1);
    EXPECT_EQ(Write("0123456789"), std::nullopt) << call;
    EXPECT_EQ(files_.files, (Files{{kPath, "old"}})) << call;
    EXPECT_TRUE(files_.OpenFiles().empty()) << call;
  }
}

TEST_F(ExportFileTest, AFileNeverCommittedGoesAwayWithItsOwner) {
  {
    ExportFile file(files_, kExportDir);
    ASSERT_TRUE(WriteText(file, "half"));
  }
  EXPECT_TRUE(files_.files.empty());
  EXPECT_TRUE(files_.OpenFiles().empty());
}

TEST_F(ExportFileTest, OnlyTemporaryFilesNobodyHoldsOpenAreSweptAway) {
  files_.files[kExportDir + "\\qalo_tmp_4711_1.tmp"] = "left by a killed run";
  files_.files[kExportDir + "\\qalo_export_261206_120000.xml"] = "an export";
  files_.files[kExportDir + "\\notes.tmp"] = "the user's";
  files_.files["C:\\other\\qalo_tmp_1_1.tmp"] = "another directory";
  auto liveRun = files_.CreateTemporary(kExportDir, kTemporaryPrefix);  // another run, still writing
  ASSERT_TRUE(liveRun);

  EXPECT_EQ(Write("mine"), kPath);
  EXPECT_EQ(files_.files, (Files{{liveRun->Path(), ""},
                                 {kExportDir + "\\qalo_export_261206_120000.xml", "an export"},
                                 {kExportDir + "\\notes.tmp", "the user's"},
                                 {"C:\\other\\qalo_tmp_1_1.tmp", "another directory"},
                                 {kPath, "mine"}}));
}

TEST_F(ExportFileTest, NothingToWriteStillGivesAnEmptyExportFile) {
  ExportFile file(files_, kExportDir);
  EXPECT_EQ(file.Commit(kExportStamp), kPath);
  EXPECT_EQ(files_.files, (Files{{kPath, ""}}));
}

}  // namespace
}  // namespace qalo
