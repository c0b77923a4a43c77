#include "core/encoder/builtin/mpeg4/RateControl.h"

#include <algorithm>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Each step of sharpening is planned to be paid within about this long: a
// screen that stops is sharpened in steps, the coarse ones first, which
// gives the most fidelity for the bits soonest.
constexpr std::int64_t kSharpenMs = 800;
// Sharpening leaves this part of the buffer for the next change (on top of
// the margin Room keeps): a new page at a coarse quantiser.
constexpr std::int64_t kChangeReservePercent = 25;
// A change that takes the bucket's room at once leaves this part of the
// buffer for the frames that follow it.
constexpr std::int64_t kAfterChangePercent = 10;
// Refinement finer than this quantiser keeps this part of the buffer.
constexpr int kReadableQuantiser = 5;
constexpr std::int64_t kPolishReservePercent = 50;

}  // namespace

RateControl::RateControl(std::uint32_t bitsPerSecond, std::uint32_t bufferMs,
                         std::int32_t framesPerThousandSeconds, int sharpness)
    : rate_(bitsPerSecond), capacity_(static_cast<std::int64_t>(bitsPerSecond) * bufferMs / 1000) {
  const std::int64_t fps1000 = std::max<std::int32_t>(framesPerThousandSeconds, 1);
  framesPerThousandSeconds_ = fps1000;
  frameShare_ = rate_ * 1000 / fps1000;
  // The bucket is brought back to half full over about two seconds.
  correctionFrames_ = std::max<std::int64_t>(1, fps1000 * 2 / 1000);
  const int s = std::clamp(sharpness, 1, 100);
  finest_ = 2 + (100 - s) / 10;
  // A frame left out shows everything that moved in the wrong place, which
  // on a busy screen costs far more fidelity than a coarser quantiser: only
  // the top of the sharpness scale leaves frames out before coarsening all
  // the way (below that, frames go only when even the coarsest is too dear).
  coarsestKept_ = std::min(31, finest_ + 14 + (100 - s) * 3);
  // Even at full sharpness a moving screen keeps a few frames a second.
  longestGap_ = s >= 60 ? (s - 40) / 20 : 0;
}

void RateControl::Advance(std::int64_t timeMs) {
  if (timeMs > lastMs_) {
    fullness_ = std::max<std::int64_t>(0, fullness_ - rate_ * (timeMs - lastMs_) / 1000);
    lastMs_ = timeMs;
  }
}

void RateControl::Add(std::uint64_t bits) { fullness_ += static_cast<std::int64_t>(bits); }

// A tenth of the buffer stays unused: what the file adds around the
// planes and the rounding of stretches to whole packets.
std::int64_t RateControl::Room() const { return capacity_ * 9 / 10 - fullness_; }

std::int64_t RateControl::Target() const {
  const std::int64_t target = frameShare_ + (capacity_ * 45 / 100 - fullness_) / correctionFrames_;
  return std::clamp<std::int64_t>(target, frameShare_ / 8, std::max<std::int64_t>(Room(), 0));
}

double RateControl::PredictBits(double complexity, double overheadBits, Kind kind, int q) const {
  return overheadBits + weight_[kind] * complexity / q;
}

void RateControl::Learn(double complexity, double overheadBits, Kind kind, int q, double bits) {
  if (complexity < 1000) return;
  const double measured = std::max(0.0, bits - overheadBits) * q / complexity;
  weight_[kind] = std::clamp(0.6 * weight_[kind] + 0.4 * measured, 0.01, 50.0);
}

int RateControl::ReadableQuantiser() const { return std::max(finest_, kReadableQuantiser); }

std::int64_t RateControl::ChangeAllowance() const {
  return std::max<std::int64_t>(0, Room() - capacity_ * kAfterChangePercent / 100);
}

RateControl::Refinement RateControl::PlanRefinement(const StillParts& still, std::int64_t changeBits) const {
  const std::int64_t spare = std::max<std::int64_t>(0, Room() - capacity_ * kChangeReservePercent / 100 - changeBits);
  const std::int64_t plan = spare + rate_ * kSharpenMs / 1000;
  Refinement r;
  r.quantiser = finest_;
  while (r.quantiser < 31 && PredictBits(still.errorCoarserThan[r.quantiser],
                                         still.countCoarserThan[r.quantiser] * kRefineOverheadBits, kRefine,
                                         r.quantiser) > static_cast<double>(plan)) {
    ++r.quantiser;
  }
  // Spread over the sharpening time; above the reserve line, less than the
  // rate's share, so that the bucket drains to it. Once text is readable,
  // the rest of the sharpness is worth less than room for the next page:
  // it keeps a larger reserve.
  const std::int64_t frames = std::max<std::int64_t>(1, kSharpenMs * framesPerThousandSeconds_ / 1000000);
  const std::int64_t reserve = r.quantiser < kReadableQuantiser ? kPolishReservePercent : kChangeReservePercent;
  const std::int64_t above = Room() - capacity_ * reserve / 100 - changeBits;
  r.bits = std::clamp(frameShare_ + above / frames, frameShare_ / 8, std::max<std::int64_t>(0, Room() - changeBits));
  return r;
}

}  // namespace mavrion::encoder::builtin::mpeg4
