#include "core/app/MainDialogLook.h"

#include "resources/resource.h"

namespace mavrion {

namespace {

// Lengths at kFrameDesignUnits.
constexpr std::int32_t kHeaderHeight = 36;
constexpr std::int32_t kBandHeight = 7;
constexpr std::int32_t kSideWidth = 7;
constexpr std::int32_t kFooterHeight = 27;
// The band between the two groups starts this far below group box IDC_AV_SETTINGS_GROUP.
constexpr std::int32_t kMiddleBandGap = 3;
// Each header button's shadow shows this far round it.
constexpr std::int32_t kShadowMargin = 1;
constexpr std::int32_t kButtonGrowth = 3;

// A length at the design units, in the dialog's units, rounded to the
// nearest pixel.
std::int32_t Scaled(std::int32_t length, std::int32_t base, std::int32_t designBase) {
  return (2 * length * base + designBase) / (2 * designBase);
}

}  // namespace

std::vector<SolidFill> FramePaintFills(std::int32_t width, std::int32_t height, const DialogUnits& units,
                                       const FrameControls& controls) {
  const auto x = [&](std::int32_t length) { return Scaled(length, units.baseX, kFrameDesignUnits.baseX); };
  const auto y = [&](std::int32_t length) { return Scaled(length, units.baseY, kFrameDesignUnits.baseY); };
  const std::int32_t header = y(kHeaderHeight);
  const std::int32_t band = y(kBandHeight);
  const std::int32_t side = x(kSideWidth);
  const std::int32_t footer = y(kFooterHeight);

  std::vector<SolidFill> fills;
  fills.push_back({{0, 0, width, header}, look::HeaderBlue});
  fills.push_back({{0, header, width, header + band}, look::FrameBlue});
  const std::int32_t middle = controls.settingsGroup.bottom + y(kMiddleBandGap);
  fills.push_back({{0, middle, width, middle + band}, look::FrameBlue});
  for (const PixelRect& button : controls.headerButtons) {
    fills.push_back({{button.left - x(kShadowMargin), button.top - y(kShadowMargin),
                      button.right + x(kShadowMargin), button.bottom + y(kShadowMargin)},
                     look::FrameBlue});
  }
  fills.push_back({{0, header, side, height}, look::FrameBlue});
  fills.push_back({{width - side, header, width, height}, look::FrameBlue});
  fills.push_back({{0, height - footer - band, width, height - footer}, look::FrameBlue});
  fills.push_back({{0, height - footer, width, height}, look::HeaderBlue});
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
