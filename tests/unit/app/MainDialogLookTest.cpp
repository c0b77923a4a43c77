#include "core/app/MainDialogLook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace mavrion {
namespace {

using ::testing::ElementsAre;

TEST(MainDialogLookTest, FrameFillsFollowTheClientSizeAndTheGroupBox) {
  // A 480 x 465 client area, group box 1045 196 pixels high, button 5 78 x 20.
  const std::vector<SolidFill> fills = FramePaintFills(480, 465, 196, PixelRect{0, 0, 78, 20});
  const Colour header = look::HeaderBlue;
  const Colour frame = look::FrameBlue;
  EXPECT_THAT(fills, ElementsAre(SolidFill{{0, 0, 480, 36}, header},      // header strip
                                 SolidFill{{0, 36, 480, 43}, frame},      // band under it
                                 SolidFill{{0, 249, 480, 256}, frame},    // band between the groups
                                 SolidFill{{5, 6, 85, 28}, frame},        // shadows behind 5, 4, 3, 6
                                 SolidFill{{88, 6, 168, 28}, frame},      //
                                 SolidFill{{170, 6, 250, 28}, frame},     //
                                 SolidFill{{275, 6, 355, 28}, frame},     //
                                 SolidFill{{0, 36, 7, 465}, frame},       // left strip
                                 SolidFill{{473, 36, 480, 465}, frame},   // right strip
                                 SolidFill{{0, 431, 480, 438}, frame},    // band over the footer
                                 SolidFill{{0, 438, 480, 465}, header}));  // footer strip

  // The middle band follows the group box; the shadows stay put.
  const std::vector<SolidFill> taller = FramePaintFills(600, 500, 210, PixelRect{0, 0, 70, 18});
  EXPECT_EQ(taller[2].rect, (PixelRect{0, 263, 600, 270}));
  EXPECT_EQ(taller[3].rect, (PixelRect{5, 6, 77, 26}));
  EXPECT_EQ(taller[6].rect, (PixelRect{275, 6, 347, 26}));
  EXPECT_EQ(taller[8].rect, (PixelRect{593, 36, 600, 500}));
}

TEST(MainDialogLookTest, MinimisedIconIsCentred) {
  EXPECT_EQ(MinimisedIconPosition(160, 24, 32, 32), (PixelPoint{64, -3}));
  EXPECT_EQ(MinimisedIconPosition(33, 33, 32, 32), (PixelPoint{1, 1}));
  EXPECT_EQ(MinimisedIconPosition(0, 0, 32, 32), (PixelPoint{-15, -15}));  // truncation toward zero
}

TEST(MainDialogLookTest, ControlColoursByTypeAndId) {
  const ControlColours none{};
  const ControlColours hollow{std::nullopt, std::nullopt, true};
  const ControlColours caption{look::CaptionBlue, std::nullopt, true};
  const ControlColours time{look::TimeTextColour, look::HeaderBlue, true};
  const ControlColours footer{look::FooterTextBlue, look::HeaderBlue, true};

  for (int id : {1045, 1051, 1054, 1047}) EXPECT_EQ(ChooseControlColours(ControlColourType::Static, id), caption) << id;
  EXPECT_EQ(ChooseControlColours(ControlColourType::Static, 1048), time);
  EXPECT_EQ(ChooseControlColours(ControlColourType::Static, 1053), footer);
  EXPECT_EQ(ChooseControlColours(ControlColourType::Static, 1052), footer);
  for (int id : {1000, 1046, 1025, 1035, -1}) EXPECT_EQ(ChooseControlColours(ControlColourType::Static, id), hollow) << id;

  // Push buttons, owner-drawn or not, get the hollow brush and no colours.
  for (int id : {5, 1001, 1048}) EXPECT_EQ(ChooseControlColours(ControlColourType::Button, id), hollow) << id;
  // Everything else keeps the default handling.
  for (int id : {1048, 1017, 1029}) EXPECT_EQ(ChooseControlColours(ControlColourType::Other, id), none) << id;
}

TEST(MainDialogLookTest, OwnerDrawnButtonsColoursAndEdges) {
  const PixelRect item{0, 0, 78, 20};
  const PixelRect grown{-3, -3, 81, 23};
  for (int id : {5, 4, 3}) {
    EXPECT_EQ(OwnerDrawnButton(id, true, false, item),
              (OwnerDrawnButtonLook{grown, look::ButtonFace, look::White, false}))
        << id;
    EXPECT_EQ(OwnerDrawnButton(id, false, false, item),
              (OwnerDrawnButtonLook{grown, look::ButtonFaceDisabled, look::ButtonTextDisabled, false}))
        << id;
  }
  // "Save Settings" keeps the enabled colours even when disabled.
  EXPECT_EQ(OwnerDrawnButton(6, false, false, item),
            (OwnerDrawnButtonLook{grown, look::ButtonFace, look::White, false}));
  // Held down: sunken; released: raised.
  EXPECT_TRUE(OwnerDrawnButton(5, true, true, item)->sunken);
  EXPECT_TRUE(OwnerDrawnButton(6, true, true, PixelRect{2, 4, 10, 12})->sunken);
  EXPECT_EQ(OwnerDrawnButton(6, true, true, PixelRect{2, 4, 10, 12})->rect, (PixelRect{-1, 1, 13, 15}));
  // Any other control is not drawn.
  for (int id : {1, 2, 1001, 1049, 7}) EXPECT_FALSE(OwnerDrawnButton(id, true, false, item).has_value()) << id;
}

}  // namespace
}  // namespace mavrion
