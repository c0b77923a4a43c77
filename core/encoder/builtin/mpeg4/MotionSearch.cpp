#include "core/encoder/builtin/mpeg4/MotionSearch.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

constexpr int kFar = 1 << 28;
constexpr int kLongestVector = 1000;  // half samples; f_code 7 reaches 1023
constexpr int kWideReach = 256;       // whole samples, sideways

}  // namespace

MotionSearch::MotionSearch(const YuvPicture& source, const YuvPicture& reference, int border)
    : source_(source), reference_(reference), border_(border) {}

bool MotionSearch::Inside(int mx, int my, MotionVector mv) const {
  if (std::abs(mv.x) > kLongestVector || std::abs(mv.y) > kLongestVector) return false;
  // Whole samples plus one for the half-sample neighbour and one for the
  // chroma's rounding, inside the bordered reference.
  const int x = mx * 16 + (mv.x >> 1), y = my * 16 + (mv.y >> 1);
  const int b = border_ - 2;
  return x >= -b && y >= -b && x + 18 <= reference_.y.AlignedWidth() + b &&
         y + 18 <= reference_.y.AlignedHeight() + b;
}

int MotionSearch::FullCost(int mx, int my, int dx, int dy, int limit, int rowStep) const {
  int sum = 0;
  for (int j = 0; j < 16; j += rowStep) {
    const std::uint8_t* s = source_.y.Row(my * 16 + j) + mx * 16;
    const std::uint8_t* r = reference_.y.Row(my * 16 + j + dy) + mx * 16 + dx;
    for (int i = 0; i < 16; ++i) sum += std::abs(s[i] - r[i]);
    if (sum >= limit) return sum;
  }
  return sum;
}

int MotionSearch::Cost(int mx, int my, MotionVector mv) const {
  if (!Inside(mx, my, mv)) return kFar;
  if (!(mv.x & 1) && !(mv.y & 1)) return FullCost(mx, my, mv.x >> 1, mv.y >> 1, INT_MAX, 1);
  // Half samples, luma only, as the prediction forms them (rounding type 0).
  const int hx = mv.x & 1, hy = mv.y & 1;
  int sum = 0;
  for (int j = 0; j < 16; ++j) {
    const std::uint8_t* s = source_.y.Row(my * 16 + j) + mx * 16;
    const std::uint8_t* a = reference_.y.Row(my * 16 + j + (mv.y >> 1)) + mx * 16 + (mv.x >> 1);
    const std::uint8_t* c = a + reference_.y.Stride();
    for (int i = 0; i < 16; ++i) {
      const int p = hx && hy ? (a[i] + a[i + 1] + c[i] + c[i + 1] + 2) >> 2
                             : (hx ? (a[i] + a[i + 1] + 1) >> 1 : (a[i] + c[i] + 1) >> 1);
      sum += std::abs(s[i] - p);
    }
  }
  return sum;
}

MotionVector MotionSearch::Refine(int mx, int my, MotionVector start, int* cost) const {
  MotionVector best{static_cast<std::int16_t>(start.x & ~1), static_cast<std::int16_t>(start.y & ~1)};
  int bestCost = Cost(mx, my, best);
  static const int kSteps[4][2] = {{-2, 0}, {2, 0}, {0, -2}, {0, 2}};
  for (int walk = 0; walk < 16 && bestCost > 0; ++walk) {
    MotionVector next = best;
    for (const auto& s : kSteps) {
      MotionVector c{static_cast<std::int16_t>(best.x + s[0]), static_cast<std::int16_t>(best.y + s[1])};
      int k = Cost(mx, my, c);
      if (k < bestCost) bestCost = k, next = c;
    }
    if (next == best) break;
    best = next;
  }
  if (bestCost > 0) {
    const MotionVector centre = best;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (dx == 0 && dy == 0) continue;
        MotionVector c{static_cast<std::int16_t>(centre.x + dx), static_cast<std::int16_t>(centre.y + dy)};
        int k = Cost(mx, my, c);
        if (k < bestCost) bestCost = k, best = c;
      }
    }
  }
  if (Cost(mx, my, start) <= bestCost) {
    *cost = Cost(mx, my, start);
    return start;
  }
  *cost = bestCost;
  return best;
}

MotionVector MotionSearch::WideSearch(int mx, int my, int worse) const {
  // Every other row: enough to tell a match, half the work.
  int bestCost = kFar, bestX = 0, bestY = 0;
  auto consider = [&](int dx, int dy) {
    MotionVector v{static_cast<std::int16_t>(dx * 2), static_cast<std::int16_t>(dy * 2)};
    if (!Inside(mx, my, v)) return;
    int c = FullCost(mx, my, dx, dy, bestCost, 2);
    if (c < bestCost) bestCost = c, bestX = dx, bestY = dy;
  };
  // Pages scroll further than windows are dragged in a frame: vertically
  // as far as vectors reach.
  for (int d = -kLongestVector / 2; d <= kLongestVector / 2; ++d) consider(0, d);
  for (int d = -kWideReach; d <= kWideReach; ++d) consider(d, 0);
  for (int dy = -24; dy <= 24; ++dy) {
    for (int dx = -24; dx <= 24; ++dx) consider(dx, dy);
  }
  if (bestCost * 2 * 4 >= worse) return MotionVector{};  // the half rows' cost, doubled, under a quarter
  return MotionVector{static_cast<std::int16_t>(bestX * 2), static_cast<std::int16_t>(bestY * 2)};
}

int MotionSearch::Flatness(int mx, int my) const {
  int sum = 0;
  for (int j = 0; j < 16; ++j) {
    const std::uint8_t* s = source_.y.Row(my * 16 + j) + mx * 16;
    for (int i = 0; i < 16; ++i) sum += s[i];
  }
  const int mean = (sum + 128) / 256;
  int deviation = 0;
  for (int j = 0; j < 16; ++j) {
    const std::uint8_t* s = source_.y.Row(my * 16 + j) + mx * 16;
    for (int i = 0; i < 16; ++i) deviation += std::abs(s[i] - mean);
  }
  return deviation;
}

}  // namespace mavrion::encoder::builtin::mpeg4
