#pragma once
// The capture choice of the main dialog and the controls it works with.
#include <cstdint>

#include "resources/resource.h"

namespace mavrion {

// A radio's position in the group that begins with IDC_SPECIFIC_APPLICATIONS
// is its code; the
// radios stand on screen in another order.
enum CaptureType : std::int32_t {
  SpecificApplications = 0,
  SpecificArea = 1,
  EntireScreen = 2,
  EntireScreenWithoutTaskbar = 3,
};

// No radio checked: the value between the dialog's construction and its
// initialisation.
inline constexpr std::int32_t kNoCaptureType = -1;

namespace capture {

// The capture-type radios of the main dialog.
inline constexpr int kApplicationsRadio = IDC_SPECIFIC_APPLICATIONS;
inline constexpr int kEntireScreenRadio = IDC_ENTIRE_SCREEN;
inline constexpr int kSpecificAreaRadio = IDC_SPECIFIC_AREA;
inline constexpr int kWithoutTaskbarRadio = IDC_WITHOUT_TASKBAR;

// The coordinate fields, with the same ids in the main dialog and in the
// picker, named after the edge they hold (not after their labels).
inline constexpr int kLeftField = IDC_LEFT;
inline constexpr int kTopField = IDC_TOP;
inline constexpr int kRightField = IDC_RIGHT;
inline constexpr int kBottomField = IDC_BOTTOM;

// The finder tool's picture.
inline constexpr int kFinderPicture = IDC_FINDER_TOOL;

}  // namespace capture
}  // namespace mavrion
