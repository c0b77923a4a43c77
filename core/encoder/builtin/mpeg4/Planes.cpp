#include "core/encoder/builtin/mpeg4/Planes.h"

#include <algorithm>
#include <cstring>

namespace mavrion::encoder::builtin::mpeg4 {

Plane::Plane(int width, int height, int alignedWidth, int alignedHeight, int border)
    : width_(width), height_(height), alignedWidth_(alignedWidth), alignedHeight_(alignedHeight),
      border_(border), stride_(static_cast<std::size_t>(alignedWidth + 2 * border)),
      data_(stride_ * static_cast<std::size_t>(alignedHeight + 2 * border), 0) {}

void Plane::ExtendEdges() {
  const int w = alignedWidth_, h = alignedHeight_;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = Row(y);
    std::memset(row - border_, row[0], static_cast<std::size_t>(border_));
    std::memset(row + w, row[w - 1], static_cast<std::size_t>(border_));
  }
  const std::size_t rowBytes = stride_;
  for (int y = -border_; y < 0; ++y) std::memcpy(Row(y) - border_, Row(0) - border_, rowBytes);
  for (int y = h; y < h + border_; ++y) std::memcpy(Row(y) - border_, Row(h - 1) - border_, rowBytes);
}

YuvPicture::YuvPicture(int width, int height, int border) {
  const int aw = (width + 15) & ~15, ah = (height + 15) & ~15;
  y = Plane(width, height, aw, ah, border);
  u = Plane(width / 2, height / 2, aw / 2, ah / 2, border / 2);
  v = Plane(width / 2, height / 2, aw / 2, ah / 2, border / 2);
}

void ConvertMacroblock(const std::uint8_t* bgra, std::ptrdiff_t strideBytes, int width, int height, int mx,
                       int my, YuvPicture* picture) {
  const int x0 = mx * 16, y0 = my * 16;
  int columns[16];
  for (int i = 0; i < 16; ++i) columns[i] = std::min(x0 + i, width - 1) * 4;
  // Sums of 2x2 blue, green and red for the chroma samples.
  int sums[8][8][3] = {};
  for (int j = 0; j < 16; ++j) {
    const std::uint8_t* row = bgra + std::min(y0 + j, height - 1) * strideBytes;
    std::uint8_t* out = picture->y.Row(y0 + j) + x0;
    for (int i = 0; i < 16; ++i) {
      const std::uint8_t* p = row + columns[i];
      const int b = p[0], g = p[1], r = p[2];
      out[i] = static_cast<std::uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
      int* s = sums[j >> 1][i >> 1];
      s[0] += b, s[1] += g, s[2] += r;
    }
  }
  for (int j = 0; j < 8; ++j) {
    std::uint8_t* u = picture->u.Row(y0 / 2 + j) + x0 / 2;
    std::uint8_t* v = picture->v.Row(y0 / 2 + j) + x0 / 2;
    for (int i = 0; i < 8; ++i) {
      const int b = sums[j][i][0], g = sums[j][i][1], r = sums[j][i][2];  // four times the mean
      u[i] = static_cast<std::uint8_t>(((-38 * r - 74 * g + 112 * b + 512) >> 10) + 128);
      v[i] = static_cast<std::uint8_t>(((112 * r - 94 * g - 18 * b + 512) >> 10) + 128);
    }
  }
}

}  // namespace mavrion::encoder::builtin::mpeg4
