#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include <emmintrin.h>

#include "core/encoder/builtin/mpeg4/CoefficientEvents.h"
#include "core/encoder/builtin/mpeg4/Interpolation.h"
#include "core/encoder/builtin/mpeg4/Tables.h"
#include "core/encoder/builtin/mpeg4/Transform.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Plane and top-left sample of block b of macroblock (mx, my).
const Plane& BlockPlane(const YuvPicture& p, int b) { return b < 4 ? p.y : (b == 4 ? p.u : p.v); }
Plane& BlockPlane(YuvPicture& p, int b) { return b < 4 ? p.y : (b == 4 ? p.u : p.v); }
int BlockX(int mx, int b) { return b < 4 ? mx * 16 + (b & 1) * 8 : mx * 8; }
int BlockY(int my, int b) { return b < 4 ? my * 16 + (b >> 1) * 8 : my * 8; }

// Eight samples widened to 16 bits.
__m128i Widen(const std::uint8_t* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
__m128i Load(const std::int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::int16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// Eight 16-bit lanes clipped to 0..255 into eight samples.
void StoreClipped(std::uint8_t* p, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, v));
}
bool AllZero(__m128i v) { return _mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_setzero_si128())) == 0xFFFF; }
// The sum of the four 32-bit lanes.
int SumLanes(__m128i v) {
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(v);
}

// The sum of squared differences of width (a multiple of 8) x rows samples.
int BlockError(const std::uint8_t* a, std::ptrdiff_t aStride, const std::uint8_t* b, std::ptrdiff_t bStride,
               int width, int rows) {
  __m128i sum = _mm_setzero_si128();
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < width; i += 8) {
      const __m128i d = _mm_sub_epi16(Widen(a + j * aStride + i), Widen(b + j * bStride + i));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(d, d));
    }
  }
  return SumLanes(sum);
}

// At most three levels, each of them +-1.
bool Negligible(const std::int16_t* levels) {
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(1);
  __m128i large = zero, zeros = zero;
  for (int i = 0; i < 64; i += 8) {
    const __m128i v = Load(levels + i);
    const __m128i magnitude = _mm_max_epi16(v, _mm_sub_epi16(zero, v));
    large = _mm_or_si128(large, _mm_cmpgt_epi16(magnitude, one));
    zeros = _mm_sub_epi16(zeros, _mm_cmpeq_epi16(v, zero));
  }
  if (!AllZero(large)) return false;
  return 64 - SumLanes(_mm_madd_epi16(zeros, one)) <= 3;
}

}  // namespace

int CoefficientBits(const std::int16_t* levels, const std::uint8_t* scan, bool intra) {
  const EventLengths& lengths = CoefficientEventLengths(intra);
  int total = 0;
  ForEachEvent(levels, scan, intra ? 1 : 0,
               [&](int level, int run, bool last) { total += lengths.Bits(last, run, std::abs(level)); });
  return total;
}

