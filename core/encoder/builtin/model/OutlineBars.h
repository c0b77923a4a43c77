#pragma once
// Where the flashing outline of a recorded area goes: four bars just
// outside the area, so that captures of the area never contain them. An
// edge that has no room outside it (the area reaches the screen's edge)
// gets its bar just inside the area instead, and only a bar that the system
// keeps out of captures may stand there.
#include <cstdint>
#include <vector>

#include "core/platform/Types.h"

namespace mavrion::encoder::builtin {

inline constexpr std::int32_t kOutlineThickness = 3;

struct OutlineBar {
  ScreenRect rect;
  bool inside = false;  // overlaps the area: must be kept out of captures
  friend bool operator==(const OutlineBar&, const OutlineBar&) = default;
};

// Top, bottom, left and right bars of area on a desktop (all screens).
std::vector<OutlineBar> OutlineBars(const ScreenRect& area, const ScreenRect& desktop,
                                    std::int32_t thickness = kOutlineThickness);

}  // namespace mavrion::encoder::builtin
