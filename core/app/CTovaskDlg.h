#pragma once
// The main dialog (template IDD_MAVRION_DIALOG): the program's one top-level window. It
// holds the values the user edits (through the subsystems that work with
// them), runs the ordered start-up and close of the window, and routes
// every command to its handler. The Win32 window only translates messages
// into these calls.
#include <cstdint>
#include <memory>
#include <string>

#include "core/app/MainDialogParts.h"
#include "core/app/MainWindowShell.h"
#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/ModalWindows.h"
#include "core/settings/RecordingSettings.h"
#include "core/ui/CAboutDlg.h"
#include "core/ui/CTrayDialog.h"
#include "core/ui/CVideoDesc.h"

namespace mavrion {

namespace main_dialog {
inline constexpr const char* kDefaultOutputFileName = "Video Output File.wmv";
inline constexpr const char* kTrayTip = "Mavrion - Screen Recorder";
inline constexpr const char* kExitQuestion = "Are you sure to close the application?";
inline constexpr const char* kExitCaption = "Mavrion";
inline constexpr std::int32_t kInitialCaptureType = 2;  // "Record Entire Screen."
inline constexpr std::int32_t kInitialAudioMode = kVideoOnly;  // until start-up checks "Record Audio and Video :"
inline constexpr std::int32_t kInitialContentType = kContentVideoOnly;
// Edit IDC_OUTPUT_FILE is read through a buffer of this size.
inline constexpr std::size_t kOutputEditBufferChars = 4096;
}  // namespace main_dialog

class CTovaskDlg final : public CTrayDialog, public DataExchange {
 public:
  struct Ports {
    DialogView& view;
    MainWindowShell& window;
    TrayShell& tray;
    MessageBoxes& boxes;
    // While one of them is open, only the help command is carried out.
    const ModalWindows& modalWindows;
    std::string applicationName;  // caption of boxes without one of their own
  };

  CTovaskDlg(Ports ports, const MainDialogPartsFactory& makeParts);
  ~CTovaskDlg() override;

  // ---- Messages and commands of the window
  // WM_INITDIALOG; answers true so the system sets the focus.
  bool InitialiseMainDialog();
  // WM_COMMAND from a button click, a menu item or an accelerator; false
  // for ids the dialog does not handle. While one of the program's modal
  // windows is open, every command but help is swallowed: only the tray
  // menu and the other dialogs' help key can send one then.
  bool OnCommand(int id);
  // Selection change in list IDC_AUDIO_DEVICE_LIST.
  void OnAudioDeviceSelectionChange();
  // The OK command: releases what the window holds and ends with OK.
  void CloseSequence();
  // The Cancel command (Escape, a confirmed close): also releases what the
  // window holds, so a running recording is finished, then ends with Cancel.
  void OnCancel();
  // WM_CLOSE: answers true when the user confirmed, so the message takes
  // its default course (the Cancel command).
  bool OnClose();
  void OnExitApplication();
  void OnShowApplication();
  void OnHelp();
  void OpenAboutBox();
  void OpenVideoDescription();
  // WM_SYSCOMMAND: the About entry; false for the other commands.
  bool OnSysCommand(unsigned command);
  IconHandle OnQueryDragIcon() const { return AppIcon; }
  // A global key from the hook library.
  void OnRecorderHotKey(GlobalKey key);
  // WM_DESTROY: whatever ended the window, nothing is left running, and the
  // tray icon goes.
  void OnWindowDestroyed();

  // ---- Data exchange (bindings of the template's controls)
  void RefreshControls() override;
  void ReadControls() override;

  // ---- What the subsystems may use of the dialog
  DialogView& View() { return ports_.view; }
  MessageBoxes& Boxes() { return ports_.boxes; }
  const std::string& ApplicationName() const { return ports_.applicationName; }
  const CVideoDesc& VideoDescription() const { return VideoDescriptionDialog; }
  MenuView* OptionsMenu() const { return OptionsMenuView; }
  IconHandle ApplicationIcon() const { return AppIcon; }

  // The held values, as the data exchange binds them.
  std::int32_t AudioMode() const { return parts_.settings->AudioMode(); }
  std::int32_t FlashRecordingArea() const { return parts_.settings->FlashRecordingArea(); }
  std::int32_t CaptureType() const { return parts_.capture->CaptureType(); }

 private:
  // What CloseSequence releases, run once whichever way the window ends.
  void ReleaseWindowResources();

  Ports ports_;
  MenuView* OptionsMenuView = nullptr;
  CVideoDesc VideoDescriptionDialog;
  IconHandle AppIcon = 0;
  MainDialogParts parts_;
  bool initialised_ = false;
  bool comEntered_ = false;
  bool released_ = false;
};

}  // namespace mavrion
