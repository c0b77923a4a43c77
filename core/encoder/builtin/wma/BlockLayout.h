#pragma once
// Block switching: a frame of 2048 samples is coded as one long block, or,
// where a sharp sound starts, as shorter blocks (down to 128 samples) so
// that the coding noise of the sharp sound stays close to it in time
// instead of spreading over the whole long block before it (pre-echo).
//
// Where a block lies: block j of frame k, at offset p in the frame and of
// length L, is the MDCT of the recorded samples from k*2048 + 1024 + p - L/2
// on for 2L samples; its own part (where no other block overlaps it fully)
// is [k*2048 + 1024 + p, + L). The decoder's windows overlap two blocks by
// the shorter one's length.
#include <cstdint>
#include <vector>

namespace mavrion::encoder::builtin::wma {

inline constexpr int kFrameBits = 11;  // 2048 samples a frame at 44.1 kHz
inline constexpr int kFrameLength = 1 << kFrameBits;
inline constexpr int kShortestBlockBits = 7;
inline constexpr int kBlockSizes = kFrameBits - kShortestBlockBits + 1;

// Finds sharp sounds and lays out each frame's blocks.
class BlockLayout {
 public:
  // The block sizes (log2) of a frame, in order, from the high-passed energy
  // of its 16 parts of 128 samples (the frame's own part, see above).
  std::vector<int> Plan(const double* partEnergy);

 private:
  void Split(const bool* sharp, int offset, int bits, std::vector<int>* out) const;

  double recent_[4] = {};  // the energy of the last parts seen
};

// The decoder's window for a block of length 1 << bits between blocks of
// 1 << previousBits and 1 << nextBits; writes 2L values.
void BlockWindow(int bits, int previousBits, int nextBits, float* window);

// The high-passed energy of the 128-sample parts of samples (one channel
// or the sum of several), a part per 128 samples.
void PartEnergies(const float* samples, int parts, double* energy);

}  // namespace mavrion::encoder::builtin::wma
