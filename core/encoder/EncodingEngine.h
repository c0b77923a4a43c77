#pragma once
// The program's one encoder session with the settings it is built from, the
// audio device list, and the operations the main dialog and the recording
// commands run on them. All of it runs on the dialog's thread.
//
// Stop, or the release of a running session, reaches the component's
// encoder object (EncoderComponent.h): the installed component through
// win32/encoder/AutomationComponent.cpp, or the built-in encoder
// (core/encoder/builtin/model/), which finishes the file.
#include <cstdint>
#include <functional>

#include "core/capture/CaptureRequest.h"
#include "core/encoder/AudioDevices.h"
#include "core/encoder/EncoderSession.h"
#include "core/encoder/VideoMetadata.h"

namespace mavrion::encoder {

// The one encoder session as the main dialog and the recording commands
// drive it; tests fake it.
class EncoderControl {
 public:
  virtual ~EncoderControl() = default;
  // Start-up: fills list IDC_AUDIO_DEVICE_LIST, then warns when it holds
  // only its default entry.
  virtual void LoadAudioDeviceList() = 0;
  virtual void SetContentType(std::int32_t contentType) = 0;  // kContentVideoOnly or kContentAudioAndVideo
  // Takes the setting lists and the video description into the settings the
  // next session is built from.
  virtual void ApplyEncoderSettings() = 0;
  virtual HResult BuildEncoderSession() = 0;
  // Releasing a session whose encoder runs stops it, which finishes the file.
  virtual void ReleaseEncoderSession() = 0;
  virtual bool HasEncoder() const = 0;
  // On the session's encoder; E_POINTER when none is held.
  virtual HResult StartEncoder() = 0;  // also resumes after a pause
  virtual HResult PauseEncoder() = 0;
  virtual HResult StopEncoder() = 0;
  // Given before the encoder starts: notice runs, on any thread, when the
  // recording ends by itself because its file can no longer be written.
  // Nothing when no session is held.
  virtual void AdviseEncoderStopped(std::function<void()> notice) = 0;
};

class EncodingEngine final : public EncoderControl {
 public:
  // Everything here outlives the engine.
  struct Ports {
    ComponentFactory& factory;
    MessageBoxes& boxes;
    DataExchange& dialog;            // the main dialog's RefreshControls
    DialogView& view;                // its setting lists and audio device list
    DeviceServices& devices;         // the audio capture devices
    const VideoMetadata& metadata;   // the video description dialog's texts
    const CaptureRequest& request;   // as the last PrepareCaptureRequest froze it
    ApplicationsRectFunction computeApplicationsRect;
  };
  explicit EncodingEngine(Ports ports);
  // Gives back whatever session is still held.
  ~EncodingEngine() override;
  EncodingEngine(const EncodingEngine&) = delete;
  EncodingEngine& operator=(const EncodingEngine&) = delete;

  void LoadAudioDeviceList() override;
  void SetContentType(std::int32_t contentType) override;
  void ApplyEncoderSettings() override;
  HResult BuildEncoderSession() override;
  void ReleaseEncoderSession() override;
  bool HasEncoder() const override;
  HResult StartEncoder() override;
  HResult PauseEncoder() override;
  HResult StopEncoder() override;
  void AdviseEncoderStopped(std::function<void()> notice) override;

  const EncoderSettings& Settings() const { return settings_; }
  const EncoderSession& Session() const { return session_; }

 private:
  Ports ports_;
  EncoderSettings settings_;
  EncoderSession session_;
};

}  // namespace mavrion::encoder
