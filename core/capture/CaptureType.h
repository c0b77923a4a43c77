#pragma once
// The capture choice of the main dialog and the controls it works with.
#include <cstdint>

namespace mavrion {

// A radio's position in the group that begins with 1025 is its code; the
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
inline constexpr int kApplicationsRadio = 1025;
inline constexpr int kEntireScreenRadio = 1026;
inline constexpr int kSpecificAreaRadio = 1027;
inline constexpr int kWithoutTaskbarRadio = 1043;

// The coordinate fields, with the same ids in the main dialog and in the
// picker, named after the edge they hold (not after their labels).
inline constexpr int kLeftField = 1029;
inline constexpr int kTopField = 1028;
inline constexpr int kRightField = 1030;
inline constexpr int kBottomField = 1031;

// The finder tool's picture.
inline constexpr int kFinderPicture = 1032;

}  // namespace capture
}  // namespace mavrion
