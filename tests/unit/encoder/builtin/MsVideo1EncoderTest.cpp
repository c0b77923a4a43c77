#include "core/encoder/builtin/MsVideo1Encoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"
#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin {
namespace {

namespace mt = media_tools;

struct Picture {
  int width, height;
  std::vector<std::uint8_t> bgra;
  Picture(int w, int h) : width(w), height(h), bgra(static_cast<std::size_t>(w) * h * 4, 0) {}
  void Set(int x, int y, int r, int g, int b) {
    std::uint8_t* p = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
    p[0] = static_cast<std::uint8_t>(b);
    p[1] = static_cast<std::uint8_t>(g);
    p[2] = static_cast<std::uint8_t>(r);
    p[3] = 255;
  }
  BgraImage Image() const { return BgraImage{bgra.data(), width, height, width * 4}; }
};

// A small desktop: a gradient, a window with text-like strokes, a dark red
// panel (red level 1 in 5 bits) and a square that moves with the frame.
Picture Scene(int w, int h, int frame) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int r = (x * 255) / w, g = (y * 255) / h, b = 128;
      if (x > w / 8 && x < w / 2 && y > h / 8 && y < h / 2) {
        r = g = b = 240;
        if ((y / 2) % 5 != 4 && ((x * 7 + y * 3) % 11 < 4)) r = g = b = 20;  // glyph strokes
      }
      if (x > w / 2 + 4 && y > h / 2 + 4 && x < w - 8 && y < h - 8) r = 8, g = 0, b = 0;
      int sx = (frame * 6) % (w - 16), sy = h / 3;
      if (x >= sx && x < sx + 13 && y >= sy && y < sy + 11) r = 250, g = 200, b = 10;
      p.Set(x, y, r, g, b);
    }
  }
  return p;
}

// Decodes Video 1 frames as a decoder does, into an RGB555 picture
// (top-down). Fails on a code that runs past the data, leaves blocks
// uncovered or leaves bytes over.
class Decoder {
 public:
  Decoder(int w, int h) : w_(w), h_(h), picture_(static_cast<std::size_t>(w) * h, 0) {}
  bool Decode(const std::vector<std::uint8_t>& data, int* skipped) {
    std::size_t at = 0;
    auto next16 = [&](std::uint16_t* v) {
      if (at + 2 > data.size()) return false;
      *v = static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
      at += 2;
      return true;
    };
    int skip = 0;
    *skipped = 0;
    for (int by = h_ / 4 - 1; by >= 0; --by) {
      for (int bx = 0; bx < w_ / 4; ++bx) {
        if (skip > 0) {
          --skip;
          ++*skipped;
          continue;
        }
        std::uint16_t code;
        if (!next16(&code)) return false;
        std::uint16_t colours[8] = {};
        std::uint16_t flags = 0;
        bool eight = false, one = false;
        if ((code & 0xFC00) == 0x8400) {
          if ((code & 0x3FF) == 0) return false;
          skip = (code & 0x3FF) - 1;
          ++*skipped;
          continue;
        } else if (code < 0x8000) {
          flags = code;
          if (!next16(&colours[0]) || !next16(&colours[1])) return false;
          if (colours[0] & 0x8000) {
            eight = true;
            for (int i = 2; i < 8; ++i)
              if (!next16(&colours[i])) return false;
          }
        } else {
          one = true;
          colours[0] = code;
        }
        for (int i = 0; i < 16; ++i) {
          int x = bx * 4 + (i & 3), y = by * 4 + 3 - (i >> 2);
          int bit = (flags >> i) & 1;
          std::uint16_t c;
          if (one) c = colours[0];
          else if (eight) c = colours[((i >> 3) << 2) + ((i & 3) >> 1) * 2 + (bit ^ 1)];
          else c = colours[bit ^ 1];
          picture_[static_cast<std::size_t>(y) * w_ + x] = c & 0x7FFF;
        }
      }
    }
    return skip == 0 && at == data.size();
  }
  std::vector<std::uint8_t> Bgra() const {
    std::vector<std::uint8_t> out(picture_.size() * 4);
    auto expand = [](int v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); };
    for (std::size_t i = 0; i < picture_.size(); ++i) {
      out[4 * i] = expand(picture_[i] & 31);
      out[4 * i + 1] = expand((picture_[i] >> 5) & 31);
      out[4 * i + 2] = expand(picture_[i] >> 10);
      out[4 * i + 3] = 255;
    }
    return out;
  }
  std::uint16_t At(int x, int y) const { return picture_[static_cast<std::size_t>(y) * w_ + x]; }

 private:
  int w_, h_;
  std::vector<std::uint16_t> picture_;
};

TEST(MsVideo1EncoderTest, EveryQualityDecodesCloseToThePictureAndLowerQualityIsSmaller) {
  const int w = 96, h = 64;
  struct Level {
    int quality;
    double minPsnr;
  } levels[] = {{100, 33.0}, {95, 33.0}, {50, 31.0}, {1, 15.0}};
  std::size_t previousBytes = 0;
  for (const Level& level : levels) {
    MsVideo1Encoder encoder(w, h, level.quality);
    Decoder decoder(w, h);
    std::size_t bytes = 0;
    for (int frame = 0; frame < 6; ++frame) {
      Picture scene = Scene(w, h, frame);
      std::vector<std::uint8_t> out;
      bool key = encoder.Encode(scene.Image(), false, &out);
      EXPECT_EQ(key, frame == 0) << "only the first frame is a key frame unless asked";
      int skipped = 0;
      ASSERT_TRUE(decoder.Decode(out, &skipped)) << "quality " << level.quality << " frame " << frame;
      std::vector<std::uint8_t> shown = decoder.Bgra();
      EXPECT_GE(mt::Psnr(shown.data(), scene.bgra.data(), w * h), level.minPsnr)
          << "quality " << level.quality << " frame " << frame;
      bytes += out.size();
    }
    if (previousBytes != 0) EXPECT_LT(bytes, previousBytes) << "quality " << level.quality;
    previousBytes = bytes;
  }
}

