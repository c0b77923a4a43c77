#include "core/encoder/builtin/mpeg4/Transform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <emmintrin.h>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Both transforms work on eight columns at once: a register holds a row of
// the block, and a one-dimensional transform combines whole registers.
// Transposing in between turns rows into columns. Products are formed in
// 32 bits from pairs of 16-bit lanes (a * ka + b * kb per 32-bit lane).
using Rows = __m128i[8];

void Transpose(Rows r) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}

// The lanes of a and b side by side, and 32-bit sums of their products.
struct Pairs {
  __m128i lo, hi;
  Pairs(__m128i a, __m128i b) : lo(_mm_unpacklo_epi16(a, b)), hi(_mm_unpackhi_epi16(a, b)) {}
};
struct Sums {
  __m128i lo, hi;
};
__m128i Weights(int ka, int kb) {
  const auto a = static_cast<short>(ka), b = static_cast<short>(kb);
  return _mm_set_epi16(b, a, b, a, b, a, b, a);
}
Sums Multiply(const Pairs& p, __m128i weights) {
  return {_mm_madd_epi16(p.lo, weights), _mm_madd_epi16(p.hi, weights)};
}
Sums operator+(const Sums& x, const Sums& y) { return {_mm_add_epi32(x.lo, y.lo), _mm_add_epi32(x.hi, y.hi)}; }
Sums operator-(const Sums& x, const Sums& y) { return {_mm_sub_epi32(x.lo, y.lo), _mm_sub_epi32(x.hi, y.hi)}; }
Sums operator+(const Sums& x, __m128i k) { return {_mm_add_epi32(x.lo, k), _mm_add_epi32(x.hi, k)}; }

// Shifted right and narrowed to 16 bits, saturating.
template <int kShift>
__m128i Narrow(const Sums& s) {
  return _mm_packs_epi32(_mm_srai_epi32(s.lo, kShift), _mm_srai_epi32(s.hi, kShift));
}
// The same keeping the low 16 bits, as a C cast to int16_t does.
template <int kShift>
__m128i NarrowWrapping(const Sums& s) {
  const __m128i lo = _mm_srai_epi32(_mm_slli_epi32(_mm_srai_epi32(s.lo, kShift), 16), 16);
  const __m128i hi = _mm_srai_epi32(_mm_slli_epi32(_mm_srai_epi32(s.hi, kShift), 16), 16);
  return _mm_packs_epi32(lo, hi);
}

// The forward transform: Loeffler's factorisation in its direct form, in
// fixed point with 13 fractional bits. Each one-dimensional pass gives
// sqrt(8) times the orthonormal coefficients; the first keeps two more
// bits, the second removes them and the factor 8.
constexpr int kConstantBits = 13, kFirstPassBits = 2;

// Coefficient k from the sums (even k) or differences (odd k) of the
// samples n and 7 - n, n = 0..3: sqrt(2) cos((2n + 1) k pi / 16), 1 for
// k = 0.
constexpr short kForwardWeights[8][4] = {
    {8192, 8192, 8192, 8192},     {11363, 9633, 6436, 2260},   {10703, 4433, -4433, -10703},
    {9633, -2260, -11363, -6436}, {8192, -8192, -8192, 8192},  {6436, -11363, 2260, 9633},
    {4433, -10703, 10703, -4433}, {2260, -6436, 9633, -11363},
};

template <int kShift>
void Forward1d(const Rows in, Rows out) {
  const Pairs even01(_mm_add_epi16(in[0], in[7]), _mm_add_epi16(in[1], in[6]));
  const Pairs even23(_mm_add_epi16(in[2], in[5]), _mm_add_epi16(in[3], in[4]));
  const Pairs odd01(_mm_sub_epi16(in[0], in[7]), _mm_sub_epi16(in[1], in[6]));
  const Pairs odd23(_mm_sub_epi16(in[2], in[5]), _mm_sub_epi16(in[3], in[4]));
  const __m128i round = _mm_set1_epi32(1 << (kShift - 1));
  auto coefficient = [&](int k, const Pairs& low, const Pairs& high) {
    const short* w = kForwardWeights[k];
    return Narrow<kShift>(Multiply(low, Weights(w[0], w[1])) + Multiply(high, Weights(w[2], w[3])) + round);
  };
  out[0] = coefficient(0, even01, even23);
  out[1] = coefficient(1, odd01, odd23);
  out[2] = coefficient(2, even01, even23);
  out[3] = coefficient(3, odd01, odd23);
  out[4] = coefficient(4, even01, even23);
  out[5] = coefficient(5, odd01, odd23);
  out[6] = coefficient(6, even01, even23);
  out[7] = coefficient(7, odd01, odd23);
}

// The inverse transform most decoders of this format use (FFmpeg's and
// others' "simple" integer IDCT): rows then columns in fixed point. Every
// sum here is the exact integer the scalar form computes, so the result is
// the same to the bit and what decoders show is what our references hold.
constexpr int W1 = 22725, W2 = 21407, W3 = 19266, W4 = 16383, W5 = 12873, W6 = 8867, W7 = 4520;
constexpr int kRowShift = 11, kColumnShift = 20;

