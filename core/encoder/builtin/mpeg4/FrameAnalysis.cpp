// The analysis of a frame for the MPEG-4 encoder: which macroblocks
// changed since the last coded picture, and where the changed ones moved
// from.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>

#include <emmintrin.h>

#include "core/encoder/builtin/mpeg4/MacroblockState.h"
#include "core/encoder/builtin/mpeg4/MotionSearch.h"
#include "core/encoder/builtin/mpeg4/PlaneSyntax.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Whether bytes at a and b are the same. Every frame compares the whole
// screen this way, and the runtime's memcmp made that much slower in the
// Windows build under Wine than natively.
bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes) {
  __m128i differ = _mm_setzero_si128();
  std::size_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    differ = _mm_or_si128(differ, _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
  }
  if (_mm_movemask_epi8(_mm_cmpeq_epi8(differ, _mm_setzero_si128())) != 0xFFFF) return false;
  return i == bytes || std::memcmp(a + i, b + i, bytes - i) == 0;
}

// Whether rows of bytes at a and b, a macroblock's, are the same. A whole
// macroblock's 16 BGRA pixels a row are compared four rows at a time:
// most of a still screen is compared to the end.
bool SameRows(const std::uint8_t* a, std::ptrdiff_t aStride, const std::uint8_t* b, std::ptrdiff_t bStride,
              std::size_t bytes, int rows) {
  if (bytes != 64) {
    for (int y = 0; y < rows; ++y) {
      if (!SameBytes(a + y * aStride, b + y * bStride, bytes)) return false;
    }
    return true;
  }
  auto load = [](const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  for (int y = 0; y < rows;) {
    __m128i differ = _mm_setzero_si128();
    for (const int end = std::min(rows, y + 4); y < end; ++y) {
      const std::uint8_t* ra = a + y * aStride;
      const std::uint8_t* rb = b + y * bStride;
      for (int i = 0; i < 64; i += 16) differ = _mm_or_si128(differ, _mm_xor_si128(load(ra + i), load(rb + i)));
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(differ, _mm_setzero_si128())) != 0xFFFF) return false;
  }
  return true;
}

}  // namespace

void Mpeg4Encoder::Analyse(const BgraImage& picture, bool key) {
  Analysis& a = *analysis_;
  a.changed.clear();
  a.fresh = 0;
  a.candidates = a.lastMoves;
  const int w = settings_.width, h = settings_.height;
  const std::size_t lastStride = static_cast<std::size_t>(w) * 4;
  for (int my = 0; my < mbHeight_; ++my) {
    for (int mx = 0; mx < mbWidth_; ++mx) {
      const int index = my * mbWidth_ + mx;
      Macroblock& mb = blocks_[index];
      const int x0 = mx * 16, y0 = my * 16;
      const bool changed =
          key || !started_ ||
          !SameRows(picture.pixels + y0 * picture.strideBytes + x0 * 4, picture.strideBytes,
                    &lastSource_[y0 * lastStride + x0 * 4], static_cast<std::ptrdiff_t>(lastStride),
                    static_cast<std::size_t>(std::min(16, w - x0)) * 4, std::min(16, h - y0));
      mb.changed = changed;
      mb.coded = false;
      mb.mode = kSkip;
      mb.mv = MotionVector{};
      mb.forceIntra = key || mb.interCodings >= kIntraRefresh;
      if (changed) {
        ConvertMacroblock(picture.pixels, picture.strideBytes, w, h, mx, my, source_.get());
        a.changed.push_back(index);
        if (!mb.pending) ++a.fresh;
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
  // they find is tried on every changed macroblock. As many while the
  // last frame's moves are known: a scroll or a drag that starts, stops or
  // turns differs from them, and where few samples miss it the frame is
  // coded as new content (full motion pays about 6% more time for it).
  const std::size_t samples = 16;
  const std::size_t step = std::max<std::size_t>(1, a.changed.size() / samples);
  std::map<std::pair<int, int>, int> found;
  bool shrunk = false;
  for (std::size_t i = step / 2; i < a.changed.size(); i += step) {
    const int index = a.changed[i];
    const int mx = index % mbWidth_, my = index / mbWidth_;
    MotionVector best{};
    int bestCost = search.Cost(mx, my, best);
    for (const MotionVector& c : a.candidates) bestCost = std::min(bestCost, search.Cost(mx, my, c));
    if (bestCost < 512 || search.Flatness(mx, my) < 256) continue;
    if (!shrunk) a.coarse.Shrink(source_->y, reference_->y), shrunk = true;
    MotionVector far = search.WideSearch(mx, my, bestCost, a.coarse);
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
    // A long vector also makes every other vector of the plane cost more
    // (a larger f_code): worth it only for a clearly better match.
    const int longest = std::max(std::abs(v.x), std::abs(v.y));
    const int range = longest < 32 ? 0 : (longest < 64 ? 16 : 32);
    return VectorBits(MotionVector{static_cast<std::int16_t>(v.x - predicted.x),
                                   static_cast<std::int16_t>(v.y - predicted.y)}) +
           range;
  };
  // A bit of vector is worth more error where the picture is coarse: a
  // video at the rate's coarsest quantisers keeps hardly any difference,
  // and its bits go to the vectors of thousands of macroblocks, so a
  // smooth field (each vector its neighbours') pays there. Text at the
  // quantisers it is read at keeps the closest match. The quantiser the
  // macroblock was last coded at stands for the one this frame will take.
  const int sadPerBit = std::max(4, mb.quality - 8);
  MotionVector best{};
  int bestSad = search.Cost(mx, my, best);
  int bestCost = bestSad + sadPerBit * vectorBits(best);
  // A vector tried before would cost the same again; one that cannot beat
  // the best is not measured to the end.
  std::array<MotionVector, 32> tried{};
  std::size_t triedCount = 1;
  auto consider = [&](const MotionVector& c) {
    if (std::find(tried.begin(), tried.begin() + triedCount, c) != tried.begin() + triedCount) return;
    if (triedCount < tried.size()) tried[triedCount++] = c;
    const int bits = sadPerBit * vectorBits(c);
    const int sad = search.Cost(mx, my, c, bestCost - bits);
    if (sad + bits < bestCost) bestCost = sad + bits, bestSad = sad, best = c;
  };
  consider(predicted);
  for (const MotionVector& c : near) consider(c);
  for (const MotionVector& c : a.candidates) consider(c);
  if (bestSad > 0) {
    int refinedSad = bestSad;
    const MotionVector refined = search.Refine(mx, my, best, &refinedSad);
    if (refinedSad + sadPerBit * vectorBits(refined) < bestCost) best = refined, bestSad = refinedSad;
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

}  // namespace mavrion::encoder::builtin::mpeg4
