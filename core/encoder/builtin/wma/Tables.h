#pragma once
// The fixed tables of the Windows Media Audio 2 bitstream.
#include <cstdint>

namespace mavrion::encoder::builtin::wma {

// Codes of the coefficients: code 0 is the escape, code 1 ends the block,
// and from code 2 on the codes run through level 1 with runs 0, 1, ...,
// runsPerLevel[0] - 1, then level 2, and so on.
struct CoefficientTable {
  int size;
  const std::uint32_t* codes;
  const std::uint8_t* lengths;
  const std::uint16_t* runsPerLevel;
  int levels;
};
extern const CoefficientTable kCoefficientTables[6];

// Codes of an exponent's step from the band before, step + 60.
extern const std::uint32_t kExponentStepCodes[121];
extern const std::uint8_t kExponentStepLengths[121];

// Band widths of the 512-, 256- and 128-coefficient blocks at 44.1 kHz
// (from the shortest): the count, then the widths.
extern const std::uint8_t kShortBlockBands44100[3][25];

// Band edges in Hz from which the longer blocks' bands are derived.
extern const std::uint16_t kCriticalFrequencies[25];

}  // namespace mavrion::encoder::builtin::wma
