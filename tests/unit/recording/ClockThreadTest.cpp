#include "core/recording/ClockThread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/recording/RecordingFakes.h"

namespace mavrion {
namespace {

using recording_fakes::FakeClock;

TEST(ClockThreadTest, FormatsHoursMinutesAndSeconds) {
  EXPECT_EQ(FormatElapsedTime(0), "Time: 00 : 00 : 00");
  EXPECT_EQ(FormatElapsedTime(999), "Time: 00 : 00 : 00");
  EXPECT_EQ(FormatElapsedTime(30'000), "Time: 00 : 00 : 30");
  EXPECT_EQ(FormatElapsedTime(3'723'000), "Time: 01 : 02 : 03");
  EXPECT_EQ(FormatElapsedTime(99u * 3600'000 + 59 * 60'000 + 59'999), "Time: 99 : 59 : 59");
  // From 100 hours on the hours take three digits, up to the counter's end.
  EXPECT_EQ(FormatElapsedTime(100u * 3600'000), "Time: 100 : 00 : 00");
  EXPECT_EQ(FormatElapsedTime(0xFFFFFFFFu), "Time: 1193 : 02 : 47");
}

struct ClockRun {
  RecordingControl control;
  FakeClock clock;
  std::vector<std::string> texts;
  std::vector<std::uint32_t> textTicks;

  ClockRun(std::uint32_t session, std::uint32_t startTick) {
    control.ClockThread = session;
    control.ClockRunning = 1;
    control.StartTick = startTick;
    clock.tick = startTick;
  }
  void Run(std::uint32_t session) {
    ClockThreadProc(control, clock, session, [this](const std::string& text) {
      texts.push_back(text);
      textTicks.push_back(clock.tick.load());
    });
  }
};

TEST(ClockThreadTest, ShowsAtOnceThenTwiceASecondUntilStopped) {
  ClockRun run(7, 1000);
  run.clock.atSleep = [&](std::uint32_t tick) {
    if (tick == 1000 + 1500) run.control.ClockRunning = 0;
  };
  run.Run(7);
  // First pass before any sleep, then one pass per 500 ms; the pass after the
  // stop never comes.
  EXPECT_EQ(run.textTicks, (std::vector<std::uint32_t>{1000, 1500, 2000}));
  EXPECT_EQ(run.texts.front(), "Time: 00 : 00 : 00");
  EXPECT_EQ(run.clock.tick.load(), 2500u);
}

TEST(ClockThreadTest, CountsAcrossAWrapOfTheTickCounter) {
  const std::uint32_t start = 0xFFFFFFFFu - 1999;  // two seconds before the wrap
  ClockRun run(1, start);
  run.clock.atSleep = [&](std::uint32_t tick) {
    if (tick == start + 5000) run.control.ClockRunning = 0;  // three seconds after it
  };
  run.Run(1);
  ASSERT_FALSE(run.texts.empty());
  EXPECT_LT(run.textTicks.back(), 10'000u);
  EXPECT_EQ(run.texts.back(), "Time: 00 : 00 : 04");
}

TEST(ClockThreadTest, StandsStillWhilePausedAndThenShowsTheWholeTime) {
  ClockRun run(1, 0);
  run.clock.atSleep = [&](std::uint32_t tick) {
    if (tick == 30'250) run.control.ClockPaused = 1;
    if (tick == 30'250 + 600'000) run.control.ClockPaused = 0;
    if (tick == 631'000) run.control.ClockRunning = 0;
  };
  run.Run(1);
  // Nothing is shown while paused; the first text after the resume counts
  // the paused ten minutes too.
  ASSERT_GE(run.texts.size(), 2u);
  const std::size_t last = run.texts.size() - 1;
  EXPECT_EQ(run.textTicks[last - 1], 30'000u);
  EXPECT_EQ(run.texts[last - 1], "Time: 00 : 00 : 30");
  EXPECT_EQ(run.textTicks[last], 630'500u);
  EXPECT_EQ(run.texts[last], "Time: 00 : 10 : 30");
}

TEST(ClockThreadTest, EndsPromptlyWhenStoppedOrTakenOverAndNeverStartsForAnotherSession) {
  ClockRun stopped(3, 0);
  stopped.clock.atSleep = [&](std::uint32_t) { stopped.control.ClockRunning = 0; };
  stopped.Run(3);
  EXPECT_EQ(stopped.clock.sleeps.load(), 1);  // one short slice, not a whole pace

  // A clock of session 3 that sees a later Start's clock take over ends even
  // though ClockRunning is 1 again.
  ClockRun takenOver(3, 0);
  takenOver.clock.atSleep = [&](std::uint32_t) { takenOver.control.ClockThread = 5; };
  takenOver.Run(3);
  EXPECT_EQ(takenOver.clock.sleeps.load(), 1);
  EXPECT_EQ(takenOver.texts.size(), 1u);

  ClockRun old(5, 0);
  old.Run(4);
  EXPECT_TRUE(old.texts.empty());
  EXPECT_EQ(old.clock.sleeps.load(), 0);
}

}  // namespace
}  // namespace mavrion