TEST(MsVideo1EncoderTest, SkipsUnchangedBlocksAndCodesChangedOnes) {
  const int w = 64, h = 32;
  MsVideo1Encoder encoder(w, h, 95);
  Decoder decoder(w, h);
  Picture scene = Scene(w, h, 0);
  std::vector<std::uint8_t> out, repeat;
  int skipped = 0;
  encoder.Encode(scene.Image(), false, &out);
  ASSERT_TRUE(decoder.Decode(out, &skipped));
  EXPECT_EQ(skipped, 0) << "the first frame codes every block";

  EXPECT_FALSE(encoder.Encode(scene.Image(), false, &out));
  EXPECT_EQ(out.size(), 2u) << "an unchanged picture is one skip code";
  EXPECT_EQ(encoder.LastCounts().skipped, static_cast<std::uint32_t>(w * h / 16));
  encoder.EncodeRepeat(&repeat);
  EXPECT_EQ(repeat, out);

  // One block changes: only it is coded, and the decoder shows it.
  for (int y = 8; y < 12; ++y)
    for (int x = 20; x < 24; ++x) scene.Set(x, y, 255, 255, 255);
  encoder.Encode(scene.Image(), false, &out);
  ASSERT_TRUE(decoder.Decode(out, &skipped));
  EXPECT_EQ(skipped, w * h / 16 - 1);
  EXPECT_EQ(decoder.At(21, 9), 0x7FFF);

  // A key frame codes every block again.
  EXPECT_TRUE(encoder.Encode(scene.Image(), true, &out));
  ASSERT_TRUE(decoder.Decode(out, &skipped));
  EXPECT_EQ(skipped, 0);
}

TEST(MsVideo1EncoderTest, ColoursThatLookLikeOtherCodesStayExact) {
  // Red level 1 would make a one-colour code read as a skip; a bright
  // top-right pixel would set the two-colour code's top bit.
  const int w = 8, h = 8;
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.Set(x, y, 8, 0, 0);
  for (int y = 0; y < 4; ++y) p.Set(7, y, 255, 255, 255);      // right column of the top-right block
  for (int y = 4; y < 8; ++y) p.Set(y - 4, y, 255, 0, 255);   // a diagonal in the bottom-left block
  MsVideo1Encoder encoder(w, h, 100);
  Decoder decoder(w, h);
  std::vector<std::uint8_t> out;
  encoder.Encode(p.Image(), false, &out);
  int skipped = 0;
  ASSERT_TRUE(decoder.Decode(out, &skipped));
  EXPECT_EQ(skipped, 0);
  std::vector<std::uint8_t> shown = decoder.Bgra();
  EXPECT_EQ(shown, [&] {
    // Every colour here is exact in 5 bits per channel.
    Decoder exact(w, h);
    std::vector<std::uint8_t> expected = p.bgra;
    for (std::size_t i = 0; i < expected.size(); i += 4) {
      for (int c = 0; c < 3; ++c) {
        int v = expected[i + c] == 8 ? 1 : expected[i + c] == 255 ? 31 : 0;
        expected[i + c] = static_cast<std::uint8_t>((v << 3) | (v >> 2));
      }
    }
    return expected;
  }());
}

TEST(MsVideo1EncoderTest, FfmpegDecodesTheFramesAsIntended) {
  ASSERT_EQ(mt::MissingTools(), "");
  const int w = 128, h = 96;
  for (int quality : {100, 60, 1}) {
    std::string path = mt::TempPath(".wmv");
    StdioFileSink sink;
    ASSERT_TRUE(sink.Open(path));
    AsfWriter writer(&sink);
    AsfFileSetup setup;
    setup.video = AsfVideoFormat{w, h, kFourCcCram, 16, 100};
    ASSERT_TRUE(writer.Begin(setup));
    MsVideo1Encoder encoder(w, h, quality);
    Decoder decoder(w, h);
    std::vector<std::vector<std::uint8_t>> expected, sources;
    for (int frame = 0; frame < 8; ++frame) {
      Picture scene = Scene(w, h, frame);
      std::vector<std::uint8_t> out;
      bool key = encoder.Encode(scene.Image(), frame == 4, &out);
      ASSERT_TRUE(writer.WriteVideoFrame(frame * 100, key, out.data(), out.size()));
      int skipped;
      ASSERT_TRUE(decoder.Decode(out, &skipped));
      expected.push_back(decoder.Bgra());
      sources.push_back(scene.bgra);
    }
    ASSERT_TRUE(writer.Finish());
    ASSERT_TRUE(sink.Close());
    int code = 0;
    std::vector<std::uint8_t> decoded = mt::DecodeBgra(path, &code);
    std::remove(path.c_str());
    ASSERT_EQ(code, 0);
    const std::size_t frameBytes = static_cast<std::size_t>(w) * h * 4;
    ASSERT_EQ(decoded.size(), frameBytes * expected.size()) << "quality " << quality;
    for (std::size_t f = 0; f < expected.size(); ++f) {
      const std::uint8_t* got = decoded.data() + f * frameBytes;
      EXPECT_GE(mt::Psnr(got, expected[f].data(), w * h), 45.0) << "quality " << quality << " frame " << f;
      EXPECT_GE(mt::Psnr(got, sources[f].data(), w * h), quality == 1 ? 15.0 : 31.0)
          << "quality " << quality << " frame " << f;
    }
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin
