#pragma once
// What the recording commands need from the rest of the main dialog. The
// main dialog implements it by forwarding to its subsystems; tests fake it.
#include <cstdint>
#include <functional>
#include <string>

#include "core/platform/DialogView.h"
#include "core/platform/Types.h"
#include "resources/resource.h"

namespace mavrion {

// Icon resources the tray shows.
inline constexpr int kIconIdle = IDR_MAINFRAME;
inline constexpr int kIconRecording = IDI_RECORDING;
inline constexpr int kIconPaused = IDI_PAUSED;

class RecordingHost {
 public:
  virtual ~RecordingHost() = default;

  // The main dialog's data exchange and output name.
  virtual void RefreshControls() = 0;
  virtual std::string OutputFileName() const = 0;

  // Capture selection: checks the choice and freezes it with the output name.
  virtual bool PrepareCaptureRequest() = 0;
  virtual std::int32_t RequestedCaptureType() const = 0;  // as frozen by the last prepare
  // The capture type chosen in the dialog now (the idle layout enables the
  // area fields only for a specific area).
  virtual std::int32_t CurrentCaptureType() const = 0;
  // The audio radios' value: 0 audio and video, 1 video only.
  virtual void SetAudioMode(std::int32_t mode) = 0;

  // The one encoder session.
  virtual void ApplyEncoderSettings() = 0;
  virtual HResult BuildEncoderSession() = 0;
  virtual void ReleaseEncoderSession() = 0;
  virtual bool HasEncoder() const = 0;
  virtual HResult StartEncoder() = 0;  // Start on the session's encoder; also resumes
  virtual HResult PauseEncoder() = 0;
  virtual HResult StopEncoder() = 0;
  // Given before the encoder starts: notice runs, on any thread, when the
  // recording ends by itself because its file can no longer be written.
  virtual void AdviseEncoderStopped(std::function<void()> notice) = 0;
  virtual void SetContentType(std::int32_t contentType) = 0;  // 16 video, 17 audio and video

  virtual void WriteActivityLog(const std::string& text) = 0;

  // The tray base of the main dialog.
  virtual void SetTrayIconImage(int iconResourceId) = 0;
  virtual void UpdateTrayIcon() = 0;
  virtual bool AddTrayIcon() = 0;
  virtual MenuView& TrayMenu() = 0;
};

// The foreground window and window owners, as the follower watches them.
class ForegroundWatch {
 public:
  virtual ~ForegroundWatch() = default;
  virtual WindowHandle ForegroundWindow() = 0;  // 0 when none
  virtual std::uint32_t ProcessOfWindow(WindowHandle window) = 0;
};

}  // namespace mavrion