namespace {

// About the bits of a macroblock before its blocks, as EstimateBits counts them.
constexpr int kIntraHeaderBits = 30, kInterHeaderBits = 8;

// Squared error worth a bit, per q^2, when the levels of a difference are
// chosen: the best of the values tried on recordings of real screens.
constexpr double kLevelErrorPerBit = 1.0;

// The magnitude a decoder makes of a level's.
int Reconstructed(int magnitude, int q) { return magnitude == 0 ? 0 : q * (2 * magnitude + 1) - (1 - q % 2); }

double LevelError(int coefficient, int level, int q) {
  const double e = std::abs(coefficient) - Reconstructed(std::abs(level), q);
  return e * e;
}

// Lowers the levels of an inter block, last first, where the bits saved are
// worth more than the error added, and leaves the block out where its
// levels are not worth their bits. A level's bits depend on its
// neighbours' runs: a level that becomes zero lengthens the next one's run,
// or makes the one before it the last. Answers whether any level is left,
// and then the bits of the levels left in *counted.
bool ChooseLevels(const std::int16_t* coefficients, std::int16_t* levels, int q, int* counted) {
  const double perBit = kLevelErrorPerBit * q * q;
  const std::uint64_t inScan = ScanMask(levels, kZigzag);
  if (inScan == 0) return false;
  int bits = CoefficientBits(levels, kZigzag, false);
  // Bits of the event of the level at scan index i, preceded by run zeros.
  const EventLengths& lengths = CoefficientEventLengths(false);
  auto eventBits = [&](int i, int run, bool last) { return lengths.Bits(last, run, std::abs(levels[kZigzag[i]])); };
  // Scan index of the last non-zero level before scan index i, or -1 (the
  // levels before the one looked at are as quantised).
  auto previousOf = [&](int i) {
    const std::uint64_t before = inScan & ((std::uint64_t{1} << i) - 1);
    return before == 0 ? -1 : HighestBit(before);
  };
  // Scan index of the first non-zero level after the one looked at (64:
  // none), its run and whether it is the last.
  int next = 64, nextRun = 0;
  bool nextLast = false;
  for (std::uint64_t left = inScan; left != 0;) {
    const int i = HighestBit(left);
    left &= ~(std::uint64_t{1} << i);
    const int at = kZigzag[i];
    const int previous = previousOf(i), run = i - previous - 1;
    const bool last = next == 64;
    while (levels[at] != 0) {
      const std::int16_t kept = levels[at];
      const std::int16_t lower = static_cast<std::int16_t>(kept > 0 ? kept - 1 : kept + 1);
      const double added = LevelError(coefficients[at], lower, q) - LevelError(coefficients[at], kept, q);
      int fewer = bits - eventBits(i, run, last);
      levels[at] = lower;
      if (lower != 0) {
        fewer += eventBits(i, run, last);
      } else if (!last) {
        fewer += eventBits(next, next - previous - 1, nextLast) - eventBits(next, nextRun, nextLast);
      } else if (previous >= 0) {
        const int previousRun = previous - previousOf(previous) - 1;
        fewer += eventBits(previous, previousRun, true) - eventBits(previous, previousRun, false);
      }
      if (added >= perBit * (bits - fewer)) {
        levels[at] = kept;
        break;
      }
      bits = fewer;
    }
    if (levels[at] != 0) {
      next = i, nextRun = run, nextLast = last;
    } else if (!last) {
      nextRun = next - previous - 1;
    }
  }
  // A block left out also saves its bit of the coded block pattern. What
  // leaving it out adds is, at each level kept, the coefficient's square
  // less the error it is reconstructed with.
  std::int64_t gained = 0;
  for (std::uint64_t m = NonZero(levels); m != 0; m &= m - 1) {
    const int i = LowestBit(m);
    const std::int64_t e = std::abs(coefficients[i]) - Reconstructed(std::abs(levels[i]), q);
    gained += static_cast<std::int64_t>(coefficients[i]) * coefficients[i] - e * e;
  }
  if (static_cast<double>(gained) < perBit * (bits + 1)) return false;
  *counted = bits;
  return bits > 0;
}

}  // namespace

void Predict(const YuvPicture& reference, int mx, int my, MotionVector mv, std::uint8_t luma[256],
             std::uint8_t cb[64], std::uint8_t cr[64]) {
  Interpolate(reference.y, mx * 16 + (mv.x >> 1), my * 16 + (mv.y >> 1), mv.x & 1, mv.y & 1, 16, luma);
  // Chroma moves half as far, quarter positions taken to the half sample.
  const int cx = mv.x >> 2, cy = mv.y >> 2;
  const int hx = (mv.x & 3) != 0, hy = (mv.y & 3) != 0;
  Interpolate(reference.u, mx * 8 + cx, my * 8 + cy, hx, hy, 8, cb);
  Interpolate(reference.v, mx * 8 + cx, my * 8 + cy, hx, hy, 8, cr);
}

namespace {

// Codes block b of macroblock (mx, my) intra into levels, and what a
// decoder shows into out; answers whether it has AC levels.
bool CodeIntraBlock(const YuvPicture& source, int mx, int my, int b, int q, bool dcOnly, std::int16_t* levels,
                    std::uint8_t* out, std::ptrdiff_t outStride) {
  const Plane& in = BlockPlane(source, b);
  const int x = BlockX(mx, b), y = BlockY(my, b);
  std::int16_t samples[64], c[64];
  const std::uint8_t* const from = in.Row(y) + x;
  const std::ptrdiff_t fromStride = in.Stride();
  for (int j = 0; j < 8; ++j) Store(samples + j * 8, Widen(from + j * fromStride));
  ForwardDct(samples, c);
  const int scaler = b < 4 ? LumaDcScaler(q) : ChromaDcScaler(q);
  const bool coded = Quantise(c, q, true, scaler) && !dcOnly;
  if (dcOnly) std::fill(c + 1, c + 64, std::int16_t{0});
  std::copy(c, c + 64, levels);
  Dequantise(c, q, true, scaler);
  InverseDct(c, samples);
  for (int j = 0; j < 8; ++j) StoreClipped(out + j * outStride, Load(samples + j * 8));
  return coded;
}

}  // namespace

