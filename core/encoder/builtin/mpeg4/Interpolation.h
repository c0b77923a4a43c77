#pragma once
// The motion-compensated prediction a decoder forms at half-sample
// positions, rounding type 0: between two samples their mean rounded up,
// between four their mean rounded to nearest. The motion search measures
// candidates against exactly what the prediction will show, so both take
// it from here.
#include <climits>
#include <cstddef>
#include <cstdint>

#include "core/encoder/builtin/mpeg4/Planes.h"

namespace mavrion::encoder::builtin::mpeg4 {

// The size x size block (16 or 8) of plane at whole sample (x, y), moved
// right by halfX and down by halfY half samples (0 or 1), into out, size
// samples a row.
void Interpolate(const Plane& plane, int x, int y, int halfX, int halfY, int size, std::uint8_t* out);

// The sum of absolute differences between 16x16 source samples and that
// prediction at half samples (halfX, halfY) from the reference plane's
// whole sample at reference. A sum that reaches limit is left unfinished:
// the answer is then only known to be at least limit.
int PredictionSad(const std::uint8_t* source, std::ptrdiff_t sourceStride, const std::uint8_t* reference,
                  std::ptrdiff_t referenceStride, int halfX, int halfY, int limit = INT_MAX);

// The sums of absolute differences of 16x16 source samples from the
// predictions half a sample around the whole sample at reference, in rows
// from above left: up left, up, up right, left, right, down left, down,
// down right. Reads a sample and a row more on every side.
void HalfStepSads(const std::uint8_t* source, std::ptrdiff_t sourceStride, const std::uint8_t* reference,
                  std::ptrdiff_t referenceStride, int sads[8]);

}  // namespace mavrion::encoder::builtin::mpeg4
