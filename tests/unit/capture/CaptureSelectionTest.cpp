#include "core/capture/CaptureSelection.h"

#include <gtest/gtest.h>

#include "CaptureFakes.h"

namespace mavrion {
namespace {

using namespace testing;

constexpr int kAreaControls[] = {1029, 1028, 1030, 1031, 1032};

class CaptureSelectionTest : public ::testing::Test {
 protected:
  CaptureSelectionTest() {
    windows.taskbar = 0x20;
    windows.windows[0x20].rect = {0, 1040, 1920, 1080};
    selection.AttachPicker(&picker);
  }

  void ExpectAreaControlsEnabled(bool enabled) {
    for (int id : kAreaControls) {
      ASSERT_TRUE(view.enabled_.count(id)) << id;
      EXPECT_EQ(view.enabled_[id], enabled) << id;
    }
  }
  void TypeArea(const char* left, const char* top, const char* right, const char* bottom) {
    view.texts_[1029] = left;
    view.texts_[1028] = top;
    view.texts_[1030] = right;
    view.texts_[1031] = bottom;
  }

  FakeWindows windows;
  FakeDialogView view;
  FakeExchange exchange;
  FakeBoxes boxes;
  FakePicker picker;
  CaptureSelection selection{{view, exchange, boxes, windows}};
};

TEST_F(CaptureSelectionTest, StartsWithoutTypeAndInitialisesToEntireScreen) {
  EXPECT_EQ(selection.Type(), -1);
  selection.InitialiseCaptureType();
  EXPECT_EQ(selection.Type(), EntireScreen);
  ExpectAreaControlsEnabled(false);
  EXPECT_EQ(exchange.refreshes, 1);
}

TEST_F(CaptureSelectionTest, RadiosSetTheirCodeAndOnlySpecificAreaEnablesTheAreaControls) {
  selection.InitialiseCaptureType();
  view.texts_[1029] = "100";

  EXPECT_TRUE(selection.OnCaptureRadio(1027));
  EXPECT_EQ(selection.Type(), SpecificArea);
  ExpectAreaControlsEnabled(true);

  EXPECT_TRUE(selection.OnCaptureRadio(1043));
  EXPECT_EQ(selection.Type(), EntireScreenWithoutTaskbar);
  ExpectAreaControlsEnabled(false);
  EXPECT_EQ(view.texts_[1029], "100");  // disabling keeps the text

  EXPECT_TRUE(selection.OnCaptureRadio(1026));
  EXPECT_EQ(selection.Type(), EntireScreen);
  EXPECT_EQ(exchange.refreshes, 4);

  EXPECT_FALSE(selection.OnCaptureRadio(1003));
  EXPECT_EQ(selection.Type(), EntireScreen);
  EXPECT_EQ(exchange.refreshes, 4);
  EXPECT_EQ(picker.openings, 0);
}

TEST_F(CaptureSelectionTest, SelectApplicationsKeepsWhatThePickerHandsBack) {
  selection.InitialiseCaptureType();

  // One application: slot 0 and the selected window.
  picker.chosen = {0x111};
  EXPECT_TRUE(selection.OnCaptureRadio(1025));
  EXPECT_EQ(picker.openings, 1);
  EXPECT_EQ(selection.Type(), SpecificApplications);
  EXPECT_EQ(selection.Selection().Count, 1);
  EXPECT_EQ(selection.Selection().WindowHandles, (ChosenWindowList{0x111}));
  EXPECT_EQ(selection.Request().SelectedWindow, 0x111u);
  ExpectAreaControlsEnabled(false);

  // Two applications: no single selected window.
  picker.chosen = {0x111, 0x222};
  selection.OnSelectApplications();
  EXPECT_EQ(selection.Selection().Count, 2);
  EXPECT_EQ(selection.Selection().WindowHandles, (ChosenWindowList{0x111, 0x222}));
  EXPECT_EQ(selection.Request().SelectedWindow, 0u);

  // Ten applications.
  picker.chosen = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  selection.OnSelectApplications();
  EXPECT_EQ(selection.Selection().Count, 10);
  EXPECT_EQ(selection.Selection().WindowHandles, picker.chosen);

  // Cancel after an earlier choice leaves nothing selected, the type stays.
  picker.chosen = {0x333};
  selection.OnSelectApplications();
  picker.answerOk = false;
  selection.OnSelectApplications();
  EXPECT_EQ(selection.Type(), SpecificApplications);
  EXPECT_EQ(selection.Selection().Count, 0);
  EXPECT_EQ(selection.Selection().WindowHandles, ChosenWindowList{});
  EXPECT_EQ(selection.Request().SelectedWindow, 0u);
  EXPECT_EQ(exchange.refreshes, 6);

  // Another type keeps the applications chosen.
  picker.answerOk = true;
  selection.OnSelectApplications();
  selection.OnCaptureRadio(1026);
  EXPECT_EQ(selection.Selection().Count, 1);
  EXPECT_EQ(selection.Request().SelectedWindow, 0x333u);
}

TEST_F(CaptureSelectionTest, SelectApplicationsEmptiesTheSelectionBeforeThePickerOpens) {
  picker.chosen = {0x111, 0x222};
  selection.OnSelectApplications();
  picker.onOpen = [&] {
    EXPECT_EQ(selection.Selection().Count, 0);
    EXPECT_EQ(selection.Selection().WindowHandles, ChosenWindowList{});
    EXPECT_EQ(selection.Type(), SpecificApplications);
  };
  selection.OnSelectApplications();

  // Without a picker the flow ends as a cancelled one.
  selection.AttachPicker(nullptr);
  selection.OnSelectApplications();
  EXPECT_EQ(selection.Selection().Count, 0);
}

TEST_F(CaptureSelectionTest, PrepareCopiesTheNameTypeAndFlagAtEveryAttempt) {
  selection.InitialiseCaptureType();
  EXPECT_TRUE(selection.PrepareCaptureRequest("C:\\Videos\\a.wmv", 1));
  EXPECT_EQ(selection.Request().OutputFileName, "C:\\Videos\\a.wmv");
  EXPECT_EQ(selection.Request().CaptureType, EntireScreen);
  EXPECT_EQ(selection.Request().FlashRect, 1);

  // A failing attempt freezes them too.
  selection.OnCaptureRadio(1027);
  EXPECT_FALSE(selection.PrepareCaptureRequest("b.wmv", 0));
  EXPECT_EQ(selection.Request().OutputFileName, "b.wmv");
  EXPECT_EQ(selection.Request().CaptureType, SpecificArea);
  EXPECT_EQ(selection.Request().FlashRect, 0);

  // A name too long for the 256-byte buffer keeps its first 255 characters.
  const std::string longName = "C:\\" + std::string(297, 'n');
  selection.OnCaptureRadio(1026);
  EXPECT_TRUE(selection.PrepareCaptureRequest(longName, 0));
  EXPECT_EQ(selection.Request().OutputFileName, longName.substr(0, 255));
}

TEST_F(CaptureSelectionTest, PrepareSpecificApplicationsWithoutSelectionOpensThePickerAndRefuses) {
  selection.InitialiseCaptureType();
  picker.answerOk = false;
  selection.OnCaptureRadio(1025);
  ASSERT_EQ(picker.openings, 1);

  picker.answerOk = true;
  picker.chosen = {0x111};
  windows.windows[0x111].rect = {10, 10, 500, 400};
  EXPECT_FALSE(selection.PrepareCaptureRequest("a.wmv", 0));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, view.Handle());
  EXPECT_EQ(boxes.shown[0].text, "Please select the window which you want to record.");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconError);
  EXPECT_EQ(picker.openings, 2);

