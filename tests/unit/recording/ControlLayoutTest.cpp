#include "core/recording/ControlLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/unit/recording/RecordingFakes.h"

namespace mavrion {
namespace {

using recording_fakes::FakeView;
using recording_fakes::Journal;

const int kIdleOn[] = {5, 1003, 1004, 1001, 1, 1010, 1011, 1014, 1015,
                       1025, 1043, 1026, 1027, 1017, 1049, 1035};
const int kIdleOff[] = {3, 4};
const int kArea[] = {1029, 1028, 1030, 1031, 1032};

TEST(ControlLayoutTest, IdleLayoutForAnAreaCaptureEnablesTheAreaFieldsToo) {
  Journal journal;
  FakeView view(&journal);
  view.texts_[3] = "Resume [F8]";
  recording::ApplyControlLayout(view, true, 1);
  for (int id : kIdleOn) EXPECT_TRUE(view.enabled_.at(id)) << id;
  for (int id : kIdleOff) EXPECT_FALSE(view.enabled_.at(id)) << id;
  for (int id : kArea) EXPECT_TRUE(view.enabled_.at(id)) << id;
  // Save Settings and the time display are not the layout's.
  EXPECT_EQ(view.enabled_.count(6), 0u);
  EXPECT_EQ(view.enabled_.size(), std::size(kIdleOn) + std::size(kIdleOff) + std::size(kArea));
  EXPECT_EQ(view.menu_.enabled_,
            (std::map<int, bool>{{32771, true}, {32773, true}, {32774, false}, {32775, false}, {32776, false}}));
  EXPECT_EQ(view.texts_[3], "Pause [F7]");
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "draw menu bar"), 0);
}

TEST(ControlLayoutTest, IdleLayoutForOtherCapturesLeavesTheAreaFieldsAsTheyAre) {
  for (int type : {0, 2, 3}) {
    Journal journal;
    FakeView view(&journal);
    view.enabled_[1029] = true;  // whatever the capture type's own rule left
    view.enabled_[1032] = false;
    recording::ApplyControlLayout(view, true, type);
    EXPECT_TRUE(view.enabled_.at(1029)) << type;
    EXPECT_FALSE(view.enabled_.at(1032)) << type;
    for (int id : {1028, 1030, 1031}) EXPECT_EQ(view.enabled_.count(id), 0u) << type;
  }
}

TEST(ControlLayoutTest, RecordingLayoutDisablesTheSettingsAndRedrawsTheMenuBar) {
  Journal journal;
  FakeView view(&journal);
  view.texts_[3] = "Resume [F8]";
  recording::ApplyControlLayout(view, false, 1);
  for (int id : kIdleOn) EXPECT_FALSE(view.enabled_.at(id)) << id;
  for (int id : kArea) EXPECT_FALSE(view.enabled_.at(id)) << id;
  for (int id : kIdleOff) EXPECT_TRUE(view.enabled_.at(id)) << id;
  EXPECT_EQ(view.menu_.enabled_,
            (std::map<int, bool>{{32771, false}, {32773, false}, {32774, true}, {32775, true}, {32776, false}}));
  EXPECT_EQ(view.texts_[3], "Resume [F8]");  // the caption is the idle layout's only
  EXPECT_EQ(journal.back(), "draw menu bar");
}

}  // namespace
}  // namespace mavrion
