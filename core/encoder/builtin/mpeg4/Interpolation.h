#pragma once
// The motion-compensated prediction a decoder forms at half-sample
// positions, rounding type 0: between two samples their mean rounded up,
// between four their mean rounded to nearest. The motion search measures
// candidates against exactly what the prediction will show, so both take
// it from here.
#include <cstddef>
#include <cstdint>

#include "core/encoder/builtin/mpeg4/Planes.h"

namespace mavrion::encoder::builtin::mpeg4 {

// The size x size block (16 or 8) of plane at whole sample (x, y), moved
// right by halfX and down by halfY half samples (0 or 1), into out, size
// samples a row.
void Interpolate(const Plane& plane, int x, int y, int halfX, int halfY, int size, std::uint8_t* out);

// The sum of absolute differences between 16x16 source samples and that
// prediction from reference at whole sample (x, y) and half samples
// (halfX, halfY).
int PredictionSad(const std::uint8_t* source, std::ptrdiff_t sourceStride, const Plane& reference, int x, int y,
                  int halfX, int halfY);

}  // namespace mavrion::encoder::builtin::mpeg4
