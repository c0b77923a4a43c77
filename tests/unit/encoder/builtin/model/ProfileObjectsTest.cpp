#include "core/encoder/builtin/model/ProfileObjects.h"

#include <gtest/gtest.h>

#include "core/encoder/VideoProfile.h"
#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"
#include "tests/unit/encoder/builtin/model/FakeRecorderPorts.h"

namespace mavrion::encoder::builtin {
namespace {

class ProfileObjectsTest : public ::testing::Test {
 protected:
  ProfileObjectsTest() {
    EXPECT_EQ(factory.CreateProfile(&profile), kS_OK);
    EXPECT_EQ(profile->AddAudience(400000, &audience), kS_OK);
  }

  fakes::FakePlatform platform;
  BuiltinComponentFactory factory{platform.Ports()};
  Ref<Profile> profile;
  Ref<Audience> audience;
};

TEST_F(ProfileObjectsTest, CodecLookupAnswersTheScreenCodecAndRefusesOthers) {
  std::int32_t index = -1;
  EXPECT_EQ(profile->GetCodecIndexFromFourCC(SourceType::Video, kScreenCodecFourCC, &index), kS_OK);
  EXPECT_EQ(index, 0);
  index = 7;
  EXPECT_EQ(profile->GetCodecIndexFromFourCC(SourceType::Video, mpeg4::kFourCcM4s2, &index), kS_OK);
  EXPECT_EQ(index, 1);

  index = 7;
  EXPECT_EQ(profile->GetCodecIndexFromFourCC(SourceType::Video, 0x33564D57u /* WMV3 */, &index), kE_INVALIDARG);
  EXPECT_EQ(index, 7) << "a refused lookup leaves the index alone";
  EXPECT_EQ(profile->GetCodecIndexFromFourCC(SourceType::Audio, kScreenCodecFourCC, &index), kE_INVALIDARG);
  EXPECT_EQ(profile->GetCodecIndexFromFourCC(SourceType::Video, kScreenCodecFourCC, nullptr), kE_POINTER);

  EXPECT_EQ(audience->PutVideoCodec(0, 1), kS_OK);
  EXPECT_EQ(audience->PutVideoCodec(0, 2), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoCodec(0, -1), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoCodec(1, 0), kE_INVALIDARG) << "the one video stream is stream 0";
}

TEST_F(ProfileObjectsTest, ValuesOutOfBoundsAreRefusedAtOnceInValidateModeElseByValidate) {
  ASSERT_EQ(profile->PutContentType(16), kS_OK);
  EXPECT_EQ(profile->PutContentType(1), kE_INVALIDARG) << "sound alone is no screen recording";
  EXPECT_EQ(profile->Validate(), kS_OK) << "an audience as added is recordable";

  ASSERT_EQ(profile->PutValidateMode(true), kS_OK);
  EXPECT_EQ(audience->PutVideoFPS(0, 0), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoFPS(0, 999), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoFPS(0, 30001), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoFPS(0, 1000), kS_OK);
  EXPECT_EQ(audience->PutVideoFPS(0, 30000), kS_OK);
  EXPECT_EQ(audience->PutVideoImageSharpness(0, 101), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoImageSharpness(0, -1), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoImageSharpness(0, 0), kS_OK);
  EXPECT_EQ(audience->PutVideoImageSharpness(0, 100), kS_OK);
  for (std::int32_t bad : {-1, 8, 15, 4097}) {
    EXPECT_EQ(audience->PutVideoWidth(0, bad), kE_INVALIDARG) << bad;
    EXPECT_EQ(audience->PutVideoHeight(0, bad), kE_INVALIDARG) << bad;
  }
  for (std::int32_t good : {0, 16, 1950, 4096}) {
    EXPECT_EQ(audience->PutVideoWidth(0, good), kS_OK) << good;
    EXPECT_EQ(audience->PutVideoHeight(0, good), kS_OK) << good;
  }
  EXPECT_EQ(audience->PutVideoBufferSize(0, -5), kE_INVALIDARG);
  EXPECT_EQ(profile->Validate(), kS_OK) << "the refused values were not kept";

  ASSERT_EQ(profile->PutValidateMode(false), kS_OK);
  EXPECT_EQ(audience->PutVideoFPS(0, 60000), kS_OK);
  EXPECT_EQ(profile->Validate(), kE_INVALIDARG);
  EXPECT_EQ(audience->PutVideoFPS(0, 15000), kS_OK);
  EXPECT_EQ(profile->Validate(), kS_OK);
}

TEST_F(ProfileObjectsTest, ProfileNeedsAContentTypeAndAnAudience) {
  Ref<Profile> bare;
  ASSERT_EQ(factory.CreateProfile(&bare), kS_OK);
  EXPECT_EQ(bare->Validate(), kE_INVALIDARG);
  ASSERT_EQ(bare->PutContentType(17), kS_OK);
  EXPECT_EQ(bare->Validate(), kE_INVALIDARG) << "no audience";
  Ref<Audience> one;
  EXPECT_EQ(bare->AddAudience(0, &one), kE_INVALIDARG);
  ASSERT_EQ(bare->AddAudience(100000, &one), kS_OK);
  EXPECT_EQ(bare->Validate(), kS_OK);
  EXPECT_EQ(bare->PutVBRMode(SourceType::Video, 0, 1), kS_OK);
  EXPECT_EQ(bare->PutVBRMode(SourceType::Video, 0, 5), kE_INVALIDARG);
  EXPECT_EQ(bare->PutVBRMode(SourceType::Video, 1, 1), kE_INVALIDARG);
}

TEST_F(ProfileObjectsTest, TheViewIsTheProfileItselfAndAnAudienceKeepsItsValuesAlive) {
  Ref<ProfileView> view;
  ASSERT_EQ(profile->QueryProfileView(&view), kS_OK);
  EXPECT_EQ(dynamic_cast<ProfileObject*>(view.Get()), dynamic_cast<ProfileObject*>(profile.Get()));
  EXPECT_EQ(profile->AddRef(), 3u) << "the test's two references and this one";
  EXPECT_EQ(profile->Release(), 2u);
  view.Reset();
  profile.Reset();
  EXPECT_EQ(factory.LiveObjects(), 1) << "the audience";
  EXPECT_EQ(audience->PutVideoFPS(0, 10000), kS_OK) << "its values outlive the profile object";
  audience.Reset();
  EXPECT_EQ(factory.LiveObjects(), 0);
}

}  // namespace
}  // namespace mavrion::encoder::builtin
