#include "core/app/MainDialogLook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace mavrion {
namespace {

using ::testing::ElementsAre;

TEST(MainDialogLookTest, FrameFillsFollowTheDialogUnitsAndTheControls) {
  // At 96 DPI: a 480 x 504 client area, group box 1045 from row 50 to 263,
  // the header buttons 78 x 21 where the template puts them.
  const FrameControls at96{{11, 50, 470, 263},
                           {{6, 7, 84, 28}, {89, 7, 167, 28}, {171, 7, 249, 28}, {276, 7, 354, 28}}};
  const Colour header = look::HeaderBlue;
  const Colour frame = look::FrameBlue;
  EXPECT_THAT(FramePaintFills(480, 504, kFrameDesignUnits, at96),
              ElementsAre(SolidFill{{0, 0, 480, 36}, header},       // header strip
                          SolidFill{{0, 36, 480, 43}, frame},       // band under it
                          SolidFill{{0, 266, 480, 273}, frame},     // band between the groups
                          SolidFill{{5, 6, 85, 29}, frame},         // shadows behind 5, 4, 3, 6
                          SolidFill{{88, 6, 168, 29}, frame},       //
                          SolidFill{{170, 6, 250, 29}, frame},      //
                          SolidFill{{275, 6, 355, 29}, frame},      //
                          SolidFill{{0, 36, 7, 504}, frame},        // left strip
                          SolidFill{{473, 36, 480, 504}, frame},    // right strip
                          SolidFill{{0, 470, 480, 477}, frame},     // band over the footer
                          SolidFill{{0, 477, 480, 504}, header}));  // footer strip

  // At 144 DPI the units are 8 x 19 pixels: every length grows with them,
  // rounded, and the band and the shadows stay on the controls.
  const FrameControls at144{{14, 74, 626, 385},
                            {{8, 10, 112, 41}, {118, 10, 222, 41}, {228, 10, 332, 41}, {368, 10, 472, 41}}};
  EXPECT_THAT(FramePaintFills(640, 736, DialogUnits{8, 19}, at144),
              ElementsAre(SolidFill{{0, 0, 640, 53}, header},      //
                          SolidFill{{0, 53, 640, 63}, frame},      //
                          SolidFill{{0, 389, 640, 399}, frame},    //
                          SolidFill{{7, 9, 113, 42}, frame},       //
                          SolidFill{{117, 9, 223, 42}, frame},     //
                          SolidFill{{227, 9, 333, 42}, frame},     //
                          SolidFill{{367, 9, 473, 42}, frame},     //
                          SolidFill{{0, 53, 9, 736}, frame},       //
                          SolidFill{{631, 53, 640, 736}, frame},   //
                          SolidFill{{0, 687, 640, 697}, frame},    //
                          SolidFill{{0, 697, 640, 736}, header}));
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
