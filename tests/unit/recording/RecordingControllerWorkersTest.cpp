// The controller with its worker threads: what the workers hand to the
// dialog's thread, what becomes of it when the session it belongs to is over,
// and the end of the workers when the window closes.
#include "core/recording/RecordingController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "tests/unit/recording/ControllerRig.h"

namespace mavrion {
namespace {

using recording_fakes::Journal;
using recording_fakes::Rig;

constexpr std::size_t kClock = 0;
constexpr std::size_t kFollower = 1;

bool Has(const Journal& journal, const std::string& entry) {
  return std::find(journal.begin(), journal.end(), entry) != journal.end();
}

// Records the one chosen application, window 10 of process 100, while
// window front (30 is another program's) is in front at Start.
void StartFollowing(Rig& rig, WindowHandle front) {
  rig.capture.selection.WindowHandles[0] = 10;
  rig.capture.selection.Count = 1;
  rig.foreground.SetProcess(10, 100);
  rig.foreground.SetProcess(30, 300);
  rig.foreground.foreground = front;
  rig.Start(0);
}

TEST(RecordingControllerWorkersTest, ClockTextsReachTheTimeDisplayOnTheDialogsThread) {
  Rig rig;
  rig.clock.tick = 40'000;
  rig.Start();
  rig.clock.atSleep = [&](std::uint32_t tick) {
    // The clock never writes the control itself.
    if (tick == 40'025) {
      EXPECT_EQ(rig.view.texts_[1048], "Time: 00 : 07 : 00");
    }
    if (tick == 40'000 + 1'200) {
      EXPECT_EQ(rig.ui.RunAll(), 3);
      EXPECT_EQ(rig.view.texts_[1048], "Time: 00 : 00 : 01");
      rig.c().OnStopButton();
    }
  };
  rig.view.texts_[1048] = "Time: 00 : 07 : 00";  // the last recording's value
  rig.threads.RunBody(kClock);
  EXPECT_EQ(rig.ui.RunAll(), 0);
}

TEST(RecordingControllerWorkersTest, AClockTextPostedBeforeStopIsDroppedAfterIt) {
  Rig rig;
  rig.Start();
  rig.view.texts_[1048] = "Time: 00 : 07 : 00";
  rig.clock.tick = 5'000;
  rig.clock.atSleep = [&](std::uint32_t) { rig.c().OnStopButton(); };
  rig.threads.RunBody(kClock);  // posts "00 : 00 : 05", then sees the stop
  EXPECT_EQ(rig.ui.RunAll(), 1);
  EXPECT_EQ(rig.view.texts_[1048], "Time: 00 : 07 : 00");
}

TEST(RecordingControllerWorkersTest, AnOldClockNeverWritesOverTheNextRecording) {
  Rig rig;
  rig.Start();
  rig.clock.tick = 7'000;
  // Stop and a new Start come while the first clock sleeps; it was about to
  // find ClockRunning at 1 again.
  bool restarted = false;
  rig.clock.atSleep = [&](std::uint32_t) {
    if (restarted) return;
    restarted = true;
    rig.c().OnStopButton();
    rig.Start();
  };
  rig.threads.RunBody(kClock);
  EXPECT_EQ(rig.clock.sleeps.load(), 1);  // it ended at its first look
  EXPECT_EQ(rig.ui.RunAll(), 1);          // "00 : 00 : 07" of the old session
  EXPECT_EQ(rig.view.texts_[1048], "Time: 00 : 00 : 00");

  // The new clock counts from the new Start.
  rig.clock.tick = 7'025 + 2'000;
  rig.clock.atSleep = [&](std::uint32_t) {
    rig.ui.RunAll();
    rig.c().OnStopButton();
  };
  rig.threads.RunBody(1);
  EXPECT_EQ(rig.view.texts_[1048], "Time: 00 : 00 : 02");
}

TEST(RecordingControllerWorkersTest, TheFollowerPausesAndResumesThroughTheDialogsThread) {
  Rig rig;
  StartFollowing(rig, 30);
  rig.journal.clear();
  rig.clock.atSleep = [&](std::uint32_t tick) {
    if (tick == 10) {
      EXPECT_TRUE(rig.journal.empty());  // nothing ran on the follower's thread
      rig.ui.RunAll();
      EXPECT_EQ(rig.c().State(), RecorderState::Paused);
      EXPECT_EQ(rig.tray.icon, 130);
      rig.foreground.foreground = 10;
    }
    if (tick == 20) {
      rig.ui.RunAll();
      EXPECT_EQ(rig.c().State(), RecorderState::Resumed);
      EXPECT_EQ(rig.tray.icon, 129);
      rig.c().OnStopButton();
    }
  };
  rig.threads.RunBody(kFollower);
  EXPECT_EQ(rig.clock.tick.load(), 20u);
}

TEST(RecordingControllerWorkersTest, AFollowerRequestPostedBeforeStopDoesNothingAfterIt) {
  Rig rig;
  StartFollowing(rig, 30);
  rig.clock.atSleep = [&](std::uint32_t) { rig.c().OnStopButton(); };
  rig.threads.RunBody(kFollower);  // posts a pause, then sees the stop
  rig.journal.clear();
  EXPECT_EQ(rig.ui.RunAll(), 1);
  EXPECT_TRUE(rig.journal.empty());
  EXPECT_EQ(rig.c().State(), RecorderState::Idle);

  // Nor does it reach the next session, had it waited that long.
  rig.Start(0);
  rig.clock.atSleep = [&](std::uint32_t) {
    rig.c().OnStopButton();
    rig.Start(0);
  };
  rig.threads.RunBody(3);  // the second session's follower
  rig.journal.clear();
  rig.ui.RunAll();
  EXPECT_FALSE(Has(rig.journal, "pause encoder"));
  EXPECT_EQ(rig.c().State(), RecorderState::Recording);
}

TEST(RecordingControllerWorkersTest, AFollowerRequestDuringAMessageBoxWaitsForTheCommandToEnd) {
  Rig rig;
  StartFollowing(rig, 30);
  rig.encoder.stopAnswer = kE_FAIL;
  // The box's message loop handles the follower's pause while Stop is still
  // under way.
  rig.boxes.whileShown = [&] { rig.ui.RunAll(); };
  rig.clock.atSleep = [&](std::uint32_t tick) {
    if (tick == 10) {
      rig.journal.clear();
      rig.c().OnStopButton();
      EXPECT_EQ(rig.journal, (Journal{"stop encoder", "icon 130", "update icon", "tray 32774 grey",
                                      "tray 32776 on", "pause encoder", "text 3 Resume [F8]",
                                      "menu 32774 grey", "menu 32776 on"}));
      EXPECT_EQ(rig.c().State(), RecorderState::Paused);
    }
    if (tick == 20) {
      rig.encoder.stopAnswer = kS_OK;
      rig.c().OnStopButton();
    }
  };
  rig.threads.RunBody(kFollower);
  EXPECT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.c().State(), RecorderState::Idle);
}

TEST(RecordingControllerWorkersTest, AFollowerResumeDuringAFailedPauseStillResumesAfterIt) {
  Rig rig;
  StartFollowing(rig, 30);
  rig.encoder.pauseAnswer = kE_FAIL;
  rig.boxes.whileShown = [&] { rig.ui.RunAll(); };
  rig.clock.atSleep = [&](std::uint32_t tick) {
    if (tick == 10) rig.foreground.foreground = 10;  // the pass at 10 asks to resume
    if (tick == 20) {
      // The pause runs and fails; its message box's loop meets the resume,
      // which must not be lost while the pause is half done.
      rig.ui.RunAll();
      EXPECT_EQ(rig.c().State(), RecorderState::Resumed);
      rig.c().OnStopButton();
    }
  };
  rig.threads.RunBody(kFollower);
  EXPECT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.tray.icon, 129);
}

