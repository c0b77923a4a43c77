#include "core/encoder/builtin/mpeg4/Planes.h"

#include <algorithm>
#include <cstring>

#include <emmintrin.h>

namespace mavrion::encoder::builtin::mpeg4 {

Plane::Plane(int width, int height, int alignedWidth, int alignedHeight, int border)
    : width_(width), height_(height), alignedWidth_(alignedWidth), alignedHeight_(alignedHeight),
      border_(border), stride_(static_cast<std::size_t>(alignedWidth + 2 * border)),
      data_(stride_ * static_cast<std::size_t>(alignedHeight + 2 * border), 0) {}

void Plane::ExtendEdges() {
  const int w = alignedWidth_, h = alignedHeight_;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = Row(y);
    std::memset(row - border_, row[0], static_cast<std::size_t>(border_));
    std::memset(row + w, row[w - 1], static_cast<std::size_t>(border_));
  }
  const std::size_t rowBytes = stride_;
  for (int y = -border_; y < 0; ++y) std::memcpy(Row(y) - border_, Row(0) - border_, rowBytes);
  for (int y = h; y < h + border_; ++y) std::memcpy(Row(y) - border_, Row(h - 1) - border_, rowBytes);
}

YuvPicture::YuvPicture(int width, int height, int border) {
  const int aw = (width + 15) & ~15, ah = (height + 15) & ~15;
  y = Plane(width, height, aw, ah, border);
  u = Plane(width / 2, height / 2, aw / 2, ah / 2, border / 2);
  v = Plane(width / 2, height / 2, aw / 2, ah / 2, border / 2);
}

namespace {

// Eight BGRA pixels as 16-bit blue, green and red lanes.
struct Channels {
  __m128i b, g, r;
};
Channels Split(const std::uint8_t* pixels) {
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 16));
  const __m128i byte = _mm_set1_epi32(0xFF);
  auto channel = [&](int shift) {
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, shift), byte), _mm_and_si128(_mm_srli_epi32(hi, shift), byte));
  };
  return {channel(0), channel(8), channel(16)};
}

// 66 r + 129 g + 25 b + 128 stays below 65536: exact in unsigned 16-bit
// lanes.
__m128i Luma(const Channels& c) {
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(c.r, _mm_set1_epi16(66)),
                                                  _mm_mullo_epi16(c.g, _mm_set1_epi16(129))),
                                    _mm_add_epi16(_mm_mullo_epi16(c.b, _mm_set1_epi16(25)), _mm_set1_epi16(128)));
  return _mm_add_epi16(_mm_srli_epi16(sum, 8), _mm_set1_epi16(16));
}

// Sums of horizontal pairs of 16-bit lanes, narrowed again: the 2x2 sums
// of two rows' channels added lane by lane.
__m128i PairSums(__m128i left, __m128i right) {
  const __m128i ones = _mm_set1_epi16(1);
  return _mm_packs_epi32(_mm_madd_epi16(left, ones), _mm_madd_epi16(right, ones));
}

// ((kr r + kg g + kb b + 512) >> 10) + 128 for eight 2x2 sums.
__m128i Chroma(const __m128i redGreen[2], const __m128i blueOne[2], int kr, int kg, int kb) {
  const __m128i rg = _mm_set_epi16(static_cast<short>(kg), static_cast<short>(kr), static_cast<short>(kg),
                                   static_cast<short>(kr), static_cast<short>(kg), static_cast<short>(kr),
                                   static_cast<short>(kg), static_cast<short>(kr));
  const __m128i b1 = _mm_set_epi16(512, static_cast<short>(kb), 512, static_cast<short>(kb), 512,
                                   static_cast<short>(kb), 512, static_cast<short>(kb));
  __m128i half[2];
  for (int i = 0; i < 2; ++i) {
    half[i] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(redGreen[i], rg), _mm_madd_epi16(blueOne[i], b1)), 10);
  }
  const __m128i values = _mm_add_epi16(_mm_packs_epi32(half[0], half[1]), _mm_set1_epi16(128));
  return _mm_packus_epi16(values, values);
}

}  // namespace

