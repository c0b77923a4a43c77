#include "core/encoder/builtin/mpeg4/RateControl.h"

#include <algorithm>
#include <cmath>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Each step of sharpening is planned to be paid within about this long: a
// screen that stops is sharpened in steps, the coarse ones first, which
// gives the most fidelity for the bits soonest.
constexpr std::int64_t kSharpenMs = 800;
// Sharpening leaves this part of the buffer for the next change (on top of
// the margin Room keeps): a new page at a middling quantiser.
constexpr std::int64_t kChangeReservePercent = 40;
// A change that takes the bucket's room at once leaves this part of the
// buffer for the frames that follow it.
constexpr std::int64_t kAfterChangePercent = 10;
// A change takes the room at once only from a bucket no fuller than this:
// a screen that changes in bursts (a video whose frames come unevenly, a
// busy page) would otherwise take it at every burst, and leave the bucket
// full when the page the viewer reads comes.
constexpr std::int64_t kChangeFromPercent = 55;
// New content is shown at this quantiser when the room allows.
constexpr int kReadableQuantiser = 7;
// Once every still part is at this quantiser or finer, what sharpening
// adds is worth less than room for the next page: it keeps this part of
// the buffer, and the bucket drains while the screen stays still.
constexpr int kPolishQuantiser = 9;
constexpr std::int64_t kPolishReservePercent = 85;
// Text is sharp from this quantiser down: sharpening finer costs the most
// bits for what a viewer hardly sees, so it is polishing too (it keeps
// room for the next page), whatever the rest of the screen shows.
constexpr int kSharpQuantiser = 4;
// A plane of refinement alone holds at least this many times what its
// macroblocks left as they were cost, or waits at most this many frames
// for it.
constexpr std::int64_t kRefinePlanes = 5;
constexpr int kLongestSharpenWait = 8;
// A key frame aims no finer than this quantiser.
constexpr int kKeyQuantiser = 5;
// A key frame asked for comes at once with new content over this part of
// the screen, once it rests.
constexpr int kKeyWithNewContentPercent = 20;
// Key frames are asked for every ten seconds: from this long after the
// last, one is soon due.
constexpr std::int64_t kKeySoonMs = 7000;
// A key frame waits this long for room for one like the last, and longer
// while the screen moves.
constexpr std::int64_t kKeyWaitMs = 2000;
constexpr std::int64_t kKeyWaitMovingMs = 6000;
// A key frame the bucket has room for waits at most this long for the
// screen to rest, counted from the first frame with room: one that drained
// for its room would otherwise code the first frame of a drag that starts
// as the room comes.
constexpr std::int64_t kKeyRestWaitMs = 1000;

}  // namespace

