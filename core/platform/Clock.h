#pragma once
#include <cstdint>

#include "core/platform/Types.h"

namespace mavrion {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since system start, wrapping at 2^32 (GetTickCount).
  virtual std::uint32_t TickCount() = 0;
  virtual LocalTime Now() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace mavrion
