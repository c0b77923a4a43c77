#pragma once
// Fakes around the main dialog, one of each port: the window's services and
// the dialog's parts, which the recording controller's tests use as well.
// Calls are written to one shared log, so tests check the order.
#include <map>
#include <string>
#include <vector>

#include "core/app/CTovaskDlg.h"
#include "core/app/MainDialogParts.h"
#include "core/app/MainWindowShell.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/ui/TrayShell.h"
#include "tests/unit/platform/FakeDialogView.h"

namespace mavrion::app_fakes {

using Log = std::vector<std::string>;

using Menu = test_fakes::FakeMenu;

// Controls by id: texts, checks, enabled states, combo entries; the output
// name shown and the window shown or hidden go to the log.
class View : public test_fakes::FakeDialogView {
 public:
  explicit View(Log& log) : FakeDialogView(0x102), log_(log) {}
  void SetControlText(int id, const std::string& text) override {
    FakeDialogView::SetControlText(id, text);
    if (id == 1000) log_.push_back("show name \"" + text + "\"");
  }
  void Show(bool visible) override {
    FakeDialogView::Show(visible);
    log_.push_back(visible ? "show window" : "hide window");
  }

 private:
  Log& log_;
};

class WindowShell : public MainWindowShell {
 public:
  explicit WindowShell(Log& log) : log_(log) {}
  IconHandle LoadApplicationIcon() override { return 0x128; }
  void SetWindowIcons(IconHandle icon) override { log_.push_back("set icons " + std::to_string(icon)); }
  bool HasSystemMenu() override { return hasSystemMenu; }
  std::string LoadText(int stringId) override { return stringId == 101 ? aboutText : ""; }
  void AppendSystemMenuSeparator() override { log_.push_back("system menu separator"); }
  void AppendSystemMenuItem(int commandId, const std::string& text) override {
    log_.push_back("system menu item " + std::to_string(commandId) + " " + text);
  }
  void EndDialog(int result) override {
    endResult = result;
    log_.push_back("end dialog " + std::to_string(result));
  }
  void RunAboutBox() override { log_.push_back("about box"); }
  void RunVideoDescription(CVideoDesc&) override { log_.push_back("video description"); }
  void ShellOpen(const std::string& verb, const std::string& file) override {
    log_.push_back("shell " + verb + " " + file);
  }

  bool hasSystemMenu = true;
  std::string aboutText = "&About Tovask...";
  int endResult = 0;

 private:
  Log& log_;
};

class Tray : public TrayShell {
 public:
  explicit Tray(Log& log) : log_(log) {}
  bool NotifyIcon(NotifyAction action, const NotifyIconRecord& record) override {
    static const char* names[] = {"add", "modify", "delete"};
    log_.push_back(std::string("tray ") + names[static_cast<int>(action)]);
    last = record;
    return accept;
  }
  IconHandle LoadIconResource(int id) override { return static_cast<IconHandle>(id) + 0x10000; }
  bool LoadTrayMenu(int id) override {
    log_.push_back("tray menu " + std::to_string(id));
    menuLoaded = true;
    return true;
  }
  bool HasTrayMenu() const override { return menuLoaded; }
  MenuView& TrayMenu() override { return menu; }
  void TrackTrayMenu(int, int) override { log_.push_back("track tray menu"); }
  void SetTrayMenuDefaultItem(int position) override { log_.push_back("default item " + std::to_string(position)); }
  void CursorPosition(int& x, int& y) override { x = 10, y = 20; }
  void ShowWindow(bool visible) override { log_.push_back(visible ? "show window" : "hide window"); }

  bool accept = true;
  bool menuLoaded = false;
  NotifyIconRecord last;
  Menu menu;

 private:
  Log& log_;
};

class Boxes : public MessageBoxes {
 public:
  explicit Boxes(Log& log) : log_(log) {}
  int Show(WindowHandle owner, const std::string& text, const std::string& caption, unsigned style) override {
    log_.push_back("box " + text);
    lastOwner = owner;
    lastCaption = caption;
    lastStyle = style;
    return answer;
  }
  int answer = mb::kIdYes;
  WindowHandle lastOwner = 0;
  std::string lastCaption;
  unsigned lastStyle = 0;

