#include "core/encoder/builtin/MediaClock.h"

#include <algorithm>

namespace mavrion::encoder::builtin {

MediaClock::MediaClock(std::int32_t framesPerThousandSeconds)
    : rate_(std::max<std::int32_t>(framesPerThousandSeconds, 1)) {}

void MediaClock::Start(std::uint32_t nowMs) {
  startTick_ = nowMs;
  pausedTotal_ = 0;
  started_ = true;
  paused_ = false;
  nextSlot_ = 0;
  audioFrames_ = 0;
  audioFlowing_ = false;
}

void MediaClock::Pause(std::uint32_t nowMs) {
  if (paused_ || !started_) return;
  paused_ = true;
  pauseTick_ = nowMs;
}

void MediaClock::Resume(std::uint32_t nowMs) {
  if (!paused_) return;
  // Tick counts wrap at 2^32 ms; unsigned differences stay right across it.
  pausedTotal_ += static_cast<std::uint32_t>(nowMs - pauseTick_);
  paused_ = false;
}

std::int64_t MediaClock::WallTime(std::uint32_t nowMs) const {
  if (!started_) return 0;
  std::uint32_t at = paused_ ? pauseTick_ : nowMs;
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(at - startTick_)) - pausedTotal_;
}

std::int64_t MediaClock::AudioTime() const {
  return static_cast<std::int64_t>(audioFrames_ * 1000 / static_cast<std::uint64_t>(audioRate_));
}

std::int64_t MediaClock::MediaTime(std::uint32_t nowMs) const {
  std::int64_t wall = WallTime(nowMs);
  if (!audioFlowing_) return wall;
  return AudioTime() + (wall - wallAtAudio_);
}

std::int64_t MediaClock::SlotTime(std::uint64_t slot) const {
  return static_cast<std::int64_t>(slot * 1000000 / static_cast<std::uint64_t>(rate_));
}

std::int64_t MediaClock::FrameDurationMs() const { return SlotTime(1) > 0 ? SlotTime(1) : 1; }

MediaClock::DueSlots MediaClock::TakeDueSlots(std::uint32_t nowMs) {
  if (!started_ || paused_) return DueSlots{nextSlot_, 0};
  return TakeSlotsUpTo(MediaTime(nowMs));
}

MediaClock::DueSlots MediaClock::TakeSlotsBefore(std::uint32_t nowMs) {
  if (!started_ || paused_) return DueSlots{nextSlot_, 0};
  return TakeSlotsUpTo(MediaTime(nowMs) - 1);
}

MediaClock::DueSlots MediaClock::TakeSlotsUpTo(std::int64_t media) {
  DueSlots due;
  due.first = nextSlot_;
  if (media < 0) return due;
  // The last slot whose time (rounded down to the ms) has come.
  std::uint64_t last = (static_cast<std::uint64_t>(media + 1) * static_cast<std::uint64_t>(rate_) - 1) / 1000000;
  if (last + 1 > nextSlot_) {
    due.count = last + 1 - nextSlot_;
    nextSlot_ = last + 1;
  }
  return due;
}

std::uint32_t MediaClock::MillisecondsToNextSlot(std::uint32_t nowMs) const {
  if (paused_ || !started_) return static_cast<std::uint32_t>(FrameDurationMs());
  std::int64_t wait = SlotTime(nextSlot_) - MediaTime(nowMs);
  return wait > 0 ? static_cast<std::uint32_t>(wait) : 0;
}

void MediaClock::UseAudio(std::uint32_t samplesPerSecond, std::uint32_t toleranceMs) {
  audioRate_ = samplesPerSecond;
  toleranceMs_ = toleranceMs;
}

MediaClock::AudioAdmission MediaClock::AdmitAudio(std::uint32_t nowMs, std::uint64_t frames) {
  AudioAdmission admission;
  if (audioRate_ <= 0) return admission;
  admission.firstFrame = audioFrames_;
  if (!started_ || paused_) return admission;
  const std::int64_t wall = WallTime(nowMs);
  const std::uint64_t rate = static_cast<std::uint64_t>(audioRate_);
  // The delivery ends now by the device's count; compare with the wall.
  const std::uint64_t end = audioFrames_ + frames;
  const std::uint64_t wallFrames = static_cast<std::uint64_t>(std::max<std::int64_t>(wall, 0)) * rate / 1000;
  const std::uint64_t slack = static_cast<std::uint64_t>(toleranceMs_) * rate / 1000;
  admission.keptFrames = frames;
  if (end > wallFrames + slack) {
    // Faster than real time: keep what reaches the edge of the tolerance.
    std::uint64_t limit = wallFrames + slack;
    admission.keptFrames = limit > audioFrames_ ? std::min(frames, limit - audioFrames_) : 0;
  } else if (end + slack < wallFrames) {
    // Stalled or slow: silence up to the edge of the tolerance.
    admission.silenceFrames = wallFrames - slack - end;
  }
  audioFrames_ += admission.silenceFrames + admission.keptFrames;
  audioFlowing_ = true;
  wallAtAudio_ = wall;
  return admission;
}

}  // namespace mavrion::encoder::builtin
