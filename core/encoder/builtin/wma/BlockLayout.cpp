#include "core/encoder/builtin/wma/BlockLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mavrion::encoder::builtin::wma {
namespace {

constexpr int kPartLength = 1 << kShortestBlockBits;
constexpr int kParts = kFrameLength / kPartLength;
// A part this much louder than the loudest of the parts just before it
// starts a sharp sound.
constexpr double kAttackRatio = 10.0;
// Below this energy (a part of about 1/4 LSB rms) nothing is sharp.
constexpr double kQuietEnergy = 8.0;

}  // namespace

std::vector<int> BlockLayout::Plan(const double* energy) {
  bool sharp[kParts];
  bool any = false;
  for (int i = 0; i < kParts; ++i) {
    const double before = *std::max_element(recent_, recent_ + 4);
    sharp[i] = energy[i] > kQuietEnergy && energy[i] > kAttackRatio * before;
    any = any || sharp[i];
    std::copy(recent_ + 1, recent_ + 4, recent_);
    recent_[3] = energy[i];
  }
  std::vector<int> sizes;
  if (!any) {
    sizes.push_back(kFrameBits);
    return sizes;
  }
  Split(sharp, 0, kFrameBits, &sizes);
  return sizes;
}

// Halves a block while it holds the start of a sharp sound, so that sound
// falls into a block of the shortest length and its neighbours grow back
// towards the long one.
void BlockLayout::Split(const bool* sharp, int offset, int bits, std::vector<int>* out) const {
  const int parts = (1 << bits) / kPartLength;
  const bool holdsAttack = std::any_of(sharp + offset, sharp + offset + parts, [](bool b) { return b; });
  if (bits == kShortestBlockBits || !holdsAttack) {
    out->push_back(bits);
    return;
  }
  Split(sharp, offset, bits - 1, out);
  Split(sharp, offset + parts / 2, bits - 1, out);
}

void BlockWindow(int bits, int previousBits, int nextBits, float* window) {
  const int length = 1 << bits;
  const auto rise = [](int n, int size) {
    return static_cast<float>(std::sin((n + 0.5) * std::numbers::pi / (2.0 * size)));
  };
  const int left = 1 << std::min(bits, previousBits);
  const int leftFlat = (length - left) / 2;
  for (int n = 0; n < length; ++n)
    window[n] = n < leftFlat ? 0.0f : n < leftFlat + left ? rise(n - leftFlat, left) : 1.0f;
  const int right = 1 << std::min(bits, nextBits);
  const int rightFlat = (length - right) / 2;
  for (int n = 0; n < length; ++n)
    window[length + n] = n < rightFlat ? 1.0f : n < rightFlat + right ? rise(right - 1 - (n - rightFlat), right) : 0.0f;
}

void PartEnergies(const float* samples, int parts, double* energy) {
  // A first difference is enough of a high-pass to make a click stand out
  // from speech and tones.
  for (int p = 0; p < parts; ++p) {
    double sum = 0;
    for (int n = p * kPartLength; n < (p + 1) * kPartLength; ++n) {
      const double d = static_cast<double>(samples[n]) - (n > 0 ? samples[n - 1] : samples[n]);
      sum += d * d;
    }
    energy[p] = sum / kPartLength;
  }
}

}  // namespace mavrion::encoder::builtin::wma
