#include "win32/app/MainDialogWiring.h"

#include <objbase.h>

#include <memory>

#include "core/capture/CaptureRects.h"
#include "core/capture/CaptureSelection.h"
#include "core/encoder/EncodingEngine.h"
#include "core/recording/HookBinding.h"
#include "core/recording/RecordingController.h"
#include "core/settings/ActivityLog.h"
#include "core/settings/OutputFileName.h"
#include "core/settings/RecordingSettings.h"
#include "core/settings/SettingsFile.h"
#include "resources/resource.h"
#include "win32/capture/OpenWindowsDialog.h"
#include "win32/capture/Win32Finder.h"

namespace mavrion {

namespace {

HWND WindowOf(CTovaskDlg& dialog) { return reinterpret_cast<HWND>(dialog.View().Handle()); }

class Win32ComApartment final : public ComApartment {
 public:
  void Enter() override { CoInitialize(nullptr); }
  void Leave() override { CoUninitialize(); }
};

// The settings record, the settings file, the browse button and the log.
class SettingsSubsystem final : public SettingsPart {
 public:
  SettingsSubsystem(CTovaskDlg& dialog, ProgramServices& services)
      : dialog_(dialog),
        services_(services),
        log_(services.clock, services.executable, services.files, services.codePage) {}

  RecordingSettings& Record() { return settings_; }

  std::int32_t& AudioMode() override { return settings_.AudioMode; }
  std::string& OutputFileName() override { return settings_.OutputFileName; }
  std::int32_t& FlashRecordingArea() override { return settings_.FlashRecordingArea; }
  void FillSettingLists() override { mavrion::FillSettingLists(dialog_.View()); }
  void LoadSettings() override { mavrion::LoadSettings(settings_, Ports()); }
  void OnSaveSettings() override { mavrion::OnSaveSettings(settings_, Ports()); }
  void OnBrowse() override {
    if (OnBrowseOutputFile(settings_, BrowsePorts{dialog_.View(), dialog_, services_.saveAs, dialog_.Boxes(),
                                                  services_.codePage, dialog_.ApplicationName()})) {
      recorded_.NoteChosen();
    }
  }
  void RenewRecordedOutputName() override {
    settings_.OutputFileName = recorded_.NameForNextRecording(
        settings_.OutputFileName, ExecutableDirectory(services_.executable, services_.codePage),
        services_.clock.Now(), services_.codePage);
  }
  void NoteOutputNameRecorded() override { recorded_.NoteRecorded(settings_.OutputFileName); }
  void WriteActivityLog(const std::string& text) override { log_.WriteActivityLog("%s", text.c_str()); }

 private:
  SettingsPorts Ports() {
    return SettingsPorts{dialog_.View(), dialog_, services_.profile, services_.executable, services_.clock,
                         services_.codePage};
  }

  CTovaskDlg& dialog_;
  ProgramServices& services_;
  RecordingSettings settings_;
  RecordedOutputNames recorded_;
  ActivityLog log_;
};

// The capture-type radios, the start check, the window picker and the
// finder tool. The flash flag it copies at Start lives in the settings.
class CaptureSubsystem final : public CapturePart {
 public:
  CaptureSubsystem(CTovaskDlg& dialog, ProgramServices& services, RecordingSettings& settings)
      : dialog_(dialog),
        services_(services),
        settings_(settings),
        selection_(CaptureSelection::Ports{dialog.View(), dialog, dialog.Boxes(), services.windows}) {}

  const CaptureRequest& Request() const { return selection_.Request(); }

  std::int32_t& CaptureType() override { return selection_.TypeBinding(); }
  const SelectedApplications& Selection() const override { return selection_.Selection(); }
  // The request keeps its output name as a string of at most 255
  // characters: there is no separate buffer to make or free.
  void AllocateOutputNameBuffer() override {}
  void FreeOutputNameBuffer() override {}
  void FinderPrepare() override { PrepareFinderTool(); }
  void UpdateAreaControls() override { selection_.UpdateAreaControls(); }
  void CreatePicker() override {
    picker_ = std::make_unique<OpenWindowsDialog>(services_.windows, dialog_.Boxes());
    selection_.AttachPicker(picker_.get());
  }
  void DeletePicker() override {
    selection_.AttachPicker(nullptr);
    picker_.reset();
  }
  void OnCaptureRadio(int radioId) override { selection_.OnCaptureRadio(radioId); }
  void OnFlashRecordingArea() override {
    settings_.FlashRecordingArea = settings_.FlashRecordingArea == 0 ? 1 : 0;
    dialog_.RefreshControls();
  }
  void OnFinderClick() override { RouteFinderClick(WindowOf(dialog_)); }
  bool PrepareCaptureRequest() override {
    return selection_.PrepareCaptureRequest(settings_.OutputFileName, settings_.FlashRecordingArea);
  }
  std::int32_t RequestedCaptureType() const override { return selection_.Request().CaptureType; }

 private:
  CTovaskDlg& dialog_;
  ProgramServices& services_;
  RecordingSettings& settings_;
  CaptureSelection selection_;
  std::unique_ptr<OpenWindowsDialog> picker_;
};

}  // namespace

MainDialogParts MakeMainDialogParts(CTovaskDlg& dialog, ProgramServices& services, UiDispatcher& ui) {
  auto settings = std::make_unique<SettingsSubsystem>(dialog, services);
  auto capture = std::make_unique<CaptureSubsystem>(dialog, services, settings->Record());
  auto engine = std::make_unique<encoder::EncodingEngine>(encoder::EncodingEngine::Ports{
      services.components, dialog.Boxes(), dialog, dialog.View(), services.devices,
      dialog.VideoDescription().Texts(), capture->Request(),
      [&windows = services.windows](WindowHandle selectedWindow) {
        return ComputeApplicationsRect(windows, selectedWindow);
      }});
  MainDialogParts parts;
  parts.com = std::make_unique<Win32ComApartment>();
  parts.recording = std::make_unique<RecordingController>(
      RecordingController::Ports{dialog.View(), dialog, *capture, *settings, *engine, dialog, dialog.Boxes(),
                                 services.clock, services.threads, ui, services.foreground,
                                 dialog.ApplicationName()});
  parts.capture = std::move(capture);
  parts.settings = std::move(settings);
  parts.encoder = std::move(engine);
  parts.hook = std::make_unique<HookBinding>(
      HookBinding::Ports{services.hookLibrary, dialog.Boxes(), dialog.ApplicationName()});
  return parts;
}

}  // namespace mavrion
