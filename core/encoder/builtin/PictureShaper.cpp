#include "core/encoder/builtin/PictureShaper.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

namespace mavrion::encoder::builtin {

namespace {

int RoundUpTo4(int n) { return (n + 3) & ~3; }

// Blends pixels with 8-bit weights, two channels per 32-bit lane pair: each
// 16-bit lane holds at most 255 * 256 + 128, so nothing spills over.
inline std::uint32_t Blend(const std::uint32_t* pixels, std::ptrdiff_t step,
                           const std::uint16_t* weights, std::uint32_t count) {
  std::uint32_t blueRed = 0x00800080u, greenAlpha = 0x00800080u;
  for (std::uint32_t k = 0; k < count; ++k) {
    std::uint32_t p = pixels[static_cast<std::ptrdiff_t>(k) * step];
    blueRed += (p & 0x00FF00FFu) * weights[k];
    greenAlpha += ((p >> 8) & 0x00FF00FFu) * weights[k];
  }
  return ((blueRed >> 8) & 0x00FF00FFu) | (greenAlpha & 0xFF00FF00u);
}

// The same down a column for a whole row, four pixels at a time in 16-bit
// lanes (each lane holds at most 255 * 256 + 128, below 65536).
void BlendRows(const std::uint32_t* column, std::ptrdiff_t step, const std::uint16_t* weights, std::uint32_t count,
               int width, std::uint32_t* out) {
  const __m128i zero = _mm_setzero_si128(), half = _mm_set1_epi16(128);
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    __m128i lo = half, hi = half;
    for (std::uint32_t k = 0; k < count; ++k) {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + static_cast<std::ptrdiff_t>(k) * step + x));
      const __m128i w = _mm_set1_epi16(static_cast<short>(weights[k]));
      lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), w));
      hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), w));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
  }
  for (; x < width; ++x) out[x] = Blend(column + x, step, weights, count);
}

// Across a row, two output pixels at a time in 16-bit lanes, as Blend
// does it.
void BlendAcross(const std::uint32_t* in, const std::uint32_t* offset, std::size_t pairs,
                 const std::uint32_t* sources, const std::uint16_t* weights, std::uint32_t* out) {
  const __m128i zero = _mm_setzero_si128();
  for (std::size_t i = 0; i < pairs; ++i) {
    __m128i sum = _mm_set1_epi16(128);
    for (std::uint32_t k = offset[i]; k < offset[i + 1]; ++k) {
      const __m128i two = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(in[sources[2 * k]])),
                                             _mm_cvtsi32_si128(static_cast<int>(in[sources[2 * k + 1]])));
      const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 8 * k));
      sum = _mm_add_epi16(sum, _mm_mullo_epi16(_mm_unpacklo_epi8(two, zero), w));
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packus_epi16(_mm_srli_epi16(sum, 8), zero));
  }
}

}  // namespace

bool ChooseFrameGeometry(int capturedWidth, int capturedHeight, int profileWidth,
                         int profileHeight, FrameGeometry* geometry) {
  if (capturedWidth <= 0 || capturedHeight <= 0) return false;
  FrameGeometry g;
  g.capturedWidth = capturedWidth;
  g.capturedHeight = capturedHeight;
  g.contentWidth = profileWidth > 0 ? RoundUpTo4(profileWidth) : capturedWidth;
  g.contentHeight = profileHeight > 0 ? RoundUpTo4(profileHeight) : capturedHeight;
  // A requested size equal to the captured one is no scaling, only padding.
  if (profileWidth == capturedWidth) g.contentWidth = capturedWidth;
  if (profileHeight == capturedHeight) g.contentHeight = capturedHeight;
  g.encodedWidth = RoundUpTo4(g.contentWidth);
  g.encodedHeight = RoundUpTo4(g.contentHeight);
  if (g.encodedWidth > kMaxEncodedDimension || g.encodedHeight > kMaxEncodedDimension) return false;
  *geometry = g;
  return true;
}

PictureShaper::PictureShaper(const FrameGeometry& geometry)
    : geometry_(geometry),
      scaleX_(geometry.contentWidth != geometry.capturedWidth),
      scaleY_(geometry.contentHeight != geometry.capturedHeight) {
  if (scaleX_) {
    tapsX_ = MakeTaps(geometry.capturedWidth, geometry.contentWidth);
    pairsX_ = PairUp(tapsX_);
    across_.resize(static_cast<std::size_t>(geometry.contentWidth) * geometry.capturedHeight);
  }
  if (scaleY_) tapsY_ = MakeTaps(geometry.capturedHeight, geometry.contentHeight);
  out_.resize(static_cast<std::size_t>(geometry.encodedWidth) * geometry.encodedHeight);
}

PictureShaper::PairedTaps PictureShaper::PairUp(const Taps& taps) {
  PairedTaps paired;
  paired.offset.push_back(0);
  for (std::size_t x = 0; x + 1 < taps.first.size(); x += 2) {
    const std::uint32_t a = taps.offset[x], b = taps.offset[x + 1];
    const std::uint32_t countA = b - a, countB = taps.offset[x + 2] - b;
    for (std::uint32_t k = 0; k < std::max(countA, countB); ++k) {
      paired.sources.push_back(taps.first[x] + (k < countA ? k : 0));
      paired.sources.push_back(taps.first[x + 1] + (k < countB ? k : 0));
      paired.weights.insert(paired.weights.end(), 4, k < countA ? taps.weights[a + k] : std::uint16_t{0});
      paired.weights.insert(paired.weights.end(), 4, k < countB ? taps.weights[b + k] : std::uint16_t{0});
    }
    paired.offset.push_back(static_cast<std::uint32_t>(paired.sources.size() / 2));
  }
  return paired;
}

