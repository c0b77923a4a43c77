#pragma once
// Control and menu ids of the main dialog and the button captions the
// recording commands work with.

#include "core/settings/RecordingSettings.h"
#include "resources/resource.h"

namespace mavrion {
namespace recording {

// Icon resources the tray shows.
inline constexpr int kIconIdle = IDR_MAINFRAME;
inline constexpr int kIconRecording = IDI_RECORDING;
inline constexpr int kIconPaused = IDI_PAUSED;

// Controls of the main dialog the recording commands use (the capture
// controls are the capture choice's own).
inline constexpr int kCloseButton = 1;
inline constexpr int kPauseResumeButton = IDC_PAUSE_BUTTON;
inline constexpr int kStopButton = IDC_STOP_BUTTON;
inline constexpr int kStartButton = IDC_START_BUTTON;
inline constexpr int kBrowseButton = IDC_BROWSE;
inline constexpr int kAudioAndVideoRadio = IDC_AUDIO_AND_VIDEO;
inline constexpr int kVideoOnlyRadio = IDC_ONLY_VIDEO;
inline constexpr int kHeightList = kHeightListId;  // the setting lists are the settings' own
inline constexpr int kWidthList = kWidthListId;
inline constexpr int kFrameRateList = kFrameRateListId;
inline constexpr int kQualityList = kQualityListId;
inline constexpr int kAudioDeviceList = IDC_AUDIO_DEVICE_LIST;
inline constexpr int kFlashCheck = IDC_FLASH_AREA;
inline constexpr int kTimeDisplay = IDC_ELAPSED_TIME;
inline constexpr int kVideoDescriptionButton = IDC_VIDEO_DESCRIPTION;

// Commands of the "Options" menu (menu bar and tray menu alike).
inline constexpr int kStartCommand = ID_START_CAPTURE;
inline constexpr int kExitCommand = ID_EXIT_APPLICATION;
inline constexpr int kPauseCommand = ID_PAUSE_CAPTURE;
inline constexpr int kStopCommand = ID_STOP_CAPTURE;
inline constexpr int kResumeCommand = ID_RESUME_CAPTURE;

// Shown when the encoder could no longer write its file; the file's name
// goes between the two parts.
inline constexpr const char* kWriteFailedBefore = "The recording has stopped because the video file \"";
inline constexpr const char* kWriteFailedAfter =
    "\" could not be written any further. The disk may be full or the drive may no longer be available. What "
    "was recorded until then is kept in the file.";

inline constexpr const char* kPauseCaption = "Pause [F7]";
inline constexpr const char* kResumeCaption = "Resume [F8]";

}  // namespace recording
}  // namespace mavrion
