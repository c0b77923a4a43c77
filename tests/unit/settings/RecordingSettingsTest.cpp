#include "core/settings/RecordingSettings.h"

#include <gtest/gtest.h>

#include "SettingsFakes.h"

namespace mavrion {
namespace {

TEST(RecordingSettingsTest, ListsHoldTheirEntriesInOrderWithInitialSelections) {
  settings_fakes::FakeDialogView view;
  FillSettingLists(view);

  const std::vector<std::string>& height = view.combos_[kHeightListId];
  ASSERT_EQ(height.size(), 19u);
  EXPECT_EQ(height[0], "0");
  EXPECT_EQ(height[1], "200");
  EXPECT_EQ(height[2], "300");
  EXPECT_EQ(height[18], "1900");

  const std::vector<std::string>& width = view.combos_[kWidthListId];
  ASSERT_EQ(width.size(), 37u);
  EXPECT_EQ(width[0], "0");
  EXPECT_EQ(width[1], "200");
  EXPECT_EQ(width[2], "250");
  EXPECT_EQ(width[36], "1950");

  const std::vector<std::string>& frameRate = view.combos_[kFrameRateListId];
  ASSERT_EQ(frameRate.size(), 30u);
  EXPECT_EQ(frameRate[0], "1");
  EXPECT_EQ(frameRate[29], "30");

  const std::vector<std::string>& quality = view.combos_[kQualityListId];
  ASSERT_EQ(quality.size(), 100u);
  EXPECT_EQ(quality[0], "1");
  EXPECT_EQ(quality[99], "100");

  EXPECT_EQ(view.ComboSelectedText(kHeightListId), "0");
  EXPECT_EQ(view.ComboSelectedText(kWidthListId), "0");
  EXPECT_EQ(view.ComboSelectedText(kFrameRateListId), "1");
  EXPECT_EQ(view.ComboSelection(kQualityListId), 94);
  EXPECT_EQ(view.ComboSelectedText(kQualityListId), "95");
}

TEST(RecordingSettingsTest, EveryEntryGoesToAnExplicitPositionInListOrder) {
  // A sorted list would put "1000" before "200" if entries were added
  // without a position.
  settings_fakes::FakeDialogView view;
  FillSettingLists(view);
  std::map<int, int> next;
  for (const auto& insert : view.inserts) {
    EXPECT_EQ(insert.position, next[insert.id]++) << insert.id << " " << insert.text;
  }
  EXPECT_EQ(view.inserts.size(), 19u + 37u + 30u + 100u);
  EXPECT_EQ(view.inserts.front().id, kHeightListId);
  EXPECT_EQ(view.inserts.back().id, kQualityListId);
}

}  // namespace
}  // namespace mavrion
