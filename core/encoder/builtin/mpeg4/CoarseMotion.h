#pragma once
// Finds moves too long for the search at full size, such as a window
// dragged fast, on the luma shrunk to a quarter each way: there the
// 64x64 samples around a macroblock are matched over 128 samples in every
// direction for about what 16 samples would cost at full size.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/Planes.h"

namespace mavrion::encoder::builtin::mpeg4 {

class CoarseMotion {
 public:
  // Shrinks both pictures' luma; once a frame, before Find.
  void Shrink(const Plane& source, const Plane& reference);
  // Where the neighbourhood of macroblock (mx, my) matches best in the
  // reference, in whole samples (multiples of 4); false where staying
  // matches as well.
  bool Find(int mx, int my, int* dx, int* dy) const;

 private:
  struct Small {
    std::vector<std::uint8_t> samples;
    int width = 0, height = 0;
    void Shrink(const Plane& plane);
    const std::uint8_t* Row(int y) const { return &samples[static_cast<std::size_t>(y) * width]; }
  };
  Small source_, reference_;
};

}  // namespace mavrion::encoder::builtin::mpeg4
