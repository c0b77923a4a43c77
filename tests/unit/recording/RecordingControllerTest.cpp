#include "core/recording/RecordingController.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/unit/recording/ControllerRig.h"

namespace mavrion {
namespace {

using recording_fakes::Journal;
using recording_fakes::Rig;
using recording_fakes::ShownBox;

const std::vector<std::string> kRecordingMenuBar = {
    "menu 32771 grey", "menu 32773 grey", "menu 32774 on", "menu 32775 on", "menu 32776 grey",
    "draw menu bar"};
const std::vector<std::string> kIdleMenuBar = {"menu 32771 on", "menu 32773 on", "menu 32774 grey",
                                               "menu 32775 grey", "menu 32776 grey",
                                               "text 3 Pause [F7]"};

Journal Joined(std::initializer_list<std::vector<std::string>> parts) {
  Journal all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

void ExpectOneBox(const Rig& rig, const std::string& text) {
  ASSERT_EQ(rig.boxes.shown.size(), 1u) << text;
  const ShownBox& box = rig.boxes.shown[0];
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.owner, 0x5150u);  // the main dialog
  EXPECT_EQ(box.caption, "Mavrion");
  EXPECT_EQ(box.style, 0u);  // MB_OK
}

TEST(RecordingControllerTest, StartRunsItsStepsInOrderAndHidesTheDialogInTheTray) {
  Rig rig;
  rig.Start(2);
  EXPECT_EQ(rig.journal,
            Joined({{"apply", "prepare", "build", "start encoder"},
                    kRecordingMenuBar,
                    {"add icon", "icon 129", "update icon", "hide", "text 3 Pause [F7]"}}));
  EXPECT_EQ(rig.c().State(), RecorderState::Recording);
  EXPECT_EQ(rig.threads.started, 1);  // the clock only
  EXPECT_FALSE(rig.view.visible_);
  EXPECT_TRUE(rig.view.enabled_.at(4));
  EXPECT_FALSE(rig.view.enabled_.at(5));
  EXPECT_TRUE(rig.boxes.shown.empty());
}

TEST(RecordingControllerTest, StartFromTheTrayWhileHiddenKeepsTheDialogHidden) {
  Rig rig;
  rig.tray.shown = true;
  rig.view.visible_ = false;
  rig.c().OnStartCapture();
  EXPECT_EQ(rig.journal, Joined({{"icon 129", "update icon", "apply", "prepare", "build",
                                  "start encoder"},
                                 kRecordingMenuBar,
                                 {"add icon", "text 3 Pause [F7]"}}));
  EXPECT_EQ(rig.tray.icon, 129);
  EXPECT_EQ(rig.c().State(), RecorderState::Recording);
}

// The default name is composed once per run: every new recording asks for
// a name not recorded before, and only a recording's first start counts.
TEST(RecordingControllerTest, EachNewRecordingRenewsARecordedNameFirst) {
  Rig rig;
  rig.settings.outputFileName = "D:\\v\\a.wmv";
  rig.settings.renewedName = "D:\\v\\b.wmv";
  rig.Start();
  EXPECT_EQ(Journal(rig.journal.begin(), rig.journal.begin() + 2), (Journal{"refresh", "apply"}));
  EXPECT_EQ(rig.settings.recordedNames, (std::vector<std::string>{"D:\\v\\b.wmv"}));
  // Resuming starts the encoder again: the same recording. A Start from the
  // tray menu while it runs leaves the name alone.
  rig.c().OnPauseResumeButton();
  rig.c().OnPauseResumeButton();
  rig.c().OnStartCapture();
  EXPECT_EQ(rig.settings.renewals, 1);
  EXPECT_EQ(rig.settings.recordedNames.size(), 1u);
  rig.c().OnStopButton();

  // A name that needs no renewal is not shown again; an encoder that does
  // not start records nothing.
  rig.settings.renewedName.clear();
  rig.encoder.startAnswer = kE_FAIL;
  rig.journal.clear();
  rig.Start();
  EXPECT_EQ(rig.journal.front(), "apply");
  EXPECT_EQ(rig.settings.renewals, 2);
  EXPECT_EQ(rig.settings.recordedNames.size(), 1u);
}

TEST(RecordingControllerTest, OnlyAnApplicationsCaptureStartsTheFollower) {
  for (int type : {0, 1, 2, 3}) {
    Rig rig;
    rig.Start(type);
    EXPECT_EQ(rig.threads.started, type == 0 ? 2 : 1) << type;
  }
}

TEST(RecordingControllerTest, FailedStartsShowTheirMessageAndStayIdle) {
  {
    Rig rig;
    rig.settings.outputFileName = "";
    rig.Start();
    ExpectOneBox(rig, "Please enter the video file name.");
    EXPECT_EQ(rig.journal, (Journal{"apply"}));
    EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  }
  {
    Rig rig;
    rig.capture.prepareAnswer = false;  // the check showed its own message
    rig.Start();
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.journal, (Journal{"apply", "prepare"}));
    EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  }
  {
    Rig rig;
    rig.encoder.buildAnswer = kE_FAIL;  // the build showed its own message
    rig.Start();
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.journal, (Journal{"apply", "prepare", "build", "release"}));
    EXPECT_FALSE(rig.encoder.session);
    EXPECT_EQ(rig.threads.started, 0);
  }
  {
    Rig rig;
    rig.encoder.startAnswer = kE_FAIL;
    rig.Start();
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.journal, (Journal{"apply", "prepare", "build", "start encoder", "release",
                                    "log Unable to Start Encoding Process"}));
    EXPECT_EQ(rig.c().State(), RecorderState::Idle);
    EXPECT_EQ(rig.threads.started, 0);
    EXPECT_TRUE(rig.view.enabled_.at(5));
    EXPECT_TRUE(rig.view.visible_);
  }
}

