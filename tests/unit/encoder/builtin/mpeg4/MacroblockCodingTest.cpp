#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"
#include "core/encoder/builtin/mpeg4/PlaneSyntax.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/encoder/builtin/mpeg4/Headers.h"
#include "core/encoder/builtin/mpeg4/Tables.h"
#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

namespace mt = media_tools;

constexpr int kWidth = 96, kHeight = 64, kMbWidth = kWidth / 16, kMbHeight = kHeight / 16;

// Text-like strokes over lines that run across blocks (whose first row or
// column repeats from block to block: AC prediction pays there) and steps
// of every size (levels that need each kind of escape at a fine quantiser).
YuvPicture Page(int shift) {
  YuvPicture p(kWidth, kHeight, 16);
  std::uint32_t seed = 7;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int sx = x + shift;
      int v = sx < 32 ? ((y % 8) < 2 ? 20 : 230) : (sx < 64 ? ((sx % 8) < 3 ? 40 : 220) : 235);
      if (sx >= 64 && (seed >> 16) % 5 == 0) v = 25;
      p.y.Row(y)[x] = static_cast<std::uint8_t>(v);
    }
  }
  for (Plane* c : {&p.u, &p.v}) {
    for (int y = 0; y < kHeight / 2; ++y) {
      for (int x = 0; x < kWidth / 2; ++x) c->Row(y)[x] = static_cast<std::uint8_t>(x < 24 ? 60 + (y % 4) * 40 : 128);
    }
  }
  p.ExtendEdges();
  return p;
}

void Append(const YuvPicture& p, std::vector<std::uint8_t>* out) {
  for (const Plane* plane : {&p.y, &p.u, &p.v}) {
    for (int y = 0; y < plane->Height(); ++y) out->insert(out->end(), plane->Row(y), plane->Row(y) + plane->Width());
  }
}

// An intra plane and a predicted one with intra and inter macroblocks side
// by side, at fine and coarse quantisers that change from macroblock to
// macroblock: FFmpeg shows what we reconstruct, to the bit.
TEST(MacroblockCodingTest, PlanesWithQuantiserChangesDecodeInFfmpegAsOurReconstruction) {
  ASSERT_EQ(mt::MissingTools(), "");
  std::vector<std::uint8_t> stream = SequenceHeaders(kWidth, kHeight), expected;
  std::vector<MacroblockLevels> levels(kMbWidth * kMbHeight);
  std::vector<MacroblockWrite> writes(levels.size());
  YuvPicture reference(kWidth, kHeight, 16);
  std::int64_t timeMs = 0;
  for (int q : {1, 2, 5, 13, 31}) {
    for (bool key : {true, false}) {
      // The predicted plane shows the page moved by three samples, which
      // odd columns of macroblocks find with their vector.
      const YuvPicture source = Page(key ? 0 : 3);
      YuvPicture reconstruction = reference;
      for (std::size_t i = 0; i < writes.size(); ++i) {
        const int mx = static_cast<int>(i) % kMbWidth, my = static_cast<int>(i) / kMbWidth;
        MacroblockWrite& w = writes[i];
        w.levels = &levels[i];
        w.mode = key || (mx + my) % 3 == 0 ? MacroblockWrite::kIntra : MacroblockWrite::kInter;
        w.mv = w.mode == MacroblockWrite::kInter && mx % 2 ? MotionVector{6, 0} : MotionVector{};
        // Each macroblock at its own quantiser, in steps of one or two.
        constexpr int kSteps[5] = {0, 2, 1, -1, 0};
        w.q = static_cast<std::uint8_t>(std::clamp(q + kSteps[i % 5], 1, 31));
        w.cbp = w.mode == MacroblockWrite::kIntra
                    ? CodeIntra(source, mx, my, w.q, &levels[i], &reconstruction)
                    : CodeInter(source, reference, mx, my, w.mv, w.q, &levels[i], &reconstruction);
      }
      BitWriter bits(&stream);
      PlaneHeader header;
      header.type = key ? PlaneType::kIntra : PlaneType::kPredicted;
      header.timeMs = timeMs;
      header.previousSecond = (timeMs - 100) / 1000;
      header.quantiser = q;
      WritePlaneHeader(header, &bits);
      WritePlane(writes, kMbWidth, kMbHeight, key, q, 1, &bits);
      bits.Stuff();
      Append(reconstruction, &expected);
      reference = reconstruction;
      reference.ExtendEdges();
      timeMs += 100;
    }
  }
  const std::string path = mt::WriteTemp(stream, ".m4v");
  FILE* pipe = popen(("ffmpeg -v error -f m4v -i '" + path + "' -f rawvideo -pix_fmt yuv420p -").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::uint8_t> decoded(expected.size() + 1);
  decoded.resize(std::fread(decoded.data(), 1, decoded.size(), pipe));
  EXPECT_EQ(pclose(pipe), 0);
  std::remove(path.c_str());
  ASSERT_EQ(decoded.size(), expected.size());
  const std::size_t frameBytes = kWidth * kHeight * 3 / 2;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(decoded[i], expected[i]) << "plane " << i / frameBytes << ", byte " << i % frameBytes;
  }
}

// Text where other text was is coded afresh; text that moved is coded from
// where it was.
TEST(MacroblockCodingTest, ReplacedTextIsCodedIntraAndMovedTextInter) {
  const YuvPicture page = Page(0);
  YuvPicture other = page, moved = page;
  for (int y = 0; y < kHeight; ++y) {
    std::reverse(other.y.Row(y), other.y.Row(y) + kWidth);
    for (int x = 0; x < kWidth; ++x) moved.y.Row(y)[x] = page.y.Row(y)[x + 3];
  }
  other.ExtendEdges();
  moved.ExtendEdges();
  MacroblockLevels levels;
  for (int q : {2, 8}) {
    YuvPicture reconstruction = page;
    // The rightmost column of macroblocks: strokes of "text" on white.
    EXPECT_TRUE(CodeCheaper(page, other, kMbWidth - 1, 1, MotionVector{}, q, &levels, &reconstruction).intra) << q;
    EXPECT_FALSE(CodeCheaper(moved, page, kMbWidth - 1, 1, MotionVector{6, 0}, q, &levels, &reconstruction).intra)
        << q;
  }
}

// The counted bits of a block's levels are the lengths of its events, in
// every scan, for blocks from empty to full, with levels of every size.
TEST(MacroblockCodingTest, CountedBitsAreTheLengthsOfTheEvents) {
  std::uint32_t seed = 11;
  auto random = [&](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int block = 0; block < 300; ++block) {
    std::int16_t levels[64] = {};
    const std::uint32_t filled = block % 3 == 0 ? 64 : 1 + block % 9;
    for (int i = 0; i < 64; ++i) {
      if (random(64) >= filled) continue;
      constexpr int kSizes[] = {1, 1, 1, 2, 3, 12, 27, 64, 65, 300, 2047};
      levels[i] = static_cast<std::int16_t>(kSizes[random(11)] * (random(2) ? 1 : -1));
    }
    for (const std::uint8_t* scan : {kZigzag, kAlternateHorizontal, kAlternateVertical}) {
      for (bool intra : {false, true}) {
        int expected = 0, run = 0, last = 63;
        while (last >= intra && levels[scan[last]] == 0) --last;
        for (int i = intra ? 1 : 0; i <= last; ++i, ++run) {
          if (levels[scan[i]] == 0) continue;
          expected += CoefficientEvent(intra, i == last, run, levels[scan[i]]).length;
          run = -1;
        }
        ASSERT_EQ(CoefficientBits(levels, scan, intra), expected) << block;
      }
    }
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin::mpeg4
