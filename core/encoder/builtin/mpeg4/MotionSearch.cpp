#include "core/encoder/builtin/mpeg4/MotionSearch.h"

#include <cstdlib>

#include <emmintrin.h>

#include "core/encoder/builtin/mpeg4/Interpolation.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

constexpr int kFar = 1 << 28;
constexpr int kLongestVector = 2000;  // half samples; f_code 7 reaches 2047
constexpr int kWideReach = 256;       // whole samples, sideways

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
// The two halves' sums of absolute differences added.
int Total(__m128i sums) { return _mm_cvtsi128_si32(_mm_add_epi32(sums, _mm_srli_si128(sums, 8))); }

}  // namespace

// A vector reaches whole samples plus one for the half-sample neighbour
// and one for the chroma's rounding, inside the bordered reference.
MotionSearch::MotionSearch(const YuvPicture& source, const YuvPicture& reference, int border)
    : source_(source), reference_(reference), reach_(border - 2),
      lastX_(reference.y.AlignedWidth() + 2 * reach_ - 18), lastY_(reference.y.AlignedHeight() + 2 * reach_ - 18) {}

bool MotionSearch::Inside(int mx, int my, MotionVector mv) const {
  if (mv.x < -kLongestVector || mv.x > kLongestVector || mv.y < -kLongestVector || mv.y > kLongestVector) return false;
  const int x = mx * 16 + (mv.x >> 1) + reach_, y = my * 16 + (mv.y >> 1) + reach_;
  return x >= 0 && y >= 0 && x <= lastX_ && y <= lastY_;
}

int MotionSearch::HalfRowsCost(int mx, int my, int dx, int dy, int limit) const {
  const std::ptrdiff_t sourceStep = source_.y.Stride() * 2, referenceStep = reference_.y.Stride() * 2;
  const std::uint8_t* s = source_.y.Row(my * 16) + mx * 16;
  const std::uint8_t* r = reference_.y.Row(my * 16 + dy) + mx * 16 + dx;
  __m128i sum = _mm_setzero_si128();
  int total = 0;
  // Two rows between looks at the limit: a look costs about what a row
  // does.
  for (int j = 0; j < 8; j += 2) {
    sum = _mm_add_epi32(sum, _mm_sad_epu8(Load(s), Load(r)));
    sum = _mm_add_epi32(sum, _mm_sad_epu8(Load(s + sourceStep), Load(r + referenceStep)));
    s += 2 * sourceStep, r += 2 * referenceStep;
    total = Total(sum);
    if (total >= limit) return total;
  }
  return total;
}

int MotionSearch::Cost(int mx, int my, MotionVector mv, int limit) const {
  if (!Inside(mx, my, mv)) return kFar;
  return PredictionSad(source_.y.Row(my * 16) + mx * 16, source_.y.Stride(),
                       reference_.y.Row(my * 16 + (mv.y >> 1)) + mx * 16 + (mv.x >> 1), reference_.y.Stride(), mv.x & 1,
                       mv.y & 1, limit);
}

void MotionSearch::StepCosts(int mx, int my, MotionVector from, int costs[4]) const {
  const MotionVector steps[4] = {{static_cast<std::int16_t>(from.x - 2), from.y},
                                 {static_cast<std::int16_t>(from.x + 2), from.y},
                                 {from.x, static_cast<std::int16_t>(from.y - 2)},
                                 {from.x, static_cast<std::int16_t>(from.y + 2)}};
  // The reference's bounds hold in each direction alone: the two far
  // corners inside hold the four steps inside.
  if (!Inside(mx, my, MotionVector{steps[0].x, steps[2].y}) || !Inside(mx, my, MotionVector{steps[1].x, steps[3].y})) {
    for (int i = 0; i < 4; ++i) costs[i] = Cost(mx, my, steps[i]);
    return;
  }
  // One pass for the four: each source row and each reference row is
  // loaded once, the row above and below carried from one to the next.
  const std::ptrdiff_t sourceStride = source_.y.Stride(), stride = reference_.y.Stride();
  const std::uint8_t* s = source_.y.Row(my * 16) + mx * 16;
  const std::uint8_t* r = reference_.y.Row(my * 16 + (from.y >> 1)) + mx * 16 + (from.x >> 1);
  __m128i left = _mm_setzero_si128(), right = left, up = left, down = left;
  __m128i above = Load(r - stride), here = Load(r);
  for (int j = 0; j < 16; ++j, s += sourceStride, r += stride) {
    const __m128i source = Load(s), below = Load(r + stride);
    left = _mm_add_epi32(left, _mm_sad_epu8(source, Load(r - 1)));
    right = _mm_add_epi32(right, _mm_sad_epu8(source, Load(r + 1)));
    up = _mm_add_epi32(up, _mm_sad_epu8(source, above));
    down = _mm_add_epi32(down, _mm_sad_epu8(source, below));
    above = here, here = below;
  }
  costs[0] = Total(left), costs[1] = Total(right), costs[2] = Total(up), costs[3] = Total(down);
}