TEST(RecordingControllerTest, StartWhileASessionRunsLeavesItUntouched) {
  for (RecorderState state : {RecorderState::Recording, RecorderState::Paused}) {
    Rig rig;
    rig.Enter(state);
    rig.c().OnStartCapture();  // from the tray menu
    ExpectOneBox(rig, "Please intstall window media encoder.");
    EXPECT_EQ(rig.journal, (Journal{"icon 129", "update icon", "apply", "prepare"}));
    EXPECT_EQ(rig.c().State(), state);
    EXPECT_TRUE(rig.encoder.session);
    EXPECT_EQ(rig.threads.started, 1);
  }
}

TEST(RecordingControllerTest, ToggleAlternatesPauseAndResume) {
  Rig rig;
  rig.Enter(RecorderState::Recording);
  rig.c().OnPauseResumeButton();
  EXPECT_EQ(rig.journal, (Journal{"pause encoder", "text 3 Resume [F8]", "menu 32774 grey",
                                  "menu 32776 on"}));
  EXPECT_EQ(rig.c().State(), RecorderState::Paused);
  rig.journal.clear();
  rig.c().OnPauseResumeButton();
  EXPECT_EQ(rig.journal, (Journal{"start encoder", "text 3 Pause [F7]", "menu 32776 grey",
                                  "menu 32774 on"}));
  EXPECT_EQ(rig.c().State(), RecorderState::Resumed);
  rig.c().OnPauseResumeButton();
  EXPECT_EQ(rig.c().State(), RecorderState::Paused);
  EXPECT_TRUE(rig.boxes.shown.empty());
  EXPECT_TRUE(rig.tray.menu.enabled_.empty());  // the buttons leave the tray menu alone
}

TEST(RecordingControllerTest, EncoderFailuresOnPauseAndResumeOnlyAddTheMessage) {
  {
    Rig rig;
    rig.Enter(RecorderState::Recording);
    rig.encoder.pauseAnswer = kE_FAIL;
    rig.c().OnPauseResumeButton();
    ExpectOneBox(rig, "Unable to Pause the Encoder");
    EXPECT_EQ(rig.c().State(), RecorderState::Paused);
    EXPECT_EQ(rig.view.texts_[3], "Resume [F8]");
  }
  {
    Rig rig;
    rig.Enter(RecorderState::Paused);
    rig.encoder.startAnswer = kE_FAIL;
    rig.c().OnPauseResumeButton();
    ExpectOneBox(rig, "Unable to Pause the Encoder");
    EXPECT_EQ(rig.c().State(), RecorderState::Resumed);
    EXPECT_EQ(rig.view.texts_[3], "Pause [F7]");
  }
  {
    Rig rig;
    rig.Enter(RecorderState::Recording);
    rig.view.texts_[3] = "pause [F7]";  // compared exactly
    rig.c().OnPauseResumeButton();
    ExpectOneBox(rig, "Error");
    EXPECT_TRUE(rig.journal.empty());
    EXPECT_EQ(rig.c().State(), RecorderState::Recording);
  }
}

