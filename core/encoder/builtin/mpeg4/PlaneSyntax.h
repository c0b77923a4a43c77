#pragma once
// The syntax of a whole plane's macroblocks: modes, coded block patterns,
// quantiser changes, DC and AC prediction of intra blocks, motion vectors
// as differences from their prediction, and the levels as coding events.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/BitWriter.h"
#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"

namespace mavrion::encoder::builtin::mpeg4 {

// The smallest forward f_code whose range holds vector components of the
// given size (half samples).
int FCodeFor(int largestComponent);

struct MacroblockWrite {
  enum Mode : std::uint8_t { kSkip, kInter, kIntra } mode = kSkip;
  MotionVector mv;
  std::uint8_t cbp = 0;
  // The quantiser the levels are at; 0 for the plane's. It may differ from
  // that of the coded macroblock before it (the plane's for the first) by
  // at most 2; a skipped macroblock keeps it.
  std::uint8_t q = 0;
  const MacroblockLevels* levels = nullptr;
};

// The macroblocks of a plane, in raster order; q is the plane's quantiser.
void WritePlane(const std::vector<MacroblockWrite>& blocks, int mbWidth, int mbHeight, bool intraPlane, int q,
                int fCode, BitWriter* bits);

}  // namespace mavrion::encoder::builtin::mpeg4
