#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "core/encoder/builtin/mpeg4/BitWriter.h"
#include "core/encoder/builtin/mpeg4/Headers.h"
#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"
#include "core/encoder/builtin/mpeg4/MacroblockState.h"
#include "core/encoder/builtin/mpeg4/MotionSearch.h"
#include "core/encoder/builtin/mpeg4/PlaneSyntax.h"
#include "core/encoder/builtin/mpeg4/Transform.h"

namespace mavrion::encoder::builtin::mpeg4 {
Mpeg4Encoder::Mpeg4Encoder(const EncoderSettings& settings)
    : settings_(settings), mbWidth_((settings.width + 15) / 16), mbHeight_((settings.height + 15) / 16),
      headers_(mpeg4::SequenceHeaders(settings.width, settings.height)),
      rate_(settings.bitsPerSecond, settings.bufferMs, settings.framesPerThousandSeconds, settings.sharpness),
      source_(std::make_unique<YuvPicture>(settings.width, settings.height, kBorder)),
      reference_(std::make_unique<YuvPicture>(settings.width, settings.height, kBorder)),
      current_(std::make_unique<YuvPicture>(settings.width, settings.height, kBorder)),
      codedSource_(std::make_unique<YuvPicture>(settings.width, settings.height, 0)),
      lastSource_(static_cast<std::size_t>(settings.width) * settings.height * 4),
      blocks_(static_cast<std::size_t>(mbWidth_) * mbHeight_), analysis_(std::make_unique<Analysis>()) {
  analysis_->levels.resize(blocks_.size());
}

Mpeg4Encoder::~Mpeg4Encoder() = default;

AsfVideoFormat Mpeg4Encoder::Format() const {
  AsfVideoFormat f;
  f.width = settings_.width;
  f.height = settings_.height;
  f.fourCC = kFourCcM4s2;
  f.bitCount = 24;
  f.codecData = headers_;
  f.bitsPerSecond = settings_.bitsPerSecond;
  f.bufferMs = settings_.bufferMs;
  return f;
}

void Mpeg4Encoder::CodeMacroblock(int index, bool intra, int q) {
  Macroblock& mb = blocks_[index];
  const int mx = index % mbWidth_, my = index / mbWidth_;
  MacroblockLevels& levels = analysis_->levels[index];
  differing_.push_back(index);
  // A changed macroblock the search found a match for is coded inter or
  // intra, whichever costs less at q, at every try of the plane; a still
  // one being refined only adds what its picture lacks, inter.
  if (intra && (mb.searchedIntra || mb.forceIntra)) {
    mb.mode = kIntra;
    mb.mv = MotionVector{};
    mb.cbp = CodeIntra(*source_, mx, my, q, &levels, current_.get(), dcOnly_);
    mb.coded = true;
    return;
  }
  CodedMacroblock coded;
  if (mb.changed) {
    coded = CodeCheaper(*source_, *reference_, mx, my, mb.mv, q, &levels, current_.get());
  } else {
    coded.cbp = CodeInter(*source_, *reference_, mx, my, mb.mv, q, &levels, current_.get());
  }
  mb.cbp = coded.cbp;
  mb.mode = coded.intra ? kIntra : (mb.cbp == 0 && mb.mv.x == 0 && mb.mv.y == 0) ? kSkip : kInter;
  mb.coded = true;
}

std::size_t Mpeg4Encoder::CodePlane(bool key, int q, std::int64_t changeBudget, std::int64_t refineBudget,
                                    std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  Analysis& a = *analysis_;
  // The plane starts as the reference: only what the last try (or the
  // last plane kept) coded differs.
  for (int index : differing_) CopyMacroblock(*reference_, index % mbWidth_, index / mbWidth_, current_.get());
  differing_.clear();
  for (Macroblock& mb : blocks_) mb.coded = false;
  if (key) {
    for (std::size_t i = 0; i < blocks_.size(); ++i) CodeMacroblock(static_cast<int>(i), true, q);
  } else {
    // Changes go first, in order, while their budget lasts.
    std::int64_t changesSpent = 0;
    for (int index : a.changed) {
      if (changeBudget >= 0 && changesSpent >= changeBudget) break;
      Macroblock& mb = blocks_[index];
      CodeMacroblock(index, mb.mode == kIntra, q);
      if (changeBudget >= 0) changesSpent += EstimateBits(a.levels[index], mb.cbp, mb.mode == kIntra) + 12;
    }
    // Still parts of the screen shown coarser than q are coded again at q,
    // in turn, while the budget lasts.
    const std::size_t n = blocks_.size();
    std::int64_t spent = 0;
    a.refinedError = 0;
    a.refined = 0;
    refineStop_ = refineCursor_;
    for (std::size_t step = 0; step < n && spent < refineBudget; ++step) {
      const std::size_t index = (refineCursor_ + step) % n;
      refineStop_ = (index + 1) % n;
      Macroblock& mb = blocks_[index];
      if (mb.changed || mb.quality <= q) continue;
      mb.mv = MotionVector{};
      CodeMacroblock(static_cast<int>(index), mb.forceIntra, q);
      spent += EstimateBits(a.levels[index], mb.cbp, mb.mode == kIntra) + 2;
      a.refinedError += mb.stillError;
      ++a.refined;
    }
  }
  out->clear();
  if (key) out->insert(out->end(), headers_.begin(), headers_.end());
  BitWriter bits(out);
  PlaneHeader header;
  header.type = key ? PlaneType::kIntra : PlaneType::kPredicted;
  header.timeMs = timeMs;
  header.previousSecond = previousSecond_;
  header.quantiser = q;
  int largest = 0;
  for (const Macroblock& mb : blocks_) {
    if (mb.coded && mb.mode == kInter) largest = std::max({largest, std::abs(mb.mv.x), std::abs(mb.mv.y)});
  }
  header.forwardFCode = FCodeFor(largest);
  WritePlaneHeader(header, &bits);
  std::vector<MacroblockWrite> writes(blocks_.size());
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    const Macroblock& mb = blocks_[i];
    MacroblockWrite& w = writes[i];
    w.mode = !mb.coded || mb.mode == kSkip ? MacroblockWrite::kSkip
             : mb.mode == kIntra          ? MacroblockWrite::kIntra
                                          : MacroblockWrite::kInter;
    w.mv = mb.mv;
    w.cbp = mb.cbp;
    w.levels = &a.levels[i];
  }
  WritePlane(writes, mbWidth_, mbHeight_, key, q, header.forwardFCode, &bits);
  bits.Stuff();
  return out->size() * 8;
}