RateControl::RateControl(std::uint32_t bitsPerSecond, std::uint32_t bufferMs,
                         std::int32_t framesPerThousandSeconds, int sharpness)
    : rate_(bitsPerSecond),
      capacity_(static_cast<std::int64_t>(bitsPerSecond) * bufferMs / 1000),
      sharpness_(std::clamp(sharpness, 1, 100)) {
  const std::int64_t fps1000 = std::max<std::int32_t>(framesPerThousandSeconds, 1);
  framesPerThousandSeconds_ = fps1000;
  frameShare_ = rate_ * 1000 / fps1000;
  // The bucket is brought back to half full over about two seconds.
  correctionFrames_ = std::max<std::int64_t>(1, fps1000 * 2 / 1000);
  const int s = sharpness_;
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

void RateControl::NoteMotion(bool moved) {
  framesStill_ = moved ? 0 : framesStill_ + 1;
  // A screen that has moved for over a second (a video, a long drag) goes
  // on moving across one frame without motion: a capture often comes
  // before it has drawn its next picture. A short scroll that pauses has
  // come to rest.
  const bool longMotion = framesMoving_ * 1000000 >= framesPerThousandSeconds_ * 1000;
  if (moved) {
    ++framesMoving_;
  } else if (framesStill_ > 1 || !longMotion) {
    framesMoving_ = 0;
  }
}

RateControl::Refinement RateControl::PlanRefinement(const StillParts& still, std::int64_t planeBits) {
  if (Moving()) return Refinement{};
  const std::int64_t spare = std::max<std::int64_t>(0, Room() - capacity_ * kChangeReservePercent / 100);
  const std::int64_t plan = spare + rate_ * kSharpenMs / 1000;
  Refinement r;
  r.quantiser = finest_;
  while (r.quantiser < 31 && PredictBits(still.errorCoarserThan[r.quantiser],
                                         still.countCoarserThan[r.quantiser] * kOverheadBits[kRefine], kRefine,
                                         r.quantiser) > static_cast<double>(plan)) {
    ++r.quantiser;
  }
  // Spread over the sharpening time; above the reserve line, less than the
  // rate's share, so that the bucket drains to it.
  const std::int64_t frames = std::max<std::int64_t>(1, kSharpenMs * framesPerThousandSeconds_ / 1000000);
  const bool polishing =
      still.countCoarserThan[std::max(finest_, kPolishQuantiser)] == 0 || r.quantiser < kSharpQuantiser;
  const std::int64_t reserve = polishing ? kPolishReservePercent : kChangeReservePercent;
  const std::int64_t above = Room() - capacity_ * reserve / 100;
  const std::int64_t share = std::clamp(frameShare_ + above / frames, frameShare_ / 8, std::max<std::int64_t>(0, Room()));
  r.bits = std::min(share * (sharpenWaited_ + 1), Room());
  if (r.bits < kRefinePlanes * planeBits && sharpenWaited_ + 1 < kLongestSharpenWait) {
    ++sharpenWaited_;
    r.bits = 0;
  } else {
    sharpenWaited_ = 0;
  }
  return r;
}

void RateControl::PlaneCost::Add(Kind kind, double macroblockComplexity) {
  complexity[kind] += macroblockComplexity;
  ++count[kind];
}

double RateControl::PredictBits(const PlaneCost& cost, int q) const {
  return PredictBits(cost.complexity[kInter], cost.count[kInter] * kOverheadBits[kInter], kInter, q) +
         PredictBits(cost.complexity[kIntra], cost.count[kIntra] * kOverheadBits[kIntra], kIntra, q) +
         cost.fixedBits;
}

void RateControl::Learn(const PlaneCost& cost, int q, double bits) {
  if (cost.count[kInter] + cost.count[kIntra] == 0) return;
  const Kind most = cost.count[kIntra] >= cost.count[kInter] ? kIntra : kInter;
  Learn(cost.complexity[kInter] + cost.complexity[kIntra],
        cost.count[kInter] * kOverheadBits[kInter] + cost.count[kIntra] * kOverheadBits[kIntra] + 64, most, q, bits);
}

RateControl::KeyTiming RateControl::TimeKey(bool wanted, std::int64_t timeMs, int screenQuantiser) {
  keyScreenQuantiser_ = screenQuantiser;
  if (!wanted) return KeyTiming::kNotNow;
  if (keyWantedSinceMs_ < 0) {
    keyWantedSinceMs_ = timeMs;
    keyWantedAtRest_ = framesMoving_ == 0;
  }
  // A key frame need be no sharper than the screen it codes again: one
  // coarser than the last costs less, about as the square root of the
  // ratio of quantisers on real screens.
  std::int64_t needed = lastKeyBits_;
  if (screenQuantiser > lastKeyQuantiser_ && lastKeyQuantiser_ > 0) {
    needed = static_cast<std::int64_t>(static_cast<double>(lastKeyBits_) *
                                       std::sqrt(static_cast<double>(lastKeyQuantiser_) / screenQuantiser));
  }
  if (Room() >= needed) {
    if (keyRoomSinceMs_ < 0) keyRoomSinceMs_ = timeMs;
    return KeyTiming::kNow;
  }
  // Draining for it while the screen moves would leave most of each frame
  // out; it waits for the screen to rest, within reason.
  const std::int64_t waited = timeMs - keyWantedSinceMs_;
  const bool overdue = waited >= (Moving() ? kKeyWaitMovingMs : kKeyWaitMs);
  return overdue ? KeyTiming::kOverdue : KeyTiming::kNotNow;
}

bool RateControl::KeyWaitsForRest(std::int64_t timeMs) const {
  return keyWantedAtRest_ && keyRoomSinceMs_ >= 0 && timeMs - keyRoomSinceMs_ < kKeyRestWaitMs;
}

bool RateControl::KeyWithNewContent(bool wanted, std::int64_t timeMs, int newContentPercent) const {
  const bool soon = wanted || timeMs - lastKeyMs_ >= kKeySoonMs;
  return soon && !Moving() && newContentPercent >= kKeyWithNewContentPercent;
}

void RateControl::KeyCoded(int q, std::int64_t bits, std::int64_t timeMs) {
  lastKeyMs_ = timeMs;
  lastKeyQuantiser_ = q;
  lastKeyBits_ = bits;
  keyWantedSinceMs_ = -1;
  keyRoomSinceMs_ = -1;
}

bool RateControl::MeasureKept(double predictedKeptBits, bool fewChanges) const {
  const double share = static_cast<double>(frameShare_);
  // A crowded bucket keeps what changed most of a frame that is not
  // affordable, and that is all of it where the frame turns out to be:
  // measuring would change nothing there, at the cost of coding it.
  if (Crowded()) return false;
  return predictedKeptBits > share && (predictedKeptBits < 3 * share || fewChanges);
}

RateControl::PlanePlan RateControl::PlanPlane(const PlaneCost& cost, bool key, double keptBits) const {
  PlanePlan plan;
  plan.finest = finest_;
  // A key frame codes the whole screen again. It may take the bucket's
  // room, less what the frames after it need, to show the screen as sharp
  // as it was (sharpening it again afterwards costs more than coding it so
  // now), but no finer than kKeyQuantiser unless the screen is finer. With
  // little room, it takes a part that grows with the sharpness.
  const std::int64_t room = Room();
  const std::int64_t keyShare = room / 4 + room * sharpness_ / 200;
  plan.target = key ? std::max({Target(), keyShare, ChangeAllowance()}) : Target();
  if (key) {
    const int screen = keyScreenQuantiser_ > 0 ? keyScreenQuantiser_ : kKeyQuantiser;
    plan.finest = std::max(finest_, std::min(kKeyQuantiser, screen));
  }
  std::int64_t refineFrom = plan.target;
  if (!key) {
    // New content (a page, a listing, a window opened) is what the viewer
    // reads next: it may take the bucket's spare room at once to show
    // readable, rather than coarse and sharpened over seconds. Not while
    // the screen keeps moving (a scroll, a drag, a video): what a frame
    // shows then is soon replaced, and the room is kept for the picture
    // the screen comes to rest on. Nor for a change over a few macroblocks:
    // a small animation would take it at every frame. The model only
    // guesses what the readable quantiser costs: the search may take all
    // of the allowance for it, but no finer.
    const auto readable = static_cast<std::int64_t>(PredictBits(cost, ReadableQuantiser()));
    const bool mayTakeRoom = cost.widespread && !Moving() && fullness_ <= capacity_ * kChangeFromPercent / 100;
    if (mayTakeRoom && readable > plan.target && ChangeAllowance() > plan.target) {
      refineFrom = std::min(readable, ChangeAllowance());
      plan.target = ChangeAllowance();
      plan.finest = ReadableQuantiser();
    }
    // A frame that costs no more than the rate's share per frame even at
    // the coarsest quantiser kept is never left out (a small area that
    // changes every frame keeps every frame), and may take up to that share.
    const bool affordable = keptBits <= static_cast<double>(frameShare_);
    if (affordable) plan.target = std::max(plan.target, static_cast<std::int64_t>(keptBits));
    plan.mayLeaveOut = !affordable;
    // With the bucket nearly full, a frame that costs more than its share
    // keeps what changed most, for one and a half shares: waiting for room
    // to code a whole frame later only makes the changes it must catch up
    // on larger, and a frame left out shows all of them where they were.
    if (!affordable && Crowded()) plan.crowdedBits = frameShare_ * 3 / 2;
  }
  plan.quantiser = plan.finest;
  while (plan.quantiser < 31 && PredictBits(cost, plan.quantiser) > static_cast<double>(plan.target)) {
    ++plan.quantiser;
  }
  // Key frames of the same screen cost alike: the last one's quantiser is
  // the better first guess, and each try of a whole plane takes long.
  if (key && lastKeyQuantiser_ != 0) plan.quantiser = lastKeyQuantiser_;
  // Refinement takes a fifth of the target, or what the changes leave of
  // it; nothing while the bucket is well over half full.
  plan.refineBits = fullness_ > capacity_ * 6 / 10
                        ? 0
                        : std::max<std::int64_t>(refineFrom / 5, static_cast<std::int64_t>(
                                                                     refineFrom - PredictBits(cost, plan.quantiser)));
  return plan;
}

bool RateControl::LeaveOutRatherThan(int q, const PlanePlan& plan, int leftOutInARow) const {
  return plan.mayLeaveOut && q > coarsestKept_ && MayLeaveOut(leftOutInARow);
}

QuantiserSearch::QuantiserSearch(const RateControl& rate, const RateControl::PlanePlan& plan)
    : room_(rate.Room()), target_(plan.target), q_(plan.quantiser), low_(plan.finest), high_(31) {}

bool QuantiserSearch::Next(std::size_t bits) {
  const bool over = static_cast<std::int64_t>(bits) > room_ || static_cast<double>(bits) > target_ * 1.2;
  if (!over) good_ = q_;
  const double ratio = static_cast<double>(bits) / static_cast<double>(std::max<std::int64_t>(target_, 1));
  int next = q_;
  if (over) {
    low_ = q_ + 1;
    next = std::max(low_, static_cast<int>(q_ * ratio + 0.999));
  } else if (ratio < 0.6 && q_ > low_) {
    high_ = q_ - 1;
    next = std::max(low_, static_cast<int>(q_ * ratio));
  }
  next = std::min(next, high_);
  if (next == q_ || low_ > high_ || attempts_++ == 3) return false;
  q_ = next;
  return true;
}

}  // namespace mavrion::encoder::builtin::mpeg4
