#pragma once
// The applications chosen in the window picker for a recording that follows
// the foreground window.
#include <array>
#include <cstdint>

#include "core/platform/Types.h"

namespace mavrion {

inline constexpr int MaxSelectedApplications = 10;

struct SelectedApplications {
  std::array<WindowHandle, MaxSelectedApplications> WindowHandles{};  // from slot 0
  std::int32_t Count = 0;
  std::array<std::uint32_t, MaxSelectedApplications> ProcessIds{};    // filled by the follower
};

}  // namespace mavrion