void Mpeg4Encoder::WriteNotCoded(std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  out->clear();
  BitWriter bits(out);
  PlaneHeader header;
  header.type = PlaneType::kPredicted;
  header.timeMs = timeMs;
  header.previousSecond = previousSecond_;
  header.coded = false;
  WritePlaneHeader(header, &bits);
  previousSecond_ = timeMs / 1000;
  rate_.Add(out->size() * 8);
}

void Mpeg4Encoder::Commit(const BgraImage& picture, bool key, int q, std::size_t bits, std::int64_t timeMs) {
  rate_.Add(bits);
  previousSecond_ = timeMs / 1000;
  leftOut_ = 0;
  refineCursor_ = refineStop_;
  Analysis& a = *analysis_;
  std::swap(reference_, current_);
  reference_->ExtendEdges();
  const int w = settings_.width, h = settings_.height;
  const std::size_t lastStride = static_cast<std::size_t>(w) * 4;
  std::map<std::pair<int, int>, int> moves;
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    Macroblock& mb = blocks_[i];
    if (mb.changed && mb.coded) {
      const int mx = static_cast<int>(i) % mbWidth_, my = static_cast<int>(i) / mbWidth_;
      const int x0 = mx * 16, rows = std::min(16, h - my * 16);
      const std::size_t bytes = static_cast<std::size_t>(std::min(16, w - x0)) * 4;
      for (int y = 0; y < rows; ++y) {
        const int row = my * 16 + y;
        std::uint8_t* to = &lastSource_[row * lastStride + x0 * 4];
        const std::uint8_t* from = picture.pixels + row * picture.strideBytes + x0 * 4;
        // A whole macroblock's row is copied inline, not by a library call.
        if (bytes == 64) {
          std::memcpy(to, from, 64);
        } else {
          std::memcpy(to, from, bytes);
        }
      }
      CopyMacroblock(*source_, mx, my, codedSource_.get());
    } else if (mb.changed) {
      RestoreSource(static_cast<int>(i));  // waits for a later frame
    }
    mb.pending = mb.changed && !mb.coded;
    if (mb.changed || mb.coded) mb.stillError = -1;
    if (!mb.coded) continue;
    mb.quality = static_cast<std::uint8_t>(q);
    if (mb.mode == kIntra) {
      mb.interCodings = 0;
      ++counts_.intraMacroblocks;
    } else if (mb.mode == kInter) {
      if (mb.cbp != 0) ++mb.interCodings;
      ++counts_.interMacroblocks;
      if (mb.mv.x != 0 || mb.mv.y != 0) ++moves[{mb.mv.x, mb.mv.y}];
    } else {
      ++counts_.skippedMacroblocks;
    }
    if (!mb.changed) ++counts_.refinedMacroblocks;
    mb.lastMv = mb.changed ? mb.mv : MotionVector{};
  }
  // The last frame's most common moves are the first guesses for the next.
  std::vector<std::pair<int, MotionVector>> ranked;
  for (const auto& [mv, n] : moves) {
    ranked.push_back({n, MotionVector{static_cast<std::int16_t>(mv.first), static_cast<std::int16_t>(mv.second)}});
  }
  std::sort(ranked.begin(), ranked.end(), [](const auto& l, const auto& r) { return l.first > r.first; });
  a.lastMoves.clear();
  for (std::size_t i = 0; i < ranked.size() && i < 4; ++i) a.lastMoves.push_back(ranked[i].second);
  started_ = true;
  ++counts_.coded;
  if (key) ++counts_.keys;
}

