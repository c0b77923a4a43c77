#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>

#include "core/encoder/builtin/mpeg4/BitWriter.h"
#include "core/encoder/builtin/mpeg4/Headers.h"
#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"
#include "core/encoder/builtin/mpeg4/MotionSearch.h"
#include "core/encoder/builtin/mpeg4/PlaneSyntax.h"
#include "core/encoder/builtin/mpeg4/Transform.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

constexpr int kBorder = 32;  // luma samples around each reference plane
// Inter codings with coefficients before a macroblock is coded intra again:
// within the 132 the standard allows, so that decoders whose inverse
// transform differs from ours do not drift.
constexpr int kIntraRefresh = 120;
// A still macroblock whose luma differs from the source by less than this
// (sum of absolute differences) shows it as well as refining could.
constexpr int kShownExactly = 64;

enum Mode : std::uint8_t { kSkip, kInter, kIntra };

}  // namespace

struct Mpeg4Encoder::Macroblock {
  // Kept between frames.
  std::uint8_t quality = 0;  // quantiser of what the reference shows; 0 before anything
  std::uint8_t interCodings = 0;
  MotionVector lastMv;
  std::int32_t stillError = -1;  // luma error of what is shown while still; -1 until measured
  bool pending = false;  // changed, but left for a later frame
  // This frame.
  bool changed = false;
  bool coded = false;
  bool forceIntra = false;
  bool searchedIntra = false;  // the motion search found no match worth coding from
  Mode mode = kSkip;
  MotionVector mv;
  std::int32_t cost = 0;
  std::int32_t flatness = 0;  // what coding it intra has to take, as the search measures it
  std::uint8_t cbp = 0;
};

struct Mpeg4Encoder::Analysis {
  std::vector<int> changed;
  bool moved = false;  // a change that is not one left pending: the screen moved since the last frame
  std::vector<MotionVector> candidates;  // moves seen on the whole screen
  std::vector<MotionVector> lastMoves;   // the most common moves of the last frame
  std::vector<MacroblockLevels> levels;
  double refinedError = 0;               // of the macroblocks refined in this plane
  int refined = 0;
};

Mpeg4Encoder::Mpeg4Encoder(const EncoderSettings& settings)
    : settings_(settings), mbWidth_((settings.width + 15) / 16), mbHeight_((settings.height + 15) / 16),
      headers_(mpeg4::SequenceHeaders(settings.width, settings.height)),
      rate_(settings.bitsPerSecond, settings.bufferMs, settings.framesPerThousandSeconds, settings.sharpness),
      source_(std::make_unique<YuvPicture>(settings.width, settings.height, kBorder)),
      reference_(std::make_unique<YuvPicture>(settings.width, settings.height, kBorder)),
      current_(std::make_unique<YuvPicture>(settings.width, settings.height, kBorder)),
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

void Mpeg4Encoder::Analyse(const BgraImage& picture, bool key) {
  Analysis& a = *analysis_;
  a.changed.clear();
  a.moved = false;
  a.candidates = a.lastMoves;
  const int w = settings_.width, h = settings_.height;
  const std::size_t lastStride = static_cast<std::size_t>(w) * 4;
  for (int my = 0; my < mbHeight_; ++my) {
    for (int mx = 0; mx < mbWidth_; ++mx) {
      const int index = my * mbWidth_ + mx;
      Macroblock& mb = blocks_[index];
      bool changed = key || !started_;
      const int x0 = mx * 16, rows = std::min(16, h - my * 16);
      const std::size_t bytes = static_cast<std::size_t>(std::min(16, w - x0)) * 4;
      for (int y = 0; !changed && y < rows; ++y) {
        const int row = my * 16 + y;
        changed = std::memcmp(picture.pixels + row * picture.strideBytes + x0 * 4,
                              &lastSource_[row * lastStride + x0 * 4], bytes) != 0;
      }
      mb.changed = changed;
      mb.coded = false;
      mb.mode = kSkip;
      mb.mv = MotionVector{};
      mb.forceIntra = key || mb.interCodings >= kIntraRefresh;
      if (changed) {
        ConvertMacroblock(picture.pixels, picture.strideBytes, w, h, mx, my, source_.get());
        a.changed.push_back(index);
        a.moved = a.moved || !mb.pending;
      } else if (mb.stillError < 0) {
        mb.stillError = MotionSearch(*source_, *reference_, kBorder).Cost(mx, my, MotionVector{});
        if (mb.stillError < kShownExactly) mb.quality = 1;
      }
    }
  }
  if (key) return;
  DiscoverMotion();
  for (int index : a.changed) SearchMotion(index);
  LimitVectors();
}