TEST(RecordingControllerTest, StopReturnsToIdleFromEveryRecordingState) {
  for (RecorderState state :
       {RecorderState::Recording, RecorderState::Paused, RecorderState::Resumed}) {
    Rig rig;
    rig.Enter(state);
    rig.view.texts_[1048] = "Time: 00 : 00 : 42";
    rig.c().OnStopButton();
    EXPECT_EQ(rig.journal, Joined({{"stop encoder"}, kIdleMenuBar, {"release"}}));
    EXPECT_EQ(rig.c().State(), RecorderState::Idle);
    EXPECT_EQ(rig.view.texts_[3], "Pause [F7]");
    EXPECT_EQ(rig.view.texts_[1048], "Time: 00 : 00 : 42");  // the last value stands
    EXPECT_TRUE(rig.view.enabled_.at(5));
    EXPECT_FALSE(rig.view.visible_);  // shown again only from the tray
    // A new recording can start.
    rig.Start();
    EXPECT_EQ(rig.c().State(), RecorderState::Recording);
  }
}

TEST(RecordingControllerTest, AFailedStopChangesNothingAndMayBeTriedAgain) {
  Rig rig;
  rig.Enter(RecorderState::Paused);
  rig.encoder.stopAnswer = kE_FAIL;
  rig.c().OnStopCapture();
  ExpectOneBox(rig, "Unable to Pause the Encoder");
  EXPECT_EQ(rig.journal, (Journal{"icon 128", "update icon", "stop encoder"}));
  EXPECT_EQ(rig.c().State(), RecorderState::Paused);
  EXPECT_TRUE(rig.encoder.session);
  EXPECT_FALSE(rig.view.enabled_.at(5));
  rig.encoder.stopAnswer = kS_OK;
  rig.c().OnStopCapture();
  EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  EXPECT_FALSE(rig.encoder.session);
}

// The encoder's word comes from a thread of its own: the dialog's thread
// then ends the recording exactly as Stop does, and says why.
TEST(RecordingControllerTest, ARecordingWhoseFileCannotBeWrittenOnEndsAsByStopAndSaysSo) {
  Rig rig;
  rig.settings.outputFileName = "Q:\\full.wmv";
  rig.Enter(RecorderState::Resumed);
  const std::function<void()> notice = rig.encoder.stoppedNotice;
  ASSERT_TRUE(notice) << "given before the encoder starts";
  notice();
  EXPECT_TRUE(rig.journal.empty());
  rig.ui.RunAll();
  EXPECT_EQ(rig.journal, Joined({{"icon 128", "update icon", "stop encoder"}, kIdleMenuBar, {"release"}}));
  EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text,
            "The recording has stopped because the video file \"Q:\\full.wmv\" could not be written any further. "
            "The disk may be full or the drive may no longer be available. What was recorded until then is kept "
            "in the file.");
  EXPECT_EQ(rig.boxes.shown[0].owner, 0x5150u);
  EXPECT_EQ(rig.boxes.shown[0].style, mb::kOk | mb::kIconWarning);

  // A late word of that recording leaves the next one alone.
  rig.Start();
  rig.journal.clear();
  notice();
  rig.ui.RunAll();
  EXPECT_TRUE(rig.journal.empty());
  EXPECT_EQ(rig.c().State(), RecorderState::Recording);

  // Word that comes while a command waits on its box is acted on after it.
  rig.encoder.pauseAnswer = kE_FAIL;
  rig.boxes.whileShown = [&rig] {
    rig.boxes.whileShown = nullptr;
    rig.encoder.stoppedNotice();
    rig.ui.RunAll();
    EXPECT_EQ(rig.c().State(), RecorderState::Recording);
  };
  rig.c().OnPauseResumeButton();
  EXPECT_EQ(rig.c().State(), RecorderState::Idle);
  EXPECT_EQ(rig.boxes.shown.size(), 3u);
}

