#include "core/ui/CTrayDialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/app/MainDialogFakes.h"

namespace mavrion {
namespace {

using ::testing::ElementsAre;


class TrayDialogTest : public ::testing::Test {
 protected:
  TrayDialogTest() : dialog(shell) {}

  // A dialog whose window exists, as after WM_CREATE.
  void Create() {
    dialog.OnCreate(0x4242);
    log.clear();
  }

  app_fakes::Log log;
  app_fakes::Tray shell{log};
  CTrayDialog dialog;
};

TEST_F(TrayDialogTest, RecordStartsWithTheFixedFields) {
  const NotifyIconRecord& record = dialog.TrayIconRecord();
  EXPECT_EQ(record.cbSize, 508u);
  EXPECT_EQ(record.hWnd, 0u);
  EXPECT_EQ(record.uID, 1u);
  EXPECT_EQ(record.uFlags, kNifMessage);
  EXPECT_EQ(record.hIcon, 0u);
  EXPECT_EQ(record.szTip[0], '\0');
  EXPECT_EQ(dialog.DefaultMenuPosition(), 0);
  EXPECT_FALSE(dialog.IsTrayIconShown());

  dialog.OnCreate(0x4242);
  EXPECT_EQ(dialog.TrayIconRecord().hWnd, 0x4242u);
  EXPECT_EQ(dialog.TrayIconRecord().uID, 1u);
}

TEST_F(TrayDialogTest, AddRemoveAndUpdateFollowTheShownFlag) {
  Create();
  dialog.UpdateTrayIcon();  // not shown: the shell is not asked
  EXPECT_FALSE(dialog.RemoveTrayIcon());
  EXPECT_TRUE(log.empty());

  EXPECT_TRUE(dialog.AddTrayIcon());
  EXPECT_TRUE(dialog.IsTrayIconShown());
  EXPECT_FALSE(dialog.AddTrayIcon());  // already shown: no second add
  dialog.UpdateTrayIcon();
  EXPECT_TRUE(dialog.RemoveTrayIcon());
  EXPECT_FALSE(dialog.IsTrayIconShown());
  EXPECT_THAT(log, ElementsAre("tray add", "tray modify", "tray delete"));
  EXPECT_EQ(shell.last.hWnd, 0x4242u);

  // A refused add leaves the icon hidden; a refused removal leaves it shown.
  log.clear();
  shell.accept = false;
  EXPECT_FALSE(dialog.AddTrayIcon());
  EXPECT_FALSE(dialog.IsTrayIconShown());
  shell.accept = true;
  dialog.AddTrayIcon();
  shell.accept = false;
  EXPECT_FALSE(dialog.RemoveTrayIcon());
  EXPECT_TRUE(dialog.IsTrayIconShown());
}

TEST_F(TrayDialogTest, ImageAndTipOnlyAddTheirFlags) {
  dialog.SetTrayIconImage(129);
  EXPECT_EQ(dialog.TrayIconRecord().hIcon, 0x10000u + 129);
  EXPECT_EQ(dialog.TrayIconRecord().uFlags, kNifMessage | kNifIcon);
  dialog.SetTrayTipText("Mavrion - Screen Recorder");
  EXPECT_STREQ(dialog.TrayIconRecord().szTip.data(), "Mavrion - Screen Recorder");
  EXPECT_EQ(dialog.TrayIconRecord().uFlags, kNifMessage | kNifIcon | kNifTip);

  // A tip of 200 characters keeps 127 and the terminating zero.
  dialog.SetTrayTipText(std::string(200, 'x'));
  EXPECT_EQ(std::string(dialog.TrayIconRecord().szTip.data()), std::string(127, 'x'));
  // A shorter tip leaves nothing of the longer one behind.
  dialog.SetTrayTipText("ab");
  EXPECT_STREQ(dialog.TrayIconRecord().szTip.data(), "ab");
  EXPECT_EQ(dialog.TrayIconRecord().szTip[5], '\0');
}

class FailingIconShell : public app_fakes::Tray {
 public:
  using Tray::Tray;
  IconHandle LoadIconResource(int) override { return 0; }
};

TEST(TrayDialogImageTest, AnIconThatDoesNotLoadKeepsThePreviousImage) {
  app_fakes::Log log;
  FailingIconShell shell(log);
  CTrayDialog dialog(shell);
  dialog.SetTrayIconImage(130);
  EXPECT_EQ(dialog.TrayIconRecord().hIcon, 0u);
  EXPECT_EQ(dialog.TrayIconRecord().uFlags, kNifMessage);
}

TEST_F(TrayDialogTest, MinimiseHidesIntoTheTrayOnce) {
  Create();
  EXPECT_TRUE(dialog.OnMinimiseCommand());
  EXPECT_THAT(log, ElementsAre("tray add", "hide window"));
  EXPECT_TRUE(dialog.IsTrayIconShown());

  // Already in the tray: nothing at all, the command is still consumed.
  log.clear();
  EXPECT_TRUE(dialog.OnMinimiseCommand());
  EXPECT_TRUE(log.empty());
}

TEST_F(TrayDialogTest, RefusedAddOnMinimiseNeitherHidesNorMinimises) {
  Create();
  shell.accept = false;
  EXPECT_TRUE(dialog.OnMinimiseCommand());
  EXPECT_THAT(log, ElementsAre("tray add"));
  EXPECT_FALSE(dialog.IsTrayIconShown());
}

TEST_F(TrayDialogTest, DoubleClickRestoresTheWindow) {
  Create();
  dialog.OnMinimiseCommand();
  log.clear();
  EXPECT_EQ(dialog.OnTrayNotification(1, TrayMouseEvent::LeftDoubleClick), 0);
  EXPECT_THAT(log, ElementsAre("tray delete", "show window"));
  EXPECT_FALSE(dialog.IsTrayIconShown());

  // Without an icon there is nothing to remove and the window stays.
  log.clear();
  dialog.OnTrayNotification(1, TrayMouseEvent::LeftDoubleClick);
  EXPECT_TRUE(log.empty());
}

TEST_F(TrayDialogTest, RightClickShowsTheMenuAndThenMakesTheFirstItemDefault) {
  Create();
  dialog.AttachTrayMenu(132, 3);
  EXPECT_EQ(dialog.DefaultMenuPosition(), 0);  // the position given is not used
  log.clear();
  dialog.OnTrayNotification(1, TrayMouseEvent::RightDown);
  EXPECT_THAT(log, ElementsAre("track tray menu", "default item 0"));
}

TEST_F(TrayDialogTest, OtherMouseMessagesAndOtherIconsDoNothing) {
  Create();
  dialog.AttachTrayMenu(132, 0);
  dialog.OnMinimiseCommand();
  log.clear();
  for (TrayMouseEvent event : {TrayMouseEvent::Move, TrayMouseEvent::LeftDown, TrayMouseEvent::RightDoubleClick,
                                TrayMouseEvent::Other}) {
    EXPECT_EQ(dialog.OnTrayNotification(1, event), 0);
  }
  EXPECT_EQ(dialog.OnTrayNotification(2, TrayMouseEvent::LeftDoubleClick), -1);
  EXPECT_EQ(dialog.OnTrayNotification(0, TrayMouseEvent::RightDown), -1);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(dialog.IsTrayIconShown());
}

TEST_F(TrayDialogTest, DestroyRemovesAShownIcon) {
  dialog.OnDestroy();  // no window yet, nothing shown
  Create();
  dialog.OnDestroy();  // nothing shown
  EXPECT_TRUE(log.empty());
  dialog.AddTrayIcon();
  log.clear();
  dialog.OnDestroy();
  EXPECT_THAT(log, ElementsAre("tray delete"));
}

}  // namespace
}  // namespace mavrion
