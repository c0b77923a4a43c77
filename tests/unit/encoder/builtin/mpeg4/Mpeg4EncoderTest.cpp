#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"
#include "core/encoder/builtin/ByteSink.h"
#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

namespace mt = media_tools;

// A made-up screen: a page of "text" whose lower half scrolls, a window
// dragged across it, and a corner of noise that changes every frame.
class Screen {
 public:
  Screen(int w, int h) : w_(w), h_(h), pixels_(static_cast<std::size_t>(w) * h * 4), page_(w * h * 3) {
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < page_.size(); ++i) {
      seed = seed * 1103515245u + 12345u;
      page_[i] = (seed >> 16) % 7 == 0 ? 30 : 235;  // dark strokes on white
    }
  }
  BgraImage Render(int frame) {
    for (int y = 0; y < h_; ++y) {
      const int source = y < h_ / 2 ? y : y + (frame / 3) * 6;
      for (int x = 0; x < w_; ++x) {
        std::uint8_t* p = Pixel(x, y);
        const std::uint8_t v = page_[static_cast<std::size_t>(source % (h_ * 3)) * w_ / 3 + x / 3 + (source % 3)];
        p[0] = v, p[1] = v, p[2] = static_cast<std::uint8_t>(v * 3 / 4 + 40), p[3] = 255;
      }
    }
    const int wx = (frame * 5) % (w_ - 40), wy = 10 + (frame * 2) % (h_ - 50);
    for (int y = 0; y < 36; ++y) {
      for (int x = 0; x < 40; ++x) {
        std::uint8_t* p = Pixel(wx + x, wy + y);
        p[0] = static_cast<std::uint8_t>(60 + x * 4), p[1] = static_cast<std::uint8_t>(90 + y * 3), p[2] = 200;
      }
    }
    std::uint32_t seed = static_cast<std::uint32_t>(frame) * 2654435761u;
    for (int y = h_ - 20; y < h_; ++y) {
      for (int x = w_ - 30; x < w_; ++x) {
        seed = seed * 1664525u + 1013904223u;
        std::uint8_t* p = Pixel(x, y);
        p[0] = static_cast<std::uint8_t>(seed >> 24), p[1] = static_cast<std::uint8_t>(seed >> 16);
        p[2] = static_cast<std::uint8_t>(seed >> 8);
      }
    }
    return BgraImage{pixels_.data(), w_, h_, w_ * 4};
  }

 private:
  std::uint8_t* Pixel(int x, int y) { return &pixels_[(static_cast<std::size_t>(y) * w_ + x) * 4]; }
  int w_, h_;
  std::vector<std::uint8_t> pixels_;
  std::vector<std::uint8_t> page_;
};

// The part of a long page of text lines that a screen w x h shows from
// line top on.
std::vector<std::uint8_t> PageOfLines(int w, int h, int top) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    std::uint32_t row = static_cast<std::uint32_t>((top + y) / 4) * 104729u;
    for (int x = 0; x < w; ++x) {
      row = row * 1103515245u + 12345u;
      std::memset(&pixels[(static_cast<std::size_t>(y) * w + x) * 4], (row >> 16) % 5 == 0 ? 30 : 235, 4);
    }
  }
  return pixels;
}

std::vector<std::uint8_t> VisiblePlanes(const YuvPicture& p) {
  std::vector<std::uint8_t> out;
  for (const Plane* plane : {&p.y, &p.u, &p.v}) {
    for (int y = 0; y < plane->Height(); ++y) out.insert(out.end(), plane->Row(y), plane->Row(y) + plane->Width());
  }
  return out;
}

