#include "core/encoder/builtin/mpeg4/Interpolation.h"

#include <emmintrin.h>

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Width samples from p, in the low bytes; the rest zero.
template <int Width>
__m128i Load(const std::uint8_t* p) {
  if constexpr (Width == 16) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  } else {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  }
}

// The rows of a block at one half-sample phase, one after the other; a
// vertical phase carries what two neighbouring rows share to the next.
// Rounding up is what the byte average does.
template <int Width, bool Right>
class FlatRows {
 public:
  FlatRows(const std::uint8_t* a, std::ptrdiff_t stride) : a_(a), stride_(stride) {}
  __m128i Next() {
    __m128i r = Load<Width>(a_);
    if constexpr (Right) r = _mm_avg_epu8(r, Load<Width>(a_ + 1));
    a_ += stride_;
    return r;
  }

 private:
  const std::uint8_t* a_;
  std::ptrdiff_t stride_;
};

template <int Width>
class DownRows {
 public:
  DownRows(const std::uint8_t* a, std::ptrdiff_t stride) : a_(a), stride_(stride), top_(Load<Width>(a)) {}
  __m128i Next() {
    a_ += stride_;
    const __m128i bottom = Load<Width>(a_);
    const __m128i r = _mm_avg_epu8(top_, bottom);
    top_ = bottom;
    return r;
  }

 private:
  const std::uint8_t* a_;
  std::ptrdiff_t stride_;
  __m128i top_;
};

// The four-sample mean of two rows from each row's pair means (rounded up)
// and pair parities. Two averages in a row round up twice: the second is
// one too far when either pair's sum was odd and the two means differ in
// parity.
__m128i Diagonal(__m128i topMeans, __m128i topOdd, __m128i means, __m128i odd) {
  const __m128i r = _mm_avg_epu8(topMeans, means);
  const __m128i over =
      _mm_and_si128(_mm_and_si128(_mm_or_si128(topOdd, odd), _mm_xor_si128(topMeans, means)), _mm_set1_epi8(1));
  return _mm_sub_epi8(r, over);
}

template <int Width>
class DiagonalRows {
 public:
  DiagonalRows(const std::uint8_t* a, std::ptrdiff_t stride) : a_(a), stride_(stride) { Pairs(a, topMeans_, topOdd_); }
  __m128i Next() {
    a_ += stride_;
    __m128i means, odd;
    Pairs(a_, means, odd);
    const __m128i r = Diagonal(topMeans_, topOdd_, means, odd);
    topMeans_ = means, topOdd_ = odd;
    return r;
  }

 private:
  // Each sample and its right neighbour: their mean rounded up, and
  // whether their sum is odd (in the lowest bit).
  static void Pairs(const std::uint8_t* p, __m128i& means, __m128i& odd) {
    const __m128i a = Load<Width>(p), b = Load<Width>(p + 1);
    means = _mm_avg_epu8(a, b);
    odd = _mm_xor_si128(a, b);
  }

  const std::uint8_t* a_;
  std::ptrdiff_t stride_;
  __m128i topMeans_, topOdd_;
};

// Calls body with the row former of the phase; a is the block's top-left
// whole sample.
template <int Width, typename Body>
void WithRows(const std::uint8_t* a, std::ptrdiff_t stride, int halfX, int halfY, Body body) {
  if (halfX && halfY) {
    body(DiagonalRows<Width>(a, stride));
  } else if (halfX) {
    body(FlatRows<Width, true>(a, stride));
  } else if (halfY) {
    body(DownRows<Width>(a, stride));
  } else {
    body(FlatRows<Width, false>(a, stride));
  }
}

}  // namespace

void Interpolate(const Plane& plane, int x, int y, int halfX, int halfY, int size, std::uint8_t* out) {
  const std::uint8_t* a = plane.Row(y) + x;
  if (size == 16) {
    WithRows<16>(a, plane.Stride(), halfX, halfY, [&](auto rows) {
      for (int j = 0; j < 16; ++j) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j * 16), rows.Next());
    });
  } else {
    WithRows<8>(a, plane.Stride(), halfX, halfY, [&](auto rows) {
      for (int j = 0; j < 8; ++j) _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j * 8), rows.Next());
    });
  }
}

int PredictionSad(const std::uint8_t* source, std::ptrdiff_t sourceStride, const std::uint8_t* reference,
                  std::ptrdiff_t referenceStride, int halfX, int halfY, int limit) {
  int total = 0;
  WithRows<16>(reference, referenceStride, halfX, halfY, [&](auto rows) {
    __m128i sum = _mm_setzero_si128();
    // One look at the limit, halfway: looking more often costs more than
    // the rows it saves.
    auto row = [&](int j) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + j * sourceStride));
      sum = _mm_add_epi32(sum, _mm_sad_epu8(s, rows.Next()));
    };
    for (int j = 0; j < 16; j += 8) {
      row(j), row(j + 1), row(j + 2), row(j + 3), row(j + 4), row(j + 5), row(j + 6), row(j + 7);
      total = _mm_cvtsi128_si32(_mm_add_epi32(sum, _mm_srli_si128(sum, 8)));
      if (total >= limit) return;
    }
  });
  return total;
}

void HalfStepSads(const std::uint8_t* source, std::ptrdiff_t sourceStride, const std::uint8_t* reference,
                  std::ptrdiff_t referenceStride, int sads[8]) {
  // What one reference row gives the neighbours: the pairs to the left
  // (with the sample before) and to the right (with the sample after).
  struct Row {
    __m128i centre, leftMeans, leftOdd, rightMeans, rightOdd;
  };
  auto row = [](const std::uint8_t* p) {
    const __m128i left = Load<16>(p - 1), centre = Load<16>(p), right = Load<16>(p + 1);
    return Row{centre, _mm_avg_epu8(left, centre), _mm_xor_si128(left, centre), _mm_avg_epu8(centre, right),
               _mm_xor_si128(centre, right)};
  };
  // Between a row and the next: the three predictions half a row down.
  struct Between {
    __m128i left, middle, right;
  };
  auto between = [](const Row& a, const Row& b) {
    return Between{Diagonal(a.leftMeans, a.leftOdd, b.leftMeans, b.leftOdd), _mm_avg_epu8(a.centre, b.centre),
                   Diagonal(a.rightMeans, a.rightOdd, b.rightMeans, b.rightOdd)};
  };
  __m128i sum[8];
  for (__m128i& v : sum) v = _mm_setzero_si128();
  auto add = [&](int i, __m128i s, __m128i prediction) { sum[i] = _mm_add_epi32(sum[i], _mm_sad_epu8(s, prediction)); };
  Row here = row(reference);
  Between above = between(row(reference - referenceStride), here);
  for (int j = 0; j < 16; ++j) {
    const Row next = row(reference + (j + 1) * referenceStride);
    const Between below = between(here, next);
    const __m128i s = Load<16>(source + j * sourceStride);
    add(0, s, above.left), add(1, s, above.middle), add(2, s, above.right);
    add(3, s, here.leftMeans), add(4, s, here.rightMeans);
    add(5, s, below.left), add(6, s, below.middle), add(7, s, below.right);
    here = next, above = below;
  }
  for (int i = 0; i < 8; ++i) sads[i] = _mm_cvtsi128_si32(_mm_add_epi32(sum[i], _mm_srli_si128(sum[i], 8)));
}

}  // namespace mavrion::encoder::builtin::mpeg4
