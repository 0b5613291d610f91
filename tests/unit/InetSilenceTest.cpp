#include "inet/ImpApiINet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "support/FakeDownloadProgress.h"
#include "support/FakeHost.h"
#include "support/FakeInternet.h"
#include "support/FakeThreads.h"
#include "support/RecordingTarget.h"

// A download against a service that falls silent in one of its calls. Kept
// apart from the download's other tests: these are the ones that run under
// ThreadSanitizer too, the worker and the host's thread side by side.
namespace qalo {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using std::chrono::milliseconds;

using test::kHeaders;
using test::kUrl;

// A host that can act inside its n-th notification, on the host's thread.
class ActingHost : public test::FakeHost {
 public:
  void Progress() override {
    FakeHost::Progress();
    if (ProgressCount() == actAt && act) act();
  }
  int actAt = 0;
  std::function<void()> act;
};

// A download against a service that falls silent in one call: no shared
// journal, since the worker and the host's thread then run side by side.
struct SilentRig {
  explicit SilentRig(const char* silentCall, int n) {
    internet->defaultResponse = {"200", "6", {"abc", "def"}};
    internet->Hold(silentCall, n);
  }
  std::int32_t Run(bool withProgress = true) {
    return InetDownload(context, {kUrl, kHeaders, 1800, true, withProgress}, target).code;
  }
  test::FakeThreads threads;
  std::shared_ptr<test::FakeInternet> internet = std::make_shared<test::FakeInternet>();
  test::FakeDownloadProgress progress;
  test::FakeMouseCursor cursor;
  ActingHost host;
  test::RecordingTarget target;
  InetContext context{internet, progress, cursor, host, threads, [] { return true; },
                      {milliseconds(5), milliseconds(40), milliseconds(20)}};
};

struct SilenceCase {
  const char* name;
  const char* call;  // the call the service leaves waiting
  int n;
  const char* bytesBefore;
};

class SilenceTest : public ::testing::TestWithParam<SilenceCase> {};

// The host's thread goes on while the worker waits: the host hears from the
// download again and again, the window comes up (before the answer's
// headers too) and a cancel ends the download at once, the call still
// waiting. That call is the worker's alone: it ends when the service
// speaks, on a closed handle, and the worker with it.
TEST_P(SilenceTest, TheHostHearsOnAndACancelEndsTheDownloadAtOnce) {
  const SilenceCase& c = GetParam();
  SilentRig rig(c.call, c.n);
  rig.progress.cancelAtQuestion = 12;
  EXPECT_EQ(rig.Run(), inet::kCancelledByUser);
  EXPECT_TRUE(rig.internet->Held());
  EXPECT_GE(rig.host.ProgressCount(), 10);
  // The window came up while nothing arrived, and went with the cancel.
  EXPECT_THAT(rig.progress.calls, Contains("Show").Times(1));
  EXPECT_EQ(rig.progress.calls.back(), "Hide");
  EXPECT_FALSE(rig.progress.visible);
  EXPECT_THAT(rig.host.Lines(), ElementsAre("Download durch Benutzer abgebrochen"));
  EXPECT_EQ(rig.target.bytes, c.bytesBefore);
  EXPECT_THAT(rig.internet->OpenHandles(), IsEmpty());
  EXPECT_THAT(rig.cursor.shapes, ElementsAre(CursorShape::HourGlass, CursorShape::AppStart));
  EXPECT_EQ(rig.threads.moduleReferences, 1);

  rig.internet->Release();
  EXPECT_TRUE(rig.threads.DetachedEnded(std::chrono::seconds(5)));
  EXPECT_THAT(rig.internet->misuse, IsEmpty());
  // The held call failed as cancelled, its handle being closed.
  const auto& calls = rig.internet->calls;
  const auto held = std::find_if(calls.rbegin(), calls.rend(), [&](const std::string& call) {
    return call.rfind(std::string(c.call) + "(", 0) == 0;
  });
  ASSERT_NE(held, calls.rend());
  EXPECT_EQ(held->substr(held->size() - 5), "=fail");
  EXPECT_EQ(calls.back(), "LastError()=12017");
}

// Without a cancel the silence is only a pause: the whole body arrives, in
// the one window the slow answer brought up.
TEST_P(SilenceTest, WithoutACancelTheWholeBodyArrives) {
  const SilenceCase& c = GetParam();
  SilentRig rig(c.call, c.n);
  rig.host.actAt = 15;
  rig.host.act = [&] { rig.internet->Release(); };
  EXPECT_EQ(rig.Run(), inet::kOk);
  EXPECT_EQ(rig.target.bytes, "abcdef");
  EXPECT_GE(rig.host.ProgressCount(), 15);
  EXPECT_THAT(rig.progress.calls, Contains("Show").Times(1));
  EXPECT_THAT(rig.host.Lines(), IsEmpty());
  EXPECT_TRUE(rig.threads.DetachedEnded(std::chrono::seconds(5)));
  EXPECT_THAT(rig.internet->OpenHandles(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Calls, SilenceTest,
                         ::testing::Values(SilenceCase{"BeforeTheHeaders", "SendRequest", 1, ""},
                                           SilenceCase{"InTheBody", "Read", 2, "abc"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qalo
