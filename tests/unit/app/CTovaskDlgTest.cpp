#include "core/app/CTovaskDlg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/unit/app/MainDialogFakes.h"

namespace mavrion {
namespace {

// The OK and Cancel commands (IDOK, IDCANCEL).
constexpr int kOkCommand = 1;
constexpr int kCancelCommand = 2;

using app_fakes::DialogRig;
using app_fakes::Log;
using ::testing::ElementsAre;

class MainDialogTest : public ::testing::Test {
 protected:
  MainDialogTest() : dialog(rig.Ports(), [this](CTovaskDlg&) { return rig.MakeFakeParts(); }) {}

  // As the window does: created, then initialised.
  void Initialise() {
    dialog.OnCreate(0x102);
    dialog.InitialiseMainDialog();
    rig.log.clear();
  }

  DialogRig rig;
  CTovaskDlg dialog;
};

TEST_F(MainDialogTest, ConstructionSetsTheHeldValuesAndLoadsTheIcon) {
  EXPECT_EQ(rig.settings->audioMode, -1);
  EXPECT_EQ(rig.settings->outputFileName, "");
  EXPECT_EQ(rig.settings->flash, 0);
  EXPECT_EQ(rig.capture->type, -1);
  EXPECT_EQ(dialog.OnQueryDragIcon(), 0x128u);
  // Nothing else happens before the window exists.
  EXPECT_TRUE(rig.log.empty());
  EXPECT_FALSE(dialog.IsTrayIconShown());
}

TEST_F(MainDialogTest, InitialisationRunsItsStepsInOrder) {
  EXPECT_TRUE(dialog.InitialiseMainDialog());
  EXPECT_THAT(rig.log, ElementsAre("show name \"\"",
                                   "system menu separator",
                                   "system menu item 16 &About Tovask...",
                                   "set icons 296",
                                   "allocate name buffer",
                                   "FinderPrepare",
                                   "UpdateAreaControls type 2",
                                   "show name \"\"",
                                   "create picker",
                                   "show name \"Video Output File.wmv\"",
                                   "fill setting lists",
                                   "show name \"Video Output File.wmv\"",
                                   "content 16",
                                   "LoadSettings",
                                   "CoInitialize",
                                   "tray menu 132",
                                   "EnableControls(true)",
                                   "install hook 258",
                                   "ResetToIdle",
                                   "audio device list",
                                   "OnRecordAudioAndVideo"));

  // The menu bar's first popup; the tray icon's image, tip and menu, not shown.
  EXPECT_EQ(dialog.OptionsMenu(), &rig.view.menu_);
  const NotifyIconRecord& icon = dialog.TrayIconRecord();
  EXPECT_EQ(icon.hIcon, 0x10000u + 128);
  EXPECT_EQ(icon.uFlags, kNifMessage | kNifIcon | kNifTip);
  EXPECT_STREQ(icon.szTip.data(), "Mavrion - Screen Recorder");
  EXPECT_FALSE(dialog.IsTrayIconShown());
  // The controls show the entire screen and, until the audio radio's own
  // handler runs, video only.
  EXPECT_TRUE(rig.view.IsChecked(IDC_ENTIRE_SCREEN));
  EXPECT_TRUE(rig.view.IsChecked(IDC_ONLY_VIDEO));
  EXPECT_FALSE(rig.view.IsChecked(IDC_AUDIO_AND_VIDEO));
  EXPECT_EQ(rig.view.texts_[IDC_OUTPUT_FILE], "Video Output File.wmv");
}

TEST_F(MainDialogTest, AboutEntryNeedsASystemMenuAndItsText) {
  rig.window.hasSystemMenu = false;
  dialog.InitialiseMainDialog();
  for (const std::string& entry : rig.log) EXPECT_EQ(entry.find("system menu"), std::string::npos) << entry;

  DialogRig emptyText;
  emptyText.window.aboutText = "";
  CTovaskDlg other(emptyText.Ports(), [&emptyText](CTovaskDlg&) { return emptyText.MakeFakeParts(); });
  other.InitialiseMainDialog();
  for (const std::string& entry : emptyText.log) EXPECT_EQ(entry.find("system menu"), std::string::npos) << entry;
}

TEST_F(MainDialogTest, DataExchangeFollowsTheBindingRules) {
  // Towards the controls: radio i checked exactly when i is the value.
  rig.settings->audioMode = 1;
  rig.capture->type = 3;
  rig.settings->outputFileName = "C:\\out.wmv";
  rig.settings->flash = 1;
  dialog.RefreshControls();
  EXPECT_FALSE(rig.view.IsChecked(IDC_AUDIO_AND_VIDEO));
  EXPECT_TRUE(rig.view.IsChecked(IDC_ONLY_VIDEO));
  EXPECT_TRUE(rig.view.IsChecked(IDC_WITHOUT_TASKBAR));
  for (int id : {IDC_SPECIFIC_APPLICATIONS, IDC_SPECIFIC_AREA, IDC_ENTIRE_SCREEN}) EXPECT_FALSE(rig.view.IsChecked(id));
  EXPECT_EQ(rig.view.texts_[IDC_OUTPUT_FILE], "C:\\out.wmv");
  EXPECT_TRUE(rig.view.IsChecked(IDC_FLASH_AREA));

  // -1 checks none; a check value outside 0 to 2 is reset to 0 first.
  rig.settings->audioMode = -1;
  rig.capture->type = -1;
  rig.settings->flash = 3;
  dialog.RefreshControls();
  for (int id : {IDC_AUDIO_AND_VIDEO, IDC_ONLY_VIDEO, IDC_SPECIFIC_APPLICATIONS, IDC_SPECIFIC_AREA,
                 IDC_ENTIRE_SCREEN, IDC_WITHOUT_TASKBAR, IDC_FLASH_AREA}) {
    EXPECT_FALSE(rig.view.IsChecked(id)) << id;
  }
  EXPECT_EQ(rig.settings->flash, 0);
  rig.settings->flash = 2;
  dialog.RefreshControls();
  EXPECT_EQ(rig.settings->flash, 2);

  // Back from the controls: the group's checked position, -1 for none.
  rig.view.checks_.clear();
  rig.view.checks_[IDC_SPECIFIC_AREA] = true;  // position 1 of the 1025 group
  rig.view.texts_[IDC_OUTPUT_FILE] = "D:\\video.wmv";
  dialog.ReadControls();
  EXPECT_EQ(rig.capture->type, 1);
  EXPECT_EQ(rig.settings->audioMode, -1);
  EXPECT_EQ(rig.settings->flash, 0);
  EXPECT_EQ(rig.settings->outputFileName, "D:\\video.wmv");
  rig.view.checks_[IDC_AUDIO_AND_VIDEO] = true;
  rig.view.checks_[IDC_FLASH_AREA] = true;
  rig.view.checks_[IDC_SPECIFIC_AREA] = false;
  rig.view.checks_[IDC_SPECIFIC_APPLICATIONS] = true;
  dialog.ReadControls();
  EXPECT_EQ(rig.settings->audioMode, 0);
  EXPECT_EQ(rig.settings->flash, 1);
  EXPECT_EQ(rig.capture->type, 0);
}

TEST_F(MainDialogTest, CloseSequenceReleasesInOrderReadsTheControlsAndEndsWithOk) {
  Initialise();
  rig.view.texts_[IDC_OUTPUT_FILE] = "typed.wmv";
  dialog.OnCommand(kOkCommand);
  EXPECT_THAT(rig.log, ElementsAre("EndBeforeWindowCloses", "release", "CoUninitialize", "delete picker", "UnHook",
                                   "free name buffer", "end dialog 1"));
  EXPECT_EQ(rig.settings->outputFileName, "typed.wmv");
  EXPECT_EQ(rig.window.endResult, 1);
}

TEST_F(MainDialogTest, ExitApplicationAsksAndYesUnhooksTwiceAndCloses) {
  Initialise();
  rig.boxes.answer = mb::kIdNo;
  dialog.OnCommand(ID_EXIT_APPLICATION);
  EXPECT_THAT(rig.log, ElementsAre("box Are you sure to close the application?"));
  EXPECT_EQ(rig.boxes.lastCaption, "Mavrion");
  EXPECT_EQ(rig.boxes.lastStyle, mb::kYesNo | mb::kIconInformation);
  EXPECT_EQ(rig.boxes.lastOwner, 0x102u);

  rig.log.clear();
  rig.boxes.answer = mb::kIdYes;
  dialog.OnCommand(ID_EXIT_APPLICATION);
  EXPECT_THAT(rig.log, ElementsAre("box Are you sure to close the application?", "UnHook", "EndBeforeWindowCloses",
                                   "release", "CoUninitialize", "delete picker", "UnHook",
                                   "free name buffer", "end dialog 1"));
}

TEST_F(MainDialogTest, CloseButtonAsksAndOnlyYesLetsTheCancelCommandRun) {
  Initialise();
  rig.boxes.answer = mb::kIdNo;
  EXPECT_FALSE(dialog.OnClose());
  EXPECT_THAT(rig.log, ElementsAre("box Are you sure to close the application?"));
  EXPECT_EQ(rig.boxes.lastStyle, mb::kYesNo | mb::kIconInformation);

  rig.log.clear();
  rig.boxes.answer = mb::kIdYes;
  EXPECT_TRUE(dialog.OnClose());
  EXPECT_THAT(rig.log, ElementsAre("box Are you sure to close the application?"));
  // The confirmed close's default course is the Cancel command.
  rig.log.clear();
  dialog.OnCommand(kCancelCommand);
  EXPECT_EQ(rig.window.endResult, 2);
  EXPECT_EQ(rig.log.back(), "end dialog 2");
}

// Escape or a confirmed close while a recording runs must not lose the
// recording: the session is released (which finishes the file), the
// workers end first and the hook goes, as on the OK path.
TEST_F(MainDialogTest, CancelWhileRecordingFinishesTheFileAndReleasesEverything) {
  Initialise();
  rig.encoder->BuildEncoderSession();
  rig.encoder->StartEncoder();
  rig.log.clear();

  dialog.OnCommand(kCancelCommand);
  EXPECT_THAT(rig.log, ElementsAre("EndBeforeWindowCloses", "release", "CoUninitialize", "delete picker", "UnHook",
                                   "free name buffer", "end dialog 2"));
  EXPECT_TRUE(rig.encoder->fileFinished);

  // The window's destruction afterwards releases nothing a second time.
  rig.log.clear();
  dialog.OnWindowDestroyed();
  EXPECT_TRUE(rig.log.empty());
}

TEST_F(MainDialogTest, WindowDestroyedWithoutOkOrCancelStillReleasesAndRemovesTheIcon) {
  Initialise();
  rig.encoder->BuildEncoderSession();
  rig.encoder->StartEncoder();
  dialog.OnMinimiseCommand();  // minimised into the tray
  rig.log.clear();
  dialog.OnWindowDestroyed();
  EXPECT_THAT(rig.log, ElementsAre("EndBeforeWindowCloses", "release", "CoUninitialize", "delete picker", "UnHook",
                                   "free name buffer", "tray delete"));
  EXPECT_TRUE(rig.encoder->fileFinished);
}

TEST_F(MainDialogTest, DestroyBeforeInitialisationReleasesNothing) {
  dialog.OnWindowDestroyed();
  EXPECT_TRUE(rig.log.empty());
}

TEST_F(MainDialogTest, CommandsReachTheirHandlers) {
  Initialise();
  const std::vector<std::pair<int, std::string>> routes = {
      {IDC_START_BUTTON, "OnStartButton"},
      {ID_START_CAPTURE, "OnStartCapture"},
      {IDC_STOP_BUTTON, "OnStopButton"},
      {ID_STOP_CAPTURE, "OnStopCapture"},
      {IDC_PAUSE_BUTTON, "OnPauseResumeButton"},
      {ID_PAUSE_CAPTURE, "OnPauseCapture"},
      {ID_RESUME_CAPTURE, "OnResumeCapture"},
      {IDC_AUDIO_AND_VIDEO, "OnRecordAudioAndVideo"},
      {IDC_ONLY_VIDEO, "OnRecordOnlyVideo"},
      {IDC_SAVE_SETTINGS, "save settings"},
      {IDC_BROWSE, "browse"},
      {IDC_SPECIFIC_APPLICATIONS, "capture radio 1025"},
      {IDC_SPECIFIC_AREA, "capture radio 1027"},
      {IDC_ENTIRE_SCREEN, "capture radio 1026"},
      {IDC_WITHOUT_TASKBAR, "capture radio 1043"},
      {IDC_FLASH_AREA, "flash check box"},
      {IDC_FINDER_TOOL, "finder click"},
      {IDC_VIDEO_DESCRIPTION, "video description"},
      {ID_APP_ABOUT, "about box"},
      {ID_HELP, "shell open help.chm"},
  };
  for (const auto& [id, expected] : routes) {
    rig.log.clear();
    EXPECT_TRUE(dialog.OnCommand(id)) << id;
    EXPECT_THAT(rig.log, ElementsAre(expected)) << id;
  }
  rig.log.clear();
  EXPECT_FALSE(dialog.OnCommand(IDC_OUTPUT_FILE));
  EXPECT_FALSE(dialog.OnCommand(IDC_AUDIO_DEVICE_LIST));
  EXPECT_TRUE(rig.log.empty());

  dialog.OnRecorderHotKey(GlobalKey::F9);
  EXPECT_THAT(rig.log, ElementsAre("hotkey F9"));
}

// A picker, Save-As dialog, About box or message box runs its own message
// loop, in which the global keys and the tray menu still arrive: they must
// not start a second window on top, nor end the dialog under it.
TEST_F(MainDialogTest, WhileAModalWindowIsOpenOnlyHelpIsCarriedOut) {
  Initialise();
  {
    const ModalWindows::Scope picker(rig.modal);
    for (int id : {ID_START_CAPTURE, ID_PAUSE_CAPTURE, ID_RESUME_CAPTURE, ID_STOP_CAPTURE, ID_SHOW_APPLICATION,
                   ID_EXIT_APPLICATION, IDC_SPECIFIC_APPLICATIONS, kCancelCommand, kOkCommand}) {
      EXPECT_TRUE(dialog.OnCommand(id)) << id;
    }
    dialog.OnRecorderHotKey(GlobalKey::F6);
    EXPECT_FALSE(dialog.OnClose());
    EXPECT_TRUE(rig.log.empty());
    dialog.OnCommand(ID_HELP);
    EXPECT_THAT(rig.log, ElementsAre("shell open help.chm"));
  }
  rig.log.clear();
  dialog.OnRecorderHotKey(GlobalKey::F6);
  dialog.OnCommand(ID_START_CAPTURE);
  EXPECT_THAT(rig.log, ElementsAre("hotkey F6", "OnStartCapture"));
}

TEST_F(MainDialogTest, AudioDeviceSelectionOnlyRefreshesTheControls) {
  Initialise();
  rig.settings->outputFileName = "held.wmv";
  rig.view.texts_[IDC_OUTPUT_FILE] = "stale";
  dialog.OnAudioDeviceSelectionChange();
  EXPECT_THAT(rig.log, ElementsAre("show name \"held.wmv\""));
}

TEST_F(MainDialogTest, SystemCommandsOpenAboutOrGoToTheTray) {
  Initialise();
  EXPECT_TRUE(dialog.OnSysCommand(IDM_ABOUTBOX | 0x3));
  EXPECT_THAT(rig.log, ElementsAre("about box"));

  rig.log.clear();
  EXPECT_FALSE(dialog.OnSysCommand(0xF060));  // SC_CLOSE takes its default course
  EXPECT_TRUE(rig.log.empty());

  EXPECT_TRUE(dialog.OnMinimiseCommand());
  EXPECT_THAT(rig.log, ElementsAre("tray add", "hide window"));
}

TEST_F(MainDialogTest, ShowApplicationRestoresOnlyFromTheTray) {
  Initialise();
  dialog.OnCommand(ID_SHOW_APPLICATION);
  EXPECT_TRUE(rig.log.empty());

  dialog.OnMinimiseCommand();
  rig.log.clear();
  dialog.OnCommand(ID_SHOW_APPLICATION);
  EXPECT_THAT(rig.log, ElementsAre("tray delete", "show window"));
  EXPECT_FALSE(dialog.IsTrayIconShown());
}

}  // namespace
}  // namespace mavrion
