#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include <emmintrin.h>

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

// Bit p set where the level at row-major position p is non-zero.
std::uint64_t NonZero(const std::int16_t* levels) {
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; i += 16) {
    // Packing saturates, so a non-zero level stays non-zero.
    const __m128i bytes = _mm_packs_epi16(Load(levels + i), Load(levels + i + 8));
    const unsigned zero = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    mask |= static_cast<std::uint64_t>(~zero & 0xFFFFu) << i;
  }
  return mask;
}

// The index in scan of each row-major position.
const std::uint8_t* IndexesIn(const std::uint8_t* scan) {
  struct Indexes {
    std::uint8_t zigzag[64], horizontal[64], vertical[64];
    Indexes() {
      for (int i = 0; i < 64; ++i) {
        zigzag[kZigzag[i]] = static_cast<std::uint8_t>(i);
        horizontal[kAlternateHorizontal[i]] = static_cast<std::uint8_t>(i);
        vertical[kAlternateVertical[i]] = static_cast<std::uint8_t>(i);
      }
    }
  };
  static const Indexes kIndexes;
  return scan == kZigzag ? kIndexes.zigzag : scan == kAlternateHorizontal ? kIndexes.horizontal : kIndexes.vertical;
}

// Bit i set where the level at index i of scan is non-zero.
std::uint64_t ScanMask(const std::int16_t* levels, const std::uint8_t* scan) {
  const std::uint8_t* index = IndexesIn(scan);
  std::uint64_t inScan = 0;
  for (std::uint64_t m = NonZero(levels); m != 0; m &= m - 1) inScan |= std::uint64_t{1} << index[std::countr_zero(m)];
  return inScan;
}

// Calls event(level, run, last) for each non-zero level from scan index
// first on, in scan order: blocks are mostly zeros, so the walk goes from
// one non-zero level to the next.
template <class Event>
void ForEachEvent(const std::int16_t* levels, const std::uint8_t* scan, int first, Event event) {
  std::uint64_t inScan = ScanMask(levels, scan) >> first << first;
  int previous = first - 1;
  while (inScan != 0) {
    const int i = std::countr_zero(inScan);
    inScan &= inScan - 1;
    event(levels[scan[i]], i - previous - 1, inScan == 0);
    previous = i;
  }
}

void PutCoefficients(const std::int16_t* levels, const std::uint8_t* scan, bool intra, BitWriter* bits) {
  ForEachEvent(levels, scan, intra ? 1 : 0, [&](int level, int run, bool last) {
    const EventCode e = CoefficientEvent(intra, last, run, level);
    bits->Put(e.code, e.length);
  });
}

int SizeOf(int v) {
  int size = 0;
  for (int a = std::abs(v); a != 0; a >>= 1) ++size;
  return size;
}

void PutDc(int difference, bool luma, BitWriter* bits) {
  const int size = SizeOf(difference);
  const Vlc& v = luma ? kDcSizeLuma[size] : kDcSizeChroma[size];
  bits->Put(v.code, v.length);
  if (size == 0) return;
  const int value = difference > 0 ? difference : difference + (1 << size) - 1;
  bits->Put(static_cast<std::uint32_t>(value), size);
  if (size > 8) bits->Marker();
}

