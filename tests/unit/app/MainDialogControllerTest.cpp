// The main dialog with the real recording controller as its recording part:
// start-up leaves the idle layout and audio with video, and ending the
// window through Cancel while a recording runs finishes the file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/app/CTovaskDlg.h"
#include "core/recording/RecordingController.h"
#include "resources/resource.h"
#include "tests/unit/app/MainDialogFakes.h"

namespace mavrion {
namespace {

// The OK and Cancel commands (IDOK, IDCANCEL).
constexpr int kOkCommand = 1;
constexpr int kCancelCommand = 2;

using app_fakes::DialogRig;

class SleepingClock : public Clock {
 public:
  std::uint32_t TickCount() override { return 1000; }
  LocalTime Now() override { return {}; }
  void Sleep(std::uint32_t) override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
};

class RealThreads : public ThreadStarter {
 public:
  bool Start(std::function<void()> body) override {
    std::thread(std::move(body)).detach();
    return true;
  }
};

// Tasks for the dialog's thread are kept and never run here.
class HeldTasks : public UiDispatcher {
 public:
  void Post(std::function<void()> task) override {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> tasks_;
};

class NoForeground : public ForegroundWatch {
 public:
  WindowHandle ForegroundWindow() override { return 0; }
  std::uint32_t ProcessOfWindow(WindowHandle) override { return 0; }
};

class MainDialogControllerTest : public ::testing::Test {
 protected:
  MainDialogControllerTest()
      : dialog(rig.Ports(), [this](CTovaskDlg& owner) {
          MainDialogParts parts = rig.MakeFakeParts();
          parts.recording = std::make_unique<RecordingController>(
              RecordingController::Ports{rig.view, owner, *rig.capture, *rig.settings, *rig.encoder, owner,
                                         rig.boxes, clock, threads, tasks, foreground, "Mavrion"});
          return parts;
        }) {}

  SleepingClock clock;
  RealThreads threads;
  HeldTasks tasks;
  NoForeground foreground;
  DialogRig rig;
  CTovaskDlg dialog;
};

TEST_F(MainDialogControllerTest, StartUpEndsIdleWithAudioAndVideo) {
  dialog.InitialiseMainDialog();
  EXPECT_TRUE(rig.view.IsControlEnabled(IDC_START_BUTTON));
  EXPECT_FALSE(rig.view.IsControlEnabled(IDC_STOP_BUTTON));
  EXPECT_FALSE(rig.view.IsControlEnabled(IDC_PAUSE_BUTTON));
  EXPECT_TRUE(rig.view.IsChecked(IDC_AUDIO_AND_VIDEO));
  EXPECT_FALSE(rig.view.IsChecked(IDC_ONLY_VIDEO));
  EXPECT_EQ(rig.settings->audioMode, 0);
  EXPECT_EQ(rig.encoder->contentType, 17);
  EXPECT_TRUE(rig.view.IsControlEnabled(IDC_AUDIO_DEVICE_LIST));
}

TEST_F(MainDialogControllerTest, EscapeDuringARecordingFinishesTheFileBeforeTheWindowGoes) {
  dialog.InitialiseMainDialog();
  dialog.OnCommand(IDC_START_BUTTON);
  ASSERT_TRUE(rig.encoder->running) << "the recording did not start";
  EXPECT_FALSE(rig.view.IsVisible());
  EXPECT_TRUE(dialog.IsTrayIconShown());

  rig.log.clear();
  dialog.OnCommand(kCancelCommand);
  EXPECT_THAT(rig.log, ::testing::Contains("UnHook"));
  EXPECT_EQ(rig.log.back(), "end dialog 2");
  EXPECT_FALSE(rig.encoder->session);
  EXPECT_TRUE(rig.encoder->fileFinished);
  // The release came before the window was told to end.
  const auto released = std::find(rig.log.begin(), rig.log.end(), "release");
  const auto ended = std::find(rig.log.begin(), rig.log.end(), "end dialog 2");
  EXPECT_LT(released, ended);
}

}  // namespace
}  // namespace mavrion
