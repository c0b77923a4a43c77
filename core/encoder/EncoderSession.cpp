#include "core/encoder/EncoderSession.h"

#include "core/capture/CaptureRects.h"
#include "core/encoder/AudioDevices.h"
#include "core/encoder/CaptureProperties.h"
#include "core/encoder/ErrorBox.h"
#include "core/encoder/VideoProfile.h"
#include "core/platform/TextRules.h"

namespace mavrion::encoder {
namespace {

// Controls of the main dialog the settings are read from.
constexpr int kAudioDeviceList = kAudioDeviceListId;
constexpr int kFrameRateList = kFrameRateListId;
constexpr int kHeightList = kHeightListId;
constexpr int kWidthList = kWidthListId;
constexpr int kQualityList = kQualityListId;

std::string Cut(const std::string& text, std::size_t maxChars) { return text.substr(0, maxChars); }

}  // namespace

void ApplyEncoderSettings(DataExchange& dialog, const DialogView& view,
                          const VideoMetadata& metadata, EncoderSettings& settings) {
  dialog.RefreshControls();

  // Entry 0 is the "Default Audio Input Device" entry; every other entry is
  // a device name exactly as listed. A name too long for the path is cut:
  // the component then refuses it when the session is prepared.
  if (view.ComboSelection(kAudioDeviceList) == 0) {
    settings.AudioDevicePath = kDefaultAudioInput;
  } else {
    settings.AudioDevicePath =
        Cut(kAudioInputPrefix + view.ComboSelectedText(kAudioDeviceList), kMaxAudioDevicePath);
  }

  settings.FrameRate = TextToInt(view.ComboSelectedText(kFrameRateList));
  settings.VideoHeight = TextToInt(view.ComboSelectedText(kHeightList));
  settings.VideoWidth = TextToInt(view.ComboSelectedText(kWidthList));
  settings.ImageQuality = TextToInt(view.ComboSelectedText(kQualityList));

  settings.Author = Cut(metadata.Author, kMaxAuthor);
  settings.Title = Cut(metadata.Title, kMaxTitle);
  settings.Copyright = Cut(metadata.Copyright, kMaxCopyright);
  settings.Description = Cut(metadata.Description, kMaxDescription);
}

HResult BuildEncoderSession(EncoderSession& session, const EncoderSettings& settings,
                            const SessionCapture& capture, EncoderPorts ports) {
  ReleaseEncoderSession(session);
  const ErrorBox error(ports.boxes);
  HResult hr = kS_OK;

  if (Failed(Obtained(ports.factory.CreateEncoder(&session.Encoder), session.Encoder))) {
    return error("Unable to Create Encoder Object", kE_FAIL);
  }
  Encoder& encoder = *session.Encoder.Get();

  // Every reference below is local and given back when the build returns;
  // the source group keeps what it needs by itself.
  Ref<SourceGroupCollection> collection;
  if (Failed(Obtained(encoder.GetSourceGroupCollection(&collection), collection))) {
    return error("Unable to Get Source Group Collection", kE_FAIL);
  }
  Ref<SourceGroup> group;
  if (Failed(hr = Obtained(collection->Add(kSourceGroupName, &group), group))) {
    return error("Unable to Add A Source Group to the Collection", hr);
  }

  if (settings.ContentType == kContentAudioAndVideo) {
    Ref<Source> source;
    if (Failed(hr = Obtained(group->AddSource(SourceType::Audio, &source), source))) {
      return error("Unable to add an audio Source", hr);
    }
    Ref<AudioSource> audio;
    if (Failed(hr = Obtained(source->QueryAudioSource(&audio), audio))) {
      return error("Unable to Query interface for Audio Source", hr);
    }
    if (Failed(hr = audio->SetInput(settings.AudioDevicePath, "", ""))) {
      return error("Unable to Set Audio Input Source", hr);
    }
  }

  Ref<Source> source;
  if (Failed(hr = Obtained(group->AddSource(SourceType::Video, &source), source))) {
    return error("Unable to Add A Video Source to the Source Group", hr);
  }
  Ref<VideoSource> video;
  if (Failed(hr = Obtained(source->QueryVideoSource(&video), video))) {
    return error("Unable to Query interface for Video Source", hr);
  }
  if (Failed(hr = video->SetInput(kScreenCaptureInput, "", ""))) {
    return error("Unable to Set Video Input Source", hr);
  }
  Ref<PropertyBag> bag;
  if (Failed(hr = Obtained(video->QueryPropertyBag(&bag), bag))) {
    return error("Unable to Query Interface for Propery bag", hr);
  }
  // The writes' results are not looked at; only a followed window that has
  // closed leaves nothing to record.
  if (!WriteCaptureAreaProperties(*bag.Get(), capture)) return error(kSelectedWindowClosedMessage, kE_FAIL);

  // The profile build shows its own message.
  if (Failed(hr = BuildVideoProfile(session, settings, ports))) return hr;

  Ref<ProfileView> profileView;
  if (Failed(hr = Obtained(session.Profile->QueryProfileView(&profileView), profileView))) {
    return error("Unable to Query Interface For Profile", hr);
  }
  if (Failed(hr = group->PutProfile(profileView.Get()))) {
    return error("Unable to Set Profile For Source Group", hr);
  }

  Ref<OutputFile> file;
  if (Failed(hr = Obtained(encoder.GetFile(&file), file))) {
    return error("Unable to Get Encoder Output File Object", hr);
  }
  if (Failed(hr = file->PutLocalFileName(Cut(capture.request.OutputFileName, kMaxOutputFileName)))) {
    return error("Unable to Set Output File Name", hr);
  }

  if (Failed(hr = encoder.PrepareToEncode(true))) {
    return error(
        "Unable to Prepare for Encoding. \r\nPlease check if your audio input device like "
        "microphone is attached and working correctly.",
        hr);
  }
  return hr;
}

void ReleaseEncoderSession(EncoderSession& session) {
  session.Profile.Reset();
  if (session.Encoder) {
    // Results ignored: whatever state the encoder is in, it is let go.
    session.Encoder->PrepareToEncode(false);
    session.Encoder->Stop();
    session.Encoder.Reset();
  }
}

}  // namespace mavrion::encoder