bool Mpeg4Encoder::Encode(const BgraImage& picture, std::int64_t timeMs, bool wantKey,
                          std::vector<std::uint8_t>* out) {
  rate_.Advance(timeMs);
  using KeyTiming = RateControl::KeyTiming;
  const KeyTiming keyTiming =
      started_ ? rate_.TimeKey(wantKey, timeMs, wantKey ? ScreenQuantiser() : 0) : KeyTiming::kNow;
  // While a key frame is overdue, every other frame is left out for it to
  // have room sooner; not while changes seen earlier still wait to be
  // shown.
  if (keyTiming == KeyTiming::kOverdue && !Behind() && rate_.MayLeaveOut(leftOut_)) {
    ++leftOut_;
    analysis_->changed.clear();  // this picture was not looked at: nothing of it waits
    LeaveOut(timeMs, out);
    return false;
  }
  bool key = !started_;
  Analyse(picture, key);
  // A pointer or the letters typed change the screen too, but not enough
  // of it to count as motion.
  const bool moved = !key && analysis_->fresh >= static_cast<int>(blocks_.size()) / kMovingPart;
  rate_.NoteMotion(moved);
  // A key frame due, unless it waits for a scroll or a drag just begun.
  if (!key && keyTiming == KeyTiming::kNow && !(moved && rate_.KeyWaitsForRest(timeMs))) {
    key = true;
    Analyse(picture, true);
  }
  if (!key && rate_.KeyWithNewContent(wantKey, timeMs, NewContentPercent())) {
    key = true;
    Analyse(picture, true);
  }
  if (key) {
    if (EncodeKey(picture, timeMs, out)) return true;
    Analyse(picture, false);  // no room: the key frame comes later, this one is predicted
  }
  return EncodePredicted(picture, timeMs, keyTiming == KeyTiming::kOverdue, out);
}

bool Mpeg4Encoder::EncodeKey(const BgraImage& picture, std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  const RateControl::PlaneCost cost = PlaneCost(true);
  const RateControl::PlanePlan plan = rate_.PlanPlane(cost, true, 0);
  int q = 31;
  std::size_t bits = CodeAtSearchedQuantiser(true, plan, timeMs, out, &q);
  if (static_cast<std::int64_t>(bits) > rate_.Room()) {
    if (started_) return false;
    // The first picture has nothing to fall back on: rather than a file
    // without a picture, it keeps each block's mean only, and the still
    // parts of the screen are refined from there.
    dcOnly_ = true;
    q = 31;
    bits = CodePlane(true, q, -1, 0, timeMs, out);
    dcOnly_ = false;
  }
  rate_.Learn(cost, q, static_cast<double>(bits));
  rate_.KeyCoded(q, static_cast<std::int64_t>(bits), timeMs);
  Commit(picture, true, q, bits, timeMs);
  return true;
}

