#pragma once
// The recording state machine of the main dialog: Start, Pause/Resume and
// Stop from the buttons, both menus, the global keys and the follower.
//
// PUBLIC SURFACE FIXED FOR THE MAIN DIALOG; the private part is the
// controller's own.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/capture/SelectedApplications.h"
#include "core/platform/Clock.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Threads.h"
#include "core/recording/ForegroundFollower.h"
#include "core/recording/RecordingControl.h"
#include "core/recording/RecordingHost.h"
#include "core/recording/WorkerSet.h"

namespace mavrion {

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
  // F6 starts an idle recorder, F7 pauses a running recording, F8 resumes a
  // paused one and F9 stops either; in other states a key does nothing.
  void OnRecorderHotKey(GlobalKey key);

  // Start-up sets Idle and the follower flag off (InitialiseMainDialog).
  void ResetToIdle();
  // Before the window goes, whatever the path: a running recording is
  // stopped and its file finished, and the worker threads have ended.
  void EndBeforeWindowCloses();

  RecorderState State() const;

 private:
  using Command = void (RecordingController::*)();
  struct DeferredRequest {
    std::uint32_t session;
    FollowerRequest request;
  };

  // Runs one command to its end. A command that arrives while another one
  // waits on its message box (the box runs a nested message loop) is
  // ignored, except the follower's, which runs when the other one is done.
  void RunCommand(Command command);
  void RunDeferredRequest();

  void StartCapture();
  void PauseCapture();
  void ResumeCapture();
  void StopCapture();
  void StartSequence();
  void PauseResumeToggle();
  void StopSequence();
  // The encoder could not write on: the recording ends as by Stop, then the
  // user is told.
  void EndRecordingCutShort();
  void OnEncoderStoppedByItself(std::uint32_t session);
  void SelectAudioMode(std::int32_t audioMode, std::int32_t contentType);
  void ShowMessage(const std::string& text);

  void AdviseEncoderStopped(std::uint32_t session);
  void StartClock(std::uint32_t session);
  void StartFollower(std::uint32_t session);
  bool StartWorker(std::function<void()> body);
  // Run on the dialog's thread for the workers of the given session.
  void ShowTime(std::uint32_t session, const std::string& text);
  void RunFollowerRequest(std::uint32_t session, FollowerRequest request);

  Ports ports_;
  RecordingControl control_;
  WorkerSet workers_;
  int commandDepth_ = 0;
  std::optional<DeferredRequest> deferredRequest_;
  // A session whose encoder stopped by itself while a command was under way.
  std::optional<std::uint32_t> stoppedSession_;
  // The file the running recording writes, for the message when it ends.
  std::string recordingFile_;
  // Tasks handed to the dialog's thread reach the controller through this,
  // and find nothing once it is gone.
  std::shared_ptr<RecordingController*> self_;
};

}  // namespace mavrion
