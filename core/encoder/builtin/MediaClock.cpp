#include "core/encoder/builtin/MediaClock.h"

#include <algorithm>

namespace mavrion::encoder::builtin {

namespace {

// Pauses older than this before the newest sound are no longer needed to
// place late sound.
constexpr std::int64_t kPauseMemoryMs = 10000;

}  // namespace

MediaClock::MediaClock(std::int32_t framesPerThousandSeconds)
    : rate_(std::max<std::int32_t>(framesPerThousandSeconds, 1)) {}

void MediaClock::Start(std::uint32_t nowMs) {
  startTick_ = nowMs;
  pausedTotal_ = 0;
  started_ = true;
  paused_ = false;
  nextSlot_ = 0;
  pauses_.clear();
  forgottenPausedFrames_ = 0;
  audioFrames_ = 0;
  heard_ = false;
  holding_ = false;
  heldFrames_ = 0;
}

void MediaClock::Pause(std::uint32_t nowMs) {
  if (paused_ || !started_) return;
  paused_ = true;
  pauseTick_ = nowMs;
  pauses_.push_back(PauseSpan{SinceStart(nowMs), kOpen});
}

void MediaClock::Resume(std::uint32_t nowMs) {
  if (!paused_) return;
  // Tick counts wrap at 2^32 ms; unsigned differences stay right across it.
  pausedTotal_ += static_cast<std::uint32_t>(nowMs - pauseTick_);
  paused_ = false;
  pauses_.back().to = std::max(pauses_.back().from, SinceStart(nowMs));
}

std::int64_t MediaClock::SinceStart(std::uint32_t nowMs) const {
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(nowMs - startTick_));
}

std::int64_t MediaClock::WallTime(std::uint32_t nowMs) const {
  if (!started_) return 0;
  return SinceStart(paused_ ? pauseTick_ : nowMs) - pausedTotal_;
}

std::int64_t MediaClock::MediaTime(std::uint32_t nowMs) const { return WallTime(nowMs); }

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

void MediaClock::UseAudio(std::uint32_t samplesPerSecond) { audioRate_ = samplesPerSecond; }

std::int64_t MediaClock::ToFrames(std::int64_t ms) const {
  if (ms == kOpen) return kOpen;
  // Rounded down also before the start, so that frames and ms agree.
  const std::int64_t scaled = ms * audioRate_;
  return scaled >= 0 ? scaled / 1000 : -((-scaled + 999) / 1000);
}

std::int64_t MediaClock::PausedFramesBefore(std::int64_t wallFrame) const {
  std::int64_t paused = forgottenPausedFrames_;
  for (const PauseSpan& pause : pauses_) {
    const std::int64_t from = ToFrames(pause.from);
    if (from >= wallFrame) break;
    paused += std::min(ToFrames(pause.to), wallFrame) - from;
  }
  return paused;
}

void MediaClock::Place(std::int64_t begin, std::int64_t end, std::int64_t skipped, AudioAdmission* admission) const {
  // Samples skipped..skipped + (end - begin) of the delivery stand at wall
  // frames [begin, end); those before the start or while paused are cut out.
  admission->kept.clear();
  admission->keptFrames = 0;
  std::int64_t from = std::max<std::int64_t>(begin, 0);
  auto keep = [&](std::int64_t to) {
    if (to > from) {
      admission->kept.push_back(FrameRange{static_cast<std::uint64_t>(skipped + from - begin), static_cast<std::uint64_t>(to - from)});
      admission->keptFrames += static_cast<std::uint64_t>(to - from);
    }
  };
  for (const PauseSpan& pause : pauses_) {
    const std::int64_t pauseFrom = ToFrames(pause.from), pauseTo = ToFrames(pause.to);
    if (pauseTo <= from) continue;
    if (pauseFrom >= end) break;
    keep(pauseFrom);
    from = std::max(from, pauseTo);
    if (from >= end) break;
  }
  keep(end);
}

