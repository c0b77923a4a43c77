#pragma once
// The one encoder session of a recording: the values it is built from, the
// two references it keeps, and its assembly and release.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/capture/CaptureRequest.h"
#include "core/encoder/EncoderComponent.h"
#include "core/encoder/VideoMetadata.h"
#include "core/platform/DataExchange.h"
#include "core/platform/DialogView.h"
#include "core/platform/MessageBoxes.h"
#include "core/settings/RecordingSettings.h"

namespace mavrion::encoder {

inline constexpr std::size_t kMaxAudioDevicePath = 299;
inline constexpr std::size_t kMaxAuthor = 50;
inline constexpr std::size_t kMaxTitle = 50;
inline constexpr std::size_t kMaxCopyright = 50;
inline constexpr std::size_t kMaxDescription = 200;

// Fixed names handed to the component.
inline constexpr const char* kSourceGroupName = "SourceGroup1";
inline constexpr const char* kScreenCaptureInput = "ScreenCap://ScreenCapture1";
inline constexpr const char* kDefaultAudioInput = "Device://Default_Audio_Device";
inline constexpr const char* kAudioInputPrefix = "Device://";

// Values a session is built from; frozen at every Start.
struct EncoderSettings {
  std::string AudioDevicePath;  // at most kMaxAudioDevicePath characters
  std::int32_t FrameRate = 0;
  std::int32_t VideoHeight = 0;
  std::int32_t VideoWidth = 0;
  std::int32_t ImageQuality = 0;
  std::int32_t ContentType = kContentVideoOnly;  // only the audio-mode radios change it
  std::string Author;
  std::string Title;
  std::string Copyright;
  std::string Description;
};

// Empty between recordings. Every other reference taken while building is
// given back before the build returns.
struct EncoderSession {
  Ref<encoder::Encoder> Encoder;
  Ref<encoder::Profile> Profile;
};

struct EncoderPorts {
  ComponentFactory& factory;
  MessageBoxes& boxes;  // the build's error boxes: no owner, "Error"
};

// Works out the rectangle of the applications being followed, at the moment
// the session is built (the capture subsystem's ComputeApplicationsRect);
// empty when the one selected window has closed since it was chosen.
using ApplicationsRectFunction = std::function<std::optional<CaptureRect>(WindowHandle selectedWindow)>;

// What the build reads of the capture choice frozen at Start.
struct SessionCapture {
  const CaptureRequest& request;
  ApplicationsRectFunction computeApplicationsRect;  // used for SpecificApplications only
};

// Refreshes the dialog's controls, then reads the audio device, frame rate,
// size and quality lists into settings and copies the shortened metadata.
// ContentType is left alone.
void ApplyEncoderSettings(DataExchange& dialog, const DialogView& view,
                          const VideoMetadata& metadata, EncoderSettings& settings);

// Builds and prepares the session. A negative result has been shown to the
// user already; the caller then runs ReleaseEncoderSession. Any session
// still held is released first, so at most one exists. A recording of
// selected applications whose window has closed is refused (E_FAIL) before
// the profile is made.
HResult BuildEncoderSession(EncoderSession& session, const EncoderSettings& settings,
                            const SessionCapture& capture, EncoderPorts ports);

// Harmless when nothing is held.
void ReleaseEncoderSession(EncoderSession& session);

}  // namespace mavrion::encoder
