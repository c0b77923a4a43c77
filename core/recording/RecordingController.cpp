#include "core/recording/RecordingController.h"

#include <utility>

#include "core/capture/CaptureType.h"
#include "core/recording/ClockThread.h"
#include "core/recording/ControlLayout.h"
#include "core/recording/RecordingIds.h"

namespace mavrion {

using namespace recording;

namespace {

constexpr std::size_t kCaptionBufferChars = 256;

bool IsRunning(RecorderState state) {
  return state == RecorderState::Recording || state == RecorderState::Resumed;
}

}  // namespace

RecordingController::RecordingController(Ports ports)
    : ports_(std::move(ports)), self_(std::make_shared<RecordingController*>(this)) {}

RecordingController::~RecordingController() { EndBeforeWindowCloses(); }

RecorderState RecordingController::State() const { return control_.State.load(); }

void RecordingController::RunCommand(Command command) {
  if (commandDepth_ > 0) return;
  {
    struct Depth {
      int& depth;
      explicit Depth(int& d) : depth(d) { ++depth; }
      ~Depth() { --depth; }
    } depth(commandDepth_);
    (this->*command)();
  }
  RunDeferredRequest();
}

void RecordingController::RunDeferredRequest() {
  if (commandDepth_ > 0) return;
  if (stoppedSession_) {
    const std::uint32_t session = *stoppedSession_;
    stoppedSession_.reset();
    OnEncoderStoppedByItself(session);
  }
  if (commandDepth_ > 0 || !deferredRequest_) return;
  const DeferredRequest deferred = *deferredRequest_;
  deferredRequest_.reset();
  RunFollowerRequest(deferred.session, deferred.request);
}

void RecordingController::OnStartButton() { RunCommand(&RecordingController::StartSequence); }

void RecordingController::OnStartCapture() { RunCommand(&RecordingController::StartCapture); }

void RecordingController::OnPauseResumeButton() { RunCommand(&RecordingController::PauseResumeToggle); }

void RecordingController::OnPauseCapture() { RunCommand(&RecordingController::PauseCapture); }

void RecordingController::OnResumeCapture() { RunCommand(&RecordingController::ResumeCapture); }

void RecordingController::OnStopButton() { RunCommand(&RecordingController::StopSequence); }

void RecordingController::OnStopCapture() { RunCommand(&RecordingController::StopCapture); }

void RecordingController::StartCapture() {
  ports_.tray.SetTrayIconImage(kIconRecording);
  ports_.tray.UpdateTrayIcon();
  StartSequence();
}

void RecordingController::PauseCapture() {
  if (!IsRunning(control_.State.load())) return;
  ports_.tray.SetTrayIconImage(kIconPaused);
  ports_.tray.UpdateTrayIcon();
  MenuView& tray = ports_.tray.TrayMenu();
  tray.SetItemEnabled(kPauseCommand, false);
  tray.SetItemEnabled(kResumeCommand, true);
  PauseResumeToggle();
}

void RecordingController::ResumeCapture() {
  if (control_.State.load() != RecorderState::Paused) return;
  ports_.tray.SetTrayIconImage(kIconRecording);
  ports_.tray.UpdateTrayIcon();
  MenuView& tray = ports_.tray.TrayMenu();
  tray.SetItemEnabled(kPauseCommand, true);
  tray.SetItemEnabled(kResumeCommand, false);
  PauseResumeToggle();
}

void RecordingController::StopCapture() {
  ports_.tray.SetTrayIconImage(kIconIdle);
  ports_.tray.UpdateTrayIcon();
  StopSequence();
}

void RecordingController::RenewOutputName() {
  SettingsPart& settings = ports_.settings;
  const std::string before = settings.OutputFileName();
  settings.RenewRecordedOutputName();
  if (settings.OutputFileName() != before) ports_.dialog.RefreshControls();
}

void RecordingController::StartSequence() {
  encoder::EncoderControl& encoder = ports_.encoder;
  // A Start from the tray menu while a recording runs leaves its name alone.
  if (!encoder.HasEncoder()) RenewOutputName();
  encoder.ApplyEncoderSettings();
  if (ports_.settings.OutputFileName().empty()) {
    ShowMessage("Please enter the video file name.");
    return;
  }
  if (!ports_.capture.PrepareCaptureRequest()) return;
  if (encoder.HasEncoder()) {
    // Start from the tray menu while a recording runs: that one goes on. The
    // text is the program's own, typo included.
    ShowMessage("Please intstall window media encoder.");
    return;
  }
  if (Failed(encoder.BuildEncoderSession())) {
    encoder.ReleaseEncoderSession();
    return;
  }
  const std::uint32_t session = control_.Session.load() + 1;
  recordingFile_ = ports_.settings.OutputFileName();
  // Before the start: the file may fill up at once.
  AdviseEncoderStopped(session);
  if (Failed(encoder.StartEncoder())) {
    encoder.ReleaseEncoderSession();
    ports_.settings.WriteActivityLog("Unable to Start Encoding Process");
    return;
  }
  ports_.settings.NoteOutputNameRecorded();

  control_.Session.store(session);
  control_.ClockThread.store(session);
  control_.ClockPaused.store(0);
  control_.StartTick.store(ports_.clock.TickCount());
  control_.ClockRunning.store(1);
  StartClock(session);
  if (ports_.capture.RequestedCaptureType() == SpecificApplications) {
    control_.FollowForeground.store(1);
    StartFollower(session);
  }
  control_.State.store(RecorderState::Recording);
  EnableControls(false);
  if (ports_.tray.AddTrayIcon()) {
    ports_.tray.SetTrayIconImage(kIconRecording);
    ports_.tray.UpdateTrayIcon();
    ports_.view.Show(false);
  }
  ports_.view.SetControlText(kPauseResumeButton, kPauseCaption);
}

void RecordingController::PauseResumeToggle() {
  DialogView& view = ports_.view;
  MenuView& menu = view.OptionsMenu();
  const std::uint32_t session = control_.Session.load();
  // The button's caption, not the state, says which way the toggle goes: the
  // program has always decided so, and a caption it does not know is an
  // "Error".
  const std::string caption = view.GetControlText(kPauseResumeButton, kCaptionBufferChars);
  if (caption == kPauseCaption) {
    if (Failed(ports_.encoder.PauseEncoder())) {
      ShowMessage("Unable to Pause the Encoder");
      // The window may have closed the session while the message was up.
      if (control_.Session.load() != session) return;
    }
    view.SetControlText(kPauseResumeButton, kResumeCaption);
    menu.SetItemEnabled(kPauseCommand, false);
    menu.SetItemEnabled(kResumeCommand, true);
    control_.State.store(RecorderState::Paused);
    control_.ClockPaused.store(1);
  } else if (caption == kResumeCaption) {
    // Starting again continues the session into the same file. A failed
    // resume shows the pause text: the program's own wording, kept.
    if (Failed(ports_.encoder.StartEncoder())) {
      ShowMessage("Unable to Pause the Encoder");
      if (control_.Session.load() != session) return;
    }
    view.SetControlText(kPauseResumeButton, kPauseCaption);
    menu.SetItemEnabled(kResumeCommand, false);
    menu.SetItemEnabled(kPauseCommand, true);
    control_.State.store(RecorderState::Resumed);
    control_.ClockPaused.store(0);
  } else {
    ShowMessage("Error");
  }
}

void RecordingController::StopSequence() {
  // A failed stop, too, shows the pause text: the program's own wording.
  if (Failed(ports_.encoder.StopEncoder())) {
    ShowMessage("Unable to Pause the Encoder");
    return;
  }
  control_.ClockRunning.store(0);
  // From here on nothing the workers of this session hand over runs.
  control_.Session.fetch_add(1);
  EnableControls(true);
  ports_.encoder.ReleaseEncoderSession();
  control_.State.store(RecorderState::Idle);
  control_.FollowForeground.store(0);
}

void RecordingController::OnEncoderStoppedByItself(std::uint32_t session) {
  if (session != control_.Session.load() || control_.State.load() == RecorderState::Idle) return;
  if (commandDepth_ > 0) {
    stoppedSession_ = session;
    return;
  }
  RunCommand(&RecordingController::EndRecordingCutShort);
}

void RecordingController::EndRecordingCutShort() {
  StopCapture();
  if (control_.State.load() != RecorderState::Idle) return;
  const std::string text = kWriteFailedBefore + recordingFile_ + kWriteFailedAfter;
  ports_.boxes.Show(ports_.view.Handle(), text, ports_.applicationName, mb::kOk | mb::kIconWarning);
}

void RecordingController::EnableControls(bool idle) {
  ApplyControlLayout(ports_.view, idle, ports_.capture.CaptureType());
}

void RecordingController::OnRecordAudioAndVideo() {
  SelectAudioMode(kAudioAndVideo, kContentAudioAndVideo);
}

void RecordingController::OnRecordOnlyVideo() { SelectAudioMode(kVideoOnly, kContentVideoOnly); }

void RecordingController::SelectAudioMode(std::int32_t audioMode, std::int32_t contentType) {
  // The radios are enabled only while idle; releasing a session now would
  // pull the encoder from under a running recording.
  if (control_.State.load() != RecorderState::Idle) return;
  ports_.encoder.ReleaseEncoderSession();
  ports_.settings.AudioMode() = audioMode;
  ports_.encoder.SetContentType(contentType);
  ports_.view.EnableControl(kAudioDeviceList, audioMode == kAudioAndVideo);
  ports_.dialog.RefreshControls();
}

void RecordingController::OnRecorderHotKey(GlobalKey key) {
  const RecorderState state = control_.State.load();
  switch (key) {
    case GlobalKey::F6:
      if (state == RecorderState::Idle) OnStartCapture();
      break;
    case GlobalKey::F7:
      if (IsRunning(state)) OnPauseCapture();
      break;
    case GlobalKey::F8:
      if (state == RecorderState::Paused) OnResumeCapture();
      break;
    case GlobalKey::F9:
      if (IsRunning(state) || state == RecorderState::Paused) OnStopCapture();
      break;
  }
}

void RecordingController::ResetToIdle() {
  control_.FollowForeground.store(0);
  control_.State.store(RecorderState::Idle);
}

void RecordingController::EndBeforeWindowCloses() {
  if (control_.State.load() != RecorderState::Idle) {
    // Releasing stops the encoder, which finishes the file.
    ports_.encoder.ReleaseEncoderSession();
  }
  control_.ClockRunning.store(0);
  control_.FollowForeground.store(0);
  control_.Session.fetch_add(1);
  control_.State.store(RecorderState::Idle);
  deferredRequest_.reset();
  stoppedSession_.reset();
  // The workers never wait for this thread, so this wait cannot deadlock;
  // they notice the cleared flags within one short sleep.
  workers_.WaitUntilNoneRun();
}

void RecordingController::ShowMessage(const std::string& text) {
  ports_.boxes.Show(ports_.view.Handle(), text, ports_.applicationName, mb::kOk);
}

bool RecordingController::StartWorker(std::function<void()> body) {
  workers_.Enter();
  auto run = [this, body = std::move(body)] {
    try {
      body();
    } catch (...) {
      // Nothing may leave a thread's entry; the worker simply ends.
    }
    workers_.Leave();
  };
  bool started = false;
  try {
    started = ports_.threads.Start(std::move(run));
  } catch (...) {
    // A thread that could not be made is one nobody waits for.
  }
  if (!started) workers_.Leave();
  return started;
}

void RecordingController::AdviseEncoderStopped(std::uint32_t session) {
  std::weak_ptr<RecordingController*> self = self_;
  UiDispatcher& ui = ports_.ui;
  ports_.encoder.AdviseEncoderStopped([self, &ui, session] {
    ui.Post([self, session] {
      if (auto controller = self.lock()) (*controller)->OnEncoderStoppedByItself(session);
    });
  });
}

void RecordingController::StartClock(std::uint32_t session) {
  std::weak_ptr<RecordingController*> self = self_;
  UiDispatcher& ui = ports_.ui;
  StartWorker([this, self, &ui, session] {
    ClockThreadProc(control_, ports_.clock, session, [self, &ui, session](const std::string& text) {
      ui.Post([self, session, text] {
        if (auto controller = self.lock()) (*controller)->ShowTime(session, text);
      });
    });
  });
}

void RecordingController::StartFollower(std::uint32_t session) {
  std::weak_ptr<RecordingController*> self = self_;
  UiDispatcher& ui = ports_.ui;
  // The copy is taken here, on the dialog's thread, where the picker fills
  // the selection.
  auto follower = std::make_shared<ForegroundFollower>(ports_.foreground, ports_.capture.Selection());
  StartWorker([this, self, &ui, session, follower] {
    FollowForegroundThreadProc(*follower, control_, ports_.clock, session,
                               [self, &ui, session](FollowerRequest request) {
                                 ui.Post([self, session, request] {
                                   if (auto controller = self.lock())
                                     (*controller)->RunFollowerRequest(session, request);
                                 });
                               });
  });
}

void RecordingController::ShowTime(std::uint32_t session, const std::string& text) {
  if (session != control_.Session.load() || control_.ClockRunning.load() == 0) return;
  ports_.view.SetControlText(kTimeDisplay, text);
}

void RecordingController::RunFollowerRequest(std::uint32_t session, FollowerRequest request) {
  if (session != control_.Session.load() || control_.FollowForeground.load() == 0) return;
  if (commandDepth_ > 0) {
    // The latest wish of the follower is the one that counts.
    deferredRequest_ = DeferredRequest{session, request};
    return;
  }
  if (request == FollowerRequest::Pause) {
    OnPauseCapture();
  } else if (request == FollowerRequest::Resume) {
    OnResumeCapture();
  }
}

}  // namespace mavrion