 private:
  Log& log_;
};

// ---------------------------------------------------------------- parts

class Com : public ComApartment {
 public:
  explicit Com(Log& log) : log_(log) {}
  void Enter() override { log_.push_back("CoInitialize"); }
  void Leave() override { log_.push_back("CoUninitialize"); }

 private:
  Log& log_;
};

class Capture : public CapturePart {
 public:
  explicit Capture(Log& log) : log_(log) {}
  std::int32_t& CaptureType() override { return type; }
  const SelectedApplications& Selection() const override { return selection; }
  void AllocateOutputNameBuffer() override { log_.push_back("allocate name buffer"); }
  void FreeOutputNameBuffer() override { log_.push_back("free name buffer"); }
  void FinderPrepare() override { log_.push_back("FinderPrepare"); }
  void UpdateAreaControls() override { log_.push_back("UpdateAreaControls type " + std::to_string(type)); }
  void CreatePicker() override { log_.push_back("create picker"); }
  void DeletePicker() override { log_.push_back("delete picker"); }
  void OnCaptureRadio(int radioId) override { log_.push_back("capture radio " + std::to_string(radioId)); }
  void OnFlashRecordingArea() override { log_.push_back("flash check box"); }
  void OnFinderClick() override { log_.push_back("finder click"); }
  bool PrepareCaptureRequest() override {
    log_.push_back("prepare");
    requested = type;
    return prepareAnswer;
  }
  std::int32_t RequestedCaptureType() const override { return requested; }

  std::int32_t type = 77;  // not a value the dialog would set
  std::int32_t requested = -1;
  bool prepareAnswer = true;
  SelectedApplications selection;

 private:
  Log& log_;
};

class Settings : public SettingsPart {
 public:
  explicit Settings(Log& log) : log_(log) {}
  std::int32_t& AudioMode() override { return audioMode; }
  std::string& OutputFileName() override { return outputFileName; }
  std::int32_t& FlashRecordingArea() override { return flash; }
  void FillSettingLists() override { log_.push_back("fill setting lists"); }
  void LoadSettings() override { log_.push_back("LoadSettings"); }
  void OnSaveSettings() override { log_.push_back("save settings"); }
  void OnBrowse() override { log_.push_back("browse"); }
  void RenewRecordedOutputName() override {
    ++renewals;
    if (!renewedName.empty()) outputFileName = renewedName;
  }
  void NoteOutputNameRecorded() override { recordedNames.push_back(outputFileName); }
  void WriteActivityLog(const std::string& text) override { log_.push_back("log " + text); }

  std::int32_t audioMode = 77;
  std::string outputFileName = "left over";
  std::string renewedName;  // what a renewal gives; "" keeps the name
  int renewals = 0;
  std::vector<std::string> recordedNames;  // names of the recordings begun
  std::int32_t flash = 77;

 private:
  Log& log_;
};

// The encoder session: what the component answers is the test's to say.
class Encoder : public encoder::EncoderControl {
 public:
  explicit Encoder(Log& log) : log_(log) {}
  void LoadAudioDeviceList() override { log_.push_back("audio device list"); }
  void SetContentType(std::int32_t type) override {
    contentType = type;
    log_.push_back("content " + std::to_string(type));
  }
  void ApplyEncoderSettings() override { log_.push_back("apply"); }
  HResult BuildEncoderSession() override {
    log_.push_back("build");
    session = true;  // a failed build may still hold a partly made session
    return buildAnswer;
  }
  void ReleaseEncoderSession() override {
    log_.push_back("release");
    // Releasing a session whose encoder runs stops it: the file is finished.
    if (running) fileFinished = true;
    session = false;
    running = false;
  }
  bool HasEncoder() const override { return session; }
  HResult StartEncoder() override {
    log_.push_back("start encoder");
    if (!Failed(startAnswer)) running = true;
    return startAnswer;
  }
  HResult PauseEncoder() override {
    log_.push_back("pause encoder");
    return pauseAnswer;
  }
  HResult StopEncoder() override {
    log_.push_back("stop encoder");
    if (!Failed(stopAnswer)) running = false;
    return stopAnswer;
  }
  void AdviseEncoderStopped(std::function<void()> notice) override { stoppedNotice = std::move(notice); }

