#pragma once
// The profile made on the spot for every recording, and the file's
// descriptive texts written into the encoder's display information.
#include <cstdint>

#include "core/encoder/EncoderSession.h"

namespace mavrion::encoder {

inline constexpr std::int32_t kAudienceBitRate = 400000;
inline constexpr std::uint32_t kScreenCodecFourCC = 0x3253534Du;  // "MSS2"
inline constexpr std::int32_t kVideoBufferMilliseconds = 5000;
inline constexpr std::int32_t kConstantBitRateMode = 1;

// 0 when the profile is built and valid, E_FAIL after a fatal step (its
// message shown). Profile may be set either way; ReleaseEncoderSession
// gives it back.
HResult BuildVideoProfile(EncoderSession& session, const EncoderSettings& settings,
                          EncoderPorts ports);

}  // namespace mavrion::encoder