std::uint8_t CodeIntra(const YuvPicture& source, int mx, int my, int q, MacroblockLevels* levels,
                       YuvPicture* reconstruction, bool dcOnly) {
  std::uint8_t cbp = 0;
  for (int b = 0; b < 6; ++b) {
    Plane& out = BlockPlane(*reconstruction, b);
    std::uint8_t* at = out.Row(BlockY(my, b)) + BlockX(mx, b);
    if (CodeIntraBlock(source, mx, my, b, q, dcOnly, levels->data() + b * 64, at, out.Stride())) {
      cbp |= static_cast<std::uint8_t>(1 << (5 - b));
    }
  }
  return cbp;
}

namespace {

// An inter macroblock's coded block pattern and its bits as EstimateBits
// counts them.
struct CountedInter {
  std::uint8_t cbp = 0;
  int bits = 0;
};

CountedInter CodeInterCounted(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                              int q, MacroblockLevels* levels, YuvPicture* reconstruction) {
  std::uint8_t luma[256], cb[64], cr[64];
  Predict(reference, mx, my, mv, luma, cb, cr);
  const bool moved = mv.x != 0 || mv.y != 0;
  CountedInter counted{0, kInterHeaderBits};
  for (int b = 0; b < 6; ++b) {
    const Plane& in = BlockPlane(source, b);
    Plane& out = BlockPlane(*reconstruction, b);
    const int x = BlockX(mx, b), y = BlockY(my, b);
    const std::uint8_t* pred = b < 4 ? luma + (b >> 1) * 128 + (b & 1) * 8 : (b == 4 ? cb : cr);
    const int predStride = b < 4 ? 16 : 8;
    // Taken once: the stores below could otherwise be the planes' own fields.
    const std::uint8_t* const from = in.Row(y) + x;
    std::uint8_t* const to = out.Row(y) + x;
    const std::ptrdiff_t fromStride = in.Stride(), toStride = out.Stride();
    std::int16_t samples[64], c[64];
    __m128i magnitudes = _mm_setzero_si128();  // at most 8 x 255 a lane
    for (int j = 0; j < 8; ++j) {
      const __m128i d = _mm_sub_epi16(Widen(from + j * fromStride), Widen(pred + j * predStride));
      Store(samples + j * 8, d);
      magnitudes = _mm_add_epi16(magnitudes, _mm_max_epi16(d, _mm_sub_epi16(_mm_setzero_si128(), d)));
    }
    std::int16_t* l = levels->data() + b * 64;
    bool coded = false;
    int bits = 0;
    // No coefficient exceeds a quarter of the sum of the differences'
    // magnitudes, give or take the transform's rounding. While that stays
    // under 7q / 4, inside the dead zone of 2q, every level is zero and
    // the transform is spared (most blocks of a coarse moving picture).
    if (SumLanes(_mm_madd_epi16(magnitudes, _mm_set1_epi16(1))) + 8 >= 7 * q) {
      ForwardDct(samples, c);
      std::int16_t coefficients[64];
      std::copy(c, c + 64, coefficients);
      coded = Quantise(c, q, false, 0) && ChooseLevels(coefficients, c, q, &bits);
      // Moved content that matched keeps what the reference showed: a few
      // lone smallest levels would only redo the reference's own error.
      if (coded && moved) coded = !Negligible(c);
    }
    if (coded) {
      counted.cbp |= static_cast<std::uint8_t>(1 << (5 - b));
      counted.bits += bits;
      std::copy(c, c + 64, l);
      Dequantise(c, q, false, 0);
      InverseDct(c, samples);
    } else {
      std::fill(l, l + 64, 0);
    }
    for (int j = 0; j < 8; ++j) {
      std::uint8_t* o = to + j * toStride;
      const std::uint8_t* p = pred + j * predStride;
      if (coded) {
        // Saturating: the sum leaves 16 bits only where it is far out of range.
        StoreClipped(o, _mm_adds_epi16(Widen(p), Load(samples + j * 8)));
      } else {
        std::copy(p, p + 8, o);
      }
    }
  }
  return counted;
}

}  // namespace