MediaClock::AudioAdmission MediaClock::AdmitAudio(std::uint32_t arrivedMs, std::uint64_t frames) {
  AudioAdmission admission;
  admission.firstFrame = audioFrames_;
  if (audioRate_ <= 0 || !started_ || frames == 0) return admission;
  const std::int64_t arrived = SinceStart(arrivedMs);
  while (!pauses_.empty() && pauses_.front().to < arrived - kPauseMemoryMs) {
    forgottenPausedFrames_ += ToFrames(pauses_.front().to) - ToFrames(pauses_.front().from);
    pauses_.erase(pauses_.begin());
  }

  // The delivery's frames on the wall clock: right after the device's
  // previous ones, as its own clock counts them, however late they arrive;
  // the first ones, and those after time the device lost, with the last
  // just before it arrived.
  const std::int64_t count = static_cast<std::int64_t>(frames);
  const std::int64_t arrivedFrame = ToFrames(arrived);
  bool byArrival = !heard_;
  std::int64_t end = byArrival ? arrivedFrame : soundWall_ + count;
  // Sooner after the one before than half its own length: the device is
  // handing over sound it held back.
  const bool catchingUp = heard_ && (arrived - lastArrival_) * 2 * audioRate_ < count * 1000;
  heard_ = true;
  lastArrival_ = arrived;
  if (!byArrival && !catchingUp && arrivedFrame - end > ToFrames(kAudioLagLimitMs)) {
    if (!holding_) {
      // Far behind: the device either lost the time or held its sound
      // back; whether the next delivery comes at its pace or in a hurry
      // tells which. Until then this one waits.
      Place(end - count, end, 0, &admission);
      holding_ = true;
      heldFrames_ = admission.keptFrames;
      soundWall_ = end;
      admission.hold = true;
      return admission;
    }
    // Still far behind at the device's pace: the time is lost.
    byArrival = true;
    end = arrivedFrame;
  }
  Place(end - count, end, 0, &admission);

  // How far the sound would run ahead of the wall (behind when negative)
  // with this delivery placed so.
  const std::int64_t wallEnd = arrivedFrame - PausedFramesBefore(arrivedFrame);
  const std::int64_t held = static_cast<std::int64_t>(heldFrames_);
  auto leadWith = [&](const AudioAdmission& a) { return static_cast<std::int64_t>(audioFrames_ + a.keptFrames) + held - wallEnd; };
  std::int64_t lead = leadWith(admission);
  const std::int64_t steady = ToFrames(kAudioSteadyMs);
  if (byArrival && lead < -steady) {
    // What the device missed is silence.
    admission.silenceFrames = static_cast<std::uint64_t>(-lead);
    lead = 0;
  }
  admission.heldFrames = heldFrames_;
  holding_ = false;
  heldFrames_ = 0;
  if (lead > ToFrames(kAudioLeadLimitMs)) {
    // Faster than real time: the oldest of the surplus goes, and the rest
    // follows on from the sound before.
    const std::int64_t drop = std::min<std::int64_t>(lead - steady, count);
    end -= drop;
    Place(end - (count - drop), end, drop, &admission);
    lead = leadWith(admission);
  }
  // Drift is taken back a few samples at a time, spread over the delivery.
  const std::int64_t step = static_cast<std::int64_t>(admission.keptFrames / kAudioStretchDivisor);
  std::int64_t stretch = 0;
  if (lead > steady) stretch = -std::min(lead - steady, step);
  if (lead < -steady) stretch = std::min(-steady - lead, step);
  admission.writtenFrames = static_cast<std::uint64_t>(static_cast<std::int64_t>(admission.keptFrames) + stretch);
  soundWall_ = end + stretch;
  audioFrames_ += admission.silenceFrames + admission.heldFrames + admission.writtenFrames;
  return admission;
}

MediaClock::AudioAdmission MediaClock::TakeHeldAudio() {
  AudioAdmission admission;
  admission.firstFrame = audioFrames_;
  if (!holding_) return admission;
  // Nothing came after it: what it left behind the wall the device lost.
  const std::int64_t arrivedFrame = ToFrames(lastArrival_);
  const std::int64_t lead = static_cast<std::int64_t>(audioFrames_ + heldFrames_) - (arrivedFrame - PausedFramesBefore(arrivedFrame));
  if (lead < -ToFrames(kAudioSteadyMs)) admission.silenceFrames = static_cast<std::uint64_t>(-lead);
  admission.heldFrames = heldFrames_;
  holding_ = false;
  heldFrames_ = 0;
  audioFrames_ += admission.silenceFrames + admission.heldFrames;
  return admission;
}

}  // namespace mavrion::encoder::builtin
