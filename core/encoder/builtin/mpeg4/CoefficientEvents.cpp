#include "core/encoder/builtin/mpeg4/CoefficientEvents.h"

#include <emmintrin.h>

#include "core/encoder/builtin/mpeg4/Tables.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// The bit of each row-major position's index in scan. Looked up rather
// than shifted: a 64-bit shift by a variable is a handful of instructions
// in the 32-bit build.
const std::uint64_t* ScanBitsOf(const std::uint8_t* scan) {
  struct ScanBits {
    std::uint64_t zigzag[64], horizontal[64], vertical[64];
    ScanBits() {
      for (int i = 0; i < 64; ++i) {
        zigzag[kZigzag[i]] = std::uint64_t{1} << i;
        horizontal[kAlternateHorizontal[i]] = std::uint64_t{1} << i;
        vertical[kAlternateVertical[i]] = std::uint64_t{1} << i;
      }
    }
  };
  static const ScanBits kScanBits;
  return scan == kZigzag ? kScanBits.zigzag : scan == kAlternateHorizontal ? kScanBits.horizontal : kScanBits.vertical;
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
  const std::uint64_t* bitOf = ScanBitsOf(scan);
  std::uint64_t inScan = 0;
  for (std::uint64_t m = NonZero(levels); m != 0; m &= m - 1) inScan |= bitOf[LowestBit(m)];
  return inScan;
}

}  // namespace mavrion::encoder::builtin::mpeg4
