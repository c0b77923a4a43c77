#pragma once
// The capture choice frozen when a recording starts, read by the encoder
// session assembly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/capture/CaptureType.h"
#include "core/platform/Types.h"

namespace mavrion {

// Screen pixels of the primary desktop; Right and Bottom are edge
// coordinates. Field order is the order the capture source receives them.
struct CaptureRect {
  std::int32_t Left = 0;
  std::int32_t Right = 0;
  std::int32_t Top = 0;
  std::int32_t Bottom = 0;
  friend bool operator==(const CaptureRect&, const CaptureRect&) = default;
};

// The output name lives in a 256-byte buffer: 255 characters and the zero.
inline constexpr std::size_t kMaxOutputFileName = 255;

struct CaptureRequest {
  std::int32_t CaptureType = -1;
  std::int32_t FlashRect = 0;  // 0 or 1
  mavrion::CaptureRect CaptureRect;
  WindowHandle SelectedWindow = 0;  // the one selected application, else 0
  std::string OutputFileName;       // at most kMaxOutputFileName characters
};

}  // namespace mavrion
