#include "inet/win32/ImpApiDownloadProgress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TextFit.h"
#include "support/UserDriver.h"

namespace qalo {
namespace {

using test::Child;
using test::ClientSize;
using test::FindOwnWindow;
using test::PlacementOf;
using test::TextOf;
using test::User;

constexpr const char* kRunning = "Download l\xE4uft ...";
constexpr const char* kCancelling = "Download wird abgebrochen !";
constexpr const char* kButton = "Download abbrechen";

// The progress window as a user finds it on the screen.
struct ProgressView {
  HWND form = nullptr;
  HWND label = nullptr;
  HWND panel = nullptr;
  HWND shape = nullptr;
  HWND button = nullptr;
};

ProgressView FindProgressWindow() {
  ProgressView v;
  v.form = FindOwnWindow("Info");
  if (!v.form) return v;
  v.button = Child(v.form, kButton);
  v.panel = Child(v.form, nullptr, "QaloPanel");
  if (v.panel) v.shape = GetWindow(v.panel, GW_CHILD);
  v.label = GetWindow(v.form, GW_CHILD);
  return v;
}

COLORREF BlockPixel(HWND shape) {
  UpdateWindow(shape);
  HDC dc = GetDC(shape);
  const COLORREF c = GetPixel(dc, 16, 9);
  ReleaseDC(shape, dc);
  return c;
}

void Tick(HWND form) { SendMessageA(form, WM_TIMER, kTimer1Id, 0); }

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShowDownloadProgress(nullptr);
    view = FindProgressWindow();
    ASSERT_NE(view.form, nullptr);
    ASSERT_NE(view.shape, nullptr);
    ASSERT_NE(view.button, nullptr);
    // Showing started Timer1. From here the test is the clock: its ticks
    // are sent as WM_TIMER, and no real one can move the block meanwhile.
    EXPECT_TRUE(KillTimer(view.form, kTimer1Id));
  }
  void TearDown() override { HideDownloadProgress(); }

  ProgressView view;
};

TEST_F(ProgressWindowTest, ShowsTheStoredLayoutCentredWithACloseBoxOnly) {
  EXPECT_EQ(TextOf(view.form), "Info");
  EXPECT_EQ(TextOf(view.label), kRunning);
  const SIZE client = ClientSize(view.form);
  EXPECT_EQ(client.cx, 248);
  EXPECT_EQ(client.cy, 127);

  const LONG style = GetWindowLongA(view.form, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetWindow(view.form, GW_OWNER), nullptr);

  RECT frame;
  GetWindowRect(view.form, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  const RECT label = PlacementOf(view.label), panel = PlacementOf(view.panel),
             shape = PlacementOf(view.shape), button = PlacementOf(view.button);
  EXPECT_EQ(label.left, 16);
  EXPECT_EQ(label.top, 8);
  EXPECT_THAT(test::ClippedTexts(view.form), ::testing::IsEmpty());
  EXPECT_EQ((std::vector<LONG>{panel.left, panel.top, panel.right, panel.bottom}),
            (std::vector<LONG>{16, 40, 16 + 209, 40 + 17}));
  EXPECT_EQ((std::vector<LONG>{shape.left, shape.top, shape.right, shape.bottom}),
            (std::vector<LONG>{0, -1, 33, 18}));
  EXPECT_EQ((std::vector<LONG>{button.left, button.top, button.right, button.bottom}),
            (std::vector<LONG>{56, 80, 56 + 129, 80 + 25}));

  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(view.label, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -13);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");

  EXPECT_EQ(BlockPixel(view.shape), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(ProgressWindowTest, EachTickMovesTheBlockTenPixels) {
  User user([&] {
    Tick(view.form);
    Tick(view.form);
  });
  user.Join();
  EXPECT_EQ(PlacementOf(view.shape).left, 20);
}

TEST_F(ProgressWindowTest, CancelTurnsTheBlockRedStopsItAndSurvivesASecondShow) {
  User user([&] {
    Tick(view.form);
    SendMessageA(view.button, BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(view.label), kCancelling);
    EXPECT_THAT(test::ClippedTexts(view.form), ::testing::IsEmpty());
    Tick(view.form);  // a tick still queued when the timer stopped
  });
  user.Join();
  EXPECT_TRUE(DownloadCancelRequested());
  EXPECT_EQ(BlockPixel(view.shape), RGB(255, 0, 0));
  EXPECT_EQ(PlacementOf(view.shape).left, 10);
  EXPECT_TRUE(IsWindowEnabled(view.button)) << "the button stays usable";

  ShowDownloadProgress(nullptr);  // a second show while the window exists
  EXPECT_EQ(test::CountOwnWindows("Info"), 1);
  EXPECT_TRUE(DownloadCancelRequested());
}

TEST_F(ProgressWindowTest, CloseBoxOnlyHidesAndTheAnimationGoesOn) {
  User user([&] {
    SendMessageA(view.form, WM_SYSCOMMAND, SC_CLOSE, 0);
    Tick(view.form);
  });
  user.Join();
  EXPECT_TRUE(IsWindow(view.form));
  EXPECT_FALSE(IsWindowVisible(view.form));
  EXPECT_FALSE(DownloadCancelRequested());
  EXPECT_EQ(PlacementOf(view.shape).left, 10);

  HideDownloadProgress();
  EXPECT_FALSE(IsWindow(view.form));
}

TEST_F(ProgressWindowTest, CloseBoxAfterCancelKeepsTheMark) {
  User user([&] {
    SendMessageA(view.button, BM_CLICK, 0, 0);
    SendMessageA(view.form, WM_CLOSE, 0, 0);
  });
  user.Join();
  EXPECT_FALSE(IsWindowVisible(view.form));
  EXPECT_TRUE(DownloadCancelRequested());
}

TEST_F(ProgressWindowTest, HideDestroysAndANewWindowStartsAfresh) {
  User user([&] { SendMessageA(view.button, BM_CLICK, 0, 0); });
  user.Join();
  HideDownloadProgress();
  EXPECT_FALSE(IsWindow(view.form));
  EXPECT_FALSE(DownloadCancelRequested());
  HideDownloadProgress();  // nothing left to hide

  ShowDownloadProgress(nullptr);
  const ProgressView fresh = FindProgressWindow();
  ASSERT_NE(fresh.shape, nullptr);
  EXPECT_FALSE(DownloadCancelRequested());
  EXPECT_EQ(TextOf(fresh.label), kRunning);
  EXPECT_EQ(PlacementOf(fresh.shape).left, 0);
  EXPECT_EQ(BlockPixel(fresh.shape), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(DownloadProgressAdapter, DrivesTheModuleWindow) {
  Win32DownloadProgress progress;
  EXPECT_FALSE(progress.CancelRequested());
  progress.Show();
  const ProgressView view = FindProgressWindow();
  ASSERT_NE(view.button, nullptr);
  EXPECT_EQ(GetWindow(view.form, GW_OWNER), nullptr);
  User user([&] { SendMessageA(view.button, BM_CLICK, 0, 0); });
  user.Join();
  EXPECT_TRUE(progress.CancelRequested());
  progress.Hide();
  EXPECT_FALSE(IsWindow(view.form));
  EXPECT_FALSE(progress.CancelRequested());
}

}  // namespace
}  // namespace qalo
