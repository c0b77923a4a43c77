#include "core/capture/OpenWindows.h"

#include <algorithm>

#include "core/capture/CaptureRects.h"
#include "core/platform/TextRules.h"

namespace mavrion {

namespace picker {

std::string HandleText(WindowHandle window) {
  // The program is 32-bit: a handle's value fits a signed 32-bit "%i".
  return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(window)));
}

WindowHandle HandleFromText(const std::string& text) {
  return static_cast<WindowHandle>(static_cast<std::uint32_t>(TextToInt(text)));
}

}  // namespace picker

namespace {

using namespace picker;

// GetWindowTextA's buffer, the moved title's buffer and the hidden
// columns' buffers.
constexpr std::size_t kEnumeratedTitleBuffer = 260;
constexpr std::size_t kMovedTitleBuffer = 256;
constexpr std::size_t kHiddenTextBuffer = 20;

void InsertColumns(ListModel& list, const char* titleHeading) {
  list.InsertColumn(kNumberColumn, "Sr#", kNumberWidth);
  list.InsertColumn(kTitleColumn, titleHeading, kTitleWidth);
  list.InsertColumn(kHandleColumn, "Handle", 0);
  list.InsertColumn(kProcessColumn, "Process", 0);
}

void Renumber(ListModel& list) {
  for (int row = 0, count = list.Count(); row < count; ++row) list.SetText(row, kNumberColumn, std::to_string(row + 1));
}

bool IsEmpty(const ScreenRect& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

}  // namespace

void OpenWindows::OnInitialise(const PickerControls& controls) {
  enumerationCount_ = 0;
  InsertColumns(controls.running, "Running Application Window Title");
  InsertColumns(controls.selected, "Selected Window Title For Screen Recording");
  for (WindowHandle window : windows_.TopLevelWindows()) AddRunningWindow(controls, window);
}

void OpenWindows::AddRunningWindow(const PickerControls& controls, WindowHandle window) {
  ScreenRect rect;
  windows_.GetWindowRect(window, rect);
  if (IsEmpty(rect)) return;
  const std::string title = windows_.WindowTitle(window, kEnumeratedTitleBuffer);
  if (title.find("Program Manager") != std::string::npos) return;  // the desktop's shell window
  if (title.empty()) return;
  if (!windows_.IsWindowVisible(window)) return;

  const int row = enumerationCount_;
  ListModel& list = controls.running;
  list.InsertRow(row);
  list.SetText(row, kTitleColumn, title);
  list.SetText(row, kHandleColumn, HandleText(window));
  list.SetText(row, kProcessColumn, std::to_string(windows_.ProcessId(window)));
  list.SetText(row, kNumberColumn, std::to_string(enumerationCount_ + 1));
  ++enumerationCount_;
}

void OpenWindows::MoveEntry(ListModel& from, int row, ListModel& to) {
  movingTitle_ = from.Text(row, kTitleColumn, kMovedTitleBuffer);
  const std::string handle = from.Text(row, kHandleColumn, kHiddenTextBuffer);
  const std::string process = from.Text(row, kProcessColumn, kHiddenTextBuffer);
  from.DeleteRow(row);
  Renumber(from);

  const int at = to.Count();
  to.InsertRow(at);
  to.SetText(at, kNumberColumn, std::to_string(at + 1));
  to.SetText(at, kTitleColumn, movingTitle_);
  to.SetText(at, kHandleColumn, handle);
  to.SetText(at, kProcessColumn, process);
}

void OpenWindows::MoveRight(const PickerControls& controls) {
  ListModel& running = controls.running;
  ListModel& selected = controls.selected;
  auto tooMany = [&] {
    boxes_.Show(controls.dialog.Handle(), kTooManyMessage, kTooManyCaption, mb::kOk | mb::kIconWarning);
  };

  if (selected.Count() >= MaxSelectedApplications && running.NextSelected(-1) >= 0) {
    tooMany();
  } else {
    for (int row = running.NextSelected(-1); row >= 0 && selected.Count() < MaxSelectedApplications;
         row = running.NextSelected(-1)) {
      MoveEntry(running, row, selected);
      if (selected.Count() >= MaxSelectedApplications) {
        tooMany();
        break;
      }
    }
  }
  ShowArea(controls);
}

void OpenWindows::MoveLeft(const PickerControls& controls) {
  for (int row = controls.selected.NextSelected(-1); row >= 0; row = controls.selected.NextSelected(-1))
    MoveEntry(controls.selected, row, controls.running);
}

void OpenWindows::ShowArea(const PickerControls& controls) {
  const int count = controls.selected.Count();
  // With nothing chosen there is no area to show; the fields keep what they
  // show, as they do after "<<<".
  if (count == 0) return;
  const CaptureRect rect =
      count >= 2 ? DesktopWithoutTaskbar(windows_)
                 : ClipToDesktop(windows_, HandleFromText(controls.selected.Text(0, kHandleColumn, kHiddenTextBuffer)));
  DialogView& dialog = controls.dialog;
  dialog.SetControlText(capture::kLeftField, std::to_string(rect.Left));
  dialog.SetControlText(capture::kTopField, std::to_string(rect.Top));
  dialog.SetControlText(capture::kRightField, std::to_string(rect.Right));
  dialog.SetControlText(capture::kBottomField, std::to_string(rect.Bottom));
}

bool OpenWindows::HandBack(const PickerControls& controls) {
  chosenWindows_.fill(0);
  ListModel& selected = controls.selected;
  if (selected.Count() == 0) {
    boxes_.Show(controls.dialog.Handle(), kNothingChosenMessage, kNothingChosenCaption, mb::kOk);
    return false;
  }
  for (int row = 0, count = selected.Count(); row < count; ++row) {
    const std::string text = selected.Text(row, kHandleColumn, kHiddenTextBuffer);
    auto slot = std::find(chosenWindows_.begin(), chosenWindows_.end(), WindowHandle{0});
    if (slot == chosenWindows_.end()) break;
    *slot = HandleFromText(text);
  }
  return true;
}

}  // namespace mavrion
