#include "core/encoder/builtin/model/OutlineBars.h"

#include "core/encoder/builtin/model/SourceRules.h"

namespace mavrion::encoder::builtin {

std::vector<OutlineBar> OutlineBars(const ScreenRect& area, const ScreenRect& desktop, std::int32_t thickness) {
  const std::int32_t l = area.left, t = area.top, r = area.right, b = area.bottom, k = thickness;
  const struct {
    ScreenRect outside, inside;
  } edges[] = {
      {{l - k, t - k, r + k, t}, {l, t, r, t + k}},
      {{l - k, b, r + k, b + k}, {l, b - k, r, b}},
      {{l - k, t, l, b}, {l, t, l + k, b}},
      {{r, t, r + k, b}, {r - k, t, r, b}},
  };
  std::vector<OutlineBar> bars;
  for (const auto& edge : edges) {
    const ScreenRect outside = ClipArea(edge.outside, desktop);
    if (!IsEmptyArea(outside)) {
      bars.push_back({outside, false});
      continue;
    }
    const ScreenRect inside = ClipArea(ClipArea(edge.inside, area), desktop);
    if (!IsEmptyArea(inside)) bars.push_back({inside, true});
  }
  return bars;
}

}  // namespace mavrion::encoder::builtin