bool Mpeg4Encoder::EncodePredicted(const BgraImage& picture, std::int64_t timeMs, bool keyOverdue,
                                   std::vector<std::uint8_t>* out) {
  Analysis& a = *analysis_;
  if (a.changed.empty()) {
    // The key frame on its way sharpens everything: the bucket drains for it.
    if (keyOverdue) {
      EncodeRepeat(timeMs, out);
      return false;
    }
    return Sharpen(picture, timeMs, out);
  }
  if (keyOverdue) {
    if (!KeepWhatFits(picture, timeMs, rate_.OverdueKeyBudget(a.fresh == 0), out)) LeaveOut(timeMs, out);
    return false;
  }
  const RateControl::PlaneCost cost = PlaneCost(false);
  double kept = rate_.PredictBits(cost, rate_.CoarsestKeptQuantiser());
  if (rate_.MeasureKept(kept, a.changed.size() * 4 < blocks_.size())) {
    kept = static_cast<double>(CodePlane(false, rate_.CoarsestKeptQuantiser(), -1, 0, timeMs, out));
  }
  const RateControl::PlanePlan plan = rate_.PlanPlane(cost, false, kept);
  if (plan.crowdedBits > 0 && KeepWhatFits(picture, timeMs, plan.crowdedBits, out)) return false;
  int q = 31;
  const std::size_t bits = CodeAtSearchedQuantiser(false, plan, timeMs, out, &q);
  if (bits == 0) {
    ++leftOut_;
    LeaveOut(timeMs, out);
    return false;
  }
  const std::int64_t room = rate_.Room();
  if (static_cast<std::int64_t>(bits) > room) {
    // Not even the coarsest quantiser fits: what fits of it.
    if (!KeepWhatFits(picture, timeMs, room, out)) LeaveOut(timeMs, out);
    return false;
  }
  rate_.Learn(cost, q, static_cast<double>(bits));
  Commit(picture, false, q, bits, timeMs);
  return false;
}

std::size_t Mpeg4Encoder::CodeAtSearchedQuantiser(bool key, const RateControl::PlanePlan& plan, std::int64_t timeMs,
                                                  std::vector<std::uint8_t>* out, int* q) {
  QuantiserSearch search(rate_, plan);
  std::size_t bits = 0;
  do {
    if (rate_.LeaveOutRatherThan(search.Quantiser(), plan, leftOut_)) return 0;
    bits = CodePlane(key, search.Quantiser(), -1, plan.refineBits, timeMs, out);
  } while (search.Next(bits));
  *q = search.Quantiser();
  if (search.Chosen() != *q) {
    *q = search.Chosen();
    bits = CodePlane(key, *q, -1, plan.refineBits, timeMs, out);
  }
  return bits;
}

RateControl::PlaneCost Mpeg4Encoder::PlaneCost(bool key) const {
  const Analysis& a = *analysis_;
  RateControl::PlaneCost cost;
  if (key) {
    // The flatness of every macroblock, for the rate model.
    MotionSearch search(*source_, *reference_, kBorder);
    for (int index : a.changed) cost.Add(RateControl::kIntra, search.Flatness(index % mbWidth_, index / mbWidth_));
  } else {
    for (int index : a.changed) {
      const Macroblock& mb = blocks_[index];
      cost.Add(mb.mode == kIntra ? RateControl::kIntra : RateControl::kInter, mb.cost);
    }
    // A predicted plane spends a bit on every macroblock it leaves as it was.
    cost.fixedBits += static_cast<double>(blocks_.size());
    cost.widespread = a.changed.size() >= blocks_.size() / kMovingPart;
  }
  return cost;
}