  // What was picked counts at the next Start.
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_EQ(selection.Request().CaptureType, SpecificApplications);
  EXPECT_EQ(selection.Request().SelectedWindow, 0x111u);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(picker.openings, 2);
}

TEST_F(CaptureSelectionTest, PrepareWithTheChosenWindowClosedForgetsItAndOpensThePicker) {
  windows.windows[0x111].rect = {10, 10, 500, 400};
  picker.chosen = {0x111};
  selection.OnCaptureRadio(1025);
  windows.windows.erase(0x111);

  picker.answerOk = false;
  for (int start = 1; start <= 2; ++start) {
    EXPECT_FALSE(selection.PrepareCaptureRequest("a.wmv", 0));
    EXPECT_EQ(picker.openings, 1 + start);
    EXPECT_EQ(selection.Selection().Count, 0);
    EXPECT_EQ(selection.Request().SelectedWindow, 0u);
  }
  // Only the first Start says the window has closed; the next one finds
  // nothing chosen.
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, kSelectedWindowClosedMessage);
  EXPECT_EQ(boxes.shown[0].owner, view.Handle());
  EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconError);
  EXPECT_EQ(boxes.shown[1].text, kSelectWindowMessage);

  // A window chosen in the picker that opens counts at the next Start.
  windows.windows[0x222].rect = {10, 10, 500, 400};
  picker.answerOk = true;
  picker.chosen = {0x222};
  EXPECT_FALSE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_EQ(selection.Request().SelectedWindow, 0x222u);
}

