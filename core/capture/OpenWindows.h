#pragma once
// The window picker's logic: the running top-level windows on the left, up
// to ten chosen ones on the right, the area such a recording covers, and the
// hand-back of the chosen windows on OK.
#include <cstdint>
#include <string>

#include "core/capture/CaptureSelection.h"
#include "core/capture/ListModel.h"
#include "core/capture/WindowInspector.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "resources/resource.h"

namespace mavrion {

// The picker's controls, made anew at every opening.
struct PickerControls {
  DialogView& dialog;     // the picker itself: owner of its messages, the area fields
  ListModel& running;     // list view IDC_RUNNING_LIST, "Running applications on the computer"
  ListModel& selected;    // list view IDC_SELECTED_LIST, "Selected Applications For Screen Recording"
};

namespace picker {

inline constexpr int kRunningList = IDC_RUNNING_LIST;
inline constexpr int kSelectedList = IDC_SELECTED_LIST;
inline constexpr int kMoveRightButton = IDC_MOVE_RIGHT;
inline constexpr int kMoveLeftButton = IDC_MOVE_LEFT;

// The four columns; the handle and process id travel hidden with an entry.
inline constexpr int kNumberColumn = 0;
inline constexpr int kTitleColumn = 1;
inline constexpr int kHandleColumn = 2;
inline constexpr int kProcessColumn = 3;
inline constexpr int kNumberWidth = 40;
inline constexpr int kTitleWidth = 310;

inline constexpr const char* kTooManyMessage = "You can select maximum 10 applications with this option.";
inline constexpr const char* kTooManyCaption = "Mavrion";
// "atleast" is the program's own spelling: keep it.
inline constexpr const char* kNothingChosenMessage =
    "Please select atleast one application to record its desktop activities.";
inline constexpr const char* kNothingChosenCaption = "Screen Recorder";

// A window handle as the hidden column holds it ("%i" of its 32-bit value)
// and back.
std::string HandleText(WindowHandle window);
WindowHandle HandleFromText(const std::string& text);

}  // namespace picker

class OpenWindows {
 public:
  OpenWindows(WindowInspector& windows, MessageBoxes& boxes) : windows_(windows), boxes_(boxes) {}
  OpenWindows(const OpenWindows&) = delete;
  OpenWindows& operator=(const OpenWindows&) = delete;

  // A new opening: the columns of both lists, then the running windows that
  // pass the filter.
  void OnInitialise(const PickerControls& controls);
  // ">>>" or a double-click on the left; at most ten entries on the right.
  void MoveRight(const PickerControls& controls);
  // "<<<" or a double-click on the right.
  void MoveLeft(const PickerControls& controls);
  // OK: true when the picker may close, ChosenWindows then holding the
  // right-hand list's windows; false, with a message, when it is empty.
  bool HandBack(const PickerControls& controls);

  // What the last OK handed back; kept between openings.
  const ChosenWindowList& ChosenWindows() const { return chosenWindows_; }

 private:
  void AddRunningWindow(const PickerControls& controls, WindowHandle window);
  // Moves row `row` of from to the end of to; renumbers from.
  void MoveEntry(ListModel& from, int row, ListModel& to);
  void ShowArea(const PickerControls& controls);

  WindowInspector& windows_;
  MessageBoxes& boxes_;
  std::int32_t enumerationCount_ = 0;  // the next row of the running list
  std::string movingTitle_;            // the title of the entry being moved
  ChosenWindowList chosenWindows_{};
};

}  // namespace mavrion
