#pragma once
// How the sources' settings become what is recorded: the screen-capture
// properties become a rectangle of the primary screen, the audio input
// text becomes a sound device.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/Types.h"

namespace mavrion::encoder::builtin {

// The screen-capture properties as written; what was never written keeps
// these values, so a source told nothing records the whole screen.
struct CaptureAreaProperties {
  bool screen = true;
  std::int32_t left = 0, right = 0, top = 0, bottom = 0;
  bool flashRect = false;
};

// The whole screen when "Screen" is set, else the written rectangle
// clipped to the screen; empty (IsEmptyArea) when nothing of it remains.
ScreenRect ResolveCaptureArea(const CaptureAreaProperties& properties, const ScreenRect& screen);
bool IsEmptyArea(const ScreenRect& area);
// The part of area inside bounds; empty when they do not meet.
ScreenRect ClipArea(const ScreenRect& area, const ScreenRect& bounds);

// An audio source's input: the default device, or a device by name.
struct AudioInputChoice {
  bool defaultDevice = false;
  std::string name;
};

// "Device://Default_Audio_Device", or "Device://" and a name (the scheme and
// the default's name in any case); nothing for any other text.
std::optional<AudioInputChoice> ParseAudioInput(const std::string& input);

// The system keeps device names to this many characters.
inline constexpr std::size_t kShortDeviceNameChars = 31;

// The index of the device called wanted: a name equal to it, else a name
// the system has cut to kShortDeviceNameChars that begins it. The first of
// several wins.
std::optional<std::size_t> MatchAudioDevice(const std::vector<std::string>& deviceNames,
                                            const std::string& wanted);

// Equal texts, ASCII letters compared without case.
bool SameTextIgnoringCase(const std::string& a, const std::string& b);

}  // namespace mavrion::encoder::builtin
