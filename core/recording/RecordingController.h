#pragma once
// The recording state machine of the main dialog: Start, Pause/Resume and
// Stop from the buttons, both menus, the global keys and the follower. It
// drives the main dialog's capture, settings and encoder parts and the tray
// icon, and is the dialog's recording part.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/app/MainDialogParts.h"
#include "core/platform/Clock.h"
#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Threads.h"
#include "core/recording/ForegroundFollower.h"
#include "core/recording/RecordingControl.h"
#include "core/recording/WorkerSet.h"
#include "core/ui/CTrayDialog.h"

namespace mavrion {

class RecordingController final : public RecordingPart {
 public:
  struct Ports {
    DialogView& view;
    DataExchange& dialog;  // the main dialog's RefreshControls
    CapturePart& capture;  // its selection is read by the follower
    SettingsPart& settings;
    encoder::EncoderControl& encoder;
    TrayIcon& tray;
    MessageBoxes& boxes;
    Clock& clock;
    ThreadStarter& threads;
    UiDispatcher& ui;
    ForegroundWatch& foreground;
    std::string applicationName;  // caption of boxes without one
  };
  explicit RecordingController(Ports ports);
  ~RecordingController() override;  // ends the worker threads
  RecordingController(const RecordingController&) = delete;
  RecordingController& operator=(const RecordingController&) = delete;

  void OnStartButton() override;
  void OnStartCapture() override;
  void OnPauseResumeButton() override;
  void OnPauseCapture() override;
  void OnResumeCapture() override;
  void OnStopButton() override;
  void OnStopCapture() override;
  void EnableControls(bool idle) override;
  void OnRecordAudioAndVideo() override;
  void OnRecordOnlyVideo() override;
  // F6 starts an idle recorder, F7 pauses a running recording, F8 resumes a
  // paused one and F9 stops either; in other states a key does nothing.
  void OnRecorderHotKey(GlobalKey key) override;

  // Start-up sets Idle and the follower flag off (InitialiseMainDialog).
  void ResetToIdle() override;
  // Before the window goes, whatever the path: a running recording is
  // stopped and its file finished, and the worker threads have ended.
  void EndBeforeWindowCloses() override;

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
  // A new recording never writes over one made earlier in this run.
  void RenewOutputName();
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
