#pragma once
// The elapsed-time clock of a recording: twice a second it works out the time
// since Start and hands the text to the dialog's thread for the time display.
#include <cstdint>
#include <functional>
#include <string>

#include "core/platform/Clock.h"
#include "core/recording/RecordingControl.h"

namespace mavrion {

inline constexpr std::uint32_t kClockPaceMs = 500;
// The pace is slept in slices so that a clock that is told to end (Stop,
// a new Start, the window closing) ends promptly.
inline constexpr std::uint32_t kClockSliceMs = 25;

// "Time: hh : mm : ss" for the given milliseconds; hours take as many digits
// as they need.
std::string FormatElapsedTime(std::uint32_t elapsedMs);

// Runs the clock of the given session until Stop clears ClockRunning or a
// later Start takes ClockThread over. showTime receives each text; it must
// not wait for the dialog's thread.
void ClockThreadProc(const RecordingControl& control, Clock& clock, std::uint32_t session,
                     const std::function<void(const std::string&)>& showTime);

}  // namespace mavrion
