#include "core/capture/CaptureSelection.h"

#include "core/platform/TextRules.h"

namespace mavrion {

namespace {

// GetDlgItemTextA with a 10-byte buffer: at most nine characters.
constexpr std::size_t kFieldBuffer = 10;

constexpr int kAreaControls[] = {capture::kLeftField, capture::kTopField, capture::kRightField,
                                 capture::kBottomField, capture::kFinderPicture};

}  // namespace

void UpdateAreaControls(DialogView& view, std::int32_t captureType) {
  const bool area = captureType == SpecificArea;
  for (int id : kAreaControls) view.EnableControl(id, area);
}

CaptureSelection::CaptureSelection(Ports ports) : ports_(ports) {}

void CaptureSelection::InitialiseCaptureType() {
  type_ = EntireScreen;
  UpdateAreaControls();
  ports_.exchange.RefreshControls();
}

bool CaptureSelection::OnCaptureRadio(int radioId) {
  switch (radioId) {
    case capture::kApplicationsRadio:
      OnSelectApplications();
      return true;
    case capture::kSpecificAreaRadio:
      type_ = SpecificArea;
      break;
    case capture::kEntireScreenRadio:
      type_ = EntireScreen;
      break;
    case capture::kWithoutTaskbarRadio:
      type_ = EntireScreenWithoutTaskbar;
      break;
    default:
      return false;
  }
  UpdateAreaControls();
  ports_.exchange.RefreshControls();
  return true;
}

void CaptureSelection::OnSelectApplications() {
  type_ = SpecificApplications;
  selection_.Count = 0;
  selection_.WindowHandles.fill(0);
  request_.SelectedWindow = 0;

  if (picker_ != nullptr && picker_->RunModal()) {
    const ChosenWindowList& chosen = picker_->ChosenWindows();
    for (int slot = 0; slot < MaxSelectedApplications; ++slot) {
      selection_.WindowHandles[slot] = chosen[slot];
      if (chosen[slot] != 0) {
        ++selection_.Count;
        request_.SelectedWindow = chosen[slot];
      }
    }
    if (selection_.Count > 1) request_.SelectedWindow = 0;
  }

  UpdateAreaControls();
  ports_.exchange.RefreshControls();
}

void CaptureSelection::UpdateAreaControls() { mavrion::UpdateAreaControls(ports_.view, type_); }

bool CaptureSelection::PrepareCaptureRequest(const std::string& outputFileName, std::int32_t flashRect) {
  request_.OutputFileName = outputFileName.substr(0, kMaxOutputFileName);
  request_.CaptureType = type_;
  request_.FlashRect = flashRect;

  switch (type_) {
    case SpecificApplications:
      if (request_.SelectedWindow == 0 && selection_.Count < 1) {
        ShowError(kSelectWindowMessage);
        // Whatever is chosen now, the user starts again with Start.
        OnSelectApplications();
        return false;
      }
      if (request_.SelectedWindow != 0 && !ComputeApplicationsRect()) {
        // The one chosen window has closed: nothing can be recorded until
        // the user chooses again, so the choice goes and the picker opens.
        ShowError(kSelectedWindowClosedMessage);
        OnSelectApplications();
        return false;
      }
      return true;
    case SpecificArea:
      return ReadAreaFields();
    case EntireScreenWithoutTaskbar:
      request_.CaptureRect = DesktopWithoutTaskbar(ports_.windows);
      return true;
    default:
      return true;
  }
}

bool CaptureSelection::ReadAreaFields() {
  // The order in which the fields are checked decides which empty field is
  // reported first; the rectangle changes only when all four are given.
  const int order[] = {capture::kLeftField, capture::kRightField, capture::kTopField, capture::kBottomField};
  std::int32_t values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::string text = ports_.view.GetControlText(order[i], kFieldBuffer);
    if (text.empty()) {
      ShowError(kSelectAreaMessage);
      return false;
    }
    values[i] = TextToInt(text.substr(0, kFieldBuffer - 1));
  }
  request_.CaptureRect = CaptureRect{values[0], values[1], values[2], values[3]};
  return true;
}

std::optional<CaptureRect> CaptureSelection::ComputeApplicationsRect() {
  return mavrion::ComputeApplicationsRect(ports_.windows, request_.SelectedWindow);
}

void CaptureSelection::ShowError(const char* text) {
  ports_.boxes.Show(ports_.view.Handle(), text, kCaptureErrorCaption, mb::kOk | mb::kIconError);
}

}  // namespace mavrion
