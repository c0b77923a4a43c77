#include "core/encoder/builtin/MediaClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

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

using Admission = MediaClock::AudioAdmission;

// Where the sound written so far ends, in sample frames.
std::uint64_t SoundEnd(const Admission& a) { return a.firstFrame + a.silenceFrames + a.writtenFrames; }

TEST(MediaClockTest, SoundKeepsToTheWallClockWhateverThePaceOfTheDevice) {
  const std::uint32_t rate = 8000;  // 8 sample frames a ms
  // A good device whose 100 ms buffers arrive up to 32 ms late: kept whole,
  // unchanged; the video keeps the wall's time.
  {
    MediaClock clock(10000);
    clock.UseAudio(rate);
    clock.Start(0);
    for (std::uint32_t t = 100; t <= 3000; t += 100) {
      const Admission a = clock.AdmitAudio(t + t / 100 % 5 * 8, 800);
      EXPECT_EQ(a.firstFrame, (t - 100) * 8);
      EXPECT_EQ(a.silenceFrames, 0u);
      ASSERT_EQ(a.kept.size(), 1u);
      EXPECT_EQ(a.keptFrames, 800u);
      EXPECT_EQ(a.writtenFrames, 800u);
    }
    EXPECT_EQ(clock.MediaTime(3057), 3057);
  }
  // A device faster than real time (a null device, a second every 100 ms):
  // the surplus is dropped, and the sound never runs more than the lead
  // limit ahead of the time recorded.
  {
    MediaClock clock(10000);
    clock.UseAudio(rate);
    clock.Start(0);
    for (std::uint32_t t = 100; t <= 5000; t += 100) {
      const Admission a = clock.AdmitAudio(t, 8000);
      EXPECT_LE(SoundEnd(a), (t + kAudioLeadLimitMs) * 8) << "at " << t;
      EXPECT_GE(SoundEnd(a), t * 8) << "at " << t;
    }
    EXPECT_EQ(clock.MediaTime(5000), 5000);
  }
  // Devices 0.4 % fast and slow: taken back a few samples a buffer, never
  // at once, and held within the steady band and one buffer's step.
  for (std::uint64_t frames : {803u, 797u}) {
    MediaClock clock(10000);
    clock.UseAudio(rate);
    clock.Start(0);
    std::int64_t worst = 0;
    for (std::uint32_t t = 100; t <= 200000; t += 100) {
      const Admission a = clock.AdmitAudio(t, frames);
      ASSERT_EQ(a.silenceFrames, 0u) << "at " << t;
      ASSERT_EQ(a.keptFrames, t == 100 ? std::min<std::uint64_t>(frames, 800) : frames) << "at " << t;
      ASSERT_LE(std::abs(static_cast<std::int64_t>(a.writtenFrames) - static_cast<std::int64_t>(frames)),
                static_cast<std::int64_t>(frames / kAudioStretchDivisor));
      worst = std::max(worst, std::abs(static_cast<std::int64_t>(SoundEnd(a)) - static_cast<std::int64_t>(t) * 8));
    }
    EXPECT_LE(worst, kAudioSteadyMs * 8 + 4) << frames << " frames a buffer";
  }
}

TEST(MediaClockTest, SoundIsCutAtThePauseResumeAndStartInstantsAlsoWhenItArrivesLate) {
  MediaClock clock(10000);
  clock.UseAudio(8000);
  clock.Start(0);
  auto ranges = [](const Admission& a) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> r;
    for (const MediaClock::FrameRange& k : a.kept) r.emplace_back(k.offset, k.count);
    return r;
  };
  using Ranges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
  // Captured half before the start.
  EXPECT_EQ(ranges(clock.AdmitAudio(50, 800)), (Ranges{{400, 400}}));
  for (std::uint32_t t = 150; t <= 1050; t += 100) clock.AdmitAudio(t, 800);
  // Pause at 1080: the buffer arriving at 1150 keeps its first 30 ms, those
  // during the pause keep nothing.
  clock.Pause(1080);
  Admission a = clock.AdmitAudio(1150, 800);
  EXPECT_EQ(a.firstFrame, 8400u);
  EXPECT_EQ(ranges(a), (Ranges{{0, 240}}));
  for (std::uint32_t t = 1250; t <= 1950; t += 100) EXPECT_EQ(clock.AdmitAudio(t, 800).keptFrames, 0u) << t;
  // Resume at 2030: the buffer arriving at 2050 keeps its last 20 ms.
  clock.Resume(2030);
  a = clock.AdmitAudio(2050, 800);
  EXPECT_EQ(a.firstFrame, 8640u);
  EXPECT_EQ(ranges(a), (Ranges{{640, 160}}));
  // A pause from 2180 to 2190 carried out before the buffers of 2150 and
  // 2250 arrived: the first is whole, the second loses its middle.
  clock.Pause(2180);
  clock.Resume(2190);
  a = clock.AdmitAudio(2150, 800);
  EXPECT_EQ(a.firstFrame, 8800u);
  EXPECT_EQ(ranges(a), (Ranges{{0, 800}}));
  a = clock.AdmitAudio(2250, 800);
  EXPECT_EQ(a.firstFrame, 9600u);
  EXPECT_EQ(ranges(a), (Ranges{{0, 240}, {320, 480}}));
  EXPECT_EQ(a.writtenFrames, 720u);
}

