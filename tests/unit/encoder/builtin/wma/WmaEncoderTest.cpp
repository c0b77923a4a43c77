#include "core/encoder/builtin/wma/WmaEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "tests/unit/encoder/builtin/MediaTools.h"
#include "tests/unit/encoder/builtin/wma/SoundTools.h"

namespace mavrion::encoder::builtin::wma {
namespace {

namespace st = sound_tools;

constexpr std::uint32_t kRate = 48000;

// Codes pcm (interleaved stereo) in uneven pieces, as a recording hands it
// over, and flushes.
std::vector<CodedAudioPacket> Code(WmaEncoder* encoder, const std::vector<std::int16_t>& pcm) {
  std::vector<CodedAudioPacket> packets;
  const std::size_t frames = pcm.size() / 2;
  for (std::size_t at = 0, piece = 441; at < frames; at += piece, piece = piece * 7 % 1999 + 1)
    encoder->Encode(pcm.data() + 2 * at, std::min(piece, frames - at), &packets);
  encoder->Flush(&packets);
  return packets;
}

// What FFmpeg decodes, placed on the recorded timeline (zeros where it
// gives nothing); fails the test when the decoder fails or its length
// fits no known decoder delay.
std::vector<std::int16_t> Decode(const WmaEncoder& encoder, const std::vector<CodedAudioPacket>& packets) {
  bool ok = false;
  std::vector<std::int16_t> decoded = st::DecodeWithFfmpeg(st::WriteWav(encoder.Format(), packets), 2, &ok);
  EXPECT_TRUE(ok);
  const long lead = st::FfmpegLead(decoded.size() / 2, packets.size(), kFrameLength);
  EXPECT_GE(lead, 0) << decoded.size() / 2 << " frames from " << packets.size() << " packets";
  decoded.insert(decoded.begin(), 2 * static_cast<std::size_t>(std::max(lead, 0L)), 0);
  return decoded;
}

// A sweep from 200 Hz to 6 kHz on the left, noise shaped like syllables on
// the right, both a little in the other channel, and a click every 0.7 s.
std::vector<std::int16_t> KnownSignal(std::size_t frames) {
  std::vector<std::int16_t> pcm(2 * frames);
  std::uint32_t seed = 7;
  double low = 0, phase = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    phase += 2 * std::numbers::pi * (200 + 1900 * t) / kSampleRate;
    seed = seed * 1664525u + 1013904223u;
    low = 0.85 * low + (static_cast<double>(seed >> 8) / (1 << 24) - 0.5);
    const double syllables = std::max(0.0, std::sin(2 * std::numbers::pi * 4 * t));
    const double sweep = 6000 * std::sin(phase);
    const double speech = 9000 * syllables * low;
    const double click = i % 30870 == 20000 ? 24000 : 0;
    pcm[2 * i] = static_cast<std::int16_t>(sweep + 0.3 * speech + click);
    pcm[2 * i + 1] = static_cast<std::int16_t>(speech + 0.3 * sweep + click);
  }
  return pcm;
}

class WmaEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = media_tools::MissingTools();
    if (!missing.empty()) GTEST_SKIP() << missing;
  }
};

TEST_F(WmaEncoderTest, FfmpegDecodesTheKnownSignalInPlaceAtTheStatedRate) {
  WmaEncoder encoder(2, kRate);
  const AudioStreamFormat format = encoder.Format();
  EXPECT_EQ(format.formatTag, 0x0161);
  EXPECT_EQ(format.channels, 2);
  EXPECT_EQ(format.samplesPerSecond, 44100u);
  EXPECT_EQ(format.framesPerPacket, 2048u);
  // The stated rate is the rate the packets make, rounded to whole bytes.
  EXPECT_EQ(format.averageBytesPerSecond, (format.blockAlign * 44100u + 1024) / 2048);
  EXPECT_NEAR(format.averageBytesPerSecond * 8.0, kRate, kRate * 0.01);
  ASSERT_EQ(format.codecData.size(), 10u);

  const std::size_t frames = 3 * 44100 + 123;
  const std::vector<std::int16_t> pcm = KnownSignal(frames);
  const std::vector<CodedAudioPacket> packets = Code(&encoder, pcm);
  ASSERT_EQ(packets.size(), (frames + 2047) / 2048);
  for (std::size_t i = 0; i < packets.size(); ++i) {
    EXPECT_EQ(packets[i].firstFrame, i * 2048);
    EXPECT_EQ(packets[i].bytes.size(), format.blockAlign);
  }

  const std::vector<std::int16_t> decoded = Decode(encoder, packets);
  // FFmpeg gives nothing for the first two packets; GStreamer's first
  // 1088 frames fade in. Compare from the third packet on.
  const std::size_t from = 2 * 2 * 2048;
  EXPECT_GT(st::Snr(pcm, decoded, from, pcm.size()), 8.0);
  // In place to the sample: a shift of one sample loses much of the
  // match at the sweep's top and in the noise.
  for (const int shift : {-1, 1}) {
    std::vector<std::int16_t> shifted(pcm.size());
    for (std::size_t i = 2; i + 2 < pcm.size(); ++i) shifted[i] = pcm[i + 2 * shift];
    EXPECT_GT(st::Snr(pcm, decoded, from, pcm.size()), st::Snr(shifted, decoded, from, pcm.size()) + 3.0);
  }
}

TEST_F(WmaEncoderTest, SilenceDecodesToSilence) {
  WmaEncoder encoder(2, kRate);
  const std::vector<std::int16_t> silence(2 * 20000, 0);
  const std::vector<std::int16_t> decoded = Decode(encoder, Code(&encoder, silence));
  ASSERT_GE(decoded.size(), silence.size());
  EXPECT_EQ(*std::max_element(decoded.begin(), decoded.end()), 0);
  EXPECT_EQ(*std::min_element(decoded.begin(), decoded.end()), 0);
}

// A click after quiet: with short blocks its coding noise stays within a
// few milliseconds of it; in a long block it would spread over the 46 ms
// before it.
TEST_F(WmaEncoderTest, ASharpClickLeavesNoPreEcho) {
  WmaEncoder encoder(2, kRate);
  const std::size_t frames = 44100, click = 30000;
  std::vector<std::int16_t> pcm(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    const double quiet = 200 * std::sin(2 * std::numbers::pi * 300 * i / kSampleRate);
    const double burst = i >= click && i < click + 400 ? 20000 * std::exp(-(double)(i - click) / 80.0) *
                                                             std::sin(2 * std::numbers::pi * 3000 * i / kSampleRate)
                                                       : 0;
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<std::int16_t>(quiet + burst);
  }
  const std::vector<std::int16_t> decoded = Decode(encoder, Code(&encoder, pcm));
  const double before = st::ErrorEnergy(pcm, decoded, 2 * (click - 2048), 2 * (click - 256));
  const double burst = st::ErrorEnergy(std::vector<std::int16_t>(pcm.size()), pcm, 2 * click, 2 * (click + 400));
  EXPECT_LT(10 * std::log10(before / burst), -40.0);
}

}  // namespace
}  // namespace mavrion::encoder::builtin::wma