// One dimension: in[k] is frequency k, bias is added to every output.
template <int kShift, bool kWrap>
void Inverse1d(const Rows in, Rows out, int bias) {
  const Pairs p04(in[0], in[4]), p26(in[2], in[6]), p13(in[1], in[3]), p57(in[5], in[7]);
  const __m128i k = _mm_set1_epi32(bias);
  const Sums sum04 = Multiply(p04, Weights(W4, W4)) + k, difference04 = Multiply(p04, Weights(W4, -W4)) + k;
  const Sums outer26 = Multiply(p26, Weights(W2, W6)), inner26 = Multiply(p26, Weights(W6, -W2));
  const Sums a[4] = {sum04 + outer26, difference04 + inner26, difference04 - inner26, sum04 - outer26};
  const Sums b[4] = {
      Multiply(p13, Weights(W1, W3)) + Multiply(p57, Weights(W5, W7)),
      Multiply(p13, Weights(W3, -W7)) + Multiply(p57, Weights(-W1, -W5)),
      Multiply(p13, Weights(W5, -W1)) + Multiply(p57, Weights(W7, W3)),
      Multiply(p13, Weights(W7, -W5)) + Multiply(p57, Weights(W3, -W1)),
  };
  for (int i = 0; i < 4; ++i) {
    out[i] = kWrap ? NarrowWrapping<kShift>(a[i] + b[i]) : Narrow<kShift>(a[i] + b[i]);
    out[7 - i] = kWrap ? NarrowWrapping<kShift>(a[i] - b[i]) : Narrow<kShift>(a[i] - b[i]);
  }
}

void Load(const std::int16_t* block, Rows rows) {
  for (int i = 0; i < 8; ++i) rows[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i * 8));
}
void Store(const Rows rows, std::int16_t* block) {
  for (int i = 0; i < 8; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + i * 8), rows[i]);
}

// Whether every lane of every row equals the first lane of the first.
bool Flat(const Rows rows) {
  const __m128i first = _mm_shuffle_epi32(_mm_shufflelo_epi16(rows[0], 0), 0);
  __m128i same = _mm_cmpeq_epi16(rows[0], first);
  for (int i = 1; i < 8; ++i) same = _mm_and_si128(same, _mm_cmpeq_epi16(rows[i], first));
  return _mm_movemask_epi8(same) == 0xFFFF;
}

// Whether only the first lane of the first row may be non-zero.
bool OnlyFirst(const Rows rows) {
  __m128i any = _mm_srli_si128(rows[0], 2);
  for (int i = 1; i < 8; ++i) any = _mm_or_si128(any, rows[i]);
  return _mm_movemask_epi8(_mm_cmpeq_epi16(any, _mm_setzero_si128())) == 0xFFFF;
}

}  // namespace

void ForwardDct(const std::int16_t* samples, std::int16_t* coefficients) {
  Rows rows, columns;
  Load(samples, rows);
  // Flat blocks (backgrounds of screens) are common: both passes give them
  // a DC of 8 x the sample and nothing else, exactly.
  if (Flat(rows)) {
    std::fill(coefficients, coefficients + 64, std::int16_t{0});
    coefficients[0] = static_cast<std::int16_t>(8 * samples[0]);
    return;
  }
  Forward1d<kConstantBits - kFirstPassBits>(rows, columns);
  Transpose(columns);
  Forward1d<kConstantBits + kFirstPassBits + 3>(columns, rows);
  Transpose(rows);
  Store(rows, coefficients);
}

void InverseDct(const std::int16_t* coefficients, std::int16_t* samples) {
  Rows rows, columns;
  Load(coefficients, rows);
  // A block with only its DC is flat: the row pass gives its first row the
  // DC times 8, and the column pass each sample the value below.
  if (OnlyFirst(rows)) {
    const auto first = static_cast<std::int16_t>(coefficients[0] * 8);  // in 16 bits, as the row pass has it
    const int value = (W4 * first + W4 * ((1 << (kColumnShift - 1)) / W4)) >> kColumnShift;
    std::fill(samples, samples + 64, static_cast<std::int16_t>(value));
    return;
  }
  Transpose(rows);  // rows[u]: frequency u of every row
  Inverse1d<kRowShift, true>(rows, columns, 1 << (kRowShift - 1));
  // A row with only its DC is the DC times 8, as the scalar form's shortcut
  // gives (not quite what the full sum would).
  __m128i ac = rows[1];
  for (int u = 2; u < 8; ++u) ac = _mm_or_si128(ac, rows[u]);
  const __m128i dcOnly = _mm_cmpeq_epi16(ac, _mm_setzero_si128());
  const __m128i dc = _mm_and_si128(dcOnly, _mm_slli_epi16(rows[0], 3));
  for (int x = 0; x < 8; ++x) columns[x] = _mm_or_si128(dc, _mm_andnot_si128(dcOnly, columns[x]));
  Transpose(columns);  // columns[v]: row v of the row pass's results
  Inverse1d<kColumnShift, false>(columns, rows, W4 * ((1 << (kColumnShift - 1)) / W4));
  Store(rows, samples);
}

