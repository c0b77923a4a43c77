#pragma once
// A recording controller wired to fakes, as the main dialog wires it after
// its initialisation: idle layout applied, state Idle.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/recording/RecordingController.h"
#include "tests/unit/recording/RecordingFakes.h"

namespace mavrion::recording_fakes {

struct Rig {
  Journal journal;
  FakeView view{&journal};
  FakeHost host{&journal};
  FakeBoxes boxes;
  FakeClock clock;
  FakeThreads threads;
  FakeUi ui;
  FakeForeground foreground;
  SelectedApplications selection;
  std::unique_ptr<RecordingController> controller;

  Rig() {
    view.texts_[1048] = "Time: 00 : 00 : 00";
    controller = std::make_unique<RecordingController>(RecordingController::Ports{
        view, host, boxes, clock, threads, ui, foreground, selection, "Mavrion"});
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
    host.requestedType = captureType;
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
