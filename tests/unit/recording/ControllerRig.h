#pragma once
// A recording controller wired to fakes, as the main dialog wires it after
// its initialisation: idle layout applied, state Idle.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/recording/RecordingController.h"
#include "tests/unit/app/MainDialogFakes.h"
#include "tests/unit/encoder/FakeDialog.h"
#include "tests/unit/recording/RecordingFakes.h"

namespace mavrion::recording_fakes {

struct Rig {
  Journal journal;
  FakeView view{&journal};
  encoder::fakes::FakeDataExchange dialog;
  app_fakes::Capture capture{journal};
  app_fakes::Settings settings{journal};
  app_fakes::Encoder encoder{journal};
  FakeTray tray{&journal};
  FakeBoxes boxes;
  FakeClock clock;
  FakeThreads threads;
  FakeUi ui;
  FakeForeground foreground;
  std::unique_ptr<RecordingController> controller;

  Rig() {
    view.texts_[IDC_ELAPSED_TIME] = "Time: 00 : 00 : 00";
    dialog.onRefresh = [this] { journal.push_back("refresh"); };
    capture.type = 2;
    settings.outputFileName = "Video Output File.wmv";
    controller = std::make_unique<RecordingController>(RecordingController::Ports{
        view, dialog, capture, settings, encoder, tray, boxes, clock, threads, ui, foreground, "Mavrion"});
    controller->EnableControls(true);
    controller->ResetToIdle();
    journal.clear();
  }

  ~Rig() {
    // Threads a test never ran start now, beside the close that must end
    // them; the close waits for them.
    boxes.whileShown = nullptr;
    clock.atSleep = nullptr;
    std::thread late([this] { threads.RunRemaining(); });
    controller.reset();
    late.join();
  }

  RecordingController& c() { return *controller; }

  void Start(std::int32_t captureType = 2) {
    capture.type = captureType;
    c().OnStartButton();
  }
  // Brings a fresh rig into the given state by the buttons.
  void Enter(RecorderState state) {
    if (state == RecorderState::Idle) return;
    Start();
    if (state != RecorderState::Recording) c().OnPauseResumeButton();
    if (state == RecorderState::Resumed) c().OnPauseResumeButton();
    journal.clear();
  }
};

}  // namespace mavrion::recording_fakes
