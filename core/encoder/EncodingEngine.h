#pragma once
// The program's one encoder session with the settings it is built from, and
// the operations the main dialog and the recording commands run on it. All
// of it runs on the dialog's thread.
#include <cstdint>

#include "core/encoder/EncoderSession.h"

namespace mavrion::encoder {

class EncodingEngine {
 public:
  struct Ports {
    ComponentFactory& factory;
    MessageBoxes& boxes;
    DataExchange& dialog;     // the main dialog's RefreshControls
    const DialogView& view;   // its lists 1010, 1011, 1014, 1015, 1017
  };
  explicit EncodingEngine(Ports ports);
  // Gives back whatever session is still held.
  ~EncodingEngine();
  EncodingEngine(const EncodingEngine&) = delete;
  EncodingEngine& operator=(const EncodingEngine&) = delete;

  void ApplyEncoderSettings(const VideoMetadata& metadata);
  HResult BuildEncoderSession(const SessionCapture& capture);
  void ReleaseEncoderSession();
  bool HasEncoder() const;

  // On the session's encoder; E_POINTER when none is held.
  HResult StartEncoder();  // also resumes after a pause
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