// A device of 100 ms buffers that keeps real time, whose buffers arrive up
// to 30 ms late, and 250 ms late around each pause and the stop.
TEST(MediaClockTest, PausesOfAnyLengthLeaveTheSoundAsLongAsThePictureAndWhereItWasHeard) {
  const std::int64_t rate = 8000, perMs = rate / 1000;
  MediaClock clock(15000);
  clock.UseAudio(rate);
  clock.Start(0);
  // Wall ms: pauses of 6 s, 0.2 s and 12 s, each followed by more than the
  // ten seconds the clock keeps pauses for; the stop is a pause too.
  const std::vector<std::pair<std::int64_t, std::int64_t>> pauses = {
      {8650, 14310}, {26000, 26200}, {27000, 39000}, {52000, 60000}};
  const std::int64_t stop = 52000;
  auto pausedBefore = [&](std::int64_t wall) {
    std::int64_t paused = 0;
    for (const auto& [from, to] : pauses) paused += std::clamp<std::int64_t>(wall, from, to) - from;
    return paused;
  };
  auto nearPause = [&](std::int64_t wall) {
    for (const auto& [from, to] : pauses) {
      if ((wall >= from - 200 && wall <= from + 500) || (wall >= to - 200 && wall <= to + 500)) return true;
    }
    return false;
  };
  std::size_t nextControl = 0;
  std::uint64_t soundEnd = 0;
  std::int64_t arrived = 0;
  for (std::int64_t captured = 100; captured <= stop; captured += 100) {
    // A buffer held up holds up those behind it.
    arrived = std::max(arrived, captured + (nearPause(captured) ? 250 : captured / 100 % 4 * 10));
    // Pause and resume instants that came before this buffer arrived.
    while (nextControl < 2 * pauses.size()) {
      const auto& [from, to] = pauses[nextControl / 2];
      const std::int64_t at = nextControl % 2 == 0 ? from : to;
      if (at > arrived || at > stop) break;
      if (nextControl % 2 == 0) clock.Pause(static_cast<std::uint32_t>(at));
      else clock.Resume(static_cast<std::uint32_t>(at));
      ++nextControl;
    }
    const Admission a = clock.AdmitAudio(static_cast<std::uint32_t>(arrived), 100 * perMs);
    ASSERT_EQ(a.silenceFrames, 0u) << "a device that keeps real time owes nothing; arrived " << arrived;
    if (a.keptFrames != 0) {
      // The first sample kept was heard at this recording time.
      const std::int64_t heard = captured - 100 + static_cast<std::int64_t>(a.kept.front().offset) / perMs;
      const std::int64_t at = static_cast<std::int64_t>(a.firstFrame) / perMs;
      EXPECT_NEAR(at, heard - pausedBefore(heard), kAudioSteadyMs) << "arrived " << arrived;
    }
    soundEnd = SoundEnd(a);
  }
  ASSERT_TRUE(clock.Paused());
  const std::int64_t recorded = stop - pausedBefore(stop);
  EXPECT_EQ(clock.MediaTime(static_cast<std::uint32_t>(stop + 500)), recorded);
  EXPECT_NEAR(static_cast<double>(soundEnd), static_cast<double>(recorded * perMs),
              static_cast<double>(clock.FrameDurationMs() * perMs))
      << "the sound is as long as the picture";
}

// A device of 100 ms buffers that stalls from 1 s to 2.5 s. Where each
// buffer's sound lands in the file is checked against when it was heard.
TEST(MediaClockTest, AStalledDeviceHasItsLateBurstPlacedWhereItWasHeardAndOnlyLostTimeIsSilence) {
  struct Device {
    MediaClock clock{10000};
    std::vector<std::int64_t> waiting;  // when the held buffers were heard
    std::uint64_t silence = 0;
    Device() {
      clock.UseAudio(8000);
      clock.Start(0);
    }
    // A buffer heard from `heard` ms that arrived at `arrived`.
    void Deliver(std::int64_t heard, std::int64_t arrived) {
      const Admission a = clock.AdmitAudio(static_cast<std::uint32_t>(arrived), 800);
      Land(a);
      if (a.hold) waiting.push_back(heard);
      else ExpectAt(heard, a.firstFrame + a.silenceFrames + a.heldFrames);
    }
    void Land(const Admission& a) {
      silence += a.silenceFrames;
      for (std::size_t i = 0; i < waiting.size(); ++i) ExpectAt(waiting[i], a.firstFrame + a.silenceFrames + 800 * i);
      if (!a.hold) waiting.clear();
    }
    static void ExpectAt(std::int64_t heard, std::uint64_t frame) {
      EXPECT_NEAR(static_cast<double>(frame), static_cast<double>(heard * 8), kAudioSteadyMs * 8.0) << "heard at " << heard;
    }
  };
  // It held its sound back: the burst fills the stall, with no silence.
  {
    Device device;
    for (std::int64_t t = 0; t < 1000; t += 100) device.Deliver(t, t + 100);
    for (std::int64_t t = 1000; t < 2500; t += 100) device.Deliver(t, 2500);
    for (std::int64_t t = 2500; t < 4000; t += 100) device.Deliver(t, t + 100);
    EXPECT_EQ(device.silence, 0u);
  }
  // It lost the time: sound goes on at its pace after the gap, which is
  // silence; the same when the stop comes before the next buffer.
  {
    Device device;
    for (std::int64_t t = 0; t < 1000; t += 100) device.Deliver(t, t + 100);
    for (std::int64_t t = 2400; t < 4000; t += 100) device.Deliver(t, t + 100);
    EXPECT_NEAR(static_cast<double>(device.silence), 1400.0 * 8, kAudioSteadyMs * 8.0);
    device.Deliver(5000, 5100);
    device.clock.Pause(5100);
    device.Land(device.clock.TakeHeldAudio());
    EXPECT_TRUE(device.waiting.empty());
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin
