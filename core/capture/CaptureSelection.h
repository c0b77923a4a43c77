#pragma once
// The main dialog's capture choice: the four radios, the applications chosen
// in the window picker, and the check that freezes the choice when a
// recording starts.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/capture/CaptureRects.h"
#include "core/capture/CaptureRequest.h"
#include "core/capture/CaptureType.h"
#include "core/capture/SelectedApplications.h"
#include "core/capture/WindowInspector.h"
#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"

namespace mavrion {

using ChosenWindowList = std::array<WindowHandle, MaxSelectedApplications>;

// The window picker as the select-applications flow opens it.
class WindowPicker {
 public:
  virtual ~WindowPicker() = default;
  // Runs the picker modally; true when it ended with OK.
  virtual bool RunModal() = 0;
  // What the last OK handed back, in list order, zero for an empty slot.
  virtual const ChosenWindowList& ChosenWindows() const = 0;
};

inline constexpr const char* kSelectWindowMessage = "Please select the window which you want to record.";
inline constexpr const char* kSelectAreaMessage = "Please select area";
inline constexpr const char* kCaptureErrorCaption = "Error";

// Enables the coordinate fields and the finder tool for a specific area,
// disables them for every other type.
void UpdateAreaControls(DialogView& view, std::int32_t captureType);

class CaptureSelection {
 public:
  struct Ports {
    DialogView& view;        // the main dialog; owner of the messages
    DataExchange& exchange;  // its RefreshControls
    MessageBoxes& boxes;
    WindowInspector& windows;
  };

  explicit CaptureSelection(Ports ports);
  CaptureSelection(const CaptureSelection&) = delete;
  CaptureSelection& operator=(const CaptureSelection&) = delete;

  // The one picker object, made during the dialog's initialisation. Without
  // one the select-applications flow ends as if the picker was cancelled.
  void AttachPicker(WindowPicker* picker) { picker_ = picker; }

  // kNoCaptureType until InitialiseCaptureType.
  std::int32_t Type() const { return type_; }
  // The value the dialog's data exchange binds to the capture-type radio group.
  std::int32_t& TypeBinding() { return type_; }
  const SelectedApplications& Selection() const { return selection_; }
  // The values frozen by the last PrepareCaptureRequest, read by the session.
  const CaptureRequest& Request() const { return request_; }

  // Start-up: "Record Entire Screen.", the area controls to match, and the
  // controls refreshed.
  void InitialiseCaptureType();

  // Click on a capture-type radio (IDC_SPECIFIC_APPLICATIONS,
  // IDC_SPECIFIC_AREA, IDC_ENTIRE_SCREEN, IDC_WITHOUT_TASKBAR). Answers
  // false, doing nothing, for any other id.
  bool OnCaptureRadio(int radioId);
  // IDC_SPECIFIC_APPLICATIONS: empties the selection, opens the picker and
  // keeps what it hands back on OK.
  void OnSelectApplications();
  void UpdateAreaControls();

  // Start's check of the capture choice. Copies the output name (cut to the
  // buffer's 255 characters), the type and the flash flag into the request;
  // false when the recording must not start, the user having been told why.
  bool PrepareCaptureRequest(const std::string& outputFileName, std::int32_t flashRect);

  // The rectangle of a recording of selected applications, from the
  // request's SelectedWindow; empty when that window has closed.
  std::optional<CaptureRect> ComputeApplicationsRect();

 private:
  bool ReadAreaFields();
  void ShowError(const char* text);

  Ports ports_;
  WindowPicker* picker_ = nullptr;
  std::int32_t type_ = kNoCaptureType;
  SelectedApplications selection_;
  CaptureRequest request_;
};

}  // namespace mavrion