TEST(RecordingControllerTest, PauseAndResumeCommandsActOnlyInTheirStates) {
  const Journal pause = {"icon 130", "update icon", "tray 32774 grey", "tray 32776 on",
                         "pause encoder", "text 3 Resume [F8]", "menu 32774 grey",
                         "menu 32776 on"};
  const Journal resume = {"icon 129", "update icon", "tray 32774 on", "tray 32776 grey",
                          "start encoder", "text 3 Pause [F7]", "menu 32776 grey",
                          "menu 32774 on"};
  for (RecorderState state : {RecorderState::Idle, RecorderState::Recording,
                              RecorderState::Paused, RecorderState::Resumed}) {
    const bool running = state == RecorderState::Recording || state == RecorderState::Resumed;
    {
      Rig rig;
      rig.Enter(state);
      rig.c().OnPauseCapture();
      EXPECT_EQ(rig.journal, running ? pause : Journal{}) << static_cast<int>(state);
      EXPECT_EQ(rig.c().State(), running ? RecorderState::Paused : state);
      EXPECT_EQ(rig.tray.icon, running ? 130 : (state == RecorderState::Idle ? 128 : 129));
    }
    {
      Rig rig;
      rig.Enter(state);
      rig.c().OnResumeCapture();
      const bool paused = state == RecorderState::Paused;
      EXPECT_EQ(rig.journal, paused ? resume : Journal{}) << static_cast<int>(state);
      EXPECT_EQ(rig.c().State(), paused ? RecorderState::Resumed : state);
    }
  }
}

TEST(RecordingControllerTest, HotkeysRunTheMenuCommandsInTheirStatesOnly) {
  // The first two journal entries tell which command ran.
  const Journal start = {"icon 129", "update icon", "apply"};
  const Journal pause = {"icon 130", "update icon", "tray 32774 grey"};
  const Journal resume = {"icon 129", "update icon", "tray 32774 on"};
  const Journal stop = {"icon 128", "update icon", "stop encoder"};
  const RecorderState states[] = {RecorderState::Idle, RecorderState::Recording,
                                  RecorderState::Paused, RecorderState::Resumed};
  const GlobalKey keys[] = {GlobalKey::F6, GlobalKey::F7, GlobalKey::F8, GlobalKey::F9};
  const Journal expected[4][4] = {
      {start, {}, {}, {}},
      {{}, pause, {}, pause},
      {{}, {}, resume, {}},
      {{}, stop, stop, stop},
  };
  for (int code = 0; code < 4; ++code) {
    for (int s = 0; s < 4; ++s) {
      Rig rig;
      rig.Enter(states[s]);
      rig.c().OnRecorderHotKey(keys[code]);
      const std::size_t n = std::min<std::size_t>(3, rig.journal.size());
      EXPECT_EQ(Journal(rig.journal.begin(), rig.journal.begin() + n), expected[code][s])
          << "code " << code << " state " << s;
    }
  }
}

TEST(RecordingControllerTest, AudioRadiosChooseTheModeAndTheDeviceList) {
  Rig rig;
  rig.c().OnRecordOnlyVideo();
  EXPECT_EQ(rig.journal, (Journal{"release", "content 16", "refresh"}));
  EXPECT_EQ(rig.settings.audioMode, 1);
  EXPECT_FALSE(rig.view.enabled_.at(IDC_AUDIO_DEVICE_LIST));
  rig.journal.clear();
  rig.c().OnRecordAudioAndVideo();
  EXPECT_EQ(rig.journal, (Journal{"release", "content 17", "refresh"}));
  EXPECT_EQ(rig.settings.audioMode, 0);
  EXPECT_TRUE(rig.view.enabled_.at(IDC_AUDIO_DEVICE_LIST));

  // While a recording runs the radios are disabled; a stray call must not
  // release the running session.
  rig.Start();
  rig.journal.clear();
  rig.c().OnRecordOnlyVideo();
  EXPECT_TRUE(rig.journal.empty());
  EXPECT_TRUE(rig.encoder.session);
}

TEST(RecordingControllerTest, IdleLayoutEnablesTheAreaFieldsForTheDialogsCurrentCaptureType) {
  Rig rig;
  rig.capture.requested = 2;  // as the last prepare froze it
  rig.capture.type = 1;      // chosen since
  rig.c().EnableControls(true);
  EXPECT_TRUE(rig.view.enabled_.at(IDC_BOTTOM));
  rig.c().EnableControls(false);
  EXPECT_FALSE(rig.view.enabled_.at(IDC_BOTTOM));
}

}  // namespace
}  // namespace mavrion