void PutMotionComponent(int difference, int fCode, BitWriter* bits) {
  const int r = fCode - 1, f = 1 << r;
  const int high = 32 * f;
  if (difference < -high) difference += 2 * high;
  if (difference > high - 1) difference -= 2 * high;
  if (difference == 0) {
    bits->Put(kMotionCode[0].code, kMotionCode[0].length);
    return;
  }
  const int a = std::abs(difference) - 1;
  const Vlc& v = kMotionCode[(a >> r) + 1];
  bits->Put(v.code, v.length);
  bits->Put(difference < 0 ? 1 : 0, 1);
  if (r > 0) bits->Put(static_cast<std::uint32_t>(a & (f - 1)), r);
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
    return before == 0 ? -1 : 63 - std::countl_zero(before);
  };
  // Scan index of the first non-zero level after the one looked at (64:
  // none), its run and whether it is the last.
  int next = 64, nextRun = 0;
  bool nextLast = false;
  for (std::uint64_t left = inScan; left != 0;) {
    const int i = 63 - std::countl_zero(left);
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
    const int i = std::countr_zero(m);
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
  for (int j = 0; j < 8; ++j) Store(samples + j * 8, Widen(in.Row(y + j) + x));
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
    std::int16_t samples[64], c[64];
    __m128i any = _mm_setzero_si128();
    for (int j = 0; j < 8; ++j) {
      const __m128i d = _mm_sub_epi16(Widen(in.Row(y + j) + x), Widen(pred + j * predStride));
      Store(samples + j * 8, d);
      any = _mm_or_si128(any, d);
    }
    std::int16_t* l = levels->data() + b * 64;
    bool coded = false;
    int bits = 0;
    if (!AllZero(any)) {
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
      std::uint8_t* o = out.Row(y + j) + x;
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

int VectorBits(MotionVector mv) {
  auto component = [](int v) { return v == 0 ? 1 : 2 + 2 * SizeOf(v); };
  return component(mv.x) + component(mv.y);
}

}  // namespace

CodedMacroblock CodeCheaper(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                            int q, MacroblockLevels* levels, YuvPicture* reconstruction) {
  const CountedInter inter = CodeInterCounted(source, reference, mx, my, mv, q, levels, reconstruction);
  const std::uint8_t interCbp = inter.cbp;
  if (interCbp == 0) return {false, 0};
  const double perBit = kErrorPerBit * q * q;
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

int FCodeFor(int largest) {
  int fCode = 1;
  while (fCode < 7 && largest > 32 * (1 << (fCode - 1)) - 1) ++fCode;
  return fCode;
}

namespace {

// A macroblock's change of quantiser from the one before: -1, -2, +1, +2.
void PutQuantiserChange(int dquant, BitWriter* bits) {
  if (dquant == 0) return;
  bits->Put(dquant < 0 ? static_cast<std::uint32_t>(-dquant - 1) : static_cast<std::uint32_t>(dquant + 1), 2);
}

// What an intra block leaves for its neighbours' prediction.
struct IntraEdge {
  int dc = -1;                                  // reconstructed; -1: no intra block, predicts as 1024
  std::array<std::int16_t, 7> row{}, column{};  // levels of the first row and column after the DC
  int q = 0;                                    // the quantiser of those levels
};

// The intra blocks of a plane so far, by block position.
class IntraEdges {
 public:
  IntraEdges(int width, int height) : width_(width), edges_(static_cast<std::size_t>(width) * height) {}
  const IntraEdge& At(int x, int y) const {
    static const IntraEdge kNone;
    return x < 0 || y < 0 ? kNone : edges_[static_cast<std::size_t>(y) * width_ + x];
  }
  IntraEdge& Keep(int x, int y) { return edges_[static_cast<std::size_t>(y) * width_ + x]; }

 private:
  int width_;
  std::vector<IntraEdge> edges_;
};

// An intra block as it is sent: its DC as a difference from the prediction,
// its other levels plain or less the first row (from above) or column
// (from the left) of the neighbour its DC is predicted from.
struct IntraBlock {
  int dcDifference = 0;
  bool fromAbove = false;
  std::int16_t predicted[64];
  bool predictable = true;  // the differences fit the escape's levels
};

// A neighbour's level as one at quantiser q, rounded half away from zero.
int Rescaled(int level, int from, int q) {
  if (from == q) return level;
  const int scaled = level * from;
  return (scaled >= 0 ? scaled + q / 2 : scaled - q / 2) / q;
}

IntraBlock PlanIntraBlock(const std::int16_t* levels, const IntraEdge& left, const IntraEdge& aboveLeft,
                          const IntraEdge& above, int q, int scaler) {
  IntraBlock p;
  auto dc = [](const IntraEdge& e) { return e.dc < 0 ? 1024 : e.dc; };
  p.fromAbove = std::abs(dc(left) - dc(aboveLeft)) < std::abs(dc(aboveLeft) - dc(above));
  p.dcDifference = levels[0] - (dc(p.fromAbove ? above : left) + scaler / 2) / scaler;
  std::copy(levels, levels + 64, p.predicted);
  const IntraEdge& from = p.fromAbove ? above : left;
  for (int i = 1; i < 8; ++i) {
    std::int16_t& v = p.predicted[p.fromAbove ? i : i * 8];
    v = static_cast<std::int16_t>(v - Rescaled(p.fromAbove ? from.row[i - 1] : from.column[i - 1], from.q, q));
    p.predictable &= std::abs(v) <= 2047;
  }
  return p;
}

void KeepEdge(const std::int16_t* levels, int q, int scaler, IntraEdge* e) {
  e->dc = levels[0] * scaler;
  e->q = q;
  for (int i = 1; i < 8; ++i) e->row[i - 1] = levels[i], e->column[i - 1] = levels[i * 8];
}

std::uint8_t CodedBlocks(const std::array<IntraBlock, 6>& blocks, const std::int16_t* levels, bool predicted) {
  std::uint8_t cbp = 0;
  for (int b = 0; b < 6; ++b) {
    const std::int16_t* l = predicted ? blocks[b].predicted : levels + b * 64;
    if ((NonZero(l) & ~std::uint64_t{1}) != 0) cbp |= static_cast<std::uint8_t>(1 << (5 - b));
  }
  return cbp;
}

// An intra macroblock, its AC levels predicted where that takes fewer bits.
void WriteIntra(const std::int16_t* levels, int mx, int my, bool intraPlane, int q, int dquant, IntraEdges* luma,
                IntraEdges* cb, IntraEdges* cr, BitWriter* bits) {
  std::array<IntraBlock, 6> plan;
  for (int b = 0; b < 6; ++b) {
    const std::int16_t* l = levels + b * 64;
    const int x = b < 4 ? mx * 2 + (b & 1) : mx, y = b < 4 ? my * 2 + (b >> 1) : my;
    IntraEdges& edges = b < 4 ? *luma : (b == 4 ? *cb : *cr);
    const int scaler = b < 4 ? LumaDcScaler(q) : ChromaDcScaler(q);
    plan[b] = PlanIntraBlock(l, edges.At(x - 1, y), edges.At(x - 1, y - 1), edges.At(x, y - 1), q, scaler);
    KeepEdge(l, q, scaler, &edges.Keep(x, y));
  }
  auto mcbpc = [&](std::uint8_t cbp) -> const Vlc& {
    return intraPlane ? kIntraMcbpc[dquant != 0][cbp & 3] : kInterMcbpc[dquant != 0 ? 4 : 3][cbp & 3];
  };
  auto headerBits = [&](std::uint8_t cbp) { return mcbpc(cbp).length + kCbpy[cbp >> 2].length; };
  const std::uint8_t plainCbp = CodedBlocks(plan, levels, false), predictedCbp = CodedBlocks(plan, levels, true);
  int plainBits = headerBits(plainCbp), predictedBits = headerBits(predictedCbp);
  bool predictable = true;
  for (int b = 0; b < 6; ++b) {
    plainBits += CoefficientBits(levels + b * 64, kZigzag, true);
    predictedBits += CoefficientBits(plan[b].predicted, plan[b].fromAbove ? kAlternateHorizontal : kAlternateVertical,
                                     true);
    predictable &= plan[b].predictable;
  }
  const bool acPrediction = predictable && predictedBits < plainBits;
  const std::uint8_t cbp = acPrediction ? predictedCbp : plainCbp;
  bits->Put(mcbpc(cbp).code, mcbpc(cbp).length);
  bits->Put(acPrediction ? 1 : 0, 1);
  bits->Put(kCbpy[cbp >> 2].code, kCbpy[cbp >> 2].length);
  PutQuantiserChange(dquant, bits);
  for (int b = 0; b < 6; ++b) {
    PutDc(plan[b].dcDifference, b < 4, bits);
    if (!(cbp & (1 << (5 - b)))) continue;
    if (acPrediction) {
      PutCoefficients(plan[b].predicted, plan[b].fromAbove ? kAlternateHorizontal : kAlternateVertical, true, bits);
    } else {
      PutCoefficients(levels + b * 64, kZigzag, true, bits);
    }
  }
}

}  // namespace

void WritePlane(const std::vector<MacroblockWrite>& blocks, int mbWidth, int mbHeight, bool intraPlane, int q,
                int fCode, BitWriter* bits) {
  IntraEdges luma(mbWidth * 2, mbHeight * 2), cb(mbWidth, mbHeight), cr(mbWidth, mbHeight);
  int current = q;  // the quantiser of the last coded macroblock
  for (int my = 0; my < mbHeight; ++my) {
    for (int mx = 0; mx < mbWidth; ++mx) {
      const MacroblockWrite& m = blocks[my * mbWidth + mx];
      if (!intraPlane && m.mode == MacroblockWrite::kSkip) {
        bits->Put(1, 1);  // not coded
        continue;
      }
      const int dquant = m.q == 0 ? 0 : m.q - current;
      current += dquant;
      if (m.mode == MacroblockWrite::kIntra) {
        if (!intraPlane) bits->Put(0, 1);  // coded
        WriteIntra(m.levels->data(), mx, my, intraPlane, current, dquant, &luma, &cb, &cr, bits);
        continue;
      }
      const int cbpc = m.cbp & 3, cbpy = m.cbp >> 2;
      const Vlc& mcbpc = kInterMcbpc[dquant != 0 ? 1 : 0][cbpc];
      bits->Put(0, 1);  // coded
      bits->Put(mcbpc.code, mcbpc.length);
      bits->Put(kCbpy[15 - cbpy].code, kCbpy[15 - cbpy].length);
      PutQuantiserChange(dquant, bits);
      const MotionVector predicted = PredictedVector(mx, my, mbWidth, [&](int x, int y) {
        const MacroblockWrite& n = blocks[y * mbWidth + x];
        return n.mode == MacroblockWrite::kInter ? n.mv : MotionVector{};
      });
      PutMotionComponent(m.mv.x - predicted.x, fCode, bits);
      PutMotionComponent(m.mv.y - predicted.y, fCode, bits);
      for (int b = 0; b < 6; ++b) {
        if (m.cbp & (1 << (5 - b))) PutCoefficients(m.levels->data() + b * 64, kZigzag, false, bits);
      }
    }
  }
}

}  // namespace mavrion::encoder::builtin::mpeg4
