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
// Row-major position of the n-th coefficient in the zigzag scan, and in the
// scans an intra block with AC prediction uses: the horizontal one when its
// first row is predicted from above, the vertical one when its first column
// is predicted from the left.
extern const std::uint8_t kZigzag[64];
extern const std::uint8_t kAlternateHorizontal[64];
extern const std::uint8_t kAlternateVertical[64];

// The whole code of one coefficient event: (last, run, level) with its
// sign, by table or by the shortest escape that holds it.
struct EventCode {
  std::uint32_t code = 0;
  int length = 0;
};
EventCode CoefficientEvent(bool intra, bool last, int run, int level);
// The lengths of whole events of intra or inter blocks, for counting many;
// magnitudes beyond kCountedLevel all take an escape written out.
constexpr int kCountedLevel = 64;
constexpr int kEscapeWrittenBits = 7 + 2 + 1 + 6 + 1 + 12 + 1;
struct EventLengths {
  std::uint8_t length[2][64][kCountedLevel + 1];  // [last][run][magnitude]
  // For magnitude >= 1.
  int Bits(bool last, int run, int magnitude) const {
    return magnitude > kCountedLevel ? kEscapeWrittenBits : length[last ? 1 : 0][run][magnitude];
  }
};
const EventLengths& CoefficientEventLengths(bool intra);

}  // namespace mavrion::encoder::builtin::mpeg4