bool Mpeg4Encoder::KeepWhatFits(const BgraImage& picture, std::int64_t timeMs, std::int64_t budget,
                                std::vector<std::uint8_t>* out) {
  // Rather than leave the frame out (everything that changed shown where
  // it was, for as long as the bucket takes to drain), the changes that
  // put right the most per bit are coded, the rest wait for a later frame.
  Analysis& a = *analysis_;
  const int q = 31;
  MotionSearch search(*source_, *reference_, kBorder);
  std::vector<std::pair<double, int>> ranked;
  for (int index : a.changed) {
    const Macroblock& mb = blocks_[index];
    const int shown = search.Cost(index % mbWidth_, index / mbWidth_, MotionVector{});
    const bool intra = mb.mode == kIntra;
    const RateControl::Kind kind = intra ? RateControl::kIntra : RateControl::kInter;
    const double cost = rate_.PredictBits(mb.cost, RateControl::kOverheadBits[kind], kind, q);
    ranked.push_back({(shown - mb.cost) / std::max(cost, 1.0), index});
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& l, const auto& r) { return l.first > r.first; });
  for (std::size_t i = 0; i < ranked.size(); ++i) a.changed[i] = ranked[i].second;
  const std::int64_t limit = std::min(budget, rate_.Room());
  std::int64_t changes = limit - 64 - static_cast<std::int64_t>(blocks_.size());
  for (int attempt = 0; attempt < 4 && changes > 0; ++attempt, changes /= 2) {
    const std::size_t bits = CodePlane(false, q, changes, 0, timeMs, out);
    if (static_cast<std::int64_t>(bits) <= limit) {
      Commit(picture, false, q, bits, timeMs);
      return true;
    }
  }
  return false;
}

bool Mpeg4Encoder::Behind() const {
  return std::any_of(blocks_.begin(), blocks_.end(), [](const Macroblock& mb) { return mb.pending; });
}

int Mpeg4Encoder::ScreenQuantiser() const {
  // The harmonic mean, as a macroblock's bits go as 1/q. Those shown
  // exactly (flat) cost alike at any quantiser and are left out.
  double inverses = 0;
  int counted = 0;
  for (const Macroblock& mb : blocks_) {
    if (mb.quality <= 1) continue;
    inverses += 1.0 / mb.quality;
    ++counted;
  }
  return counted > 0 ? static_cast<int>(counted / inverses) : 0;
}

RateControl::StillParts Mpeg4Encoder::StillParts() const {
  RateControl::StillParts still;
  for (const Macroblock& mb : blocks_) {
    if (mb.changed || mb.stillError < 0) continue;
    for (int q = 0; q < mb.quality; ++q) {
      still.errorCoarserThan[q] += mb.stillError;
      ++still.countCoarserThan[q];
    }
  }
  return still;
}

bool Mpeg4Encoder::Sharpen(const BgraImage& picture, std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  const RateControl::StillParts still = StillParts();
  // A plane spends a bit on every macroblock it leaves as it was.
  const std::int64_t planeBits = 64 + static_cast<std::int64_t>(blocks_.size());
  const RateControl::Refinement plan = rate_.PlanRefinement(still, planeBits);
  const int q = plan.quantiser;
  std::int64_t budget = plan.bits;
  if (budget == 0) {
    EncodeRepeat(timeMs, out);
    return false;
  }
  // Estimates steer the refinement; a plane that still comes out too large
  // is tried again with less.
  std::size_t bits = 0;
  bool fits = false;
  for (int attempt = 0; !fits && still.countCoarserThan[q] > 0 && budget > 0; ++attempt) {
    bits = CodePlane(false, q, -1, budget, timeMs, out);
    fits = static_cast<std::int64_t>(bits) <= rate_.Room();
    budget = attempt < 2 ? budget / 2 : 0;
  }
  const Analysis& a = *analysis_;
  if (!fits || a.refined == 0) {
    EncodeRepeat(timeMs, out);
    return false;
  }
  rate_.Learn(a.refinedError, a.refined * RateControl::kOverheadBits[RateControl::kRefine] + static_cast<double>(planeBits),
              RateControl::kRefine, q, static_cast<double>(bits));
  Commit(picture, false, q, bits, timeMs);
  return false;
}

void Mpeg4Encoder::LeaveOut(std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  // The source planes go back to what the reference was coded from, as
  // unchanged macroblocks are refined from them.
  if (started_) {
    for (int index : analysis_->changed) {
      RestoreSource(index);
      blocks_[index].pending = true;
    }
  }
  ++counts_.dropped;
  WriteNotCoded(timeMs, out);
}

void Mpeg4Encoder::RestoreSource(int index) {
  CopyMacroblock(*codedSource_, index % mbWidth_, index / mbWidth_, source_.get());
}

void Mpeg4Encoder::EncodeRepeat(std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  rate_.Advance(timeMs);
  ++counts_.repeated;
  WriteNotCoded(timeMs, out);
}

}  // namespace mavrion::encoder::builtin::mpeg4