  std::int32_t contentType = 0;
  bool session = false;
  bool running = false;
  bool fileFinished = false;
  HResult buildAnswer = kS_OK;
  HResult startAnswer = kS_OK;
  HResult pauseAnswer = kS_OK;
  HResult stopAnswer = kS_OK;
  std::function<void()> stoppedNotice;  // as the encoder would call it

 private:
  Log& log_;
};

class Hook : public HookPart {
 public:
  explicit Hook(Log& log) : log_(log) {}
  bool Install(WindowHandle window) override {
    log_.push_back("install hook " + std::to_string(window));
    return true;
  }
  void UnHook() override { log_.push_back("UnHook"); }

 private:
  Log& log_;
};

class Recording : public RecordingPart {
 public:
  explicit Recording(Log& log) : log_(log) {}
  void OnStartButton() override { log_.push_back("OnStartButton"); }
  void OnStartCapture() override { log_.push_back("OnStartCapture"); }
  void OnPauseResumeButton() override { log_.push_back("OnPauseResumeButton"); }
  void OnPauseCapture() override { log_.push_back("OnPauseCapture"); }
  void OnResumeCapture() override { log_.push_back("OnResumeCapture"); }
  void OnStopButton() override { log_.push_back("OnStopButton"); }
  void OnStopCapture() override { log_.push_back("OnStopCapture"); }
  void EnableControls(bool idle) override { log_.push_back(idle ? "EnableControls(true)" : "EnableControls(false)"); }
  void OnRecordAudioAndVideo() override { log_.push_back("OnRecordAudioAndVideo"); }
  void OnRecordOnlyVideo() override { log_.push_back("OnRecordOnlyVideo"); }
  void OnRecorderHotKey(GlobalKey key) override {
    log_.push_back("hotkey F" + std::to_string(static_cast<int>(key) + 6));
  }
  void ResetToIdle() override { log_.push_back("ResetToIdle"); }
  void EndBeforeWindowCloses() override { log_.push_back("EndBeforeWindowCloses"); }

 private:
  Log& log_;
};

// The dialog over fakes of everything it drives. The parts' fakes are
// reachable through the pointers kept at construction.
struct DialogRig {
  Log log;
  View view{log};
  WindowShell window{log};
  Tray tray{log};
  Boxes boxes{log};
  ModalWindows modal;
  Com* com = nullptr;
  Capture* capture = nullptr;
  Settings* settings = nullptr;
  Encoder* encoder = nullptr;
  Hook* hook = nullptr;
  Recording* recording = nullptr;

  MainDialogParts MakeFakeParts() {
    MainDialogParts parts;
    parts.com = std::make_unique<Com>(log);
    parts.capture = std::make_unique<Capture>(log);
    parts.settings = std::make_unique<Settings>(log);
    parts.encoder = std::make_unique<Encoder>(log);
    parts.hook = std::make_unique<Hook>(log);
    parts.recording = std::make_unique<Recording>(log);
    com = static_cast<Com*>(parts.com.get());
    capture = static_cast<Capture*>(parts.capture.get());
    settings = static_cast<Settings*>(parts.settings.get());
    encoder = static_cast<Encoder*>(parts.encoder.get());
    hook = static_cast<Hook*>(parts.hook.get());
    recording = static_cast<Recording*>(parts.recording.get());
    return parts;
  }

  CTovaskDlg::Ports Ports() { return CTovaskDlg::Ports{view, window, tray, boxes, modal, "Mavrion"}; }
};

}  // namespace mavrion::app_fakes
