#include "core/encoder/CaptureProperties.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/unit/encoder/FakeComponent.h"

namespace mavrion::encoder {
namespace {

using Strings = std::vector<std::string>;

const Strings kRectWrites = {"PropertyBag.Write(Screen,BOOL 0)", "PropertyBag.Write(Left,I4 100)",
                             "PropertyBag.Write(Right,I4 800)", "PropertyBag.Write(Top,I4 50)",
                             "PropertyBag.Write(Bottom,I4 600)"};
const std::string kFlash = "PropertyBag.Write(FlashRect,BOOL -1)";

Strings With(Strings writes, const std::string& more) {
  writes.push_back(more);
  return writes;
}

TEST(CapturePropertiesTest, EachCaptureTypeGetsItsWrites) {
  const CaptureRect requested{100, 800, 50, 600};
  const CaptureRect applications{-8, 1928, 0, 1040};
  const Strings kApplicationWrites = {"PropertyBag.Write(Screen,BOOL 0)", "PropertyBag.Write(Left,I4 -8)",
                                      "PropertyBag.Write(Right,I4 1928)", "PropertyBag.Write(Top,I4 0)",
                                      "PropertyBag.Write(Bottom,I4 1040)"};
  const struct {
    std::int32_t type;
    std::int32_t flash;
    Strings writes;
  } rows[] = {
      {0, 0, kApplicationWrites},
      {0, 1, With(kApplicationWrites, kFlash)},
      {1, 0, kRectWrites},
      {1, 1, With(kRectWrites, kFlash)},
      {2, 0, {}},
      {2, 1, {kFlash}},
      {3, 0, kRectWrites},
      {3, 1, With(kRectWrites, kFlash)},
      {4, 1, {}},
      {-1, 1, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("type " + std::to_string(row.type) + " flash " + std::to_string(row.flash));
    fakes::World world;
    fakes::FakePropertyBag bag(world, "PropertyBag");
    CaptureRequest request;
    request.CaptureType = row.type;
    request.FlashRect = row.flash;
    request.CaptureRect = requested;
    request.SelectedWindow = 77;
    int measured = 0;
    auto measure = [&](WindowHandle window) -> std::optional<CaptureRect> {
      ++measured;
      EXPECT_EQ(window, 77u);
      return applications;
    };
    EXPECT_TRUE(WriteCaptureAreaProperties(bag, {request, measure}));
    EXPECT_EQ(world.log, row.writes);
    EXPECT_EQ(measured, row.type == 0 ? 1 : 0) << "only followed applications are measured";
  }
}

TEST(CapturePropertiesTest, RectanglesAreWrittenUnchangedAndRefusalsIgnored) {
  fakes::World world;
  fakes::FakePropertyBag bag(world, "PropertyBag");
  world.results["PropertyBag.Write"] = static_cast<HResult>(0x80070057u);
  WriteCaptureRectProperties(bag, {800, 100, 600, 50}, 0);
  EXPECT_EQ(world.log, (Strings{"PropertyBag.Write(Screen,BOOL 0)", "PropertyBag.Write(Left,I4 800)",
                                "PropertyBag.Write(Right,I4 100)", "PropertyBag.Write(Top,I4 600)",
                                "PropertyBag.Write(Bottom,I4 50)"}));

  world.log.clear();
  CaptureRequest request;
  request.CaptureType = 0;
  request.FlashRect = 1;
  request.SelectedWindow = 77;
  EXPECT_FALSE(WriteCaptureAreaProperties(bag, {request, [](WindowHandle) { return std::optional<CaptureRect>(); }}))
      << "a followed window that has closed leaves nothing to record";
  EXPECT_FALSE(WriteCaptureAreaProperties(bag, {request, {}}));
  EXPECT_TRUE(world.log.empty());
}

}  // namespace
}  // namespace mavrion::encoder
