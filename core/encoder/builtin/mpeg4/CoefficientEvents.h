#pragma once
// The non-zero levels of an 8x8 block as coding events (level, run of zeros
// before it, whether it is the last): counting a block's bits and writing
// them both go through here.
#include <bit>
#include <cstdint>

namespace mavrion::encoder::builtin::mpeg4 {

// The index of the lowest set bit of a non-zero mask. The 32-bit build
// looks at each half itself: its compiler calls a library routine for a
// 64-bit count, once per coded level.
inline int LowestBit(std::uint64_t mask) {
  if constexpr (sizeof(void*) < 8) {
    const auto low = static_cast<std::uint32_t>(mask);
    return low != 0 ? std::countr_zero(low) : 32 + std::countr_zero(static_cast<std::uint32_t>(mask >> 32));
  }
  return std::countr_zero(mask);
}

// The index of the highest set bit of a non-zero mask, likewise.
inline int HighestBit(std::uint64_t mask) {
  if constexpr (sizeof(void*) < 8) {
    const auto high = static_cast<std::uint32_t>(mask >> 32);
    return high != 0 ? 63 - std::countl_zero(high) : 31 - std::countl_zero(static_cast<std::uint32_t>(mask));
  }
  return 63 - std::countl_zero(mask);
}

// Bit p set where the level at row-major position p is non-zero.
std::uint64_t NonZero(const std::int16_t* levels);
// Bit i set where the level at index i of scan is non-zero.
std::uint64_t ScanMask(const std::int16_t* levels, const std::uint8_t* scan);

// Calls event(level, run, last) for each non-zero level from scan index
// first on, in scan order: blocks are mostly zeros, so the walk goes from
// one non-zero level to the next.
template <class Event>
void ForEachEvent(const std::int16_t* levels, const std::uint8_t* scan, int first, Event event) {
  std::uint64_t inScan = ScanMask(levels, scan) >> first << first;
  int previous = first - 1;
  while (inScan != 0) {
    const int i = LowestBit(inScan);
    inScan &= inScan - 1;
    event(levels[scan[i]], i - previous - 1, inScan == 0);
    previous = i;
  }
}

}  // namespace mavrion::encoder::builtin::mpeg4
