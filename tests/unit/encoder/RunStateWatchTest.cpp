#include "core/encoder/RunStateWatch.h"

#include <gtest/gtest.h>

namespace mavrion::encoder {
namespace {

constexpr HResult kRefusedWhileStopped = static_cast<HResult>(0xC00D1B7Fu);
constexpr auto kStopped = static_cast<std::int32_t>(RunState::Stopped);

TEST(RunStateWatchTest, TellsOnceWhenTheComponentStopsARunningRecordingByItself) {
  RunStateWatch watch;
  int told = 0;
  watch.Advise([&told] { ++told; });
  // Before Start the component reads stopped too: that is no word.
  EXPECT_FALSE(watch.Watching());
  watch.Seen(kStopped);
  EXPECT_EQ(told, 0);

  watch.Started();
  ASSERT_TRUE(watch.Watching());
  for (RunState state : {RunState::Starting, RunState::Running, RunState::Pausing, RunState::Paused,
                         RunState::Stopping, RunState::EndPreprocess}) {
    watch.Seen(static_cast<std::int32_t>(state));
  }
  EXPECT_EQ(told, 0);
  watch.Seen(kStopped);
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(watch.Watching());
  watch.Started();  // a resume asked while the word is on its way
  watch.Seen(kStopped);
  EXPECT_EQ(told, 1);

  // The Stop that follows has nothing left to stop: no failure.
  watch.StopAsked();
  EXPECT_EQ(watch.StopResult(kRefusedWhileStopped), kS_OK);
}

TEST(RunStateWatchTest, TheProgramsOwnStopIsNoWordAndKeepsItsAnswer) {
  RunStateWatch watch;
  int told = 0;
  watch.Started();
  EXPECT_FALSE(watch.Watching()) << "nobody listens yet";
  watch.Advise([&told] { ++told; });
  EXPECT_TRUE(watch.Watching());
  watch.StopAsked();
  EXPECT_FALSE(watch.Watching());
  watch.Seen(kStopped);
  EXPECT_EQ(told, 0);
  EXPECT_EQ(watch.StopResult(kRefusedWhileStopped), kRefusedWhileStopped);
  EXPECT_EQ(watch.StopResult(kS_OK), kS_OK);
}

}  // namespace
}  // namespace mavrion::encoder
