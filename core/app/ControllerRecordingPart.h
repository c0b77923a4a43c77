#pragma once
// The recording controller as the main dialog's recording part.
#include <utility>

#include "core/app/MainDialogParts.h"
#include "core/recording/RecordingController.h"

namespace mavrion {

class ControllerRecordingPart final : public RecordingPart {
 public:
  explicit ControllerRecordingPart(RecordingController::Ports ports) : controller_(std::move(ports)) {}

  void OnStartButton() override { controller_.OnStartButton(); }
  void OnStartCapture() override { controller_.OnStartCapture(); }
  void OnPauseResumeButton() override { controller_.OnPauseResumeButton(); }
  void OnPauseCapture() override { controller_.OnPauseCapture(); }
  void OnResumeCapture() override { controller_.OnResumeCapture(); }
  void OnStopButton() override { controller_.OnStopButton(); }
  void OnStopCapture() override { controller_.OnStopCapture(); }
  void EnableControls(bool idle) override { controller_.EnableControls(idle); }
  void OnRecordAudioAndVideo() override { controller_.OnRecordAudioAndVideo(); }
  void OnRecordOnlyVideo() override { controller_.OnRecordOnlyVideo(); }
  void OnRecorderHotKey(GlobalKey key) override { controller_.OnRecorderHotKey(key); }
  void ResetToIdle() override { controller_.ResetToIdle(); }
  void EndBeforeWindowCloses() override { controller_.EndBeforeWindowCloses(); }

  RecordingController& Controller() { return controller_; }

 private:
  RecordingController controller_;
};

}  // namespace mavrion
