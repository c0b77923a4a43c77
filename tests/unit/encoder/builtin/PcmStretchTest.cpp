#include "core/encoder/builtin/PcmStretch.h"

#include <gtest/gtest.h>

namespace mavrion::encoder::builtin {
namespace {

TEST(PcmStretchTest, StretchedSoundKeepsItsEndsAndRunsBetweenNeighbouringSamples) {
  // 16-bit stereo: a rising left channel and a falling right one.
  const AsfAudioFormat stereo{2, 8000, 16};
  std::vector<std::uint8_t> in;
  for (int i = 0; i < 200; ++i) {
    for (int value : {i * 100 - 10000, 10000 - i * 100}) {
      in.push_back(static_cast<std::uint8_t>(value & 0xFF));
      in.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
  }
  auto sample = [](const std::vector<std::uint8_t>& b, std::size_t frame, int channel) {
    const std::size_t at = frame * 4 + static_cast<std::size_t>(channel) * 2;
    return static_cast<std::int16_t>(b[at] | (b[at + 1] << 8));
  };
  for (std::size_t frames : {201u, 199u}) {
    std::vector<std::uint8_t> out;
    StretchPcm(in.data(), 200, stereo, frames, &out);
    ASSERT_EQ(out.size(), frames * 4);
    EXPECT_EQ(sample(out, 0, 0), -10000);
    EXPECT_EQ(sample(out, frames - 1, 0), 9900);
    EXPECT_EQ(sample(out, frames - 1, 1), -9900);
    for (std::size_t j = 1; j < frames; ++j) {
      const int step = sample(out, j, 0) - sample(out, j - 1, 0);
      EXPECT_NEAR(step, 100.0 * 199 / static_cast<double>(frames - 1), 1.0) << frames << " frames, frame " << j;
      EXPECT_EQ(sample(out, j, 0), -sample(out, j, 1));
    }
  }
  // 8-bit mono, whose silence is 128.
  const std::vector<std::uint8_t> quiet(50, 128);
  std::vector<std::uint8_t> out;
  StretchPcm(quiet.data(), 50, AsfAudioFormat{1, 8000, 8}, 52, &out);
  EXPECT_EQ(out, std::vector<std::uint8_t>(52, 128));
}

}  // namespace
}  // namespace mavrion::encoder::builtin
