#include "core/app/CTovaskDlg.h"

#include <array>

#include "resources/resource.h"

namespace mavrion {

namespace {

// The radio groups as the template's creation order makes them; a radio's
// position is the value it stands for.
constexpr std::array<int, 2> kAudioModeRadios = {IDC_AUDIO_AND_VIDEO, IDC_ONLY_VIDEO};
constexpr std::array<int, 4> kCaptureTypeRadios = {IDC_SPECIFIC_APPLICATIONS, IDC_SPECIFIC_AREA,
                                                   IDC_ENTIRE_SCREEN, IDC_WITHOUT_TASKBAR};

template <std::size_t N>
void ShowRadioValue(DialogView& view, const std::array<int, N>& group, std::int32_t value) {
  for (std::size_t i = 0; i < N; ++i) view.SetCheck(group[i], static_cast<std::int32_t>(i) == value);
}

template <std::size_t N>
std::int32_t ReadRadioValue(const DialogView& view, const std::array<int, N>& group) {
  for (std::size_t i = 0; i < N; ++i) {
    if (view.IsChecked(group[i])) return static_cast<std::int32_t>(i);
  }
  return -1;
}

constexpr int kOk = 1;
constexpr int kCancel = 2;

}  // namespace

CTovaskDlg::CTovaskDlg(Ports ports, const MainDialogPartsFactory& makeParts)
    : CTrayDialog(ports.tray), ports_(std::move(ports)) {
  AppIcon = ports_.window.LoadApplicationIcon();
  parts_ = makeParts(*this);
  parts_.settings->AudioMode() = -1;
  parts_.settings->OutputFileName().clear();
  parts_.settings->FlashRecordingArea() = 0;
  parts_.capture->CaptureType() = -1;
}

CTovaskDlg::~CTovaskDlg() {
  // The recording commands may still stop a session in their destructor;
  // they go while everything they reach exists.
  parts_.recording.reset();
}

// The order is the program's own; tests hold it. Each step may show what
// the steps before it set, so the controls are refreshed between them.
bool CTovaskDlg::InitialiseMainDialog() {
  initialised_ = true;
  RefreshControls();
  // The About entry at the end of the system menu.
  if (ports_.window.HasSystemMenu()) {
    const std::string about = ports_.window.LoadText(IDS_ABOUTBOX);
    if (!about.empty()) {
      ports_.window.AppendSystemMenuSeparator();
      ports_.window.AppendSystemMenuItem(IDM_ABOUTBOX, about);
    }
  }
  ports_.window.SetWindowIcons(AppIcon);
  OptionsMenuView = &ports_.view.OptionsMenu();
  parts_.capture->AllocateOutputNameBuffer();
  // Capture area: the finder tool, "Record Entire Screen." and the picker.
  parts_.capture->FinderPrepare();
  parts_.capture->CaptureType() = main_dialog::kInitialCaptureType;
  parts_.capture->UpdateAreaControls();
  RefreshControls();
  parts_.capture->CreatePicker();
  // The default output name, the setting lists, video only for now, then
  // the settings file, which may change any of them.
  parts_.settings->OutputFileName() = main_dialog::kDefaultOutputFileName;
  RefreshControls();
  parts_.settings->FillSettingLists();
  parts_.settings->AudioMode() = main_dialog::kInitialAudioMode;
  RefreshControls();
  parts_.encoder->SetContentType(main_dialog::kInitialContentType);
  parts_.settings->LoadSettings();
  // The thread's COM apartment, kept until the window ends.
  parts_.com->Enter();
  comEntered_ = true;
  // The tray icon's image, tip and menu; the icon is not shown yet.
  SetTrayIconImage(IDR_MAINFRAME);
  SetTrayTipText(main_dialog::kTrayTip);
  AttachTrayMenu(IDR_MAINMENU, 0);
  // The idle layout, the global keys and the idle state.
  parts_.recording->EnableControls(true);
  parts_.hook->Install(ports_.view.Handle());
  parts_.recording->ResetToIdle();
  // The audio devices, with the warning when there is none.
  parts_.encoder->LoadAudioDeviceList();
  // Every start shows "Record Audio and Video :", whatever was loaded.
  parts_.recording->OnRecordAudioAndVideo();
  return true;
}

bool CTovaskDlg::OnCommand(int id) {
  if (ports_.modalWindows.AnyOpen() && id != ID_HELP) return true;
  RecordingPart& recording = *parts_.recording;
  switch (id) {
    case IDC_START_BUTTON: recording.OnStartButton(); return true;
    case ID_START_CAPTURE: recording.OnStartCapture(); return true;
    case IDC_STOP_BUTTON: recording.OnStopButton(); return true;
    case ID_STOP_CAPTURE: recording.OnStopCapture(); return true;
    case IDC_PAUSE_BUTTON: recording.OnPauseResumeButton(); return true;
    case ID_PAUSE_CAPTURE: recording.OnPauseCapture(); return true;
    case ID_RESUME_CAPTURE: recording.OnResumeCapture(); return true;
    case IDC_AUDIO_AND_VIDEO: recording.OnRecordAudioAndVideo(); return true;
    case IDC_ONLY_VIDEO: recording.OnRecordOnlyVideo(); return true;
    case IDC_SAVE_SETTINGS: parts_.settings->OnSaveSettings(); return true;
    case IDC_BROWSE: parts_.settings->OnBrowse(); return true;
    case IDC_SPECIFIC_APPLICATIONS:
    case IDC_SPECIFIC_AREA:
    case IDC_ENTIRE_SCREEN:
    case IDC_WITHOUT_TASKBAR: parts_.capture->OnCaptureRadio(id); return true;
    case IDC_FLASH_AREA: parts_.capture->OnFlashRecordingArea(); return true;
    case IDC_FINDER_TOOL: parts_.capture->OnFinderClick(); return true;
    case IDC_VIDEO_DESCRIPTION: OpenVideoDescription(); return true;
    case ID_SHOW_APPLICATION: OnShowApplication(); return true;
    case ID_EXIT_APPLICATION: OnExitApplication(); return true;
    case ID_APP_ABOUT: OpenAboutBox(); return true;
    case ID_HELP: OnHelp(); return true;
    case kOk: CloseSequence(); return true;
    case kCancel: OnCancel(); return true;
    default: return false;
  }
}

void CTovaskDlg::OnAudioDeviceSelectionChange() { RefreshControls(); }

void CTovaskDlg::ReleaseWindowResources() {
  if (released_ || !initialised_) return;
  released_ = true;
  // The workers end and a running recording is finished before anything
  // it uses goes away.
  parts_.recording->EndBeforeWindowCloses();
  parts_.encoder->ReleaseEncoderSession();
  if (comEntered_) {
    parts_.com->Leave();
    comEntered_ = false;
  }
  parts_.capture->DeletePicker();
  parts_.hook->UnHook();
  parts_.capture->FreeOutputNameBuffer();
}

void CTovaskDlg::CloseSequence() {
  ReleaseWindowResources();
  ReadControls();
  ports_.window.EndDialog(kOk);
}

void CTovaskDlg::OnCancel() {
  ReleaseWindowResources();
  ports_.window.EndDialog(kCancel);
}

bool CTovaskDlg::OnClose() {
  // Closing now would end the dialog under the window that is open.
  if (ports_.modalWindows.AnyOpen()) return false;
  return ports_.boxes.Show(ports_.view.Handle(), main_dialog::kExitQuestion, main_dialog::kExitCaption,
                           mb::kYesNo | mb::kIconInformation) == mb::kIdYes;
}

void CTovaskDlg::OnExitApplication() {
  if (!OnClose()) return;
  parts_.hook->UnHook();
  CloseSequence();
}

void CTovaskDlg::OnShowApplication() { RestoreFromTray(); }

void CTovaskDlg::OnHelp() { ports_.window.ShellOpen(kHelpVerb, kHelpFileName); }

void CTovaskDlg::OpenAboutBox() { ports_.window.RunAboutBox(); }

void CTovaskDlg::OpenVideoDescription() { ports_.window.RunVideoDescription(VideoDescriptionDialog); }

bool CTovaskDlg::OnSysCommand(unsigned command) {
  if ((command & 0xFFF0u) == IDM_ABOUTBOX) {
    OpenAboutBox();
    return true;
  }
  return false;
}

void CTovaskDlg::OnRecorderHotKey(GlobalKey key) {
  if (ports_.modalWindows.AnyOpen()) return;
  parts_.recording->OnRecorderHotKey(key);
}

void CTovaskDlg::OnWindowDestroyed() {
  ReleaseWindowResources();
  OnDestroy();
}

void CTovaskDlg::RefreshControls() {
  DialogView& view = ports_.view;
  ShowRadioValue(view, kAudioModeRadios, parts_.settings->AudioMode());
  view.SetControlText(IDC_OUTPUT_FILE, parts_.settings->OutputFileName());
  std::int32_t& flash = parts_.settings->FlashRecordingArea();
  if (flash < 0 || flash > 2) flash = 0;
  view.SetCheck(IDC_FLASH_AREA, flash != 0);
  ShowRadioValue(view, kCaptureTypeRadios, parts_.capture->CaptureType());
}

void CTovaskDlg::ReadControls() {
  const DialogView& view = ports_.view;
  parts_.settings->AudioMode() = ReadRadioValue(view, kAudioModeRadios);
  parts_.settings->OutputFileName() = view.GetControlText(IDC_OUTPUT_FILE, main_dialog::kOutputEditBufferChars);
  parts_.settings->FlashRecordingArea() = view.IsChecked(IDC_FLASH_AREA) ? 1 : 0;
  parts_.capture->CaptureType() = ReadRadioValue(view, kCaptureTypeRadios);
}

}  // namespace mavrion
