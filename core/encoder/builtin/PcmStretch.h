#pragma once
// Stretching or shrinking a stretch of PCM sound by a few sample frames,
// the way the media clock takes back a sound device's drift: linear
// interpolation over the whole stretch, its first and last sample frames
// kept, so the sound joins its neighbours without a step and the change of
// pitch (a few in a thousand) cannot be heard.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"

namespace mavrion::encoder::builtin {

// inFrames sample frames of format (8-bit unsigned or 16-bit signed, any
// channels) at in, as outFrames frames into *out.
void StretchPcm(const std::uint8_t* in, std::size_t inFrames, const AsfAudioFormat& format, std::size_t outFrames,
                std::vector<std::uint8_t>* out);

}  // namespace mavrion::encoder::builtin