int LumaDcScaler(int q) {
  if (q <= 4) return 8;
  if (q <= 8) return 2 * q;
  if (q <= 24) return q + 8;
  return 2 * q - 16;
}

int ChromaDcScaler(int q) {
  if (q <= 4) return 8;
  if (q <= 24) return (q + 13) / 2;
  return q - 6;
}

namespace {

// floor(a / d) for 0 <= a < 4096 and 2 <= d <= 62 as (a * m) >> (16 + s):
// with s = ceil(log2 d) - 1 and m = ceil(2^(16 + s) / d), m stays below
// 2^16 and the error below 1 / d.
struct Divisor {
  __m128i multiplier, shift;
  explicit Divisor(int d) {
    int s = 0;
    while ((2 << s) < d) ++s;
    multiplier = _mm_set1_epi16(static_cast<short>(((1 << (16 + s)) + d - 1) / d));
    shift = _mm_cvtsi32_si128(s);
  }
  __m128i Divide(__m128i a) const { return _mm_srl_epi16(_mm_mulhi_epu16(a, multiplier), shift); }
};

// Gives v the sign of the lanes of signs.
__m128i WithSign(__m128i v, __m128i signs) {
  const __m128i negative = _mm_srai_epi16(signs, 15);
  return _mm_sub_epi16(_mm_xor_si128(v, negative), negative);
}

__m128i Abs(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

}  // namespace

bool Quantise(std::int16_t* c, int q, bool intra, int dcScaler) {
  // Intra rounds a little towards zero, inter leaves a small dead zone:
  // small differences are noise that costs bits (the coding of inter
  // blocks then weighs each level's bits against its error).
  const __m128i bias = _mm_set1_epi16(static_cast<short>(intra ? 0 : q / 4));
  const __m128i largest = _mm_set1_epi16(2047), zero = _mm_setzero_si128();
  const Divisor step(2 * q);
  const std::int16_t dc = c[0];
  __m128i any = zero;
  for (int i = 0; i < 64; i += 8) {
    __m128i* at = reinterpret_cast<__m128i*>(c + i);
    const __m128i v = _mm_loadu_si128(at);
    const __m128i a = _mm_max_epi16(_mm_sub_epi16(Abs(v), bias), zero);
    const __m128i level = _mm_min_epi16(step.Divide(a), largest);
    _mm_storeu_si128(at, WithSign(level, v));
    // An intra DC is not an AC level.
    any = _mm_or_si128(any, i == 0 && intra ? _mm_slli_si128(_mm_srli_si128(level, 2), 2) : level);
  }
  if (intra) c[0] = static_cast<std::int16_t>((dc + dcScaler / 2) / dcScaler);
  return _mm_movemask_epi8(_mm_cmpeq_epi16(any, zero)) != 0xFFFF;
}

void Dequantise(std::int16_t* c, int q, bool intra, int dcScaler) {
  const std::int16_t dc = c[0];
  // q (2 |level| + 1), less one for even q, in 32 bits: from pairs
  // (2 |level| + 1, 1) and (q, -1 or 0). Levels beyond 1024 end clamped
  // anyway.
  const __m128i weights = _mm_set_epi16(static_cast<short>(-(1 - q % 2)), static_cast<short>(q),
                                        static_cast<short>(-(1 - q % 2)), static_cast<short>(q),
                                        static_cast<short>(-(1 - q % 2)), static_cast<short>(q),
                                        static_cast<short>(-(1 - q % 2)), static_cast<short>(q));
  const __m128i one = _mm_set1_epi16(1), zero = _mm_setzero_si128();
  for (int i = 0; i < 64; i += 8) {
    __m128i* at = reinterpret_cast<__m128i*>(c + i);
    const __m128i level = _mm_loadu_si128(at);
    const __m128i magnitude = _mm_min_epi16(Abs(level), _mm_set1_epi16(1024));
    const __m128i odd = _mm_add_epi16(_mm_add_epi16(magnitude, magnitude), one);
    const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(odd, one), weights);
    const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(odd, one), weights);
    const __m128i a = _mm_min_epi16(_mm_packs_epi32(lo, hi), _mm_set1_epi16(2048));
    const __m128i value = _mm_min_epi16(WithSign(a, level), _mm_set1_epi16(2047));
    _mm_storeu_si128(at, _mm_andnot_si128(_mm_cmpeq_epi16(level, zero), value));
  }
  if (intra) c[0] = static_cast<std::int16_t>(std::clamp(dc * dcScaler, -2048, 2047));
}

}  // namespace mavrion::encoder::builtin::mpeg4
