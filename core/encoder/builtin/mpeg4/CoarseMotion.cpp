#include "core/encoder/builtin/mpeg4/CoarseMotion.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <emmintrin.h>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// The neighbourhood matched, and how far it is looked for, in shrunk samples.
constexpr int kSize = 16;
constexpr int kReach = 32;

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
int Total(__m128i sums) { return _mm_cvtsi128_si32(_mm_add_epi32(sums, _mm_srli_si128(sums, 8))); }

}  // namespace

void CoarseMotion::Small::Shrink(const Plane& plane) {
  width = plane.AlignedWidth() / 4;  // a multiple of 4
  height = plane.AlignedHeight() / 4;
  samples.resize(static_cast<std::size_t>(width) * height);
  const std::ptrdiff_t stride = plane.Stride();
  const __m128i lowByte = _mm_set1_epi16(0x00FF), lowWord = _mm_set1_epi32(0xFFFF);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = plane.Row(4 * y);
    std::uint8_t* out = &samples[static_cast<std::size_t>(y) * width];
    for (int x = 0; x < width; x += 4, in += 16) {
      // Four rows' means, then the means of pairs and of pairs of pairs
      // across: four shrunk samples from 16 columns.
      const __m128i rows = _mm_avg_epu8(_mm_avg_epu8(Load(in), Load(in + stride)),
                                        _mm_avg_epu8(Load(in + 2 * stride), Load(in + 3 * stride)));
      const __m128i pairs = _mm_avg_epu16(_mm_and_si128(rows, lowByte), _mm_srli_epi16(rows, 8));
      __m128i quads = _mm_avg_epu16(_mm_and_si128(pairs, lowWord), _mm_srli_epi32(pairs, 16));
      quads = _mm_packs_epi32(quads, quads);
      const int four = _mm_cvtsi128_si32(_mm_packus_epi16(quads, quads));
      std::memcpy(out + x, &four, 4);
    }
  }
}

void CoarseMotion::Shrink(const Plane& source, const Plane& reference) {
  source_.Shrink(source);
  reference_.Shrink(reference);
}

bool CoarseMotion::Find(int mx, int my, int* dx, int* dy) const {
  if (source_.width < kSize || source_.height < kSize) return false;
  // The macroblock is the middle of the neighbourhood, or as near it as
  // the picture's edges allow.
  const int x0 = std::clamp(mx * 4 - 6, 0, source_.width - kSize);
  const int y0 = std::clamp(my * 4 - 6, 0, source_.height - kSize);
  auto cost = [&](int x, int y, int limit) {
    __m128i sum = _mm_setzero_si128();
    for (int j = 0; j < kSize; j += 4) {
      for (int k = j; k < j + 4; ++k) {
        sum = _mm_add_epi32(sum, _mm_sad_epu8(Load(source_.Row(y0 + k) + x0), Load(reference_.Row(y + k) + x)));
      }
      if (Total(sum) >= limit) break;
    }
    return Total(sum);
  };
  const int still = cost(x0, y0, INT_MAX);
  int best = still, bestX = x0, bestY = y0;
  const int lastX = std::min(reference_.width - kSize, x0 + kReach);
  const int lastY = std::min(reference_.height - kSize, y0 + kReach);
  for (int y = std::max(0, y0 - kReach); y <= lastY; ++y) {
    for (int x = std::max(0, x0 - kReach); x <= lastX; ++x) {
      const int c = cost(x, y, best);
      if (c < best) best = c, bestX = x, bestY = y;
    }
  }
  if (bestX == x0 && bestY == y0) return false;
  *dx = (bestX - x0) * 4;
  *dy = (bestY - y0) * 4;
  return true;
}

}  // namespace mavrion::encoder::builtin::mpeg4
