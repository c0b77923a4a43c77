#pragma once
// The headers of an MPEG-4 Part 2 Simple Profile stream: the visual object
// sequence, visual object and video object layer that describe it (the
// stream's codec data, repeated before every key frame), and the header of
// each video object plane (a frame).
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/mpeg4/BitWriter.h"

namespace mavrion::encoder::builtin::mpeg4 {

// Times count in ms: the planes' time stamps have 1000 ticks a second.
inline constexpr int kTimeResolution = 1000;
inline constexpr int kTimeIncrementBits = 10;  // enough for 0..999

std::vector<std::uint8_t> SequenceHeaders(int width, int height);

enum class PlaneType { kIntra = 0, kPredicted = 1 };

struct PlaneHeader {
  PlaneType type = PlaneType::kIntra;
  std::int64_t timeMs = 0;
  std::int64_t previousSecond = 0;  // whole seconds of the plane before
  bool coded = true;
  int quantiser = 2;    // 1..31
  int forwardFCode = 1; // 1..7, predicted planes only
};

// Everything up to the first macroblock; for a plane that is not coded, the
// whole plane, stuffed to the byte.
void WritePlaneHeader(const PlaneHeader& header, BitWriter* bits);

}  // namespace mavrion::encoder::builtin::mpeg4
