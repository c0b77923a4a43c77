#include "core/encoder/builtin/wma/WmaEncoder.h"

#include <algorithm>
#include <cmath>

#include "core/encoder/builtin/mpeg4/BitWriter.h"

namespace mavrion::encoder::builtin::wma {
namespace {

// Encode options: Huffman-coded exponents (1), variable block lengths (4),
// and 3 in bits 3-4: five block sizes, 2048 down to 128.
constexpr std::uint16_t kEncodeOptions = 0x0001 | 0x0004 | (3 << 3);
constexpr int kBlockSizeFieldBits = 3;
constexpr int kGainFieldBits = 7;
constexpr int kGainFieldMore = 127;  // a gain field of all ones: another follows
constexpr int kLargestGain = 4 * kGainFieldMore;

// What the decoder multiplies a quantised value by, besides its exponent
// and gain, in this encoder's MDCT units: its inverse transform has the
// opposite sign of Mdct's forward one.
constexpr double kDecoderScale = -1.0;
// Exponents follow the band's level raised to this power (see the header).
constexpr double kEnvelopePower = 0.15;
// Band levels below this (mean square per sample, about one LSB) are all
// the same to the ear: the exponents stop following them down.
constexpr double kQuietestLevel = 1.0;
// A value of one that needs a code longer than this, and whose coefficient
// is below this many steps, is left out.
constexpr int kLoneValueBits = 12;
constexpr double kLoneValueRatio = 1.0;
// Nothing above this frequency is coded: at these rates the bits do more
// for the sound below it.
constexpr double kHighestFrequency = 16000;
// How far an exponent may stay from its band's wanted one to keep the
// band before's (1.25 dB steps).
constexpr int kExponentHold = 2;
// Counted on top of a frame's bits when a value had to be clipped: more
// than any packet holds.
constexpr int kClippedPenaltyBits = 1 << 20;
// Quantisation rounds magnitudes up from this fraction of a step: a little
// below one half, since small values cost more bits than their error.
constexpr double kRounding = 0.35;
// Beyond one step the code lengths grow slowly: round nearly to nearest.
constexpr double kRoundingAboveOne = 0.45;

// The decoder's choice of coefficient tables from the stated rate.
int CoefficientTableFor(int channels, std::uint32_t bitsPerSecond) {
  float bitsPerSample = static_cast<float>(bitsPerSecond) / static_cast<float>(channels * kSampleRate);
  if (channels == 2) bitsPerSample *= 1.6f;
  if (bitsPerSample < 0.72f) return 0;
  if (bitsPerSample < 1.16f) return 1;
  return 2;
}

double Power(const float* x, int count) {
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += static_cast<double>(x[i]) * x[i];
  return sum / count;
}

}  // namespace

struct WmaEncoder::Block {
  int bits = kFrameBits, previousBits = kFrameBits, nextBits = kFrameBits;
  bool carriesLengths = false;  // the stream's first block also states its own and the one before
  bool midSide = false;
  std::vector<float> coefficients[2];
  std::vector<int> exponents[2];
  std::vector<float> bandStep[2];  // a band's step at gain 0
  int loudest = 0;                 // the highest wanted exponent of the block
  // Set by CountBits for one trial of the frame's gain offset:
  int gain = 1;
  bool coded[2] = {};
  std::vector<int> quantised[2];
};

WmaEncoder::WmaEncoder(int channels, std::uint32_t bitsPerSecond)
    : channels_(channels), window_(2 * kFrameLength), input_(channels) {
  bitsPerSecond = std::clamp<std::uint32_t>(bitsPerSecond, channels == 2 ? 34000 : 27000, 64000);
  blockAlign_ = static_cast<std::uint16_t>(std::uint64_t{bitsPerSecond} * kFrameLength / (8 * kSampleRate));
  averageBytesPerSecond_ =
      static_cast<std::uint32_t>((std::uint64_t{blockAlign_} * kSampleRate + kFrameLength / 2) / kFrameLength);
  const int table = CoefficientTableFor(channels, averageBytesPerSecond_ * 8);
  coders_.emplace_back(kCoefficientTables[2 * table]);
  coders_.emplace_back(kCoefficientTables[2 * table + 1]);
  for (int bits = kFrameBits; bits >= kShortestBlockBits; --bits) {
    transforms_.push_back(std::make_unique<Mdct>(1 << bits));
    bands_.push_back(BandsFor(bits));
  }
}

WmaEncoder::~WmaEncoder() = default;

AudioStreamFormat WmaEncoder::Format() const {
  AudioStreamFormat format;
  format.formatTag = kFormatTagWma2;
  format.channels = static_cast<std::uint16_t>(channels_);
  format.samplesPerSecond = kSampleRate;
  format.averageBytesPerSecond = averageBytesPerSecond_;
  format.blockAlign = blockAlign_;
  format.bitsPerSample = 16;
  // Sample frames a packet holds (32 bits), the encode options (16 bits),
  // and a superframe size this stream does not use (32 bits).
  const std::uint32_t perPacket = kFrameLength;
  format.codecData = {static_cast<std::uint8_t>(perPacket),
                      static_cast<std::uint8_t>(perPacket >> 8),
                      static_cast<std::uint8_t>(perPacket >> 16),
                      static_cast<std::uint8_t>(perPacket >> 24),
                      static_cast<std::uint8_t>(kEncodeOptions),
                      static_cast<std::uint8_t>(kEncodeOptions >> 8),
                      0,
                      0,
                      0,
                      0};
  format.framesPerPacket = kFrameLength;
  return format;
}

void WmaEncoder::Encode(const std::int16_t* pcm, std::size_t frames, std::vector<CodedAudioPacket>* out) {
  for (int c = 0; c < channels_; ++c) {
    std::vector<float>& samples = input_[c];
    const std::size_t old = samples.size();
    samples.resize(old + frames);
    for (std::size_t i = 0; i < frames; ++i) samples[old + i] = pcm[i * channels_ + c];
  }
  received_ += frames;
  PlanFrames();
  while (plannedFrames_ > nextFrame_ + 1 &&
         inputStart_ + input_[0].size() >= nextFrame_ * kFrameLength + 2 * kFrameLength)
    CodeFrame(out);
}

void WmaEncoder::Flush(std::vector<CodedAudioPacket>* out) {
  if (received_ == 0) return;
  const std::uint64_t lastFrame = (received_ - 1) / kFrameLength;
  const std::uint64_t needed = (lastFrame + 2) * kFrameLength + kFrameLength / 2 + kFrameLength;
  const std::uint64_t have = inputStart_ + input_[0].size();
  if (needed > have)
    for (std::vector<float>& samples : input_) samples.resize(samples.size() + (needed - have), 0.0f);
  PlanFrames();
  while (nextFrame_ <= lastFrame) CodeFrame(out);
}

// A frame's blocks are planned once the samples of its own part are here.
void WmaEncoder::PlanFrames() {
  constexpr int kParts = kFrameLength >> kShortestBlockBits;
  while (inputStart_ + input_[0].size() >= plannedFrames_ * kFrameLength + kFrameLength + kFrameLength / 2) {
    const std::size_t from = plannedFrames_ * kFrameLength + kFrameLength / 2 - inputStart_;
    double energy[kParts] = {};
    for (const std::vector<float>& samples : input_) {
      double part[kParts];
      PartEnergies(samples.data() + from, kParts, part);
      for (int i = 0; i < kParts; ++i) energy[i] += part[i];
    }
    plans_.push_back(layout_.Plan(energy));
    ++plannedFrames_;
  }
}

void WmaEncoder::Analyse(Block* block, int frameOffset) {
  const int length = 1 << block->bits;
  const int sizeIndex = kFrameBits - block->bits;
  const BandLayout& bands = bands_[sizeIndex];
  float* window = window_.data();
  BlockWindow(block->bits, block->previousBits, block->nextBits, window);
  const std::size_t start = nextFrame_ * kFrameLength + kFrameLength / 2 + frameOffset - length / 2 - inputStart_;
  std::vector<float> windowed(2 * length);
  for (int c = 0; c < channels_; ++c) {
    const float* x = input_[c].data() + start;
    for (int n = 0; n < 2 * length; ++n) windowed[n] = x[n] * window[n];
    block->coefficients[c].resize(length);
    transforms_[sizeIndex]->Forward(windowed.data(), block->coefficients[c].data());
  }

  // Mid/side where it leaves less to code: the sum over bands of the log
  // of each channel's level, about what its coefficients cost.
  const auto cost = [&](const std::vector<float>& x) {
    double sum = 0;
    int from = 0;
    for (const int width : bands.widths) {
      sum += width * std::log2(std::max(Power(x.data() + from, width) / length, kQuietestLevel));
      from += width;
    }
    return sum;
  };
  if (channels_ == 2) {
    std::vector<float> mid(length), side(length);
    for (int i = 0; i < length; ++i) {
      mid[i] = 0.5f * (block->coefficients[0][i] + block->coefficients[1][i]);
      side[i] = 0.5f * (block->coefficients[0][i] - block->coefficients[1][i]);
    }
    block->midSide = cost(mid) + cost(side) < cost(block->coefficients[0]) + cost(block->coefficients[1]);
    if (block->midSide) {
      block->coefficients[0].swap(mid);
      block->coefficients[1].swap(side);
    }
  }

  // Wanted exponents: 16 log10 of the wanted step, the band's rms level
  // (per sample) raised to kEnvelopePower, on the block length's scale.
  block->loudest = -1000;
  for (int c = 0; c < channels_; ++c) {
    std::vector<int>& e = block->exponents[c];
    e.clear();
    int from = 0;
    for (const int width : bands.widths) {
      const double level = std::max(Power(block->coefficients[c].data() + from, width) / length, kQuietestLevel);
      const double step = std::pow(level, 0.5 * kEnvelopePower) * std::sqrt(static_cast<double>(length));
      int exponent = static_cast<int>(std::lround(16.0 * std::log10(step)));
      // A step of one costs four bits, staying costs one: the exponents
      // move only when the level moved by more than that.
      if (!e.empty() && std::abs(exponent - e.back()) <= kExponentHold) exponent = e.back();
      e.push_back(exponent);
      block->loudest = std::max(block->loudest, e.back());
      from += width;
    }
  }
  for (int c = 0; c < channels_; ++c) {
    FitExponents(block->loudest, &block->exponents[c]);
    block->bandStep[c].clear();
    for (const int e : block->exponents[c])
      block->bandStep[c].push_back(
          static_cast<float>(std::pow(10.0, (e - kTopExponent) / 16.0) * std::fabs(kDecoderScale)));
  }
}

// Quantises every block for the frame's gain offset and answers the bits
// the frame then takes.
int WmaEncoder::CountBits(std::vector<Block>& blocks, double offset) const {
  int total = 0;
  bool clipped = false;
  for (Block& block : blocks) {
    const int sizeIndex = kFrameBits - block.bits;
    const BandLayout& bands = bands_[sizeIndex];
    const double wanted = offset + 1.25 * block.loudest - 20.0 * std::log10(std::fabs(kDecoderScale));
    block.gain = std::clamp(static_cast<int>(std::lround(wanted)), 1, kLargestGain);
    const int levelBits = EscapeLevelBits(block.gain);
    const int largest = (1 << levelBits) - 1;
    const double gainScale = std::pow(10.0, block.gain / 20.0);
    const int cutoff = static_cast<int>(kHighestFrequency * 2 * (1 << block.bits) / kSampleRate);
    total += kBlockSizeFieldBits * (block.carriesLengths ? 3 : 1) + (channels_ == 2 ? 1 : 0) + channels_;
    bool any = false;
    for (int c = 0; c < channels_; ++c) {
      std::vector<int>& q = block.quantised[c];
      q.assign(bands.codedCoefficients, 0);
      int from = 0;
      bool nonzero = false;
      const CoefficientCoder& coder = coders_[c == 1 && block.midSide ? 1 : 0];
      const int end = std::min(bands.codedCoefficients, cutoff);
      int run = 0;
      for (std::size_t b = 0; b < bands.widths.size() && from < end; ++b) {
        const double inverse = 1.0 / (block.bandStep[c][b] * gainScale);
        const int to = std::min(from + bands.widths[b], end);
        for (int i = from; i < to; ++i) {
          const double x = block.coefficients[c][i];
          const double ratio = std::fabs(x) * inverse;
          // A value beyond the escape's width is clipped (a loud tone comes
          // out quieter): the gain search must go past such offsets.
          if (ratio >= largest) clipped = true;
          int magnitude = std::min(static_cast<int>(ratio + (ratio < 1.0 ? kRounding : kRoundingAboveOne)), largest);
          // A lone small value after a long run costs far more bits than
          // the error of leaving it out.
          if (magnitude == 1 && ratio < kLoneValueRatio && coder.Length(run, 1, levelBits) > kLoneValueBits)
            magnitude = 0;
          q[i] = (x < 0) != (kDecoderScale < 0) ? -magnitude : magnitude;
          run = magnitude == 0 ? run + 1 : 0;
          nonzero = nonzero || magnitude != 0;
        }
        from = to;
      }
      block.coded[c] = nonzero;
      if (!nonzero) continue;
      any = true;
      total += ExponentBits(block.exponents[c]) + coder.Bits(q.data(), bands.codedCoefficients, levelBits);
    }
    if (any) total += kGainFieldBits * (1 + (block.gain - 1) / kGainFieldMore) + (block.bits < kFrameBits ? 1 : 0);
  }
  return clipped ? total + kClippedPenaltyBits : total;
}

void WmaEncoder::CodeFrame(std::vector<CodedAudioPacket>* out) {
  const std::vector<int>& plan = plans_[0];
  std::vector<Block> blocks(plan.size());
  int offset = 0;
  for (std::size_t j = 0; j < plan.size(); ++j) {
    Block& block = blocks[j];
    block.bits = plan[j];
    block.previousBits = j == 0 ? previousBlockBits_ : plan[j - 1];
    block.nextBits = j + 1 < plan.size() ? plan[j + 1] : plans_[1][0];
    block.carriesLengths = !started_ && j == 0;
    Analyse(&block, offset);
    offset += 1 << block.bits;
  }

  // The smallest gain offset whose frame fits the packet, in quarters of a
  // dB: the blocks' gains round at different offsets, so the frame fills
  // its packet more closely than whole dB would.
  const int budget = blockAlign_ * 8;
  int low = -240, high = 1600;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CountBits(blocks, middle / 4.0) <= budget)
      high = middle;
    else
      low = middle + 1;
  }
  CountBits(blocks, low / 4.0);

  CodedAudioPacket packet;
  packet.firstFrame = nextFrame_ * kFrameLength;
  WriteFrame(blocks, &packet.bytes);
  out->push_back(std::move(packet));

  started_ = true;
  previousBlockBits_ = plan.back();
  plans_.pop_front();
  ++nextFrame_;
  const std::size_t done = nextFrame_ * kFrameLength - inputStart_;
  for (std::vector<float>& samples : input_) samples.erase(samples.begin(), samples.begin() + done);
  inputStart_ += done;
}