void MotionSearch::HalfStepCosts(int mx, int my, MotionVector centre, int costs[8]) const {
  const MotionVector first{static_cast<std::int16_t>(centre.x - 1), static_cast<std::int16_t>(centre.y - 1)};
  const MotionVector last{static_cast<std::int16_t>(centre.x + 1), static_cast<std::int16_t>(centre.y + 1)};
  if (Inside(mx, my, first) && Inside(mx, my, last)) {
    HalfStepSads(source_.y.Row(my * 16) + mx * 16, source_.y.Stride(),
                 reference_.y.Row(my * 16 + (centre.y >> 1)) + mx * 16 + (centre.x >> 1), reference_.y.Stride(), costs);
    return;
  }
  int n = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx != 0 || dy != 0) {
        const MotionVector v{static_cast<std::int16_t>(centre.x + dx), static_cast<std::int16_t>(centre.y + dy)};
        costs[n++] = Cost(mx, my, v);
      }
    }
  }
}

MotionVector MotionSearch::Refine(int mx, int my, MotionVector start, int* cost) const {
  MotionVector best{static_cast<std::int16_t>(start.x & ~1), static_cast<std::int16_t>(start.y & ~1)};
  int bestCost = Cost(mx, my, best);
  const int startCost = best == start ? bestCost : Cost(mx, my, start);
  // Opposite steps differ in the lowest bit of their index; the step back
  // to where the walk came from leads to a worse place and is not taken.
  static const int kSteps[4][2] = {{-2, 0}, {2, 0}, {0, -2}, {0, 2}};
  int back = -1;
  for (int walk = 0; walk < 16 && bestCost > 0; ++walk) {
    int costs[4];
    StepCosts(mx, my, best, costs);
    MotionVector next = best;
    int taken = -1;
    for (int i = 0; i < 4; ++i) {
      if (i == back || costs[i] >= bestCost) continue;
      bestCost = costs[i], taken = i;
      next = MotionVector{static_cast<std::int16_t>(best.x + kSteps[i][0]),
                          static_cast<std::int16_t>(best.y + kSteps[i][1])};
    }
    if (next == best) break;
    best = next;
    back = taken ^ 1;
  }
  if (bestCost > 0) {
    const MotionVector centre = best;
    int costs[8];
    HalfStepCosts(mx, my, centre, costs);
    const int* k = costs;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (dx == 0 && dy == 0) continue;
        if (*k < bestCost) {
          bestCost = *k;
          best = MotionVector{static_cast<std::int16_t>(centre.x + dx), static_cast<std::int16_t>(centre.y + dy)};
        }
        ++k;
      }
    }
  }
  if (startCost <= bestCost) {
    *cost = startCost;
    return start;
  }
  *cost = bestCost;
  return best;
}

MotionVector MotionSearch::WideSearch(int mx, int my, int worse, const CoarseMotion& coarse) const {
  // Every other row: enough to tell a match, half the work.
  int bestCost = kFar, bestX = 0, bestY = 0;
  auto consider = [&](int dx, int dy) {
    MotionVector v{static_cast<std::int16_t>(dx * 2), static_cast<std::int16_t>(dy * 2)};
    if (!Inside(mx, my, v)) return;
    int c = HalfRowsCost(mx, my, dx, dy, bestCost);
    if (c < bestCost) bestCost = c, bestX = dx, bestY = dy;
  };
  // A window dragged far in both directions: around what the shrunk
  // pictures found first, as a good match found early cuts the other
  // tries short.
  int coarseX = 0, coarseY = 0;
  if (coarse.Find(mx, my, &coarseX, &coarseY)) {
    for (int dy = -3; dy <= 3; ++dy) {
      for (int dx = -3; dx <= 3; ++dx) consider(coarseX + dx, coarseY + dy);
    }
  }
  // Pages scroll further than windows are dragged in a frame: vertically
  // as far as vectors reach.
  for (int d = -kLongestVector / 2; d <= kLongestVector / 2; ++d) consider(0, d);
  for (int d = -kWideReach; d <= kWideReach; ++d) consider(d, 0);
  for (int dy = -24; dy <= 24; ++dy) {
    for (int dx = -24; dx <= 24; ++dx) consider(dx, dy);
  }
  // A far move is worth trying on every changed macroblock when it leaves
  // under half of what the near ones do (the half rows' cost, doubled):
  // against a page still shown coarse, even the right one leaves the
  // coding's noise. Each macroblock then takes it only if it pays there.
  if (bestCost * 2 * 2 >= worse) return MotionVector{};
  return MotionVector{static_cast<std::int16_t>(bestX * 2), static_cast<std::int16_t>(bestY * 2)};
}

int MotionSearch::Flatness(int mx, int my) const {
  const std::uint8_t* s = source_.y.Row(my * 16) + mx * 16;
  const std::ptrdiff_t stride = source_.y.Stride();
  __m128i sum = _mm_setzero_si128();
  for (int j = 0; j < 16; ++j) sum = _mm_add_epi32(sum, _mm_sad_epu8(Load(s + j * stride), _mm_setzero_si128()));
  const int mean = (Total(sum) + 128) / 256;
  const __m128i means = _mm_set1_epi8(static_cast<char>(mean));
  __m128i deviation = _mm_setzero_si128();
  for (int j = 0; j < 16; ++j) deviation = _mm_add_epi32(deviation, _mm_sad_epu8(Load(s + j * stride), means));
  return Total(deviation);
}

}  // namespace mavrion::encoder::builtin::mpeg4
