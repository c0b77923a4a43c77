#include "win32/app/MainDialogWiring.h"

#include <objbase.h>

#include <memory>

#include "core/app/ControllerRecordingPart.h"
#include "core/capture/CaptureRects.h"
#include "core/capture/CaptureSelection.h"
#include "core/encoder/EncodingEngine.h"
#include "core/recording/HookBinding.h"
#include "core/settings/ActivityLog.h"
#include "core/settings/OutputFileName.h"
#include "core/settings/RecordingSettings.h"
#include "core/settings/SettingsFile.h"
#include "resources/resource.h"
#include "win32/capture/OpenWindowsDialog.h"
#include "win32/capture/Win32Finder.h"
#include "win32/recording/Win32HookLibrary.h"

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

// The one encoder session and the audio device list.
class EncoderSubsystem final : public EncoderPart {
 public:
  EncoderSubsystem(CTovaskDlg& dialog, ProgramServices& services, const CaptureRequest& request)
      : engine_(encoder::EncodingEngine::Ports{
            services.components, dialog.Boxes(), dialog, dialog.View(), services.devices,
            dialog.VideoDescription().Texts(), request,
            [&windows = services.windows](WindowHandle selectedWindow) {
              return ComputeApplicationsRect(windows, selectedWindow);
            }}) {}

  void SetContentType(std::int32_t contentType) override { engine_.SetContentType(contentType); }
  void LoadAudioDeviceList() override { engine_.LoadAudioDeviceList(); }
  void ApplyEncoderSettings() override { engine_.ApplyEncoderSettings(); }
  HResult BuildEncoderSession() override { return engine_.BuildEncoderSession(); }
  void ReleaseEncoderSession() override { engine_.ReleaseEncoderSession(); }
  bool HasEncoder() const override { return engine_.HasEncoder(); }
  HResult StartEncoder() override { return engine_.StartEncoder(); }
  HResult PauseEncoder() override { return engine_.PauseEncoder(); }
  HResult StopEncoder() override { return engine_.StopEncoder(); }
  void AdviseEncoderStopped(std::function<void()> notice) override {
    engine_.AdviseEncoderStopped(std::move(notice));
  }

 private:
  encoder::EncodingEngine engine_;
};

class HookSubsystem final : public HookPart {
 public:
  HookSubsystem(MessageBoxes& boxes, const std::string& applicationName)
      : binding_(HookBinding::Ports{library_, boxes, applicationName}) {}
  void Install(WindowHandle window) override { binding_.Install(window); }
  void UnHook() override { binding_.UnHook(); }

 private:
  Win32HookLibrary library_;  // declared first: the binding keeps it
  HookBinding binding_;
};

}  // namespace

MainDialogParts MakeMainDialogParts(CTovaskDlg& dialog, ProgramServices& services, UiDispatcher& ui) {
  auto settings = std::make_unique<SettingsSubsystem>(dialog, services);
  auto capture = std::make_unique<CaptureSubsystem>(dialog, services, settings->Record());
  auto encoder = std::make_unique<EncoderSubsystem>(dialog, services, capture->Request());
  MainDialogParts parts;
  parts.com = std::make_unique<Win32ComApartment>();
  parts.recording = std::make_unique<ControllerRecordingPart>(
      RecordingController::Ports{dialog.View(), dialog, dialog.Boxes(), services.clock, services.threads, ui,
                                 services.foreground, capture->Selection(), dialog.ApplicationName()});
  parts.capture = std::move(capture);
  parts.settings = std::move(settings);
  parts.encoder = std::move(encoder);
  parts.hook = std::make_unique<HookSubsystem>(dialog.Boxes(), dialog.ApplicationName());
  return parts;
}

}  // namespace mavrion
