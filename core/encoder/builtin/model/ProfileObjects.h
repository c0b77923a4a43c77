#pragma once
// The built-in encoder's profile: content type, audiences and their video
// settings, with the bounds of what it can record. Its one video codec,
// our MPEG-4 video, stands in for the screen codec the profile asks for.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/encoder/EncoderComponent.h"
#include "core/encoder/builtin/model/ModelObject.h"

namespace mavrion::encoder::builtin {

inline constexpr std::int32_t kMinThousandthsFps = 1000;
inline constexpr std::int32_t kMaxThousandthsFps = 30000;
inline constexpr std::int32_t kMaxSharpness = 100;
inline constexpr std::int32_t kMinVideoDimension = 16;  // 0 keeps the captured size
inline constexpr std::int32_t kMaxVideoDimension = 4096;

inline constexpr std::int32_t kContentAudio = 1;
inline constexpr std::int32_t kContentVideo = 16;
inline constexpr std::int32_t kContentAudioVideo = 17;

// The index GetCodecIndexFromFourCC answers for a video FourCC, -1 for one
// the encoder does not know.
std::int32_t VideoCodecIndex(std::uint32_t fourCC);

struct AudienceValues {
  std::int32_t bitsPerSecond = 0;
  std::int32_t codecIndex = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bufferMs = 5000;
  std::int32_t thousandthsFps = 15000;
  std::int32_t sharpness = 80;
};

struct ProfileValues {
  bool validateMode = false;
  std::string name;
  std::string description;
  std::int32_t contentType = 0;  // none yet
  std::int32_t videoBitRateMode = 1;
  std::vector<AudienceValues> audiences;
};

// kS_OK when the values can be recorded, else E_INVALIDARG.
HResult CheckAudience(const AudienceValues& audience);
HResult CheckProfile(const ProfileValues& profile);

// IWMEncProfile2, and its IWMEncProfile view (the same object).
class ProfileObject : public ModelObject<Profile, ProfileView> {
 public:
  explicit ProfileObject(std::shared_ptr<ModelContext> context);

  HResult PutValidateMode(bool on) override;
  HResult PutProfileName(const std::string& name) override;
  HResult PutProfileDescription(const std::string& description) override;
  HResult PutContentType(std::int32_t contentType) override;
  HResult PutVBRMode(SourceType type, std::int32_t stream, std::int32_t mode) override;
  HResult AddAudience(std::int32_t bitsPerSecond, Ref<Audience>* audience) override;
  HResult GetCodecIndexFromFourCC(SourceType type, std::uint32_t fourCC, std::int32_t* codecIndex) override;
  HResult Validate() override;
  HResult QueryProfileView(Ref<ProfileView>* view) override;

  // The values as they stand now (audiences included).
  const ProfileValues& Values() const { return *values_; }

 private:
  ~ProfileObject() override = default;
  std::shared_ptr<ProfileValues> values_;
};

}  // namespace mavrion::encoder::builtin