void Mpeg4Encoder::LimitVectors() {
  // One f_code serves the whole plane and makes every vector dearer: the
  // smallest that holds all but a few stray long vectors is used, and those
  // few are coded without moving.
  Analysis& a = *analysis_;
  std::array<int, 8> needing{};
  int moved = 0;
  for (int index : a.changed) {
    const Macroblock& mb = blocks_[index];
    if (mb.mode != kInter || (mb.mv.x == 0 && mb.mv.y == 0)) continue;
    ++needing[FCodeFor(std::max(std::abs(mb.mv.x), std::abs(mb.mv.y)))];
    ++moved;
  }
  int fCode = 7, beyond = 0;
  while (fCode > 1 && beyond + needing[fCode] <= moved / 50) beyond += needing[fCode--];
  const int limit = 32 * (1 << (fCode - 1)) - 1;
  MotionSearch search(*source_, *reference_, kBorder);
  for (int index : a.changed) {
    Macroblock& mb = blocks_[index];
    if (mb.mode != kInter || std::max(std::abs(mb.mv.x), std::abs(mb.mv.y)) <= limit) continue;
    const int mx = index % mbWidth_, my = index / mbWidth_;
    mb.mv = MotionVector{};
    mb.cost = search.Cost(mx, my, mb.mv);
    const int intraCost = search.Flatness(mx, my);
    if (mb.cost > intraCost + 512) mb.mode = kIntra, mb.cost = intraCost;
  }
}

void Mpeg4Encoder::DiscoverMotion() {
  Analysis& a = *analysis_;
  MotionSearch search(*source_, *reference_, kBorder);
  // A few changed macroblocks, spread over the changed area, that no known
  // move explains are searched far along the axes and near in both: what
  // they find is tried on every changed macroblock.
  // Fewer once moves are known: full motion finds new ones every frame.
  const std::size_t samples = a.candidates.empty() ? 16 : 4;
  const std::size_t step = std::max<std::size_t>(1, a.changed.size() / samples);
  std::map<std::pair<int, int>, int> found;
  for (std::size_t i = step / 2; i < a.changed.size(); i += step) {
    const int index = a.changed[i];
    const int mx = index % mbWidth_, my = index / mbWidth_;
    MotionVector best{};
    int bestCost = search.Cost(mx, my, best);
    for (const MotionVector& c : a.candidates) bestCost = std::min(bestCost, search.Cost(mx, my, c));
    if (bestCost < 512 || search.Flatness(mx, my) < 256) continue;
    MotionVector far = search.WideSearch(mx, my, bestCost);
    if (far.x != 0 || far.y != 0) ++found[{far.x, far.y}];
  }
  for (const auto& [mv, count] : found) {
    MotionVector v{static_cast<std::int16_t>(mv.first), static_cast<std::int16_t>(mv.second)};
    if (std::find(a.candidates.begin(), a.candidates.end(), v) == a.candidates.end()) a.candidates.push_back(v);
  }
}