PictureShaper::Taps PictureShaper::MakeTaps(int from, int to) {
  Taps taps;
  taps.offset.push_back(0);
  const double scale = static_cast<double>(from) / to;
  std::vector<double> w;
  for (int o = 0; o < to; ++o) {
    int first = 0;
    w.clear();
    if (to < from) {
      // Shrinking: each output pixel averages the source span it covers.
      double begin = o * scale, end = (o + 1) * scale;
      first = static_cast<int>(std::floor(begin));
      for (int s = first; s < from && s < end; ++s) {
        w.push_back(std::min<double>(end, s + 1) - std::max<double>(begin, s));
      }
    } else {
      // Enlarging: the two nearest source pixels, centre to centre.
      double centre = (o + 0.5) * scale - 0.5;
      centre = std::clamp(centre, 0.0, static_cast<double>(from - 1));
      first = std::min(static_cast<int>(std::floor(centre)), from - 1);
      double fraction = centre - first;
      w.push_back(1.0 - fraction);
      if (first + 1 < from) w.push_back(fraction);
    }
    double total = 0;
    for (double v : w) total += v;
    int sum = 0;
    std::size_t largest = 0;
    std::vector<std::uint16_t> rounded(w.size());
    for (std::size_t k = 0; k < w.size(); ++k) {
      rounded[k] = static_cast<std::uint16_t>(std::lround(256.0 * w[k] / total));
      sum += rounded[k];
      if (w[k] > w[largest]) largest = k;
    }
    rounded[largest] = static_cast<std::uint16_t>(rounded[largest] + 256 - sum);
    taps.first.push_back(static_cast<std::uint32_t>(first));
    taps.weights.insert(taps.weights.end(), rounded.begin(), rounded.end());
    taps.offset.push_back(static_cast<std::uint32_t>(taps.weights.size()));
  }
  return taps;
}

BgraImage PictureShaper::Shape(const BgraImage& captured) {
  const FrameGeometry& g = geometry_;
  if (!scaleX_ && !scaleY_ && g.encodedWidth == g.capturedWidth &&
      g.encodedHeight == g.capturedHeight) {
    return captured;
  }
  const std::size_t outStride = static_cast<std::size_t>(g.encodedWidth);

  // Rows, captured height, content width: scaled across or as captured.
  auto capturedRow = [&](int y) {
    return reinterpret_cast<const std::uint32_t*>(captured.pixels +
                                                  static_cast<std::ptrdiff_t>(y) * captured.strideBytes);
  };
  auto sourceRow = [&](int y) -> const std::uint32_t* {
    return scaleX_ ? &across_[static_cast<std::size_t>(y) * g.contentWidth] : capturedRow(y);
  };
  if (scaleX_) {
    for (int y = 0; y < g.capturedHeight; ++y) {
      const std::uint32_t* in = capturedRow(y);
      std::uint32_t* row = &across_[static_cast<std::size_t>(y) * g.contentWidth];
      BlendAcross(in, pairsX_.offset.data(), pairsX_.offset.size() - 1, pairsX_.sources.data(),
                  pairsX_.weights.data(), row);
      for (int x = g.contentWidth & ~1; x < g.contentWidth; ++x) {
        std::uint32_t begin = tapsX_.offset[x];
        row[x] = Blend(in + tapsX_.first[x], 1, &tapsX_.weights[begin], tapsX_.offset[x + 1] - begin);
      }
    }
  }
  for (int y = 0; y < g.contentHeight; ++y) {
    std::uint32_t* row = &out_[y * outStride];
    if (scaleY_) {
      std::uint32_t begin = tapsY_.offset[y];
      std::uint32_t count = tapsY_.offset[y + 1] - begin;
      const std::uint32_t* column = sourceRow(static_cast<int>(tapsY_.first[y]));
      std::ptrdiff_t step = count > 1 ? sourceRow(static_cast<int>(tapsY_.first[y]) + 1) - column : 0;
      BlendRows(column, step, &tapsY_.weights[begin], count, g.contentWidth, row);
    } else {
      std::memcpy(row, sourceRow(y), static_cast<std::size_t>(g.contentWidth) * 4);
    }
    std::fill(row + g.contentWidth, row + g.encodedWidth, row[g.contentWidth - 1]);
  }
  for (int y = g.contentHeight; y < g.encodedHeight; ++y) {
    std::memcpy(&out_[y * outStride], &out_[(g.contentHeight - 1) * outStride], outStride * 4);
  }
  BgraImage shaped;
  shaped.pixels = reinterpret_cast<const std::uint8_t*>(out_.data());
  shaped.width = g.encodedWidth;
  shaped.height = g.encodedHeight;
  shaped.strideBytes = static_cast<std::ptrdiff_t>(outStride * 4);
  return shaped;
}

}  // namespace mavrion::encoder::builtin