TEST(RecordingControllerWorkersTest, AHotkeyDuringAMessageBoxIsIgnored) {
  Rig rig;
  rig.Enter(RecorderState::Recording);
  rig.encoder.pauseAnswer = kE_FAIL;
  rig.boxes.whileShown = [&] { rig.c().OnRecorderHotKey(GlobalKey::F9); };
  rig.c().OnPauseCapture();
  EXPECT_FALSE(Has(rig.journal, "stop encoder"));
  EXPECT_EQ(rig.c().State(), RecorderState::Paused);
  EXPECT_TRUE(rig.encoder.session);
}

TEST(RecordingControllerWorkersTest, ClosingWhileAPauseMessageIsUpEndsTheSessionForGood) {
  Rig rig;
  rig.threads.refuse = true;  // also: a recording whose clock could not start
  rig.Enter(RecorderState::Recording);
  EXPECT_EQ(rig.c().State(), RecorderState::Recording);
  rig.encoder.pauseAnswer = kE_FAIL;
  rig.boxes.whileShown = [&] { rig.c().EndBeforeWindowCloses(); };
  rig.c().OnPauseResumeButton();
  EXPECT_EQ(rig.journal, (Journal{"pause encoder", "release"}));
  EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  EXPECT_EQ(rig.view.texts_[3], "Pause [F7]");
}

TEST(RecordingControllerWorkersTest, ClosingWhenIdleReleasesNothing) {
  Rig rig;
  rig.c().EndBeforeWindowCloses();
  EXPECT_TRUE(rig.journal.empty());
}

// Real worker threads: after the close has returned, no worker is inside a
// port or calls one again.
void ExpectCloseEndsTheWorkers(bool byDestructor) {
  Rig rig;
  rig.threads.real = true;
  rig.clock.realSleep = true;
  StartFollowing(rig, 10);
  ASSERT_EQ(rig.threads.running.size(), 2u);
  while (rig.clock.sleeps.load() < 6 || rig.foreground.looks.load() < 3) std::this_thread::yield();

  if (byDestructor) {
    rig.controller.reset();
  } else {
    rig.c().EndBeforeWindowCloses();
    EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  }
  rig.clock.closed = true;
  EXPECT_EQ(rig.clock.inFlight.load(), 0);
  const int looks = rig.foreground.looks.load();
  rig.threads.JoinAll();
  EXPECT_EQ(rig.clock.callsAfterClose.load(), 0);
  EXPECT_EQ(rig.foreground.looks.load(), looks);
  EXPECT_TRUE(Has(rig.journal, "release"));
  EXPECT_FALSE(rig.encoder.session);
}

TEST(RecordingControllerWorkersTest, ClosingStopsTheRecordingAndWaitsForTheWorkers) {
  ExpectCloseEndsTheWorkers(false);
  ExpectCloseEndsTheWorkers(true);
}

}  // namespace
}  // namespace mavrion
