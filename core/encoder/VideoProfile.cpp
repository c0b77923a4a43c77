#include "core/encoder/VideoProfile.h"

#include <algorithm>
#include <cstdint>

#include "core/encoder/ErrorBox.h"

namespace mavrion::encoder {
namespace {

constexpr std::int32_t kAudienceStream = 0;

// Frames per second in the component's unit, thousandths of a frame.
std::int32_t ThousandthsFps(std::int32_t frameRate) {
  const std::int64_t value = std::int64_t{frameRate} * 1000;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// The display information is not essential: each refused text is reported
// and the build goes on.
// "dispaly" and "copyriht" are the program's own texts: keep them as they are.
void WriteDisplayInfo(Encoder* encoder, const EncoderSettings& settings, const ErrorBox& error) {
  Ref<DisplayInfo> info;
  if (!encoder || Failed(Obtained(encoder->GetDisplayInfo(&info), info))) {
    error("Unable to initialize dispaly information.", kE_FAIL);
    return;
  }
  if (Failed(info->PutAuthor(settings.Author))) error("Unable to set author name.", kE_FAIL);
  if (Failed(info->PutCopyright(settings.Copyright))) error("Unable to set copyriht.", kE_FAIL);
  if (Failed(info->PutDescription(settings.Description))) error("Unable to set Description.", kE_FAIL);
  if (Failed(info->PutTitle(settings.Title))) error("Unable to set title.", kE_FAIL);
}

}  // namespace

HResult BuildVideoProfile(EncoderSession& session, const EncoderSettings& settings,
                          EncoderPorts ports) {
  const ErrorBox error(ports.boxes);
  auto fatal = [&error](const char* text) { return error(text, kE_FAIL); };

  if (Failed(Obtained(ports.factory.CreateProfile(&session.Profile), session.Profile))) {
    return fatal("Unable to Create Profile Manager");
  }
  Profile& profile = *session.Profile.Get();

  if (Failed(profile.PutValidateMode(true))) return fatal("Unable to Set Validate Mode");
  if (Failed(profile.PutProfileName("Custom Screen Capture Profile"))) {
    return fatal("Unable to Set Profile Name");
  }
  if (Failed(profile.PutProfileDescription("A Custom Video Profile For Screen Capture"))) {
    return fatal("Unable to Set Profile Description");
  }
  if (Failed(profile.PutContentType(settings.ContentType))) {
    return fatal("Unable to Set Content Type for Profile");
  }
  if (Failed(profile.PutVBRMode(SourceType::Video, kAudienceStream, kConstantBitRateMode))) {
    return fatal("Unable to Set BitRate Mode");
  }
  Ref<Audience> audience;
  if (Failed(Obtained(profile.AddAudience(kAudienceBitRate, &audience), audience))) {
    return fatal("Unable to Set Target Audience");
  }

  // The names the profile keeps; their results do not matter.
  profile.PutProfileName("Sample MBR Profile");
  profile.PutProfileDescription("A video profile with three audiences");

  WriteDisplayInfo(session.Encoder.Get(), settings, error);

  std::int32_t codecIndex = -1;
  if (Failed(profile.GetCodecIndexFromFourCC(SourceType::Video, kScreenCodecFourCC, &codecIndex))) {
    return fatal("Unable to Get Codec Index");
  }

  using Setter = HResult (Audience::*)(std::int32_t, std::int32_t);
  const struct {
    Setter put;
    std::int32_t value;
    const char* failure;
  } videoSettings[] = {
      {&Audience::PutVideoCodec, codecIndex, "Unable to Set Codec"},
      {&Audience::PutVideoHeight, settings.VideoHeight, "Unable to Set Video Height"},
      {&Audience::PutVideoWidth, settings.VideoWidth, "Unable to Set Video Width"},
      {&Audience::PutVideoBufferSize, kVideoBufferMilliseconds, "Unable to Set Buffer Size"},
      {&Audience::PutVideoFPS, ThousandthsFps(settings.FrameRate), "Unable to Set Video Frame Rate"},
      {&Audience::PutVideoImageSharpness, settings.ImageQuality, "Unable to Set Video Image Sharpness"},
  };
  for (const auto& setting : videoSettings) {
    if (Failed((audience.Get()->*setting.put)(kAudienceStream, setting.value))) {
      return fatal(setting.failure);
    }
  }

  if (Failed(profile.Validate())) return fatal("Unable to Validate the Profile Settings");
  return kS_OK;
}

}  // namespace mavrion::encoder