void Mpeg4Encoder::SearchMotion(int index) {
  Analysis& a = *analysis_;
  Macroblock& mb = blocks_[index];
  const int mx = index % mbWidth_, my = index / mbWidth_;
  MotionSearch search(*source_, *reference_, kBorder);
  std::array<MotionVector, 4> near{mb.lastMv, MotionVector{}, MotionVector{}, MotionVector{}};
  if (mx > 0) near[1] = blocks_[index - 1].mv;
  if (my > 0) near[2] = blocks_[index - mbWidth_].mv;
  if (my > 0 && mx + 1 < mbWidth_) near[3] = blocks_[index - mbWidth_ + 1].lastMv;
  // Costs count the vector's bits too, against the predictor it is sent
  // as a difference from: in flat areas many vectors match, and the one
  // the neighbours have is the cheap one.
  const MotionVector predicted = PredictedVector(mx, my, mbWidth_, [&](int x, int y) {
    const Macroblock& n = blocks_[y * mbWidth_ + x];
    return n.mode == kInter ? n.mv : MotionVector{};
  });
  auto vectorBits = [&](const MotionVector& v) {
    auto component = [](int d) {
      int bits = 1;
      for (int a = std::abs(d); a != 0; a >>= 1) bits += 2;
      return bits;
    };
    // A long vector also makes every other vector of the plane cost more
    // (a larger f_code): worth it only for a clearly better match.
    const int longest = std::max(std::abs(v.x), std::abs(v.y));
    const int range = longest < 32 ? 0 : (longest < 64 ? 16 : 32);
    return component(v.x - predicted.x) + component(v.y - predicted.y) + range;
  };
  constexpr int kSadPerBit = 4;
  MotionVector best{};
  int bestSad = search.Cost(mx, my, best);
  int bestCost = bestSad + kSadPerBit * vectorBits(best);
  // A vector tried before would cost the same again; one that cannot beat
  // the best is not measured to the end.
  std::array<MotionVector, 32> tried{};
  std::size_t triedCount = 1;
  auto consider = [&](const MotionVector& c) {
    if (std::find(tried.begin(), tried.begin() + triedCount, c) != tried.begin() + triedCount) return;
    if (triedCount < tried.size()) tried[triedCount++] = c;
    const int bits = kSadPerBit * vectorBits(c);
    const int sad = search.Cost(mx, my, c, bestCost - bits);
    if (sad + bits < bestCost) bestCost = sad + bits, bestSad = sad, best = c;
  };
  consider(predicted);
  for (const MotionVector& c : near) consider(c);
  for (const MotionVector& c : a.candidates) consider(c);
  if (bestSad > 0) {
    int refinedSad = bestSad;
    const MotionVector refined = search.Refine(mx, my, best, &refinedSad);
    if (refinedSad + kSadPerBit * vectorBits(refined) < bestCost) best = refined, bestSad = refinedSad;
  }
  bestCost = bestSad;
  const int intraCost = search.Flatness(mx, my);
  mb.flatness = intraCost;
  mb.mv = best;
  mb.searchedIntra = mb.forceIntra || bestCost > intraCost + 512;
  if (mb.searchedIntra) {
    mb.mode = kIntra;
    mb.cost = intraCost;
    mb.mv = MotionVector{};
  } else {
    mb.mode = kInter;
    mb.cost = bestCost;
  }
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
        std::memcpy(&lastSource_[row * lastStride + x0 * 4], picture.pixels + row * picture.strideBytes + x0 * 4,
                    bytes);
      }
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
  if (keyTiming == KeyTiming::kOverdue && rate_.MayLeaveOut(leftOut_)) {
    ++leftOut_;
    analysis_->changed.clear();  // this picture was not looked at: nothing of it waits
    LeaveOut(timeMs, out);
    return false;
  }
  bool key = keyTiming == KeyTiming::kNow;
  Analyse(picture, key);
  rate_.NoteMotion(!key && analysis_->moved);
  if (!key && wantKey && rate_.KeyWithNewContent(NewContentPercent())) {
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
  rate_.KeyCoded(q, static_cast<std::int64_t>(bits));
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
    if (!KeepWhatFits(picture, timeMs, rate_.OverdueKeyBudget(), out)) LeaveOut(timeMs, out);
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

int Mpeg4Encoder::NewContentPercent() const {
  // Motion that leaves more than half of what intra coding would take
  // explains little: text that replaced other text.
  int fresh = 0;
  for (int index : analysis_->changed) {
    const Macroblock& mb = blocks_[index];
    fresh += mb.mode == kIntra || 2 * mb.cost >= mb.flatness ? 1 : 0;
  }
  return static_cast<int>(fresh * 100 / blocks_.size());
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
  ConvertMacroblock(lastSource_.data(), settings_.width * 4, settings_.width, settings_.height, index % mbWidth_,
                    index / mbWidth_, source_.get());
}

void Mpeg4Encoder::EncodeRepeat(std::int64_t timeMs, std::vector<std::uint8_t>* out) {
  rate_.Advance(timeMs);
  ++counts_.repeated;
  WriteNotCoded(timeMs, out);
}

}  // namespace mavrion::encoder::builtin::mpeg4
