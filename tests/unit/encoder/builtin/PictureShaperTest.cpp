#include "core/encoder/builtin/PictureShaper.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace mavrion::encoder::builtin {
namespace {

FrameGeometry Geometry(int cw, int ch, int pw, int ph) {
  FrameGeometry g;
  EXPECT_TRUE(ChooseFrameGeometry(cw, ch, pw, ph, &g)) << cw << "x" << ch << " to " << pw << "x" << ph;
  return g;
}

TEST(PictureShaperTest, SizesKeepZeroDimensionsAndRoundUpToMultiplesOfFour) {
  // Both 0: the captured size, padded up (1366 -> 1368).
  FrameGeometry g = Geometry(1366, 768, 0, 0);
  EXPECT_EQ(g.contentWidth, 1366);
  EXPECT_EQ(g.encodedWidth, 1368);
  EXPECT_EQ(g.contentHeight, 768);
  EXPECT_EQ(g.encodedHeight, 768);
  // Both given: scaled to them.
  g = Geometry(1920, 1080, 1280, 720);
  EXPECT_EQ(g, (FrameGeometry{1920, 1080, 1280, 720, 1280, 720}));
  // One 0: that dimension keeps the captured size; the other is scaled to
  // the next multiple of 4.
  g = Geometry(1920, 1080, 0, 601);
  EXPECT_EQ(g, (FrameGeometry{1920, 1080, 1920, 604, 1920, 604}));
  g = Geometry(1001, 701, 640, 0);
  EXPECT_EQ(g, (FrameGeometry{1001, 701, 640, 701, 640, 704}));
  // The captured size asked for explicitly is no scaling; negative is 0.
  g = Geometry(1001, 701, 1001, -5);
  EXPECT_EQ(g, (FrameGeometry{1001, 701, 1001, 701, 1004, 704}));
  // A picture smaller than a block still makes one block.
  g = Geometry(1, 2, 0, 0);
  EXPECT_EQ(g.encodedWidth, 4);
  EXPECT_EQ(g.encodedHeight, 4);

  FrameGeometry unchanged{1, 1, 1, 1, 1, 1};
  FrameGeometry result = unchanged;
  EXPECT_FALSE(ChooseFrameGeometry(0, 768, 0, 0, &result));
  EXPECT_FALSE(ChooseFrameGeometry(1366, -1, 0, 0, &result));
  EXPECT_FALSE(ChooseFrameGeometry(1366, 768, 8193, 0, &result));
  EXPECT_EQ(result, unchanged);
}

struct Pixels {
  int w, h;
  std::vector<std::uint32_t> p;
  Pixels(int width, int height, std::uint32_t fill = 0) : w(width), h(height), p(static_cast<std::size_t>(width) * height, fill) {}
  std::uint32_t& at(int x, int y) { return p[static_cast<std::size_t>(y) * w + x]; }
  BgraImage Image() const { return BgraImage{reinterpret_cast<const std::uint8_t*>(p.data()), w, h, w * 4}; }
};

std::uint32_t PixelAt(const BgraImage& image, int x, int y) {
  return reinterpret_cast<const std::uint32_t*>(image.pixels + y * image.strideBytes)[x];
}

TEST(PictureShaperTest, PadsByRepeatingTheEdgeAndScalesByAveragingOrBlending) {
  // Padding only: every captured pixel kept, the last column and row repeated.
  {
    Pixels in(6, 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) in.at(x, y) = 0xFF000000u | static_cast<std::uint32_t>(y * 16 + x);
    PictureShaper shaper(Geometry(6, 5, 0, 0));
    BgraImage out = shaper.Shape(in.Image());
    ASSERT_EQ(out.width, 8);
    ASSERT_EQ(out.height, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(PixelAt(out, x, y), in.at(std::min(x, 5), std::min(y, 4))) << x << "," << y;
  }
  // Nothing to do: the captured picture itself.
  {
    Pixels in(8, 4, 0xFF102030u);
    PictureShaper shaper(Geometry(8, 4, 0, 0));
    EXPECT_EQ(shaper.Shape(in.Image()).pixels, in.Image().pixels);
  }
  // Halving a black and white checkerboard averages it to grey.
  {
    Pixels in(16, 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) in.at(x, y) = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    PictureShaper shaper(Geometry(16, 16, 8, 8));
    BgraImage out = shaper.Shape(in.Image());
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        std::uint32_t v = PixelAt(out, x, y);
        EXPECT_NEAR(static_cast<int>(v & 0xFF), 128, 1);
        EXPECT_NEAR(static_cast<int>((v >> 16) & 0xFF), 128, 1);
      }
  }
  // Shrinking noise across gives each output pixel, channel by channel,
  // the mean of the span of source pixels it covers.
  {
    Pixels in(12, 2);
    std::mt19937 random(3);
    for (std::uint32_t& v : in.p) v = static_cast<std::uint32_t>(random());
    PictureShaper shaper(Geometry(12, 2, 8, 0));
    BgraImage out = shaper.Shape(in.Image());
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 8; ++x) {
        for (int shift = 0; shift < 32; shift += 8) {
          double sum = 0;
          for (int s = x * 3 / 2; s < (x * 3 + 3 + 1) / 2; ++s) {
            const double covered = std::min(s + 1.0, (x + 1) * 1.5) - std::max<double>(s, x * 1.5);
            sum += covered * static_cast<double>((in.at(s, y) >> shift) & 0xFF);
          }
          EXPECT_NEAR(static_cast<double>((PixelAt(out, x, y) >> shift) & 0xFF), sum / 1.5, 1.0) << x << "," << y;
        }
      }
    }
  }
  // Enlarging a red-to-blue ramp keeps its ends and stays monotonic; a
  // bottom-up buffer (negative stride) gives the same picture.
  {
    Pixels in(5, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) in.at(x, y) = 0xFF000000u | (static_cast<std::uint32_t>(255 - x * 60) << 16) | static_cast<std::uint32_t>(x * 60);
    PictureShaper shaper(Geometry(5, 3, 20, 12));
    BgraImage out = shaper.Shape(in.Image());
    ASSERT_EQ(out.width, 20);
    EXPECT_EQ(PixelAt(out, 0, 5), in.at(0, 0));
    EXPECT_EQ(PixelAt(out, 19, 5), in.at(4, 0));
    for (int x = 1; x < 20; ++x) EXPECT_GE(PixelAt(out, x, 5) & 0xFF, PixelAt(out, x - 1, 5) & 0xFF);
    std::vector<std::uint32_t> topDown(out.width * out.height);
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) topDown[y * out.width + x] = PixelAt(out, x, y);

    Pixels flipped(5, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) flipped.at(x, 2 - y) = in.at(x, y);
    BgraImage bottomUp{reinterpret_cast<const std::uint8_t*>(&flipped.at(0, 2)), 5, 3, -5 * 4};
    BgraImage again = shaper.Shape(bottomUp);
    for (int y = 0; y < again.height; ++y)
      for (int x = 0; x < again.width; ++x) EXPECT_EQ(PixelAt(again, x, y), topDown[y * again.width + x]);
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin
