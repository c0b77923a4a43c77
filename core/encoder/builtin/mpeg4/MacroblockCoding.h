#pragma once
// Coding of one macroblock (four 8x8 luma blocks, one of each chroma): the
// transform and quantisation with the reconstruction a decoder makes, and
// the prediction of motion vectors. PlaneSyntax writes what is coded.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/Planes.h"

namespace mavrion::encoder::builtin::mpeg4 {

// In half samples of luma.
struct MotionVector {
  std::int16_t x = 0, y = 0;
  friend bool operator==(const MotionVector&, const MotionVector&) = default;
};

// Quantised levels of the six blocks, row-major; block 4 is Cb, 5 is Cr.
using MacroblockLevels = std::array<std::int16_t, 6 * 64>;

// Each answers the coded block pattern (bit 5 for block 0 ... bit 0 for
// block 5) and writes what a decoder shows into reconstruction. dcOnly
// keeps each block's mean alone: the cheapest picture there is.
std::uint8_t CodeIntra(const YuvPicture& source, int mx, int my, int q, MacroblockLevels* levels,
                       YuvPicture* reconstruction, bool dcOnly = false);
std::uint8_t CodeInter(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                       int q, MacroblockLevels* levels, YuvPicture* reconstruction);

// Codes the macroblock inter with mv or intra, whichever costs less in
// error and bits at q (text that replaced other text leaves more to code
// as a difference than as itself); answers whether intra and the coded
// block pattern.
struct CodedMacroblock {
  bool intra = false;
  std::uint8_t cbp = 0;
};
CodedMacroblock CodeCheaper(const YuvPicture& source, const YuvPicture& reference, int mx, int my, MotionVector mv,
                            int q, MacroblockLevels* levels, YuvPicture* reconstruction);

// The prediction a decoder forms from reference for mv: 16x16 luma and two
// 8x8 chroma blocks.
void Predict(const YuvPicture& reference, int mx, int my, MotionVector mv, std::uint8_t luma[256],
             std::uint8_t cb[64], std::uint8_t cr[64]);

// About the bits of a vector sent as this difference from its prediction.
int VectorBits(MotionVector difference);
// About how many bits the coefficients of a macroblock take.
int EstimateBits(const MacroblockLevels& levels, std::uint8_t cbp, bool intra);
// Bits of one block's levels (without an intra DC) in the given scan.
int CoefficientBits(const std::int16_t* levels, const std::uint8_t* scan, bool intra);

// The vector a macroblock's is sent as a difference from: the median of its
// left, above and above-right neighbours' vectors, those past the sides of
// the picture taking zero; in the top row the left one's. vectorAt(x, y)
// gives the vector of macroblock (x, y), zero for one not coded inter.
template <class VectorAt>
MotionVector PredictedVector(int mx, int my, int mbWidth, VectorAt vectorAt) {
  if (my == 0) return mx > 0 ? vectorAt(mx - 1, my) : MotionVector{};
  const MotionVector above = vectorAt(mx, my - 1);
  if (mx == 0 && mx + 1 >= mbWidth) return above;
  const MotionVector left = mx > 0 ? vectorAt(mx - 1, my) : MotionVector{};
  const MotionVector aboveRight = mx + 1 < mbWidth ? vectorAt(mx + 1, my - 1) : MotionVector{};
  auto median = [](int a, int b, int c) {
    return static_cast<std::int16_t>(std::max(std::min(a, b), std::min(std::max(a, b), c)));
  };
  return MotionVector{median(left.x, above.x, aboveRight.x), median(left.y, above.y, aboveRight.y)};
}

}  // namespace mavrion::encoder::builtin::mpeg4
