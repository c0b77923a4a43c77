#include "core/encoder/builtin/wma/Bands.h"

#include <algorithm>

#include "core/encoder/builtin/wma/BlockLayout.h"
#include "core/encoder/builtin/wma/Tables.h"

namespace mavrion::encoder::builtin::wma {
namespace {

constexpr int kSampleRate = 44100;
constexpr int kFirstReference = 36;  // the decoder's exponent before the first band
constexpr int kLowestExponent = -60;
constexpr int kLargestStep = 60;

}  // namespace

BandLayout BandsFor(int bits) {
  BandLayout layout;
  const int length = 1 << bits;
  const int shortIndex = bits - kShortestBlockBits;
  if (shortIndex < 3) {
    const std::uint8_t* table = kShortBlockBands44100[shortIndex];
    layout.widths.assign(table + 1, table + 1 + table[0]);
  } else {
    // Band edges at the critical frequencies, rounded to four coefficients.
    int previous = 0;
    for (const int frequency : kCriticalFrequencies) {
      int edge = ((length * 2 * frequency) + (kSampleRate << 1)) / (4 * kSampleRate) * 4;
      edge = std::min(edge, length);
      if (edge > previous) layout.widths.push_back(edge - previous);
      if (edge >= length) break;
      previous = edge;
    }
  }
  // The top 9 % of the spectrum (above about 20 kHz) is never coded.
  layout.codedCoefficients = (kFrameLength - kFrameLength * 9 / 100) >> (kFrameBits - bits);
  return layout;
}

void FitExponents(int loudest, std::vector<int>* exponents) {
  std::vector<int>& e = *exponents;
  const int shift = kTopExponent - loudest;
  e.back() = std::max(e.back(), loudest);
  int previous = kFirstReference;
  for (int& value : e) {
    value = std::max({value + shift, kLowestExponent, previous - kLargestStep});
    previous = value;
  }
  // Raising only shrinks the falls, so this keeps what the first pass made.
  for (std::size_t b = e.size() - 1; b > 0; --b) e[b - 1] = std::max(e[b - 1], e[b] - kLargestStep);
}

int ExponentBits(const std::vector<int>& exponents) {
  int bits = 0;
  int previous = kFirstReference;
  for (const int value : exponents) {
    bits += kExponentStepLengths[value - previous + kLargestStep];
    previous = value;
  }
  return bits;
}

void WriteExponents(const std::vector<int>& exponents, mpeg4::BitWriter* out) {
  int previous = kFirstReference;
  for (const int value : exponents) {
    const int index = value - previous + kLargestStep;
    out->Put(kExponentStepCodes[index], kExponentStepLengths[index]);
    previous = value;
  }
}

}  // namespace mavrion::encoder::builtin::wma
