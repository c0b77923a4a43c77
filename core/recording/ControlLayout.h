#pragma once
// Which controls and menu-bar items the main dialog enables while idle and
// while a recording runs, kept as data so the two layouts read as a table.
#include <array>
#include <cstdint>

#include "core/capture/CaptureType.h"
#include "core/platform/DialogView.h"
#include "core/recording/RecordingIds.h"

namespace mavrion {

namespace recording {

// How a control fares in the idle layout.
enum class IdleRule {
  Enabled,
  Disabled,
  AreaOnly,  // enabled for a specific-area capture, else left as it is
};

struct LayoutControl {
  int id;
  IdleRule idle;
  bool enabledWhileRecording;
};

struct LayoutMenuItem {
  int commandId;
  bool enabledWhileIdle;
  bool enabledWhileRecording;
};

inline constexpr auto kLayoutControls = std::to_array<LayoutControl>({
    {kStartButton, IdleRule::Enabled, false},
    {kPauseResumeButton, IdleRule::Disabled, true},
    {kStopButton, IdleRule::Disabled, true},
    {kAudioAndVideoRadio, IdleRule::Enabled, false},
    {kVideoOnlyRadio, IdleRule::Enabled, false},
    {kBrowseButton, IdleRule::Enabled, false},
    {kCloseButton, IdleRule::Enabled, false},
    {kHeightList, IdleRule::Enabled, false},
    {kWidthList, IdleRule::Enabled, false},
    {kFrameRateList, IdleRule::Enabled, false},
    {kQualityList, IdleRule::Enabled, false},
    {capture::kApplicationsRadio, IdleRule::Enabled, false},
    {capture::kWithoutTaskbarRadio, IdleRule::Enabled, false},
    {capture::kEntireScreenRadio, IdleRule::Enabled, false},
    {capture::kSpecificAreaRadio, IdleRule::Enabled, false},
    {capture::kLeftField, IdleRule::AreaOnly, false},
    {capture::kTopField, IdleRule::AreaOnly, false},
    {capture::kRightField, IdleRule::AreaOnly, false},
    {capture::kBottomField, IdleRule::AreaOnly, false},
    {capture::kFinderPicture, IdleRule::AreaOnly, false},
    // The device list stays usable while idle whatever the audio mode; the
    // audio radios narrow it again.
    {kAudioDeviceList, IdleRule::Enabled, false},
    {kVideoDescriptionButton, IdleRule::Enabled, false},
    {kFlashCheck, IdleRule::Enabled, false},
});

inline constexpr auto kLayoutMenuItems = std::to_array<LayoutMenuItem>({
    {kStartCommand, true, false},
    {kExitCommand, true, false},
    {kPauseCommand, false, true},
    {kStopCommand, false, true},
    {kResumeCommand, false, false},
});

// Applies the idle (true) or the recording (false) layout to the dialog and
// its menu bar. captureType is the dialog's current choice.
void ApplyControlLayout(DialogView& view, bool idle, std::int32_t captureType);

}  // namespace recording
}  // namespace mavrion
