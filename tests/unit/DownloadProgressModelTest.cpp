#include "inet/DownloadProgressModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qalo {
namespace {

constexpr const char* kRunning = "Download l\xE4uft ...";
constexpr const char* kCancelling = "Download wird abgebrochen !";

TEST(DownloadProgressModel, BlockStepsTenPixelsAndWrapsToZeroWithinOneTick) {
  DownloadProgressModel model;
  ASSERT_EQ(model.BlockLeft(), 0);
  std::vector<int> positions;
  for (int tick = 0; tick < 21; ++tick) {
    model.Timer1Timer();
    positions.push_back(model.BlockLeft());
  }
  std::vector<int> expected;
  for (int left = 10; left <= 190; left += 10) expected.push_back(left);
  expected.push_back(0);
  expected.push_back(10);
  EXPECT_EQ(positions, expected);
}

TEST(DownloadProgressModel, CancelMarksStopsAndRecolours) {
  DownloadProgressModel model;
  model.FormShow();
  model.EnableTimer(true);
  for (int tick = 0; tick < 3; ++tick) model.Timer1Timer();

  model.Button1Click();
  EXPECT_TRUE(model.Cancelled());
  EXPECT_FALSE(model.TimerEnabled());
  EXPECT_EQ(model.Caption(), kCancelling);
  EXPECT_EQ(model.Colour(), BlockColour::Red);
  EXPECT_EQ(model.BlockLeft(), 30) << "the block stays where it is";

  model.Button1Click();
  EXPECT_TRUE(model.Cancelled());
  EXPECT_EQ(model.Caption(), kCancelling);
  EXPECT_EQ(model.BlockLeft(), 30);
}

// A window over the real model that writes what the module does to it
// into a shared journal.
class FakeWindow : public ProgressWindow {
 public:
  FakeWindow(std::vector<std::string>& journal, DownloadProgressModel*& live)
      : journal_(journal), live_(live) {
    journal_.push_back("create");
    live_ = &model;
  }
  ~FakeWindow() override {
    journal_.push_back("destroy");
    live_ = nullptr;
  }
  void Show() override {
    journal_.push_back("show");
    model.FormShow();
  }
  void Hide() override { journal_.push_back("hide"); }
  void EnableTimer(bool enabled) override {
    if (enabled && failTimer) throw std::runtime_error("no timer");
    journal_.push_back(enabled ? "timer on" : "timer off");
    model.EnableTimer(enabled);
  }
  bool Cancelled() const override { return model.Cancelled(); }

  DownloadProgressModel model;
  bool failTimer = false;  // the system refuses the timer

 private:
  std::vector<std::string>& journal_;
  DownloadProgressModel*& live_;
};

class DownloadProgressSlotTest : public ::testing::Test {
 protected:
  std::vector<std::string> journal;
  std::vector<void*> owners;
  DownloadProgressModel* window = nullptr;  // the live window's model
  bool failTimer = false;
  // Last, so the window it may still hold goes before the journal.
  DownloadProgressSlot slot{[this](void* owner) -> std::unique_ptr<ProgressWindow> {
    owners.push_back(owner);
    auto created = std::make_unique<FakeWindow>(journal, window);
    created->failTimer = failTimer;
    return created;
  }};
};

TEST_F(DownloadProgressSlotTest, ShowCreatesShowsThenStartsTheTimer) {
  int owner = 0;
  slot.Show(&owner);
  EXPECT_EQ(journal, (std::vector<std::string>{"create", "show", "timer on"}));
  EXPECT_EQ(owners, (std::vector<void*>{&owner}));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->TimerEnabled());
  EXPECT_FALSE(slot.CancelRequested());
}

TEST_F(DownloadProgressSlotTest, SecondShowKeepsTheWindowAndItsMark) {
  slot.Show(nullptr);
  window->Button1Click();
  journal.clear();

  slot.Show(nullptr);
  EXPECT_TRUE(journal.empty()) << "no second window, no timer restart";
  EXPECT_EQ(owners.size(), 1u);
  EXPECT_TRUE(slot.CancelRequested());
  EXPECT_FALSE(window->TimerEnabled());
}

TEST_F(DownloadProgressSlotTest, HideStopsHidesAndDestroysInThisOrder) {
  slot.Show(nullptr);
  journal.clear();
  slot.Hide();
  EXPECT_EQ(journal, (std::vector<std::string>{"timer off", "hide", "destroy"}));
  EXPECT_EQ(window, nullptr);
}

TEST_F(DownloadProgressSlotTest, WithoutAWindowHideDoesNothingAndNothingIsCancelled) {
  slot.Hide();
  EXPECT_TRUE(journal.empty());
  EXPECT_FALSE(slot.CancelRequested());
}

TEST_F(DownloadProgressSlotTest, CancelThenHideThenShowStartsAfresh) {
  slot.Show(nullptr);
  window->Timer1Timer();
  window->Button1Click();
  ASSERT_TRUE(slot.CancelRequested());

  slot.Hide();
  EXPECT_FALSE(slot.CancelRequested());

  slot.Show(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(owners.size(), 2u);
  EXPECT_FALSE(slot.CancelRequested());
  EXPECT_EQ(window->Caption(), kRunning);
  EXPECT_EQ(window->Colour(), BlockColour::Highlight);
  EXPECT_EQ(window->BlockLeft(), 0);
  EXPECT_TRUE(window->TimerEnabled());
}

TEST_F(DownloadProgressSlotTest, WindowWhoseTimerCannotStartGoesAndTheNextShowStartsAfresh) {
  failTimer = true;
  EXPECT_THROW(slot.Show(nullptr), std::runtime_error);
  EXPECT_EQ(journal, (std::vector<std::string>{"create", "show", "destroy"}));
  EXPECT_EQ(window, nullptr);
  EXPECT_FALSE(slot.CancelRequested());
  slot.Hide();  // nothing left to hide
  EXPECT_EQ(journal.size(), 3u);

  failTimer = false;
  slot.Show(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->TimerEnabled());
}

}  // namespace
}  // namespace qalo
