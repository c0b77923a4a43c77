#pragma once
// Microsoft Video 1 in its 16-bit mode (FourCC 'CRAM'): the picture is cut
// into 4x4 blocks, from the bottom block row up, and each block is skipped
// (kept from the previous frame), filled with one colour, drawn with two
// colours, or drawn with two colours per 2x2 quadrant. Stock Windows and
// FFmpeg decode it without extra installs.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/BgraImage.h"

namespace mavrion::encoder::builtin {

inline constexpr std::uint32_t kFourCcCram = 0x4D415243;  // "CRAM" read as a little-endian DWORD
inline constexpr int kMsVideo1BitCount = 16;

class MsVideo1Encoder {
 public:
  struct BlockCounts {
    std::uint32_t skipped = 0, oneColour = 0, twoColour = 0, eightColour = 0;
  };

  // width and height are multiples of 4. quality 1..100 (clamped): 100 keeps
  // blocks as close as the format allows, 1 accepts coarse blocks and long
  // stale areas in exchange for small frames.
  MsVideo1Encoder(int width, int height, int quality);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Compresses picture (of this encoder's size) into out, replacing its
  // contents. Every block is coded, none skipped, when keyFrame is set and
  // for the first frame. Answers whether the frame is a key frame.
  bool Encode(const BgraImage& picture, bool keyFrame, std::vector<std::uint8_t>* out);

  // A frame that shows the previous picture again: every block skipped.
  void EncodeRepeat(std::vector<std::uint8_t>* out) const;

  const BlockCounts& LastCounts() const { return counts_; }
  // What a decoder shows after the last frame: RGB555, top-down.
  const std::vector<std::uint16_t>& DecodedPicture() const { return decoded_; }

 private:
  struct Candidate;
  void ConvertPicture(const BgraImage& picture);
  void EncodeBlock(int blockX, int blockY, bool mayKeep, std::vector<std::uint8_t>* out,
                   std::uint32_t* pendingSkips);

  int width_;
  int height_;
  int quality_;
  std::int32_t lambda16_;  // cost of one byte, in sixteenths of 5-bit squared error
  bool havePrevious_ = false;
  std::vector<std::uint16_t> current_;    // this picture in RGB555, top-down
  std::vector<std::uint16_t> previous_;   // the last picture in RGB555
  std::vector<std::uint16_t> decoded_;    // what a decoder shows now
  BlockCounts counts_;
};

}  // namespace mavrion::encoder::builtin