TEST_F(CaptureSelectionTest, PrepareSpecificAreaReadsTheFourFieldsAsEdges) {
  selection.OnCaptureRadio(1027);
  TypeArea("100", "50", "800", "600");
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_EQ(selection.Request().CaptureRect, (CaptureRect{100, 800, 50, 600}));
  ASSERT_EQ(view.reads.size(), 4u);
  const int order[] = {1029, 1030, 1028, 1031};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(view.reads[i].id, order[i]);
    EXPECT_EQ(view.reads[i].maxChars, 10u);
  }
  EXPECT_TRUE(boxes.shown.empty());

  // Right below Left, signs, blanks, garbage and over-long texts.
  TypeArea(" -25", "+7", "12abc", "abc");
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_EQ(selection.Request().CaptureRect, (CaptureRect{-25, 12, 7, 0}));

  TypeArea("1234567890123", "-987654321", "2147483647", "000000042");
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_EQ(selection.Request().CaptureRect, (CaptureRect{123456789, 214748364, -98765432, 42}));
}

TEST_F(CaptureSelectionTest, PrepareSpecificAreaRefusesAtTheFirstEmptyField) {
  selection.OnCaptureRadio(1027);
  TypeArea("100", "50", "800", "600");
  ASSERT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));

  TypeArea("1", "", "3", "4");
  view.reads.clear();
  EXPECT_FALSE(selection.PrepareCaptureRequest("a.wmv", 0));
  ASSERT_EQ(view.reads.size(), 3u);  // Left, Right, then the empty Top
  EXPECT_EQ(view.reads[2].id, 1028);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, view.Handle());
  EXPECT_EQ(boxes.shown[0].text, "Please select area");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconError);
  EXPECT_EQ(view.texts_[1031], "4");  // the fields keep their text
  EXPECT_EQ(selection.Request().CaptureRect, (CaptureRect{100, 800, 50, 600}));

  TypeArea("", "", "", "");
  view.reads.clear();
  EXPECT_FALSE(selection.PrepareCaptureRequest("a.wmv", 0));
  EXPECT_EQ(view.reads.size(), 1u);
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(CaptureSelectionTest, PrepareEntireScreenTypes) {
  selection.OnCaptureRadio(1027);
  TypeArea("100", "50", "800", "600");
  ASSERT_TRUE(selection.PrepareCaptureRequest("a.wmv", 0));

  // Entire screen sets no rectangle: the earlier one stays, unread.
  selection.OnCaptureRadio(1026);
  view.reads.clear();
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 1));
  EXPECT_TRUE(view.reads.empty());
  EXPECT_EQ(selection.Request().CaptureRect, (CaptureRect{100, 800, 50, 600}));

  selection.OnCaptureRadio(1043);
  EXPECT_TRUE(selection.PrepareCaptureRequest("a.wmv", 1));
  EXPECT_EQ(selection.Request().CaptureType, EntireScreenWithoutTaskbar);
  EXPECT_EQ(selection.Request().CaptureRect, (CaptureRect{0, 1920, 0, 1040}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CaptureSelectionTest, ComputeApplicationsRectFollowsTheSelection) {
  windows.windows[0x111].rect = {1500, 900, 2500, 1300};
  picker.chosen = {0x111};
  selection.OnSelectApplications();
  EXPECT_EQ(selection.ComputeApplicationsRect(), (CaptureRect{1500, 1920, 900, 1080}));

  windows.windows.erase(0x111);  // closed after it was chosen
  EXPECT_EQ(selection.ComputeApplicationsRect(), std::nullopt);

  picker.chosen = {0x111, 0x222};
  selection.OnSelectApplications();
  EXPECT_EQ(selection.ComputeApplicationsRect(), (CaptureRect{0, 1920, 0, 1040}));
}

}  // namespace
}  // namespace mavrion
