#pragma once
// The program's one encoder session with the settings it is built from, the
// audio device list, and the operations the main dialog and the recording
// commands run on them. All of it runs on the dialog's thread.
#include <cstdint>
#include <functional>

#include "core/capture/CaptureRequest.h"
#include "core/encoder/AudioDevices.h"
#include "core/encoder/EncoderSession.h"
#include "core/encoder/VideoMetadata.h"

namespace mavrion::encoder {

class EncodingEngine {
 public:
  // Everything here outlives the engine.
  struct Ports {
    ComponentFactory& factory;
    MessageBoxes& boxes;
    DataExchange& dialog;            // the main dialog's RefreshControls
    DialogView& view;                // its lists 1010, 1011, 1014, 1015, 1017
    DeviceServices& devices;         // the audio capture devices
    const VideoMetadata& metadata;   // the video description dialog's texts
    const CaptureRequest& request;   // as the last PrepareCaptureRequest froze it
    ApplicationsRectFunction computeApplicationsRect;
  };
  explicit EncodingEngine(Ports ports);
  // Gives back whatever session is still held.
  ~EncodingEngine();
  EncodingEngine(const EncodingEngine&) = delete;
  EncodingEngine& operator=(const EncodingEngine&) = delete;

  // Start-up: fills list 1017, then warns when it holds only its default
  // entry.
  void LoadAudioDeviceList();

  void ApplyEncoderSettings();
  HResult BuildEncoderSession();
  void ReleaseEncoderSession();
  bool HasEncoder() const;

  // On the session's encoder; E_POINTER when none is held.
  HResult StartEncoder();  // also resumes after a pause
  // Hands notice to the session's encoder, for a recording that ends by
  // itself; nothing when no session is held.
  void AdviseEncoderStopped(std::function<void()> notice);
  HResult PauseEncoder();
  HResult StopEncoder();

  void SetContentType(std::int32_t contentType);  // kContentVideoOnly or kContentAudioAndVideo

  const EncoderSettings& Settings() const { return settings_; }
  const EncoderSession& Session() const { return session_; }

 private:
  Ports ports_;
  EncoderSettings settings_;
  EncoderSession session_;
};

}  // namespace mavrion::encoder