std::uint8_t CodeInter(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                       int q, MacroblockLevels* levels, YuvPicture* reconstruction) {
  return CodeInterCounted(source, reference, mx, my, mv, q, levels, reconstruction).cbp;
}

namespace {

// Squared error worth a bit, per q^2: about the slope of error against
// bits of text planes between quantisers.
constexpr double kErrorPerBit = 0.35;

// The samples of one macroblock: 256 of luma, then 64 of each chroma plane.
using MacroblockSamples = std::array<std::uint8_t, 384>;

void PutBack(const MacroblockSamples& s, int mx, int my, YuvPicture* p) {
  for (int j = 0; j < 16; ++j) std::copy_n(s.begin() + j * 16, 16, p->y.Row(my * 16 + j) + mx * 16);
  for (int j = 0; j < 8; ++j) {
    std::copy_n(s.begin() + 256 + j * 8, 8, p->u.Row(my * 8 + j) + mx * 8);
    std::copy_n(s.begin() + 320 + j * 8, 8, p->v.Row(my * 8 + j) + mx * 8);
  }
}

std::int64_t MacroblockError(const YuvPicture& a, const YuvPicture& b, int mx, int my) {
  auto plane = [&](const Plane& pa, const Plane& pb, int size) {
    return BlockError(pa.Row(my * size) + mx * size, pa.Stride(), pb.Row(my * size) + mx * size, pb.Stride(), size,
                      size);
  };
  return static_cast<std::int64_t>(plane(a.y, b.y, 16)) + plane(a.u, b.u, 8) + plane(a.v, b.v, 8);
}

}  // namespace

int VectorBits(MotionVector difference) {
  auto component = [](int d) { return 1 + 2 * static_cast<int>(std::bit_width(static_cast<unsigned>(std::abs(d)))); };
  return component(difference.x) + component(difference.y);
}

CodedMacroblock CodeCheaper(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                            int q, MacroblockLevels* levels, YuvPicture* reconstruction) {
  const CountedInter inter = CodeInterCounted(source, reference, mx, my, mv, q, levels, reconstruction);
  const std::uint8_t interCbp = inter.cbp;
  if (interCbp == 0) return {false, 0};
  const double perBit = kErrorPerBit * q * q;
  // The vector itself stands for its difference: the prediction depends on
  // how the neighbours end up coded.
  const double interCost = static_cast<double>(MacroblockError(source, *reconstruction, mx, my)) +
                           perBit * (inter.bits + VectorBits(mv));
  // Intra is tried block by block into a buffer of its own, and given up
  // as soon as what it has cost so far (never less than its whole cost)
  // reaches inter's.
  MacroblockLevels intraLevels;
  MacroblockSamples intra;
  std::int64_t error = 0;
  int bits = kIntraHeaderBits;
  std::uint8_t intraCbp = 0;
  for (int b = 0; b < 6; ++b) {
    if (static_cast<double>(error) + perBit * bits >= interCost) return {false, interCbp};
    const Plane& in = BlockPlane(source, b);
    const int x = BlockX(mx, b), y = BlockY(my, b);
    std::uint8_t* out = intra.data() + (b < 4 ? (b >> 1) * 128 + (b & 1) * 8 : 256 + (b - 4) * 64);
    const int outStride = b < 4 ? 16 : 8;
    std::int16_t* l = intraLevels.data() + b * 64;
    if (CodeIntraBlock(source, mx, my, b, q, false, l, out, outStride)) {
      intraCbp |= static_cast<std::uint8_t>(1 << (5 - b));
      bits += CoefficientBits(l, kZigzag, true);
    }
    error += BlockError(in.Row(y) + x, in.Stride(), out, outStride, 8, 8);
  }
  if (static_cast<double>(error) + perBit * bits >= interCost) return {false, interCbp};
  *levels = intraLevels;
  PutBack(intra, mx, my, reconstruction);
  return {true, intraCbp};
}

int EstimateBits(const MacroblockLevels& levels, std::uint8_t cbp, bool intra) {
  int total = intra ? kIntraHeaderBits : kInterHeaderBits;
  for (int b = 0; b < 6; ++b) {
    if (cbp & (1 << (5 - b))) total += CoefficientBits(levels.data() + b * 64, kZigzag, intra);
  }
  return total;
}

}  // namespace mavrion::encoder::builtin::mpeg4
