#pragma once
// The recording's timeline. Frames fall on a fixed grid of slots at the
// profile's frame rate; which slots are due follows the wall clock (tick
// counts in ms), less the time spent paused, so a late capture never slows
// the timeline: the caller repeats the last picture for the slots it missed.
//
// The wall clock is also the reference for sound, so that the file is as
// long as the time recorded whatever pace the sound device keeps. Each
// delivery follows on from the device's previous one, as the device's own
// clock counts its samples, however late it arrives; the first is placed
// by its arrival, its last sample just before it arrived. Samples captured
// while paused, or before the start, are left out, so a delivery is cut at
// the pause and resume instants. A device whose sound drifts from the wall
// a little is brought back by stretching or shrinking deliveries by a few
// samples in a thousand; only one that runs far ahead (faster than real
// time) has its surplus dropped. One that falls far behind is waited for:
// a burst that follows fills the time with the sound the device held
// back, while sound that goes on at the device's pace shows the time lost,
// and only then is the gap filled with silence.
#include <cstdint>
#include <vector>

namespace mavrion::encoder::builtin {

// How far the sound may run from the wall clock (ms): within kAudioSteadyMs
// it is left alone; beyond that it is corrected by at most one sample
// frame in kAudioStretchDivisor; beyond the lead or lag limit it is brought
// back to the steady band at once.
inline constexpr std::int64_t kAudioSteadyMs = 40;
inline constexpr std::int64_t kAudioLeadLimitMs = 100;
inline constexpr std::int64_t kAudioLagLimitMs = 400;
inline constexpr std::uint64_t kAudioStretchDivisor = 200;

class MediaClock {
 public:
  // framesPerThousandSeconds: the profile's rate in thousandths of a frame
  // per second (15 fps is 15000); values below 1 count as 1.
  explicit MediaClock(std::int32_t framesPerThousandSeconds);

  void Start(std::uint32_t nowMs);
  void Pause(std::uint32_t nowMs);   // no effect while paused
  void Resume(std::uint32_t nowMs);  // no effect unless paused
  bool Paused() const { return paused_; }

  // Recording time in ms at now.
  std::int64_t MediaTime(std::uint32_t nowMs) const;

  // Presentation time (ms) of frame slot n; slot 0 is at 0.
  std::int64_t SlotTime(std::uint64_t slot) const;
  std::int64_t FrameDurationMs() const;

  // The slots that came due since the last call, [first, first + count);
  // none while paused.
  struct DueSlots {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
  };
  DueSlots TakeDueSlots(std::uint32_t nowMs);
  // The same for the slots that began before now: what a recording that
  // stops or pauses at now still shows.
  DueSlots TakeSlotsBefore(std::uint32_t nowMs);
  // How long until the next slot comes due (0 when one is due already);
  // a frame's length while paused.
  std::uint32_t MillisecondsToNextSlot(std::uint32_t nowMs) const;

  void UseAudio(std::uint32_t samplesPerSecond);

  // Sample frames [offset, offset + count) of a delivery.
  struct FrameRange {
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
  };
  // What becomes of a delivery: silence first (sound the device missed),
  // then the sound held back from the delivery before (heldFrames, as it
  // was kept), then the kept ranges of the delivery in order, together
  // stretched or shrunk to writtenFrames. firstFrame is the number of the
  // sample frame at which the silence, or else the sound, begins; the
  // file's audio time is that number over the rate. When hold is set the
  // kept ranges wait for the next admission and nothing is written yet.
  struct AudioAdmission {
    std::uint64_t firstFrame = 0;
    std::uint64_t silenceFrames = 0;
    std::uint64_t heldFrames = 0;
    bool hold = false;
    std::vector<FrameRange> kept;
    std::uint64_t keptFrames = 0;
    std::uint64_t writtenFrames = 0;
  };
  // frames sample frames arrived at arrivedMs. Also after a pause that
  // began later than their arrival was carried out, and while paused.
  AudioAdmission AdmitAudio(std::uint32_t arrivedMs, std::uint64_t frames);
  // At the end: the sound still held back, after the silence of the time
  // the device lost before it.
  AudioAdmission TakeHeldAudio();

 private:
  struct PauseSpan {
    std::int64_t from;  // wall ms since the start
    std::int64_t to;    // kOpen while it lasts
  };
  static constexpr std::int64_t kOpen = INT64_MAX;

  DueSlots TakeSlotsUpTo(std::int64_t mediaMs);
  std::int64_t SinceStart(std::uint32_t nowMs) const;
  std::int64_t WallTime(std::uint32_t nowMs) const;
  std::int64_t ToFrames(std::int64_t ms) const;
  std::int64_t PausedFramesBefore(std::int64_t wallFrame) const;
  void Place(std::int64_t begin, std::int64_t end, std::int64_t skipped, AudioAdmission* admission) const;

  std::int64_t rate_;  // thousandths of a frame per second
  std::uint32_t startTick_ = 0;
  std::int64_t pausedTotal_ = 0;
  std::uint32_t pauseTick_ = 0;
  bool started_ = false;
  bool paused_ = false;
  std::uint64_t nextSlot_ = 0;
  // The recent pauses, oldest first: sound that arrives late is still cut
  // where they were.
  std::vector<PauseSpan> pauses_;
  // The sample frames of the pauses no longer in that list: they still
  // stand between the wall and the file's sound.
  std::int64_t forgottenPausedFrames_ = 0;

  std::int64_t audioRate_ = 0;
  std::uint64_t audioFrames_ = 0;  // sample frames written so far
  bool heard_ = false;             // a delivery came since the start
  std::int64_t soundWall_ = 0;     // wall frame where the device's next sample belongs
  std::int64_t lastArrival_ = 0;   // wall ms of the last delivery
  bool holding_ = false;           // a delivery waits to learn whether time was lost
  std::uint64_t heldFrames_ = 0;
};

}  // namespace mavrion::encoder::builtin
