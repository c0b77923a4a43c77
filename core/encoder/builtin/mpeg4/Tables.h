#pragma once
// The variable-length codes of MPEG-4 Part 2 video that a Simple Profile
// encoder needs, and the zigzag scan.
#include <cstdint>

namespace mavrion::encoder::builtin::mpeg4 {

struct Vlc {
  std::uint16_t code = 0;
  std::uint8_t length = 0;  // 0: no code
};

// mcbpc of an I-VOP: [dquant present][cbpc].
extern const Vlc kIntraMcbpc[2][4];
// mcbpc of a P-VOP: [macroblock type: 0 inter, 1 inter+q, 2 four vectors, 3 intra,
// 4 intra+q][cbpc].
extern const Vlc kInterMcbpc[5][4];
// cbpy as sent for an intra macroblock; an inter one sends 15 - cbpy.
extern const Vlc kCbpy[16];
extern const Vlc kDcSizeLuma[13];
extern const Vlc kDcSizeChroma[13];
// motion_code 0..32, without its sign bit.
extern const Vlc kMotionCode[33];
// Row-major position of the n-th coefficient in the zigzag scan.
extern const std::uint8_t kZigzag[64];

inline constexpr Vlc kEscape{0x03, 7};

// The code of (last, run, |level|) without its sign bit; length 0 when the
// event has none and needs an escape.
Vlc CoefficientCode(bool intra, bool last, int run, int level);

}  // namespace mavrion::encoder::builtin::mpeg4
