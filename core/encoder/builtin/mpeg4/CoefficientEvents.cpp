#include "core/encoder/builtin/mpeg4/CoefficientEvents.h"

#include <emmintrin.h>

#include "core/encoder/builtin/mpeg4/Tables.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

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

}  // namespace

std::uint64_t NonZero(const std::int16_t* levels) {
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; i += 16) {
    // Packing saturates, so a non-zero level stays non-zero.
    const __m128i bytes = _mm_packs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + i)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + i + 8)));
    const unsigned zero = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    mask |= static_cast<std::uint64_t>(~zero & 0xFFFFu) << i;
  }
  return mask;
}

std::uint64_t ScanMask(const std::int16_t* levels, const std::uint8_t* scan) {
  const std::uint8_t* index = IndexesIn(scan);
  std::uint64_t inScan = 0;
  for (std::uint64_t m = NonZero(levels); m != 0; m &= m - 1) inScan |= std::uint64_t{1} << index[LowestBit(m)];
  return inScan;
}

}  // namespace mavrion::encoder::builtin::mpeg4
