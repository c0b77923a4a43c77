#pragma once
// The exponent bands of each block size and the exponents themselves: one
// scale a band, in steps of 1.25 dB, coded as the step from the band before.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/BitWriter.h"

namespace mavrion::encoder::builtin::wma {

// Coded exponents run from -60 to 95; the loudest band of a block is
// coded as the highest, the others below it.
inline constexpr int kTopExponent = 95;

struct BandLayout {
  std::vector<int> widths;  // cover the whole block
  int codedCoefficients = 0;  // the decoder reads coefficients up to here
};

// The bands of a block of 1 << bits samples at 44.1 kHz.
BandLayout BandsFor(int bits);

// Makes wanted exponents (integers on one scale for all channels of a
// block, one a band) codable: shifted so that the block's loudest exponent
// is kTopExponent, and no step between bands beyond what the codes hold (a
// band far below its neighbour is raised, so it is coded coarser). The
// decoder scales each channel by its own highest exponent; a channel
// quieter than the loudest gets kTopExponent in its top band (above about
// 15 kHz, coded coarser then) so that its steps stay on the block's scale.
void FitExponents(int loudest, std::vector<int>* exponents);

// The exponents' codes and their length in bits.
int ExponentBits(const std::vector<int>& exponents);
void WriteExponents(const std::vector<int>& exponents, mpeg4::BitWriter* out);

}  // namespace mavrion::encoder::builtin::wma