// Luma PSNR of what a decoder shows against the picture.
double LumaPsnr(const YuvPicture& shown, const BgraImage& picture) {
  YuvPicture source(picture.width, picture.height, 0);
  for (int my = 0; my < (picture.height + 15) / 16; ++my) {
    for (int mx = 0; mx < (picture.width + 15) / 16; ++mx) {
      ConvertMacroblock(picture.pixels, picture.strideBytes, picture.width, picture.height, mx, my, &source);
    }
  }
  double sum = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int d = shown.y.Row(y)[x] - source.y.Row(y)[x];
      sum += d * d;
    }
  }
  return 10 * std::log10(255.0 * 255.0 * picture.width * picture.height / std::max(sum, 1.0));
}

TEST(Mpeg4EncoderTest, FfmpegDecodesEveryFrameAsOurReconstructionWithinOneAndTheBucketHolds) {
  ASSERT_EQ(mt::MissingTools(), "");
  const int w = 176, h = 120, fps = 15, frames = 450;
  std::map<int, std::uint64_t> droppedAt;
  for (int sharpness : {100, 95, 1}) {
    EncoderSettings settings;
    settings.width = w;
    settings.height = h;
    settings.framesPerThousandSeconds = fps * 1000;
    settings.sharpness = sharpness;
    settings.bitsPerSecond = 100000;  // tight for this picture: both rate paths are taken
    settings.bufferMs = 2000;
    Mpeg4Encoder encoder(settings);
    MemorySink sink;
    AsfWriter writer(&sink);
    AsfFileSetup file;
    file.video = encoder.Format();
    file.video.frameDurationMs = 1000 / fps;
    ASSERT_TRUE(writer.Begin(file));
    Screen screen(w, h);
    std::vector<std::vector<std::uint8_t>> shown;
    std::vector<std::int64_t> bits;
    std::vector<std::uint8_t> out;
    std::int64_t lastKey = 0, longestKeyWait = 0;
    double stillFrom = 0, stillTo = 0;
    int leftOutInARow = 0, mostLeftOutInARow = 0;
    for (int f = 0; f < frames; ++f) {
      const std::int64_t t = f * 1000 / fps;
      const bool still = f >= 200 && f < 260;  // a still screen is refined, for 4 s
      // A key frame every 10 s, asked for until it comes, as recordings do.
      const BgraImage picture = screen.Render(still ? 200 : f);
      const std::uint64_t droppedBefore = encoder.Totals().dropped;
      bool key = encoder.Encode(picture, t, f == 0 || t - lastKey >= 10000, &out);
      if (key) lastKey = t;
      longestKeyWait = std::max(longestKeyWait, t - lastKey - 10000);
      leftOutInARow = encoder.Totals().dropped > droppedBefore ? leftOutInARow + 1 : 0;
      mostLeftOutInARow = std::max(mostLeftOutInARow, leftOutInARow);
      if (f == 200) stillFrom = LumaPsnr(encoder.Reconstruction(), picture);
      if (f == 259) stillTo = LumaPsnr(encoder.Reconstruction(), picture);
      if (out.size() > 8) shown.push_back(VisiblePlanes(encoder.Reconstruction()));
      bits.push_back(static_cast<std::int64_t>(out.size()) * 8);
      ASSERT_TRUE(writer.WriteVideoFrame(t, key, out.data(), out.size()));
    }
    ASSERT_TRUE(writer.Finish());
    const Mpeg4Encoder::Counts& c = encoder.Totals();
    EXPECT_GE(c.keys, 3u);
    EXPECT_LE(longestKeyWait, 5000) << "key frame late by " << longestKeyWait << " ms, sharpness " << sharpness;
    EXPECT_GT(c.refinedMacroblocks, 0u);
    EXPECT_GT(stillTo, stillFrom + 3) << "a still screen is refined, sharpness " << sharpness;
    if (sharpness >= 95) EXPECT_GE(stillTo, 38) << "a screen that stops is sharp 4 s later, sharpness " << sharpness;
    droppedAt[sharpness] = c.dropped;
    EXPECT_LE(mostLeftOutInARow, encoder.Rate().LongestGap()) << "sharpness " << sharpness;
    // Every stretch of frames holds at most the rate times its length plus
    // the buffer.
    const std::int64_t capacity = 100000 * 2;
    for (int first = 0; first < frames; ++first) {
      std::int64_t sum = 0;
      for (int last = first; last < frames; ++last) {
        sum += bits[last];
        ASSERT_LE(sum, capacity + 100000LL * (last - first) / fps) << first << ".." << last;
      }
    }

    std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
    FILE* pipe = popen(("ffmpeg -v error -i '" + path + "' -map 0:v:0 -vsync passthrough -f rawvideo -pix_fmt yuv420p -").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    const std::size_t frameBytes = static_cast<std::size_t>(w) * h * 3 / 2;
    std::vector<std::uint8_t> decoded(frameBytes);
    std::size_t n = 0;
    int worst = 0;
    while (std::fread(decoded.data(), 1, frameBytes, pipe) == frameBytes) {
      ASSERT_LT(n, shown.size());
      for (std::size_t i = 0; i < frameBytes; ++i) worst = std::max(worst, std::abs(decoded[i] - shown[n][i]));
      ++n;
    }
    EXPECT_EQ(pclose(pipe), 0);
    std::remove(path.c_str());
    EXPECT_EQ(n, shown.size()) << "sharpness " << sharpness;
    EXPECT_LE(worst, 1) << "sharpness " << sharpness;
  }
  EXPECT_GT(droppedAt[100], 2 * droppedAt[1]) << "full sharpness leaves frames out, low sharpness keeps them";
  EXPECT_GT(droppedAt[100], 2 * droppedAt[95]) << "the default sharpness coarsens before it leaves frames out";
}

// A key frame asked for while the bucket has no room for one comes with
// the next page turned, which costs nearly as much, rather than after it.
TEST(Mpeg4EncoderTest, AKeyFrameWaitingForRoomComesWithAPageTurned) {
  constexpr int w = 320, h = 240;
  Mpeg4Encoder encoder(EncoderSettings{.width = w, .height = h, .bitsPerSecond = 100000});
  auto page = [&](std::uint32_t seed) {
    std::vector<std::uint8_t> pixels(w * h * 4);
    for (int y = 0; y < h; ++y) {
      std::uint32_t row = seed * 7919u + static_cast<std::uint32_t>(y / 4) * 104729u;
      for (int x = 0; x < w; ++x) {
        row = row * 1103515245u + 12345u;
        const std::uint8_t v = (row >> 16) % 5 == 0 ? 30 : 235;  // strokes on white, in lines
        std::memset(&pixels[(static_cast<std::size_t>(y) * w + x) * 4], v, 4);
      }
    }
    return pixels;
  };
  const std::vector<std::vector<std::uint8_t>> frames = {page(1), page(1), page(2)};
  std::vector<std::uint8_t> out;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    const bool key = encoder.Encode(BgraImage{frames[f].data(), w, h, w * 4}, static_cast<std::int64_t>(f) * 66,
                                    true, &out);
    EXPECT_EQ(key, f != 1) << "frame " << f;
  }
}

