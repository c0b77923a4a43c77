#pragma once
// Control and menu ids of the main dialog and the button captions the
// recording commands work with.

#include "core/settings/RecordingSettings.h"

namespace mavrion {
namespace recording {

// Controls of the main dialog the recording commands use (the capture
// controls are the capture choice's own).
inline constexpr int kCloseButton = 1;
inline constexpr int kPauseResumeButton = 3;
inline constexpr int kStopButton = 4;
inline constexpr int kStartButton = 5;
inline constexpr int kBrowseButton = 1001;
inline constexpr int kAudioAndVideoRadio = 1003;
inline constexpr int kVideoOnlyRadio = 1004;
inline constexpr int kHeightList = kHeightListId;  // the setting lists are the settings' own
inline constexpr int kWidthList = kWidthListId;
inline constexpr int kFrameRateList = kFrameRateListId;
inline constexpr int kQualityList = kQualityListId;
inline constexpr int kAudioDeviceList = 1017;
inline constexpr int kFlashCheck = 1035;
inline constexpr int kTimeDisplay = 1048;
inline constexpr int kVideoDescriptionButton = 1049;

// Commands of the "Options" menu (menu bar and tray menu alike).
inline constexpr int kStartCommand = 32771;
inline constexpr int kExitCommand = 32773;
inline constexpr int kPauseCommand = 32774;
inline constexpr int kStopCommand = 32775;
inline constexpr int kResumeCommand = 32776;

inline constexpr const char* kPauseCaption = "Pause [F7]";
inline constexpr const char* kResumeCaption = "Resume [F8]";

}  // namespace recording
}  // namespace mavrion
