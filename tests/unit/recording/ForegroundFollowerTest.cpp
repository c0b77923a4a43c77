#include "core/recording/ForegroundFollower.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/recording/RecordingFakes.h"

namespace mavrion {
namespace {

using recording_fakes::FakeClock;
using recording_fakes::FakeForeground;

// Two chosen applications: window 10 of process 100 and window 20 of
// process 200. Window 11 is a second window of process 100; window 30 is
// another program's.
struct ForegroundFollowerTest : ::testing::Test {
  FakeForeground watch;
  SelectedApplications selection;
  ForegroundFollowerTest() {
    selection.WindowHandles[0] = 10;
    selection.WindowHandles[1] = 20;
    selection.Count = 2;
    watch.SetProcess(10, 100);
    watch.SetProcess(11, 100);
    watch.SetProcess(20, 200);
    watch.SetProcess(30, 300);
  }
  FollowerRequest LookAt(ForegroundFollower& follower, WindowHandle window) {
    watch.foreground = window;
    return follower.Decide();
  }
};

TEST_F(ForegroundFollowerTest, TakesTheProcessOfEveryChosenWindowOnly) {
  selection.WindowHandles[2] = 30;  // beyond Count: not taken
  ForegroundFollower follower(watch, selection);
  follower.TakeProcessIds();
  EXPECT_EQ(follower.Selection().ProcessIds[0], 100u);
  EXPECT_EQ(follower.Selection().ProcessIds[1], 200u);
  EXPECT_EQ(follower.Selection().ProcessIds[2], 0u);
  EXPECT_TRUE(follower.Active());

  // A count beyond the ten slots is held to them.
  selection.Count = 1000;
  ForegroundFollower tooMany(watch, selection);
  tooMany.TakeProcessIds();
  EXPECT_EQ(tooMany.Selection().ProcessIds[2], 300u);
}

TEST_F(ForegroundFollowerTest, PausesWhenTheSelectionLeavesTheFrontAndResumesWhenItComesBack) {
  ForegroundFollower follower(watch, selection);
  follower.TakeProcessIds();
  EXPECT_EQ(LookAt(follower, 10), FollowerRequest::None);
  // Switching between the two chosen applications issues nothing.
  EXPECT_EQ(LookAt(follower, 20), FollowerRequest::None);
  // A second window of a chosen process counts as chosen.
  EXPECT_EQ(LookAt(follower, 11), FollowerRequest::None);
  EXPECT_EQ(LookAt(follower, 30), FollowerRequest::Pause);
  EXPECT_FALSE(follower.Active());
  EXPECT_EQ(LookAt(follower, 30), FollowerRequest::None);
  // No foreground at all decides nothing, either way.
  EXPECT_EQ(LookAt(follower, 0), FollowerRequest::None);
  EXPECT_FALSE(follower.Active());
  EXPECT_EQ(LookAt(follower, 11), FollowerRequest::Resume);
  EXPECT_TRUE(follower.Active());
  EXPECT_EQ(LookAt(follower, 0), FollowerRequest::None);
  EXPECT_TRUE(follower.Active());
  EXPECT_EQ(LookAt(follower, 20), FollowerRequest::None);
}

TEST_F(ForegroundFollowerTest, AWindowWithoutProcessDoesNotMatchAChosenWindowThatHasGone) {
  selection.WindowHandles[0] = 99;  // closed since it was picked: no process
  ForegroundFollower follower(watch, selection);
  follower.TakeProcessIds();
  EXPECT_EQ(LookAt(follower, 98), FollowerRequest::Pause);  // also gone: process 0
}

TEST_F(ForegroundFollowerTest, ThreadDecidesEveryTenMillisecondsAndEndsAfterThePassWithItsFlagClear) {
  RecordingControl control;
  control.Session = 4;
  control.FollowForeground = 1;
  FakeClock clock;
  std::vector<FollowerRequest> issued;
  watch.foreground = 0;
  clock.atSleep = [&](std::uint32_t tick) {
    if (tick == 50) watch.foreground = 30;
    if (tick == 100) {
      // Stop clears the flag and the foreground comes back at once: the
      // pass that sees the flag is still decided.
      control.FollowForeground = 0;
      watch.foreground = 10;
    }
  };
  ForegroundFollower follower(watch, selection);
  FollowForegroundThreadProc(follower, control, clock, 4,
                             [&](FollowerRequest r) { issued.push_back(r); });
  EXPECT_EQ(issued, (std::vector<FollowerRequest>{FollowerRequest::Pause, FollowerRequest::Resume}));
  EXPECT_EQ(clock.tick.load(), 100u);
  EXPECT_EQ(clock.sleeps.load(), 10);
  EXPECT_EQ(follower.Selection().ProcessIds[1], 200u);

  // A follower whose session is over ends after its pass as well.
  control.FollowForeground = 1;
  FakeClock other;
  ForegroundFollower late(watch, selection);
  FollowForegroundThreadProc(late, control, other, 3, [](FollowerRequest) {});
  EXPECT_EQ(other.sleeps.load(), 0);
}

}  // namespace
}  // namespace mavrion
