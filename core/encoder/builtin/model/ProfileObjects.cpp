#include "core/encoder/builtin/model/ProfileObjects.h"

#include <new>

namespace mavrion::encoder::builtin {
namespace {

constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

// Our MPEG-4 video answers for the screen codec (index 0) and under its own
// name.
constexpr struct {
  std::uint32_t fourCC;
  std::int32_t index;
} kVideoCodecs[] = {
    {FourCC('M', 'S', 'S', '2'), 0},
    {FourCC('M', '4', 'S', '2'), 1},
};
constexpr std::int32_t kVideoCodecCount = 2;

bool ValidFps(std::int32_t v) { return v >= kMinThousandthsFps && v <= kMaxThousandthsFps; }
bool ValidSharpness(std::int32_t v) { return v >= 0 && v <= kMaxSharpness; }
bool ValidDimension(std::int32_t v) { return v == 0 || (v >= kMinVideoDimension && v <= kMaxVideoDimension); }
bool ValidContentType(std::int32_t v) { return v == kContentVideo || v == kContentAudioVideo; }

// The one audience object handed out per AddAudience: a view of the
// profile's values, which the profile keeps alive for as long as the
// audience is held.
class AudienceObject : public ModelObject<Audience> {
 public:
  AudienceObject(std::shared_ptr<ModelContext> context, std::shared_ptr<ProfileValues> values, std::size_t index)
      : ModelObject(std::move(context)), values_(std::move(values)), index_(index) {}

  HResult PutVideoCodec(std::int32_t stream, std::int32_t codecIndex) override {
    return Put(stream, codecIndex >= 0 && codecIndex < kVideoCodecCount, &AudienceValues::codecIndex, codecIndex,
               true);
  }
  HResult PutVideoHeight(std::int32_t stream, std::int32_t height) override {
    return Put(stream, ValidDimension(height), &AudienceValues::height, height);
  }
  HResult PutVideoWidth(std::int32_t stream, std::int32_t width) override {
    return Put(stream, ValidDimension(width), &AudienceValues::width, width);
  }
  HResult PutVideoBufferSize(std::int32_t stream, std::int32_t milliseconds) override {
    return Put(stream, milliseconds >= 0, &AudienceValues::bufferMs, milliseconds);
  }
  HResult PutVideoFPS(std::int32_t stream, std::int32_t thousandthsFps) override {
    return Put(stream, ValidFps(thousandthsFps), &AudienceValues::thousandthsFps, thousandthsFps);
  }
  HResult PutVideoImageSharpness(std::int32_t stream, std::int32_t sharpness) override {
    return Put(stream, ValidSharpness(sharpness), &AudienceValues::sharpness, sharpness);
  }

 private:
  ~AudienceObject() override = default;

  // The one video stream is stream 0. A value out of bounds is refused at
  // once in validate mode; otherwise Validate and PrepareToEncode find it.
  HResult Put(std::int32_t stream, bool valid, std::int32_t AudienceValues::*field, std::int32_t value,
              bool alwaysChecked = false) {
    if (stream != 0) return kE_INVALIDARG;
    if (!valid && (alwaysChecked || values_->validateMode)) return kE_INVALIDARG;
    values_->audiences[index_].*field = value;
    return kS_OK;
  }

  std::shared_ptr<ProfileValues> values_;
  std::size_t index_;
};

}  // namespace

std::int32_t VideoCodecIndex(std::uint32_t fourCC) {
  for (const auto& codec : kVideoCodecs) {
    if (codec.fourCC == fourCC) return codec.index;
  }
  return -1;
}

HResult CheckAudience(const AudienceValues& a) {
  const bool ok = a.bitsPerSecond > 0 && a.codecIndex >= 0 && a.codecIndex < kVideoCodecCount &&
                  ValidDimension(a.width) && ValidDimension(a.height) && a.bufferMs >= 0 &&
                  ValidFps(a.thousandthsFps) && ValidSharpness(a.sharpness);
  return ok ? kS_OK : kE_INVALIDARG;
}

HResult CheckProfile(const ProfileValues& profile) {
  if (!ValidContentType(profile.contentType) || profile.audiences.empty()) return kE_INVALIDARG;
  for (const AudienceValues& audience : profile.audiences) {
    if (Failed(CheckAudience(audience))) return kE_INVALIDARG;
  }
  return kS_OK;
}

ProfileObject::ProfileObject(std::shared_ptr<ModelContext> context)
    : ModelObject(std::move(context)), values_(std::make_shared<ProfileValues>()) {}

HResult ProfileObject::PutValidateMode(bool on) {
  values_->validateMode = on;
  return kS_OK;
}

HResult ProfileObject::PutProfileName(const std::string& name) {
  values_->name = name;
  return kS_OK;
}

HResult ProfileObject::PutProfileDescription(const std::string& description) {
  values_->description = description;
  return kS_OK;
}

HResult ProfileObject::PutContentType(std::int32_t contentType) {
  // Sound alone is not a screen recording.
  if (!ValidContentType(contentType)) return kE_INVALIDARG;
  values_->contentType = contentType;
  return kS_OK;
}

HResult ProfileObject::PutVBRMode(SourceType type, std::int32_t stream, std::int32_t mode) {
  // Constant bit rate, peak, unconstrained and quality-based: all are
  // accepted; the video keeps to the audience's rate and buffer whichever.
  if ((type != SourceType::Video && type != SourceType::Audio) || stream != 0 || mode < 1 || mode > 4) {
    return kE_INVALIDARG;
  }
  if (type == SourceType::Video) values_->videoBitRateMode = mode;
  return kS_OK;
}

HResult ProfileObject::AddAudience(std::int32_t bitsPerSecond, Ref<Audience>* audience) {
  if (!audience) return kE_POINTER;
  if (bitsPerSecond <= 0) return kE_INVALIDARG;
  AudienceValues values;
  values.bitsPerSecond = bitsPerSecond;
  values_->audiences.push_back(values);
  auto* object = new (std::nothrow) AudienceObject(SharedContext(), values_, values_->audiences.size() - 1);
  if (!object) {
    values_->audiences.pop_back();
    return kE_OUTOFMEMORY;
  }
  *audience = Ref<Audience>(object);
  return kS_OK;
}

HResult ProfileObject::GetCodecIndexFromFourCC(SourceType type, std::uint32_t fourCC, std::int32_t* codecIndex) {
  if (!codecIndex) return kE_POINTER;
  const std::int32_t index = type == SourceType::Video ? VideoCodecIndex(fourCC) : -1;
  if (index < 0) return kE_INVALIDARG;
  *codecIndex = index;
  return kS_OK;
}

HResult ProfileObject::Validate() { return CheckProfile(*values_); }

HResult ProfileObject::QueryProfileView(Ref<ProfileView>* view) { return HandOut<ProfileView>(this, view); }

}  // namespace mavrion::encoder::builtin