TEST(Mpeg4EncoderTest, AWindowDraggedFarInBothDirectionsAtOnceIsCodedAsMotion) {
  constexpr int w = 640, h = 480, windowW = 320, windowH = 240;
  Mpeg4Encoder encoder(EncoderSettings{.width = w, .height = h, .bitsPerSecond = 4000000});
  // Lines of text in a window on a plain desktop; the drag moves it
  // further in one frame than the search looks around a macroblock.
  auto screen = [&](int left, int top) {
    std::vector<std::uint8_t> pixels(w * h * 4, 90);
    for (int y = 0; y < windowH; ++y) {
      std::uint32_t row = static_cast<std::uint32_t>(y / 4) * 104729u;
      for (int x = 0; x < windowW; ++x) {
        row = row * 1103515245u + 12345u;
        const std::uint8_t v = (row >> 16) % 5 == 0 ? 30 : 235;
        std::memset(&pixels[(static_cast<std::size_t>(top + y) * w + left + x) * 4], v, 4);
      }
    }
    return pixels;
  };
  const std::vector<std::vector<std::uint8_t>> frames = {screen(40, 40), screen(40, 40), screen(40 + 92, 40 + 60)};
  std::vector<std::uint8_t> out;
  std::uint64_t intraBefore = 0;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    intraBefore = encoder.Totals().intraMacroblocks;
    encoder.Encode(BgraImage{frames[f].data(), w, h, w * 4}, static_cast<std::int64_t>(f) * 66, f == 0, &out);
  }
  // The window's 300 macroblocks come from where it was; what it uncovered
  // is plain.
  EXPECT_EQ(encoder.Totals().dropped, 0u);
  EXPECT_LT(encoder.Totals().intraMacroblocks - intraBefore, 30u);
}

TEST(Mpeg4EncoderTest, APageScrolledFurtherThanHalfTheScreenInOneFrameIsCodedAsMotion) {
  constexpr int w = 320, h = 1024, scroll = 600;
  Mpeg4Encoder encoder(EncoderSettings{.width = w, .height = h});
  // A page down in the browser moves the page this far in one frame.
  const std::vector<std::vector<std::uint8_t>> frames = {PageOfLines(w, h, 0), PageOfLines(w, h, 0),
                                                         PageOfLines(w, h, scroll)};
  std::vector<std::uint8_t> out;
  std::uint64_t intraBefore = 0;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    intraBefore = encoder.Totals().intraMacroblocks;
    encoder.Encode(BgraImage{frames[f].data(), w, h, w * 4}, static_cast<std::int64_t>(f) * 66, f == 0, &out);
  }
  // What stays on the screen, 520 macroblocks, comes from where it was;
  // only the 760 that scrolled in are new.
  EXPECT_LT(encoder.Totals().intraMacroblocks - intraBefore, 760u + 60u);
}

TEST(Mpeg4EncoderTest, AKeyFrameDueWaitsForAScrollToStopButNotForLong) {
  constexpr int w = 320, h = 480;
  Mpeg4Encoder encoder(EncoderSettings{.width = w, .height = h});
  std::vector<std::uint8_t> out;
  std::int64_t timeMs = 0;
  auto encode = [&](int top, bool wantKey) {
    std::vector<std::uint8_t> pixels = PageOfLines(w, h, top);
    timeMs += 66;
    return encoder.Encode(BgraImage{pixels.data(), w, h, w * 4}, timeMs, wantKey, &out);
  };
  for (int f = 0; f < 4; ++f) encode(0, f == 0);
  // The first frame of a scroll is soon replaced: the key frame codes the
  // page it stops at.
  EXPECT_FALSE(encode(16, true));
  EXPECT_TRUE(encode(16, true));
  // Once the bucket has room for the next, a page that keeps moving gets
  // it a second late at most.
  for (int f = 0; f < 45; ++f) encode(16, false);
  int frames = 0;
  while (!encode(32 + 16 * frames, true) && frames < 30) ++frames;
  EXPECT_GT(frames, 0);
  EXPECT_LE(frames, 16);
}

TEST(Mpeg4EncoderTest, APageShownWhileTheUserTypesIsReadableAtOnce) {
  constexpr int w = 640, h = 480;
  Mpeg4Encoder encoder(EncoderSettings{.width = w, .height = h});
  // A plain terminal where a letter appears each frame, then a listing
  // fills its upper half.
  std::vector<std::uint8_t> pixels(w * h * 4, 40);
  auto fill = [&](int left, int top, int width, int height, std::uint32_t seed) {
    for (int y = top; y < top + height; ++y) {
      std::uint32_t row = seed + static_cast<std::uint32_t>(y / 4) * 104729u;
      for (int x = left; x < left + width; ++x) {
        row = row * 1103515245u + 12345u;
        std::memset(&pixels[(static_cast<std::size_t>(y) * w + x) * 4], (row >> 16) % 5 == 0 ? 220 : 40, 4);
      }
    }
  };
  std::vector<std::uint8_t> out;
  for (int f = 0; f < 8; ++f) {
    fill(8 + 8 * f, 400, 8, 16, static_cast<std::uint32_t>(f));
    encoder.Encode(BgraImage{pixels.data(), w, h, w * 4}, f * 66, f == 0, &out);
  }
  fill(0, 0, w, h / 2, 99);
  const BgraImage page{pixels.data(), w, h, w * 4};
  encoder.Encode(page, 8 * 66, false, &out);
  EXPECT_GT(LumaPsnr(encoder.Reconstruction(), page), 30.0);
}

TEST(Mpeg4EncoderTest, ASmallAnimationIsCodedAtTheRatesShareNotAsAPage) {
  constexpr int w = 1280, h = 720, side = 112;
  Mpeg4Encoder encoder(EncoderSettings{.width = w, .height = h, .framesPerThousandSeconds = 30000});
  // A busy little animation on a plain desktop, too small to be a page:
  // the bucket's room stays for the page that may come.
  std::vector<std::uint8_t> pixels(w * h * 4, 90), out;
  std::uint32_t seed = 1;
  std::uint64_t bits = 0;
  for (int f = 0; f <= 30; ++f) {
    for (int y = 32; y < 32 + side; ++y) {
      for (int x = 32; x < 32 + side; ++x) {
        seed = seed * 1664525u + 1013904223u;
        std::memset(&pixels[(static_cast<std::size_t>(y) * w + x) * 4], static_cast<int>(seed >> 24), 3);
      }
    }
    encoder.Encode(BgraImage{pixels.data(), w, h, w * 4}, f * 1000 / 30, f == 0, &out);
    if (f > 0) bits += out.size() * 8;
  }
  // The share, and a little more while the bucket fills towards half: a
  // page would take it to the quantiser text reads at, four shares here.
  EXPECT_LE(bits / 30, static_cast<std::uint64_t>(3 * encoder.Rate().FrameShare()));
}

TEST(Mpeg4EncoderTest, AFirstPictureTooBusyForTheBucketStillGivesThePlayerAPicture) {
  ASSERT_EQ(mt::MissingTools(), "");
  EncoderSettings settings;
  settings.width = 320;
  settings.height = 240;
  settings.bitsPerSecond = 20000;  // noise at the coarsest quantiser is several times the buffer
  settings.bufferMs = 5000;
  Mpeg4Encoder encoder(settings);
  MemorySink sink;
  AsfWriter writer(&sink);
  AsfFileSetup file;
  file.video = encoder.Format();
  file.video.frameDurationMs = 66;
  ASSERT_TRUE(writer.Begin(file));
  std::vector<std::uint8_t> noise(320 * 240 * 4), out;
  std::uint32_t seed = 1;
  for (int f = 0; f < 3; ++f) {
    for (std::uint8_t& v : noise) v = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    // The key frame asked for at the end does not fit either: what fits of
    // the picture is shown instead.
    const bool key = encoder.Encode(BgraImage{noise.data(), 320, 240, 320 * 4}, f * 66, f == 0 || f == 2, &out);
    EXPECT_EQ(key, f == 0);
    ASSERT_TRUE(writer.WriteVideoFrame(f * 66, key, out.data(), out.size()));
  }
  ASSERT_TRUE(writer.Finish());
  EXPECT_EQ(encoder.Totals().dropped, 0u);
  const std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  FILE* pipe = popen(("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt gray - 2>&1 | wc -c").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  long bytes = 0;
  EXPECT_EQ(std::fscanf(pipe, "%ld", &bytes), 1);
  pclose(pipe);
  std::remove(path.c_str());
  EXPECT_GE(bytes, 320L * 240) << "no picture decodes";
}

}  // namespace
}  // namespace mavrion::encoder::builtin::mpeg4
