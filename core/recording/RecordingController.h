#pragma once
// The recording state machine of the main dialog: Start, Pause/Resume and
// Stop from the buttons, both menus, the global keys and the follower.
//
// PUBLIC SURFACE FIXED FOR THE MAIN DIALOG; the private part is the
// controller's own.
#include <cstdint>
#include <string>

#include "core/capture/SelectedApplications.h"
#include "core/platform/Clock.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Threads.h"
#include "core/recording/RecordingHost.h"

namespace mavrion {

enum class RecorderState : std::uint16_t { Idle = 0, Recording = 1, Paused = 2, Resumed = 3 };

// Messages and codes the hook library delivers.
inline constexpr unsigned kRecorderHotkeyMessage = 0x831;  // WM_RECORDER_HOTKEY

class RecordingController {
 public:
  struct Ports {
    DialogView& view;
    RecordingHost& host;
    MessageBoxes& boxes;
    Clock& clock;
    ThreadStarter& threads;
    UiDispatcher& ui;
    ForegroundWatch& foreground;
    const SelectedApplications& selection;  // read by the follower
    std::string applicationName;            // caption of boxes without one
  };
  explicit RecordingController(Ports ports);
  ~RecordingController();  // ends the worker threads
  RecordingController(const RecordingController&) = delete;
  RecordingController& operator=(const RecordingController&) = delete;

  void OnStartButton();
  void OnStartCapture();
  void OnPauseResumeButton();
  void OnPauseCapture();
  void OnResumeCapture();
  void OnStopButton();
  void OnStopCapture();
  void EnableControls(bool idle);
  void OnRecordAudioAndVideo();
  void OnRecordOnlyVideo();
  // WM_RECORDER_HOTKEY; always answers 0.
  long OnRecorderHotKey(std::uintptr_t wParam, std::intptr_t lParam);

  // Start-up sets Idle and the follower flag off (InitialiseMainDialog).
  void ResetToIdle();
  // Before the window goes, whatever the path: a running recording is
  // stopped and its file finished, and the worker threads have ended.
  void EndBeforeWindowCloses();

  RecorderState State() const;
};

}  // namespace mavrion
