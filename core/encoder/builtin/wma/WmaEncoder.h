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
// less than in proportion to its level. Nothing above 16 kHz is coded.
//
// Timing, the contract with the file's timeline: packet i has firstFrame
// i * 2048 and its frame decodes to exactly the recorded sample frames
// [i * 2048, (i + 1) * 2048). Place packet i at firstFrame on the sound's
// timeline and sound and picture agree in every decoder, whatever it does
// with the frames it leaves out:
// - GStreamer (avdec_wmav2) outputs every packet's sound at the packet's
//   time; packet 0's first 1088 sample frames (25 ms) are silence fading in,
//   since no block comes before the first to overlap them.
// - FFmpeg 5 and later (and so ffmpeg, ffprobe, mpv) leave out the sound of
//   the first two packets (4096 sample frames, 93 ms): its first sample is
//   recorded frame 4096. After the last packet it gives one more frame, the
//   last block's tail: silence, since Flush pads with it. Whether a player
//   then puts that first sample at packet 2's time or at packet 0's is the
//   container's and player's part (check it through the file).
// - Older FFmpeg outputs every packet's frame like GStreamer.
// Flush ends with the packet that holds the last recorded sample frame, so
// the sound lasts the recorded length rounded up to whole packets. Each
// packet starts with the length of its first block, stated in the packet
// before (the format has no superframes here): a decoder that starts at a
// packet other than the first may lose that packet's sound.
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
  // channels 1 or 2; bitsPerSecond the rate to keep, held to 34,000 to
  // 64,000 for stereo and 27,000 to 64,000 for mono (below, the format
  // codes the high bands as noise, which this encoder does not write). The
  // stated rate is the nearest a whole number of bytes a packet gives.
  WmaEncoder(int channels, std::uint32_t bitsPerSecond);
  ~WmaEncoder() override;

  AudioStreamFormat Format() const override;
  void Encode(const std::int16_t* pcm, std::size_t frames, std::vector<CodedAudioPacket>* out) override;
  void Flush(std::vector<CodedAudioPacket>* out) override;

 private:
  struct Block;

  void PlanFrames();
  void CodeFrame(std::vector<CodedAudioPacket>* out);
  void Analyse(Block* block, int frameOffset);
  int CountBits(std::vector<Block>& blocks, double offset) const;
  void WriteFrame(const std::vector<Block>& blocks, std::vector<std::uint8_t>* bytes);

  int channels_;
  std::uint16_t blockAlign_;
  std::uint32_t averageBytesPerSecond_;
  std::vector<CoefficientCoder> coders_;           // [0] all channels, [1] the side channel
  std::vector<std::unique_ptr<Mdct>> transforms_;  // by block size, longest first
  std::vector<BandLayout> bands_;                  // by block size, longest first
  std::vector<float> window_;                      // scratch: one block's window
  BlockLayout layout_;

  std::vector<std::vector<float>> input_;  // per channel, from inputStart_
  std::uint64_t inputStart_ = 0;           // recorded frame of input_[c][0]
  std::uint64_t received_ = 0;             // recorded frames given
  std::uint64_t nextFrame_ = 0;            // the frame coded next
  std::uint64_t plannedFrames_ = 0;
  std::deque<std::vector<int>> plans_;  // block sizes of frames nextFrame_ on
  int previousBlockBits_ = kShortestBlockBits;
  bool started_ = false;
};

}  // namespace mavrion::encoder::builtin::wma
