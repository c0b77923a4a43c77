#pragma once
// The settings file "Mavrion.ini" beside the executable: loaded once while
// the main dialog initialises, written by "Save Settings".
#include <string>

#include "core/platform/Clock.h"
#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/ExecutableLocation.h"
#include "core/settings/AnsiPath.h"
#include "core/settings/ProfileStore.h"
#include "core/settings/RecordingSettings.h"

namespace mavrion {

inline constexpr const char* kSettingsFileName = "Mavrion.ini";
inline constexpr const char* kSettingsSection = "MavrionPROPERTIES";

// Keys in the order a first save writes them.
inline constexpr const char* kKeyFilePath = "FILE_PATH";
inline constexpr const char* kKeyFrameRate = "VIDEOFRAMERATE";
inline constexpr const char* kKeyImageQuality = "IMAGEQUALITY";
inline constexpr const char* kKeyRecordingType = "RECORDINGTYPE";
inline constexpr const char* kKeyFlash = "VIDEO_FLASH";
inline constexpr const char* kKeyHeight = "VIDEO_HEIGHT";
inline constexpr const char* kKeyWidth = "VIDEO_WIDTH";

// What loading and saving reach: the main dialog's lists (by control id)
// and data exchange, the INI file, the executable's place and the clock.
struct SettingsPorts {
  DialogView& view;
  DataExchange& exchange;
  ProfileStore& profile;
  ExecutableLocation& executable;
  Clock& clock;
  const AnsiCodePage& codePage;
};

// "<executable directory>\Mavrion.ini", or "" when the directory is unknown
// (the file is then neither read nor written).
std::string SettingsFilePath(const std::string& executableDirectory);

// Reads the file into the lists and settings, composes the default output
// name from FILE_PATH and the local time, then refreshes the controls. The
// audio mode stored under RECORDINGTYPE is not taken over.
void LoadSettings(RecordingSettings& settings, const SettingsPorts& ports);

// Reads the controls back and writes all seven keys, one call each.
// Failures are not reported.
void OnSaveSettings(RecordingSettings& settings, const SettingsPorts& ports);

}  // namespace mavrion
