#pragma once
// What a recording needs of a video codec: the stream's format for the
// file's header, frames coded one by one with their times, and frames that
// repeat the last picture.
#include <cstdint>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"
#include "core/encoder/builtin/BgraImage.h"

namespace mavrion::encoder::builtin {

class VideoCodec {
 public:
  virtual ~VideoCodec() = default;
  // FourCC, bit count, codec data and declared rate; size and frame
  // duration are the recording's.
  virtual AsfVideoFormat Format() const = 0;
  // Codes picture for the frame at timeMs into out; wantKey asks for a key
  // frame. Answers whether out is one.
  virtual bool Encode(const BgraImage& picture, std::int64_t timeMs, bool wantKey,
                      std::vector<std::uint8_t>* out) = 0;
  virtual void EncodeRepeat(std::int64_t timeMs, std::vector<std::uint8_t>* out) = 0;
};

}  // namespace mavrion::encoder::builtin
