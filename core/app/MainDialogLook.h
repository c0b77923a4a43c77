#pragma once
// The main dialog's painted look as data: the fills of its frame, the
// colours of its controls and the drawing of its owner-drawn header
// buttons. The Win32 handlers only carry these out.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/platform/Types.h"

namespace mavrion {

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

namespace look {
inline constexpr Colour HeaderBlue{186, 210, 234};
inline constexpr Colour FrameBlue{90, 122, 160};
inline constexpr Colour ButtonFace{92, 160, 212};
inline constexpr Colour ButtonFaceDisabled{178, 200, 233};
inline constexpr Colour White{255, 255, 255};
inline constexpr Colour ButtonTextDisabled{100, 100, 233};
inline constexpr Colour CaptionBlue{3, 103, 222};
inline constexpr Colour TimeTextColour{212, 21, 255};
inline constexpr Colour FooterTextBlue{0, 0, 255};
}  // namespace look

// Device pixels of the dialog's client area or of a control; right and
// bottom are edge coordinates (excluded).
using PixelRect = ScreenRect;

struct SolidFill {
  PixelRect rect;
  Colour colour;
  friend bool operator==(const SolidFill&, const SolidFill&) = default;
};

// The dialog's own units as MapDialogRect gives them: the pixels of 4
// horizontal and of 8 vertical dialog units. They follow the dialog's font
// and the display's scaling.
struct DialogUnits {
  std::int32_t baseX = 0;
  std::int32_t baseY = 0;
  friend bool operator==(const DialogUnits&, const DialogUnits&) = default;
};

// The units the main dialog has at 96 DPI with its own font, for which the
// frame's lengths are given.
inline constexpr DialogUnits kFrameDesignUnits{6, 13};

// Where the frame meets the controls: rectangles in the client area.
struct FrameControls {
  PixelRect settingsGroup;     // group box IDC_AV_SETTINGS_GROUP
  PixelRect headerButtons[4];  // 5, 4, 3 and 6
};

// WM_PAINT: the frame's fills in painting order, for a client area of
// width x height. Every length is its length at kFrameDesignUnits scaled by
// the dialog's units, so at any display scaling the frame keeps its place
// beside the controls.
std::vector<SolidFill> FramePaintFills(std::int32_t width, std::int32_t height, const DialogUnits& units,
                                       const FrameControls& controls);

struct PixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Where the application icon is drawn while the window is minimised.
PixelPoint MinimisedIconPosition(std::int32_t width, std::int32_t height, std::int32_t iconWidth,
                                 std::int32_t iconHeight);

// The control types of the WM_CTLCOLOR messages as the handler tells them
// apart: push buttons; statics (texts, group boxes, radios, check boxes and
// the read-only edit); everything else.
enum class ControlColourType { Button, Static, Other };

struct ControlColours {
  std::optional<Colour> text;            // SetTextColor, when set
  std::optional<Colour> textBackground;  // SetBkColor, when set
  bool hollowBrush = false;              // the null brush instead of the default one
  friend bool operator==(const ControlColours&, const ControlColours&) = default;
};

// Applied after the default colour handling has run.
ControlColours ChooseControlColours(ControlColourType type, int controlId);

// How one owner-drawn header button is drawn (WM_DRAWITEM).
struct OwnerDrawnButtonLook {
  PixelRect rect;  // the item rectangle grown by 3 on every side: filled, edged, text centred in it
  Colour face;
  Colour text;
  bool sunken = false;  // EDGE_SUNKEN while held down, else EDGE_RAISED
  friend bool operator==(const OwnerDrawnButtonLook&, const OwnerDrawnButtonLook&) = default;
};

// Buttons 5, 4, 3 and 6 only; nothing for any other id.
std::optional<OwnerDrawnButtonLook> OwnerDrawnButton(int controlId, bool enabled, bool heldDown,
                                                     const PixelRect& item);

}  // namespace mavrion