void ConvertMacroblock(const std::uint8_t* bgra, std::ptrdiff_t strideBytes, int width, int height, int mx,
                       int my, YuvPicture* picture) {
  const int x0 = mx * 16, y0 = my * 16;
  const bool inside = x0 + 16 <= width;
  // A macroblock past the right edge is converted from copies of its rows
  // with the last column repeated.
  std::uint32_t edge[2][16];
  // Taken once: the stores below could otherwise be the planes' own fields.
  std::uint8_t* const luma = picture->y.Row(y0) + x0;
  std::uint8_t* const blueDifference = picture->u.Row(y0 / 2) + x0 / 2;
  std::uint8_t* const redDifference = picture->v.Row(y0 / 2) + x0 / 2;
  const std::ptrdiff_t lumaStride = picture->y.Stride();
  const std::ptrdiff_t blueStride = picture->u.Stride(), redStride = picture->v.Stride();
  for (int j = 0; j < 16; j += 2) {
    const std::uint8_t* rows[2];
    Channels sums[2];  // per 8 columns, the two rows' channels added
    for (int k = 0; k < 2; ++k) {
      const std::uint8_t* row = bgra + std::min(y0 + j + k, height - 1) * strideBytes;
      if (inside) {
        rows[k] = row + x0 * 4;
      } else {
        for (int i = 0; i < 16; ++i) std::memcpy(&edge[k][i], row + std::min(x0 + i, width - 1) * 4, 4);
        rows[k] = reinterpret_cast<const std::uint8_t*>(edge[k]);
      }
      const Channels left = Split(rows[k]), right = Split(rows[k] + 32);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(luma + (j + k) * lumaStride),
                       _mm_packus_epi16(Luma(left), Luma(right)));
      if (k == 0) {
        sums[0] = left, sums[1] = right;
      } else {
        sums[0] = {_mm_add_epi16(sums[0].b, left.b), _mm_add_epi16(sums[0].g, left.g), _mm_add_epi16(sums[0].r, left.r)};
        sums[1] = {_mm_add_epi16(sums[1].b, right.b), _mm_add_epi16(sums[1].g, right.g),
                   _mm_add_epi16(sums[1].r, right.r)};
      }
    }
    // Four times the mean of each 2x2 square, as pairs for the products.
    const __m128i b = PairSums(sums[0].b, sums[1].b), g = PairSums(sums[0].g, sums[1].g);
    const __m128i r = PairSums(sums[0].r, sums[1].r), one = _mm_set1_epi16(1);
    const __m128i redGreen[2] = {_mm_unpacklo_epi16(r, g), _mm_unpackhi_epi16(r, g)};
    const __m128i blueOne[2] = {_mm_unpacklo_epi16(b, one), _mm_unpackhi_epi16(b, one)};
    _mm_storel_epi64(reinterpret_cast<__m128i*>(blueDifference + j / 2 * blueStride),
                     Chroma(redGreen, blueOne, -38, -74, 112));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(redDifference + j / 2 * redStride),
                     Chroma(redGreen, blueOne, 112, -94, -18));
  }
}

namespace {

// Pointers and strides are taken once: a store through a sample pointer
// could otherwise be the plane's own fields, read again for every row.
template <int kSize>
void CopySquare(const Plane& from, int x, int y, Plane* to) {
  const std::uint8_t* source = from.Row(y) + x;
  std::uint8_t* target = to->Row(y) + x;
  const std::ptrdiff_t sourceStride = from.Stride(), targetStride = to->Stride();
  for (int j = 0; j < kSize; ++j) std::memcpy(target + j * targetStride, source + j * sourceStride, kSize);
}

}  // namespace

void CopyMacroblock(const YuvPicture& from, int mx, int my, YuvPicture* to) {
  CopySquare<16>(from.y, mx * 16, my * 16, &to->y);
  CopySquare<8>(from.u, mx * 8, my * 8, &to->u);
  CopySquare<8>(from.v, mx * 8, my * 8, &to->v);
}

}  // namespace mavrion::encoder::builtin::mpeg4
