#pragma once
// The subsystems the main dialog drives, each behind a small interface of
// its own, so the dialog's start-up and close orders stay the dialog's
// business. The recording controller drives the capture, settings and
// encoder parts through the same interfaces. The program wires the real
// subsystems; tests wire one fake of each.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/capture/SelectedApplications.h"
#include "core/encoder/EncodingEngine.h"
#include "core/platform/Types.h"
#include "core/recording/RecordingControl.h"

namespace mavrion {

class CTovaskDlg;

// The single-threaded COM apartment of the dialog's thread.
class ComApartment {
 public:
  virtual ~ComApartment() = default;
  virtual void Enter() = 0;  // CoInitialize(NULL)
  virtual void Leave() = 0;  // CoUninitialize()
};

// Capture area selection: the capture-type radios with their value, the
// request frozen at Start, the window picker and the finder tool.
class CapturePart {
 public:
  virtual ~CapturePart() = default;
  // The value the capture-type radio group exchanges (-1 none, 0 to 3).
  virtual std::int32_t& CaptureType() = 0;
  virtual const SelectedApplications& Selection() const = 0;

  virtual void AllocateOutputNameBuffer() = 0;  // the request's 256-byte name buffer
  virtual void FreeOutputNameBuffer() = 0;
  virtual void FinderPrepare() = 0;
  virtual void UpdateAreaControls() = 0;
  virtual void CreatePicker() = 0;
  virtual void DeletePicker() = 0;

  virtual void OnCaptureRadio(int radioId) = 0;  // one of the capture-type radios
  virtual void OnFlashRecordingArea() = 0;       // check box IDC_FLASH_AREA
  // A press on the finder picture IDC_FINDER_TOOL; the window hands the
  // drag's mouse messages to the finder tool itself.
  virtual void OnFinderClick() = 0;

  // Checks the choice and freezes it with the output name for the session.
  virtual bool PrepareCaptureRequest() = 0;
  virtual std::int32_t RequestedCaptureType() const = 0;  // as frozen by the last prepare
};

// Settings and output: the values they keep for the dialog's data
// exchange, the four setting lists, the settings file, the browse button
// and the activity log.
class SettingsPart {
 public:
  virtual ~SettingsPart() = default;
  virtual std::int32_t& AudioMode() = 0;           // the audio radio group: -1, 0 audio and video, 1 video only
  virtual std::string& OutputFileName() = 0;       // edit IDC_OUTPUT_FILE
  virtual std::int32_t& FlashRecordingArea() = 0;  // check box IDC_FLASH_AREA

  virtual void FillSettingLists() = 0;  // the height, width, frame rate and quality lists
  virtual void LoadSettings() = 0;      // the INI file and the default output name
  virtual void OnSaveSettings() = 0;    // button IDC_SAVE_SETTINGS
  virtual void OnBrowse() = 0;          // button IDC_BROWSE "..."
  // Before a new recording: an output name that a recording of this run
  // already wrote is replaced by a fresh time-stamped one, unless the user
  // chose it with "..." since.
  virtual void RenewRecordedOutputName() = 0;
  // The encoder has started a new recording into the output name.
  virtual void NoteOutputNameRecorded() = 0;
  virtual void WriteActivityLog(const std::string& text) = 0;
};

// The keyboard-hook library that reports F6 to F9 (HookBinding).
class HookPart {
 public:
  virtual ~HookPart() = default;
  // Loads the library and calls installhook; answers whether the keys work.
  virtual bool Install(WindowHandle window) = 0;
  virtual void UnHook() = 0;  // when the library offers it
};

// The recording commands (RecordingController).
class RecordingPart {
 public:
  virtual ~RecordingPart() = default;
  virtual void OnStartButton() = 0;
  virtual void OnStartCapture() = 0;
  virtual void OnPauseResumeButton() = 0;
  virtual void OnPauseCapture() = 0;
  virtual void OnResumeCapture() = 0;
  virtual void OnStopButton() = 0;
  virtual void OnStopCapture() = 0;
  virtual void EnableControls(bool idle) = 0;
  virtual void OnRecordAudioAndVideo() = 0;
  virtual void OnRecordOnlyVideo() = 0;
  virtual void OnRecorderHotKey(GlobalKey key) = 0;
  virtual void ResetToIdle() = 0;
  // A running recording is stopped and its file finished, and the worker
  // threads have ended.
  virtual void EndBeforeWindowCloses() = 0;
};

// Destroyed in reverse order: the recording commands go first, while the
// encoder session they may still stop exists.
struct MainDialogParts {
  std::unique_ptr<ComApartment> com;
  std::unique_ptr<CapturePart> capture;
  std::unique_ptr<SettingsPart> settings;
  std::unique_ptr<encoder::EncoderControl> encoder;
  std::unique_ptr<HookPart> hook;
  std::unique_ptr<RecordingPart> recording;
};

// Makes every part once the dialog object exists (none may be missing); the
// parts may keep the dialog (its view, data exchange, boxes, tray icon) but
// must not call it yet.
using MainDialogPartsFactory = std::function<MainDialogParts(CTovaskDlg& dialog)>;

}  // namespace mavrion
