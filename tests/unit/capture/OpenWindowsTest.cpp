#include "core/capture/OpenWindows.h"

#include <gtest/gtest.h>

#include "CaptureFakes.h"

namespace mavrion {
namespace {

using namespace testing;
using Strings = std::vector<std::string>;

class OpenWindowsTest : public ::testing::Test {
 protected:
  OpenWindowsTest() {
    windows.taskbar = 0x20;
    windows.windows[0x20].rect = {0, 1040, 1920, 1080};
  }

  // n running entries titled "w1".."wn" with handles 101.. and processes 1..
  void FillRunning(int n) {
    for (int i = 1; i <= n; ++i) running.AddRow("w" + std::to_string(i), std::to_string(100 + i), std::to_string(i));
  }
  void SelectAll(FakeList& list) {
    for (auto& row : list.rows) row.selected = true;
  }
  static Strings Numbers(int n) {
    Strings numbers;
    for (int i = 1; i <= n; ++i) numbers.push_back(std::to_string(i));
    return numbers;
  }

  FakeWindows windows;
  FakeBoxes boxes;
  FakeDialogView dialog{0x600};
  FakeList running;
  FakeList selected;
  PickerControls controls{dialog, running, selected};
  OpenWindows picker{windows, boxes};
};

TEST_F(OpenWindowsTest, InitialisationListsVisibleTitledWindowsWithTheirHiddenColumns) {
  windows.AddTopLevel(0x10, {{0, 0, 800, 600}, "Mavrion - Screen Recorder and Presentation Developer", true, 42});
  windows.AddTopLevel(0x11, {{0, 0, 1920, 1080}, "Program Manager", true, 7});
  windows.AddTopLevel(0x12, {{0, 0, 300, 200}, "", true, 8});
  windows.AddTopLevel(0x13, {{0, 0, 300, 200}, "Hidden tool", false, 9});
  windows.AddTopLevel(0x14, {{10, 10, 10, 200}, "No width", true, 10});
  windows.AddTopLevel(0x15, {{10, 10, 200, 10}, "No height", true, 10});
  windows.AddTopLevel(0x7FFFFFF0, {{-50, -50, 100, 100}, "Untitled - Notepad", true, 4000000000u});
  windows.AddTopLevel(0x17, {{0, 0, 300, 200}, "My Program Manager tool", true, 11});
  windows.AddTopLevel(0x18, {{0, 0, 300, 200}, std::string(300, 'T'), true, 12});

  picker.OnInitialise(controls);

  for (FakeList* list : {&running, &selected}) {
    ASSERT_EQ(list->columns.size(), 4u);
    EXPECT_EQ(list->columns[0].heading, "Sr#");
    EXPECT_EQ(list->columns[0].width, 40);
    EXPECT_EQ(list->columns[1].width, 310);
    EXPECT_EQ(list->columns[2].heading, "Handle");
    EXPECT_EQ(list->columns[2].width, 0);
    EXPECT_EQ(list->columns[3].heading, "Process");
    EXPECT_EQ(list->columns[3].width, 0);
  }
  EXPECT_EQ(running.columns[1].heading, "Running Application Window Title");
  EXPECT_EQ(selected.columns[1].heading, "Selected Window Title For Screen Recording");

  EXPECT_EQ(running.Cells(0), (Strings{"1", "2", "3"}));
  EXPECT_EQ(running.Cells(1), (Strings{"Mavrion - Screen Recorder and Presentation Developer", "Untitled - Notepad",
                                       std::string(259, 'T')}));
  EXPECT_EQ(running.Cells(2), (Strings{"16", "2147483632", "24"}));
  EXPECT_EQ(running.Cells(3), (Strings{"42", "4000000000", "12"}));
  EXPECT_TRUE(selected.rows.empty());
  EXPECT_TRUE(dialog.writes.empty());
}

TEST_F(OpenWindowsTest, HandlesRoundTripThroughTheHiddenColumn) {
  for (WindowHandle handle : {WindowHandle{0x10}, WindowHandle{0x7FFFFFFF}, WindowHandle{0x80000010}})
    EXPECT_EQ(picker::HandleFromText(picker::HandleText(handle)), handle);
  EXPECT_EQ(picker::HandleText(0x80000010), "-2147483632");
}

TEST_F(OpenWindowsTest, MoveRightMovesSelectedEntriesInOrderAndRenumbers) {
  FillRunning(5);
  running.rows[1].selected = true;
  running.rows[3].selected = true;

  picker.MoveRight(controls);

  EXPECT_EQ(running.Cells(1), (Strings{"w1", "w3", "w5"}));
  EXPECT_EQ(running.Cells(0), Numbers(3));
  EXPECT_EQ(selected.Cells(1), (Strings{"w2", "w4"}));
  EXPECT_EQ(selected.Cells(0), Numbers(2));
  EXPECT_EQ(selected.Cells(2), (Strings{"102", "104"}));
  EXPECT_EQ(selected.Cells(3), (Strings{"2", "4"}));
  EXPECT_TRUE(boxes.shown.empty());

  // Appended after what is already there.
  running.rows[0].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(selected.Cells(1), (Strings{"w2", "w4", "w1"}));
  EXPECT_EQ(selected.Cells(0), Numbers(3));
  EXPECT_EQ(running.Cells(0), Numbers(2));
}

TEST_F(OpenWindowsTest, MoveRightStopsAtTen) {
  // Twelve selected: the first ten move, the message shows once, two stay selected.
  FillRunning(13);
  for (int i = 0; i < 12; ++i) running.rows[i].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(selected.Cells(1), (Strings{"w1", "w2", "w3", "w4", "w5", "w6", "w7", "w8", "w9", "w10"}));
  EXPECT_EQ(running.Cells(1), (Strings{"w11", "w12", "w13"}));
  EXPECT_TRUE(running.rows[0].selected && running.rows[1].selected && !running.rows[2].selected);
  EXPECT_EQ(running.Cells(0), Numbers(3));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, dialog.Handle());
  EXPECT_EQ(boxes.shown[0].text, "You can select maximum 10 applications with this option.");
  EXPECT_EQ(boxes.shown[0].caption, "Mavrion");
  EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconWarning);

