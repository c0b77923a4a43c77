#include "core/encoder/builtin/MediaClock.h"

#include <gtest/gtest.h>

namespace mavrion::encoder::builtin {
namespace {

using Due = MediaClock::DueSlots;

::testing::AssertionResult Slots(const Due& due, std::uint64_t first, std::uint64_t count) {
  if (due.first == first && due.count == count) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "slots [" << due.first << ", +" << due.count << ") instead of [" << first
                                       << ", +" << count << ")";
}

TEST(MediaClockTest, SlotsFollowTheWallClockAndLateCapturesGetEveryMissedSlot) {
  MediaClock clock(15000);
  EXPECT_EQ(clock.SlotTime(1), 66);
  EXPECT_EQ(clock.SlotTime(3), 200);
  EXPECT_EQ(clock.SlotTime(15), 1000);
  EXPECT_EQ(clock.FrameDurationMs(), 66);

  clock.Start(5000);
  EXPECT_TRUE(Slots(clock.TakeDueSlots(5000), 0, 1));
  EXPECT_TRUE(Slots(clock.TakeDueSlots(5065), 1, 0)) << "slot 1 begins at 66 ms";
  EXPECT_EQ(clock.MillisecondsToNextSlot(5065), 1u);
  EXPECT_TRUE(Slots(clock.TakeDueSlots(5066), 1, 1));
  EXPECT_TRUE(Slots(clock.TakeDueSlots(5066), 2, 0)) << "a slot is handed out once";
  // A capture 434 ms late: slots 2..7 (133 to 466 ms) are all due now.
  EXPECT_TRUE(Slots(clock.TakeDueSlots(5500), 2, 6));
  EXPECT_EQ(clock.MillisecondsToNextSlot(5500), 33u);
  // Ten seconds in, every slot up to 10 s has been handed out: 151 frames
  // counting the one at 10.000 s; the slots begun before 10 s are 150.
  EXPECT_TRUE(Slots(clock.TakeSlotsBefore(15000), 8, 142));
  EXPECT_TRUE(Slots(clock.TakeDueSlots(15000), 150, 1));

  MediaClock ntsc(29970);
  EXPECT_EQ(ntsc.SlotTime(30), 1001);
  ntsc.Start(0);
  EXPECT_TRUE(Slots(ntsc.TakeDueSlots(1000), 0, 30));
  EXPECT_TRUE(Slots(ntsc.TakeDueSlots(1001), 30, 1));
}

TEST(MediaClockTest, PausedTimeIsLeftOutWithNoGapAndTickCountsMayWrap) {
  MediaClock clock(10000);
  const std::uint32_t start = 0xFFFFFC18u;  // 1 s before the tick count wraps
  clock.Start(start);
  EXPECT_TRUE(Slots(clock.TakeDueSlots(start + 3000), 0, 31));
  EXPECT_EQ(clock.MediaTime(start + 3000), 3000);
  clock.Pause(start + 3050);
  EXPECT_TRUE(clock.Paused());
  EXPECT_TRUE(Slots(clock.TakeDueSlots(start + 6000), 31, 0)) << "nothing is due while paused";
  EXPECT_EQ(clock.MediaTime(start + 6000), 3050);
  clock.Pause(start + 6500);  // a second pause changes nothing
  clock.Resume(start + 8000);
  EXPECT_FALSE(clock.Paused());
  EXPECT_EQ(clock.MediaTime(start + 8000), 3050);
  EXPECT_EQ(clock.MillisecondsToNextSlot(start + 8000), 50u) << "slot 31 follows on from the pause";
  EXPECT_TRUE(Slots(clock.TakeDueSlots(start + 8050), 31, 1));
  EXPECT_EQ(clock.MediaTime(start + 9950), 5000);
  clock.Resume(start + 9960);  // resuming while running changes nothing
  EXPECT_EQ(clock.MediaTime(start + 9960), 5010);
}

TEST(MediaClockTest, AudioIsTheReferenceWithinToleranceOfTheWallClock) {
  const std::uint32_t rate = 8000;
  // A good device: 100 ms buffers arriving on time are kept whole, and the
  // video follows the audio's count.
  {
    MediaClock clock(10000);
    clock.UseAudio(rate, 250);
    clock.Start(0);
    for (std::uint32_t t = 100; t <= 1000; t += 100) {
      MediaClock::AudioAdmission a = clock.AdmitAudio(t + 7, 800);
      EXPECT_EQ(a.firstFrame, (t - 100) * 8);
      EXPECT_EQ(a.silenceFrames, 0u);
      EXPECT_EQ(a.keptFrames, 800u);
    }
    EXPECT_EQ(clock.MediaTime(1007), 1000) << "the audio's time, not the wall's 1007";
    EXPECT_EQ(clock.MediaTime(1057), 1050) << "carried forward by the wall between buffers";
  }
  // A device faster than real time (a null device): what runs more than
  // the tolerance ahead of the wall is dropped.
  {
    MediaClock clock(10000);
    clock.UseAudio(rate, 250);
    clock.Start(0);
    MediaClock::AudioAdmission a = clock.AdmitAudio(100, 8000);  // one second in 100 ms
    EXPECT_EQ(a.keptFrames, 350u * 8);
    a = clock.AdmitAudio(110, 8000);
    EXPECT_EQ(a.firstFrame, 350u * 8);
    EXPECT_EQ(a.keptFrames, 10u * 8);
    a = clock.AdmitAudio(110, 800);
    EXPECT_EQ(a.keptFrames, 0u);
    EXPECT_EQ(clock.MediaTime(10000), 360 + 9890) << "video stays with the audio, 250 ms ahead at most";
  }
  // A device that stalls: the gap beyond the tolerance is filled with
  // silence, and nothing is taken while paused.
  {
    MediaClock clock(10000);
    clock.UseAudio(rate, 250);
    clock.Start(0);
    clock.AdmitAudio(100, 800);
    MediaClock::AudioAdmission a = clock.AdmitAudio(3100, 800);
    EXPECT_EQ(a.firstFrame, 800u);
    EXPECT_EQ(a.silenceFrames, (3100u - 250u) * 8 - 1600u);
    EXPECT_EQ(a.keptFrames, 800u);
    clock.Pause(3200);
    a = clock.AdmitAudio(3300, 800);
    EXPECT_EQ(a.keptFrames + a.silenceFrames, 0u);
    clock.Resume(4200);
    a = clock.AdmitAudio(4300, 800);
    EXPECT_EQ(a.firstFrame, (3100u - 250u) * 8);
    // 200 ms ran (3100 to 3200, 4200 to 4300) for 100 ms of sound: the
    // audio falls 100 ms further behind; the paused second is no gap.
    EXPECT_EQ(a.silenceFrames, 800u);
    EXPECT_EQ(a.keptFrames, 800u);
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin
