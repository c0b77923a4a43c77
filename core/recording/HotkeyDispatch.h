#pragma once
// Which recording command a global key starts in which state.
#include <cstdint>

#include "core/recording/RecordingControl.h"

namespace mavrion {

// Key codes the hook library sends with WM_RECORDER_HOTKEY.
inline constexpr std::uintptr_t kHotkeyStart = 1;   // F6
inline constexpr std::uintptr_t kHotkeyPause = 2;   // F7
inline constexpr std::uintptr_t kHotkeyResume = 3;  // F8
inline constexpr std::uintptr_t kHotkeyStop = 4;    // F9

enum class HotkeyCommand { None, StartCapture, PauseCapture, ResumeCapture, StopCapture };

HotkeyCommand HotkeyCommandFor(std::uintptr_t keyCode, RecorderState state);

}  // namespace mavrion