void WmaEncoder::WriteFrame(const std::vector<Block>& blocks, std::vector<std::uint8_t>* bytes) {
  mpeg4::BitWriter out(bytes);
  for (const Block& block : blocks) {
    if (block.carriesLengths) {
      out.Put(kFrameBits - block.previousBits, kBlockSizeFieldBits);
      out.Put(kFrameBits - block.bits, kBlockSizeFieldBits);
    }
    out.Put(kFrameBits - block.nextBits, kBlockSizeFieldBits);
    if (channels_ == 2) out.Put(block.midSide ? 1 : 0, 1);
    bool any = false;
    for (int c = 0; c < channels_; ++c) {
      out.Put(block.coded[c] ? 1 : 0, 1);
      any = any || block.coded[c];
    }
    if (!any) continue;
    int gain = block.gain - 1;
    while (gain >= kGainFieldMore) {
      out.Put(kGainFieldMore, kGainFieldBits);
      gain -= kGainFieldMore;
    }
    out.Put(static_cast<std::uint32_t>(gain), kGainFieldBits);
    if (block.bits < kFrameBits) out.Put(1, 1);  // this block brings its own exponents
    for (int c = 0; c < channels_; ++c)
      if (block.coded[c]) WriteExponents(block.exponents[c], &out);
    const int count = bands_[kFrameBits - block.bits].codedCoefficients;
    for (int c = 0; c < channels_; ++c)
      if (block.coded[c])
        coders_[c == 1 && block.midSide ? 1 : 0].Write(block.quantised[c].data(), count, EscapeLevelBits(block.gain),
                                                       &out);
  }
  while (out.BitCount() % 8 != 0) out.Put(0, 1);
  bytes->resize(blockAlign_, 0);
}

}  // namespace mavrion::encoder::builtin::wma
