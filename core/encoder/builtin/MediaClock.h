#pragma once
// The recording's timeline. Frames fall on a fixed grid of slots at the
// profile's frame rate; which slots are due follows the wall clock (tick
// counts in ms), less the time spent paused, so a late capture never slows
// the timeline: the caller repeats the last picture for the slots it missed.
// With sound, the sample count is the reference: audio times come from the
// samples taken, video follows the audio's time carried forward by the wall
// clock, and the wall clock checks the device: a device that delivers
// faster than real time has its surplus dropped, one that stalls has the gap
// filled with silence, each only beyond a tolerance.
#include <cstdint>

namespace mavrion::encoder::builtin {

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

  // Makes the audio the reference; toleranceMs is how far its time may run
  // from the wall clock's before samples are dropped or silence is added.
  void UseAudio(std::uint32_t samplesPerSecond, std::uint32_t toleranceMs = 250);

  // frames sample frames arrived at now. Answers how many sample frames of
  // silence go before them, how many of them to keep (the first ones) and
  // the number of the sample frame at which the silence, or else the kept
  // samples, begin; the file's audio time is that number over the rate.
  struct AudioAdmission {
    std::uint64_t firstFrame = 0;
    std::uint64_t silenceFrames = 0;
    std::uint64_t keptFrames = 0;
  };
  AudioAdmission AdmitAudio(std::uint32_t nowMs, std::uint64_t frames);

 private:
  DueSlots TakeSlotsUpTo(std::int64_t mediaMs);
  std::int64_t WallTime(std::uint32_t nowMs) const;
  std::int64_t AudioTime() const;

  std::int64_t rate_;  // thousandths of a frame per second
  std::uint32_t startTick_ = 0;
  std::int64_t pausedTotal_ = 0;
  std::uint32_t pauseTick_ = 0;
  bool started_ = false;
  bool paused_ = false;
  std::uint64_t nextSlot_ = 0;

  std::int64_t audioRate_ = 0;
  std::int64_t toleranceMs_ = 250;
  std::uint64_t audioFrames_ = 0;     // sample frames written so far
  bool audioFlowing_ = false;
  std::int64_t wallAtAudio_ = 0;      // wall time of the last delivery
};

}  // namespace mavrion::encoder::builtin
