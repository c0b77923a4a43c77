#pragma once
// Our Windows Media Audio 2 encoder (format tag 0x0161) for the recorded
// sound, 44.1 kHz, mono or stereo, at a constant rate: every packet is one
// frame of 2048 sample frames in blockAlign bytes.
//
// What it codes, as the decoder reads it (encode options 0x001D: exponents
// as Huffman-coded steps, blocks of variable length down to 128 samples,
// no superframes): each frame is one long block or, around a sharp sound,
// shorter blocks (BlockLayout); each block chooses mid/side or left/right
// stereo, codes an exponent a band that follows the band's level, and the
// quantised MDCT coefficients as run and level codes; one gain a block is
// searched so that the frame fills its packet. The exponents are the
// spectral envelope raised to kEnvelopePower: the ear hears noise under a
// loud band less, so a loud band gets coarser steps than a quiet one, but
// less than in proportion to its level.
//
// Timing, the contract with the file's timeline: packet i (firstFrame =
// i * 2048) decodes, in FFmpeg's decoder, which outputs every frame it is
// given and delays nothing, to exactly the recorded sample frames
// [i * 2048, (i + 1) * 2048): place packet i at firstFrame on the sound's
// timeline and sound and picture agree. No block comes before the first,
// so packet 0's first 1088 sample frames (25 ms) decode to silence fading
// in. A packet holds the whole frame it needs: a decoder can start at any
// packet, apart from its first 1088 sample frames in the same way, as long
// as it was told the block length the frame starts with; FFmpeg keeps it
// from the packet before, so a seek may cost one packet's sound. Flush ends
// with the packet that holds the last recorded sample frame, so the decoded
// sound is the recorded length rounded up to whole packets.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "core/encoder/builtin/AudioCodec.h"
#include "core/encoder/builtin/wma/Bands.h"
#include "core/encoder/builtin/wma/BlockLayout.h"
#include "core/encoder/builtin/wma/CoefficientCoder.h"
#include "core/encoder/builtin/wma/Mdct.h"

namespace mavrion::encoder::builtin::wma {

inline constexpr std::uint16_t kFormatTagWma2 = 0x0161;
inline constexpr std::uint32_t kSampleRate = 44100;
// The rate a recording codes its sound at (see the audio benchmark): the
// picture gets the rest of the profile's audience.
inline constexpr std::uint32_t kSoundBitsPerSecond = 48000;

class WmaEncoder : public AudioCodec {
 public:
  // channels 1 or 2; bitsPerSecond the rate to keep (32,000 to 64,000):
  // the stated rate is the nearest a whole number of bytes a packet gives.
  WmaEncoder(int channels, std::uint32_t bitsPerSecond);
  ~WmaEncoder() override;

  AudioStreamFormat Format() const override;
  void Encode(const std::int16_t* pcm, std::size_t frames, std::vector<CodedAudioPacket>* out) override;
  void Flush(std::vector<CodedAudioPacket>* out) override;

 private:
  struct Block;

  void PlanFrames();
  void CodeFrame(std::vector<CodedAudioPacket>* out);
  void Analyse(Block* block, int frameStart) ;
  int CountBits(std::vector<Block>& blocks, int offset) const;
  void WriteFrame(const std::vector<Block>& blocks, std::vector<std::uint8_t>* bytes);

  int channels_;
  std::uint16_t blockAlign_;
  std::uint32_t averageBytesPerSecond_;
  std::vector<CoefficientCoder> coders_;  // [0] all channels, [1] the side channel
  std::vector<std::unique_ptr<Mdct>> transforms_;  // by block size, longest first
  std::vector<BandLayout> bands_;                  // by block size, longest first
  std::vector<std::vector<float>> windows_;        // scratch
  BlockLayout layout_;

  std::vector<std::vector<float>> input_;  // per channel, from inputStart_
  std::uint64_t inputStart_ = 0;           // recorded frame of input_[c][0]
  std::uint64_t received_ = 0;             // recorded frames given
  std::uint64_t nextFrame_ = 0;            // the frame coded next
  std::uint64_t plannedFrames_ = 0;
  std::deque<std::vector<int>> plans_;     // block sizes of frames nextFrame_ on
  int previousBlockBits_ = kShortestBlockBits;
  bool started_ = false;
};

}  // namespace mavrion::encoder::builtin::wma
