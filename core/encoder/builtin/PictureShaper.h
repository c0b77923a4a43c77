#pragma once
// Brings captured pictures to the encoded size. Each dimension on its own:
// a profile size of 0 (or less) keeps the captured size, which is padded up
// to the codec's multiple of 4 by repeating the last column or row (no
// captured pixel is lost); any other size is scaled to, rounded up to a
// multiple of 4. Shrinking averages the covered area, enlarging is bilinear.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/BgraImage.h"

namespace mavrion::encoder::builtin {

inline constexpr int kMaxEncodedDimension = 8192;

struct FrameGeometry {
  int capturedWidth = 0, capturedHeight = 0;
  int contentWidth = 0, contentHeight = 0;  // the picture before padding
  int encodedWidth = 0, encodedHeight = 0;  // multiples of 4
  friend bool operator==(const FrameGeometry&, const FrameGeometry&) = default;
};

// False when a captured size is not positive or a result would exceed
// kMaxEncodedDimension.
bool ChooseFrameGeometry(int capturedWidth, int capturedHeight, int profileWidth,
                         int profileHeight, FrameGeometry* geometry);

class PictureShaper {
 public:
  explicit PictureShaper(const FrameGeometry& geometry);

  // captured has the captured size. The answer points at captured itself
  // when nothing needs doing, otherwise at a buffer of this shaper that the
  // next call overwrites.
  BgraImage Shape(const BgraImage& captured);

 private:
  // Per output position, the first source position and the 8-bit weights
  // (summing to 256) of the positions that contribute.
  struct Taps {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> offset;  // into weights; one more entry than first
    std::vector<std::uint16_t> weights;
  };
  static Taps MakeTaps(int from, int to);
  // The same for two output positions at a time: per step the two source
  // positions and each one's weight four times (one per channel); the
  // shorter span is padded with weight 0.
  struct PairedTaps {
    std::vector<std::uint32_t> offset;   // steps of each pair; one more entry than pairs
    std::vector<std::uint32_t> sources;  // two per step
    std::vector<std::uint16_t> weights;  // eight per step
  };
  static PairedTaps PairUp(const Taps& taps);

  FrameGeometry geometry_;
  bool scaleX_, scaleY_;
  Taps tapsX_, tapsY_;
  PairedTaps pairsX_;
  std::vector<std::uint32_t> across_;  // rows scaled across, captured height
  std::vector<std::uint32_t> out_;     // encoded size
};

}  // namespace mavrion::encoder::builtin
