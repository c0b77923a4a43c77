#include "core/recording/HotkeyDispatch.h"

namespace mavrion {

HotkeyCommand HotkeyCommandFor(std::uintptr_t keyCode, RecorderState state) {
  const bool idle = state == RecorderState::Idle;
  const bool paused = state == RecorderState::Paused;
  const bool running = state == RecorderState::Recording || state == RecorderState::Resumed;
  switch (keyCode) {
    case kHotkeyStart:
      return idle ? HotkeyCommand::StartCapture : HotkeyCommand::None;
    case kHotkeyPause:
      return running ? HotkeyCommand::PauseCapture : HotkeyCommand::None;
    case kHotkeyResume:
      return paused ? HotkeyCommand::ResumeCapture : HotkeyCommand::None;
    case kHotkeyStop:
      return running || paused ? HotkeyCommand::StopCapture : HotkeyCommand::None;
    default:
      return HotkeyCommand::None;
  }
}

}  // namespace mavrion
