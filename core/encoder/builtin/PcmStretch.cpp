#include "core/encoder/builtin/PcmStretch.h"

#include <algorithm>
#include <cstring>

namespace mavrion::encoder::builtin {

namespace {

int Sample(const std::uint8_t* at, bool eightBit) {
  if (eightBit) return at[0] - 128;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

void Store(std::uint8_t* at, int value, bool eightBit) {
  if (eightBit) {
    at[0] = static_cast<std::uint8_t>(value + 128);
  } else {
    const auto bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    at[0] = static_cast<std::uint8_t>(bits);
    at[1] = static_cast<std::uint8_t>(bits >> 8);
  }
}

}  // namespace

void StretchPcm(const std::uint8_t* in, std::size_t inFrames, const AsfAudioFormat& format, std::size_t outFrames,
                std::vector<std::uint8_t>* out) {
  const std::size_t align = format.BlockAlign();
  out->resize(outFrames * align);
  if (outFrames == 0 || inFrames == 0) return;
  if (inFrames == outFrames || inFrames == 1 || outFrames == 1) {
    for (std::size_t j = 0; j < outFrames; ++j) {
      const std::size_t from = outFrames == 1 ? 0 : std::min(j, inFrames - 1);
      std::memcpy(out->data() + j * align, in + from * align, align);
    }
    return;
  }
  const bool eightBit = format.bitsPerSample == 8;
  const std::size_t bytes = eightBit ? 1 : 2;
  // Output frame j sits at j * (inFrames - 1) / (outFrames - 1) of the input.
  const std::uint64_t span = inFrames - 1, steps = outFrames - 1;
  for (std::size_t j = 0; j < outFrames; ++j) {
    const std::uint64_t scaled = j * span;
    const std::size_t i = static_cast<std::size_t>(scaled / steps);
    const std::int64_t part = static_cast<std::int64_t>(scaled % steps);
    const std::uint8_t* a = in + i * align;
    const std::uint8_t* b = i + 1 < inFrames ? a + align : a;
    for (std::size_t c = 0; c < format.channels; ++c) {
      const std::int64_t x = Sample(a + c * bytes, eightBit), y = Sample(b + c * bytes, eightBit);
      const std::int64_t value = x + ((y - x) * part) / static_cast<std::int64_t>(steps);
      Store(out->data() + j * align + c * bytes, static_cast<int>(value), eightBit);
    }
  }
}

}  // namespace mavrion::encoder::builtin
