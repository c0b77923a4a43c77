#pragma once
// Pictures in 4:2:0 planes as MPEG-4 codes them: sizes rounded up to whole
// macroblocks, with a border around each plane that repeats the edge of
// the whole macroblocks (not of the visible part), as decoders extend a
// reference picture for motion vectors that point past it. Colour conversion from captured BGRA, BT.601 studio range.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mavrion::encoder::builtin::mpeg4 {

class Plane {
 public:
  Plane() = default;
  // width x height visible samples, allocated to alignedWidth x alignedHeight
  // plus border on every side.
  Plane(int width, int height, int alignedWidth, int alignedHeight, int border);

  std::uint8_t* Row(int y) { return &data_[static_cast<std::size_t>(y + border_) * stride_ + border_]; }
  const std::uint8_t* Row(int y) const {
    return &data_[static_cast<std::size_t>(y + border_) * stride_ + border_];
  }
  std::ptrdiff_t Stride() const { return static_cast<std::ptrdiff_t>(stride_); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Border() const { return border_; }
  int AlignedWidth() const { return alignedWidth_; }
  int AlignedHeight() const { return alignedHeight_; }

  // Repeats the edge samples of the aligned picture over the border.
  void ExtendEdges();

 private:
  int width_ = 0, height_ = 0, alignedWidth_ = 0, alignedHeight_ = 0, border_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> data_;
};

struct YuvPicture {
  Plane y, u, v;
  YuvPicture() = default;
  // width and height even.
  YuvPicture(int width, int height, int border);
  void ExtendEdges() {
    y.ExtendEdges();
    u.ExtendEdges();
    v.ExtendEdges();
  }
};

// Copies macroblock (mx, my) of every plane.
void CopyMacroblock(const YuvPicture& from, int mx, int my, YuvPicture* to);

// Converts macroblock (mx, my) of a BGRA picture of width x height into
// picture; samples past the picture's edge repeat its last column or row.
void ConvertMacroblock(const std::uint8_t* bgra, std::ptrdiff_t strideBytes, int width, int height, int mx,
                       int my, YuvPicture* picture);

}  // namespace mavrion::encoder::builtin::mpeg4
