#include "core/encoder/builtin/model/OutlineBars.h"

#include <gtest/gtest.h>

namespace mavrion::encoder::builtin {
namespace {

const ScreenRect kDesktop{0, 0, 1280, 800};

bool Overlaps(const ScreenRect& a, const ScreenRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(OutlineBarsTest, BarsStandJustOutsideTheAreaWhereTheScreenHasRoom) {
  const ScreenRect area{100, 50, 800, 600};
  const std::vector<OutlineBar> bars = OutlineBars(area, kDesktop, 3);
  const std::vector<OutlineBar> expected = {
      {{97, 47, 803, 50}, false},
      {{97, 600, 803, 603}, false},
      {{97, 50, 100, 600}, false},
      {{800, 50, 803, 600}, false},
  };
  EXPECT_EQ(bars, expected);
  for (const OutlineBar& bar : bars) EXPECT_FALSE(Overlaps(bar.rect, area));
}

TEST(OutlineBarsTest, EdgesOnTheScreensBorderGetBarsInsideMarkedSo) {
  // The whole screen: every bar inside.
  const std::vector<OutlineBar> whole = OutlineBars(kDesktop, kDesktop, 3);
  const std::vector<OutlineBar> expected = {
      {{0, 0, 1280, 3}, true},
      {{0, 797, 1280, 800}, true},
      {{0, 0, 3, 800}, true},
      {{1277, 0, 1280, 800}, true},
  };
  EXPECT_EQ(whole, expected);

  // The screen less the taskbar: the bottom bar stands on the taskbar; an
  // edge one pixel from the border gets a thin bar outside.
  const std::vector<OutlineBar> withoutTaskbar = OutlineBars({1, 0, 1280, 760}, kDesktop, 3);
  ASSERT_EQ(withoutTaskbar.size(), 4u);
  EXPECT_EQ(withoutTaskbar[0], (OutlineBar{{1, 0, 1280, 3}, true}));
  EXPECT_EQ(withoutTaskbar[1], (OutlineBar{{0, 760, 1280, 763}, false}));
  EXPECT_EQ(withoutTaskbar[2], (OutlineBar{{0, 0, 1, 760}, false}));
  EXPECT_EQ(withoutTaskbar[3], (OutlineBar{{1277, 0, 1280, 760}, true}));

  // A second screen to the left leaves room there.
  const std::vector<OutlineBar> twoScreens = OutlineBars({0, 0, 640, 480}, {-1920, 0, 1280, 1080}, 3);
  EXPECT_EQ(twoScreens[2], (OutlineBar{{-3, 0, 0, 480}, false}));
}

}  // namespace
}  // namespace mavrion::encoder::builtin
