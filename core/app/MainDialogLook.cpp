#include "core/app/MainDialogLook.h"

#include "resources/resource.h"

namespace mavrion {

namespace {

constexpr std::int32_t kHeaderHeight = 36;
constexpr std::int32_t kBandHeight = 7;
constexpr std::int32_t kSideWidth = 7;
constexpr std::int32_t kFooterHeight = 27;
// The band between the two groups sits this far below group box 1045's bottom.
constexpr std::int32_t kMiddleBandOffset = 53;
// Left edges of the four shadows are 5, then 83, 82 and 105 pixels apart:
// the header buttons' spacing at 1.5 pixels per dialog unit.
constexpr std::int32_t kShadowSteps[] = {83, 82, 105};
constexpr std::int32_t kButtonGrowth = 3;

}  // namespace

std::vector<SolidFill> FramePaintFills(std::int32_t width, std::int32_t height, std::int32_t groupBoxHeight,
                                       const PixelRect& startButton) {
  std::vector<SolidFill> fills;
  fills.push_back({{0, 0, width, kHeaderHeight}, look::HeaderBlue});
  fills.push_back({{0, kHeaderHeight, width, kHeaderHeight + kBandHeight}, look::FrameBlue});
  const std::int32_t middle = groupBoxHeight + kMiddleBandOffset;
  fills.push_back({{0, middle, width, middle + kBandHeight}, look::FrameBlue});
  PixelRect shadow{5, 6, startButton.right + 7, startButton.bottom + 8};
  fills.push_back({shadow, look::FrameBlue});
  for (std::int32_t step : kShadowSteps) {
    shadow.left += step;
    shadow.right += step;
    fills.push_back({shadow, look::FrameBlue});
  }
  fills.push_back({{0, kHeaderHeight, kSideWidth, height}, look::FrameBlue});
  fills.push_back({{width - kSideWidth, kHeaderHeight, width, height}, look::FrameBlue});
  fills.push_back({{0, height - kFooterHeight - kBandHeight, width, height - kFooterHeight}, look::FrameBlue});
  fills.push_back({{0, height - kFooterHeight, width, height}, look::HeaderBlue});
  return fills;
}

PixelPoint MinimisedIconPosition(std::int32_t width, std::int32_t height, std::int32_t iconWidth,
                                 std::int32_t iconHeight) {
  return {(width - iconWidth + 1) / 2, (height - iconHeight + 1) / 2};
}

ControlColours ChooseControlColours(ControlColourType type, int controlId) {
  ControlColours colours;
  if (type == ControlColourType::Button) {
    colours.hollowBrush = true;
    return colours;
  }
  if (type != ControlColourType::Static) return colours;
  colours.hollowBrush = true;
  switch (controlId) {
    case IDC_AV_SETTINGS_GROUP:
    case IDC_SCREEN_OPTIONS_GROUP:
    case IDC_VIDEO_SIZE_NOTE:
    case IDC_FINDER_HINT:
      colours.text = look::CaptionBlue;
      break;
    case IDC_ELAPSED_TIME:
      colours.text = look::TimeTextColour;
      colours.textBackground = look::HeaderBlue;
      break;
    case IDC_COPYRIGHT_LINE:
    case IDC_SUPPORT_LINE:
      colours.text = look::FooterTextBlue;
      colours.textBackground = look::HeaderBlue;
      break;
    default:
      break;
  }
  return colours;
}

std::optional<OwnerDrawnButtonLook> OwnerDrawnButton(int controlId, bool enabled, bool heldDown,
                                                     const PixelRect& item) {
  const bool recordingButton =
      controlId == IDC_START_BUTTON || controlId == IDC_STOP_BUTTON || controlId == IDC_PAUSE_BUTTON;
  if (!recordingButton && controlId != IDC_SAVE_SETTINGS) return std::nullopt;
  OwnerDrawnButtonLook drawn;
  drawn.rect = {item.left - kButtonGrowth, item.top - kButtonGrowth, item.right + kButtonGrowth,
                item.bottom + kButtonGrowth};
  drawn.face = look::ButtonFace;
  drawn.text = look::White;
  if (recordingButton && !enabled) {
    drawn.face = look::ButtonFaceDisabled;
    drawn.text = look::ButtonTextDisabled;
  }
  drawn.sunken = heldDown;
  return drawn;
}

}  // namespace mavrion