  // Full: a selected entry moves nothing and is told so.
  picker.MoveRight(controls);
  EXPECT_EQ(selected.Count(), 10);
  EXPECT_EQ(running.Count(), 3);
  EXPECT_EQ(boxes.shown.size(), 2u);

  // Full with nothing selected: nothing to tell.
  for (auto& row : running.rows) row.selected = false;
  picker.MoveRight(controls);
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(OpenWindowsTest, MovingTheTenthEntryAloneShowsTheLimit) {
  FillRunning(10);
  for (int i = 0; i < 9; ++i) running.rows[i].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(selected.Count(), 9);
  EXPECT_TRUE(boxes.shown.empty());

  running.rows[0].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(selected.Count(), 10);
  EXPECT_EQ(running.Count(), 0);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(OpenWindowsTest, MoveLeftAppendsToTheEndOfTheRunningList) {
  FillRunning(6);
  running.rows[0].selected = running.rows[2].selected = running.rows[4].selected = true;
  picker.MoveRight(controls);  // w1 w3 w5 to the right
  ASSERT_EQ(running.Cells(1), (Strings{"w2", "w4", "w6"}));

  selected.rows[0].selected = selected.rows[2].selected = true;
  dialog.writes.clear();
  picker.MoveLeft(controls);

  EXPECT_EQ(running.Cells(1), (Strings{"w2", "w4", "w6", "w1", "w5"}));
  EXPECT_EQ(running.Cells(0), Numbers(5));
  EXPECT_EQ(running.Cells(2), (Strings{"102", "104", "106", "101", "105"}));
  EXPECT_EQ(selected.Cells(1), (Strings{"w3"}));
  EXPECT_EQ(selected.Cells(0), Numbers(1));
  EXPECT_TRUE(dialog.writes.empty());  // the area display stays
  EXPECT_TRUE(boxes.shown.empty());

  // No limit to the left.
  SelectAll(selected);
  picker.MoveLeft(controls);
  EXPECT_EQ(running.Count(), 6);
  EXPECT_EQ(selected.Count(), 0);
}

TEST_F(OpenWindowsTest, MovedTitlesKeepTheirFirst255Characters) {
  running.AddRow(std::string(259, 'a'), "101");
  running.rows[0].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(selected.rows[0].cells[1], std::string(255, 'a'));

  selected.rows[0].cells[2] = "12345678901234567890123";  // hidden texts: 19 characters
  selected.rows[0].selected = true;
  picker.MoveLeft(controls);
  EXPECT_EQ(running.rows[0].cells[2], "1234567890123456789");
}

TEST_F(OpenWindowsTest, TheAreaDisplayFollowsTheSelectedList) {
  windows.windows[101].rect = {-20, 100, 700, 1200};
  windows.windows[102].rect = {10, 10, 20, 20};
  FillRunning(3);

  // Nothing chosen yet: nothing to show.
  picker.MoveRight(controls);
  EXPECT_TRUE(dialog.writes.empty());

  running.rows[0].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(dialog.writes, (std::vector<int>{1029, 1028, 1030, 1031}));
  EXPECT_EQ(dialog.texts_[1029], "0");
  EXPECT_EQ(dialog.texts_[1028], "100");
  EXPECT_EQ(dialog.texts_[1030], "700");
  EXPECT_EQ(dialog.texts_[1031], "1080");

  running.rows[0].selected = true;
  picker.MoveRight(controls);
  EXPECT_EQ(dialog.texts_[1029], "0");
  EXPECT_EQ(dialog.texts_[1028], "0");
  EXPECT_EQ(dialog.texts_[1030], "1920");
  EXPECT_EQ(dialog.texts_[1031], "1040");

  // "<<<" leaves the display; the next ">>>" shows the one left.
  selected.rows[0].selected = true;
  picker.MoveLeft(controls);
  EXPECT_EQ(dialog.texts_[1031], "1040");
  picker.MoveRight(controls);
  EXPECT_EQ(dialog.texts_[1029], "10");
  EXPECT_EQ(dialog.texts_[1031], "20");
}

TEST_F(OpenWindowsTest, HandBack) {
  // Empty: told, and the picker stays open.
  EXPECT_FALSE(picker.HandBack(controls));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, dialog.Handle());
  EXPECT_EQ(boxes.shown[0].text, "Please select atleast one application to record its desktop activities.");
  EXPECT_EQ(boxes.shown[0].caption, "Screen Recorder");
  EXPECT_EQ(boxes.shown[0].style, mb::kOk);

  // One entry: slot 0, zeros after it.
  FillRunning(12);
  running.rows[4].selected = true;
  picker.MoveRight(controls);
  EXPECT_TRUE(picker.HandBack(controls));
  EXPECT_EQ(picker.ChosenWindows(), (ChosenWindowList{105}));

  // Ten entries in list order; a later empty OK clears the hand-back.
  SelectAll(running);
  picker.MoveRight(controls);
  EXPECT_TRUE(picker.HandBack(controls));
  EXPECT_EQ(picker.ChosenWindows(), (ChosenWindowList{105, 101, 102, 103, 104, 106, 107, 108, 109, 110}));

  SelectAll(selected);
  picker.MoveLeft(controls);
  EXPECT_FALSE(picker.HandBack(controls));
  EXPECT_EQ(picker.ChosenWindows(), ChosenWindowList{});
}

TEST_F(OpenWindowsTest, EveryOpeningStartsAFreshEnumeration) {
  windows.AddTopLevel(0x10, {{0, 0, 800, 600}, "Main", true, 1});
  windows.AddTopLevel(0x11, {{0, 0, 800, 600}, "Other", true, 2});
  picker.OnInitialise(controls);
  running.rows[0].selected = true;
  picker.MoveRight(controls);
  ASSERT_TRUE(picker.HandBack(controls));

  // The dialog's lists are new at the next opening; the numbering restarts.
  FakeList freshRunning;
  FakeList freshSelected;
  PickerControls fresh{dialog, freshRunning, freshSelected};
  picker.OnInitialise(fresh);
  EXPECT_EQ(freshRunning.Cells(0), (Strings{"1", "2"}));
  EXPECT_EQ(freshRunning.Cells(1), (Strings{"Main", "Other"}));
  EXPECT_EQ(picker.ChosenWindows(), (ChosenWindowList{0x10}));  // kept until the next OK
}

}  // namespace
}  // namespace mavrion
