#include "core/encoder/VideoProfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/encoder/FakeComponent.h"
#include "tests/unit/encoder/FakeDialog.h"

namespace mavrion::encoder {
namespace {

using fakes::FakeFactory;
using fakes::FakeMessageBoxes;
using fakes::World;
using fakes::kRefused;
using Strings = std::vector<std::string>;

class VideoProfileTest : public ::testing::Test {
 protected:
  VideoProfileTest() {
    settings.ContentType = kContentVideoOnly;
    settings.FrameRate = 1;
    settings.VideoHeight = 0;
    settings.VideoWidth = 0;
    settings.ImageQuality = 100;
    EXPECT_EQ(factory.CreateEncoder(&session.Encoder), kS_OK);
    world.log.clear();
  }
  HResult Build() { return BuildVideoProfile(session, settings, {factory, boxes}); }

  World world;
  FakeFactory factory{world};
  FakeMessageBoxes boxes;
  EncoderSettings settings;
  EncoderSession session;
};

TEST_F(VideoProfileTest, FatalStepsShowTheirMessageAndGiveBackTheAudience) {
  const struct {
    std::string call;
    std::string message;
  } rows[] = {
      {"Factory.CreateProfile()", "Unable to Create Profile Manager"},
      {"Profile.PutValidateMode(true)", "Unable to Set Validate Mode"},
      {"Profile.PutProfileName(Custom Screen Capture Profile)", "Unable to Set Profile Name"},
      {"Profile.PutProfileDescription(A Custom Video Profile For Screen Capture)", "Unable to Set Profile Description"},
      {"Profile.PutContentType(16)", "Unable to Set Content Type for Profile"},
      {"Profile.PutVBRMode(2,0,1)", "Unable to Set BitRate Mode"},
      {"Profile.AddAudience(400000)", "Unable to Set Target Audience"},
      {"Profile.GetCodecIndexFromFourCC(2,0x3253534D)", "Unable to Get Codec Index"},
      {"Audience.PutVideoCodec(0,7)", "Unable to Set Codec"},
      {"Audience.PutVideoHeight(0,0)", "Unable to Set Video Height"},
      {"Audience.PutVideoWidth(0,0)", "Unable to Set Video Width"},
      {"Audience.PutVideoBufferSize(0,5000)", "Unable to Set Buffer Size"},
      {"Audience.PutVideoFPS(0,1000)", "Unable to Set Video Frame Rate"},
      {"Audience.PutVideoImageSharpness(0,100)", "Unable to Set Video Image Sharpness"},
      {"Profile.Validate()", "Unable to Validate the Profile Settings"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.call);
    World world;
    FakeFactory factory{world};
    FakeMessageBoxes boxes;
    EncoderSession session;
    ASSERT_EQ(factory.CreateEncoder(&session.Encoder), kS_OK);
    world.results[row.call] = kRefused;

    EXPECT_EQ(BuildVideoProfile(session, settings, {factory, boxes}), kE_FAIL);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, row.message);
    EXPECT_EQ(boxes.shown[0].owner, 0u);
    EXPECT_EQ(boxes.shown[0].caption, "Error");
    EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconError);
    EXPECT_EQ(world.log.back(), row.call);

    std::map<std::string, unsigned long> expected{{"Encoder", 1}};
    if (session.Profile) expected["Profile"] = 1;
    EXPECT_EQ(world.Held(), expected) << "the audience and display information are given back";
    EXPECT_EQ(static_cast<bool>(session.Profile), row.call != "Factory.CreateProfile()");
  }
}

TEST_F(VideoProfileTest, DisplayInformationFailuresAreReportedAndTheBuildGoesOn) {
  world.results["DisplayInfo.PutAuthor"] = kRefused;
  world.results["DisplayInfo.PutTitle"] = kRefused;
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(boxes.Texts(), (Strings{"Unable to set author name.", "Unable to set title."}));
  EXPECT_EQ(world.CallsOf("DisplayInfo"),
            (Strings{"DisplayInfo.PutAuthor()", "DisplayInfo.PutCopyright()", "DisplayInfo.PutDescription()",
                     "DisplayInfo.PutTitle()"}))
      << "never-entered texts are written empty";
  EXPECT_EQ(world.log.back(), "Profile.Validate()");

  world.log.clear();
  boxes.shown.clear();
  world.results = {{"DisplayInfo.PutCopyright", kRefused}, {"DisplayInfo.PutDescription", kRefused}};
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(boxes.Texts(), (Strings{"Unable to set copyriht.", "Unable to set Description."}));

  world.log.clear();
  boxes.shown.clear();
  world.results = {{"Encoder.GetDisplayInfo", kRefused}};
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(boxes.Texts(), Strings{"Unable to initialize dispaly information."});
  EXPECT_TRUE(world.CallsOf("DisplayInfo").empty());
  EXPECT_EQ(world.Held(), (std::map<std::string, unsigned long>{{"Encoder", 1}, {"Profile", 1}}));
}

TEST_F(VideoProfileTest, AudienceValuesFollowTheSettingsAndTheLaterNamesStay) {
  settings.ContentType = kContentAudioAndVideo;
  settings.FrameRate = 15;
  settings.VideoHeight = 768;
  settings.VideoWidth = 1024;
  settings.ImageQuality = 37;
  world.codecIndex = 3;
  // The second naming is not checked: refusing it changes nothing.
  world.results["Profile.PutProfileName(Sample MBR Profile)"] = kRefused;
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(world.CallsOf("Audience"),
            (Strings{"Audience.PutVideoCodec(0,3)", "Audience.PutVideoHeight(0,768)",
                     "Audience.PutVideoWidth(0,1024)", "Audience.PutVideoBufferSize(0,5000)",
                     "Audience.PutVideoFPS(0,15000)", "Audience.PutVideoImageSharpness(0,37)"}));
  EXPECT_EQ(world.CallsOf("Profile")[3], "Profile.PutContentType(17)");
  auto* profile = world.Find<fakes::FakeProfile>("Profile");
  EXPECT_EQ(profile->name, "Custom Screen Capture Profile");
  EXPECT_EQ(profile->description, "A video profile with three audiences");
}

}  // namespace
}  // namespace mavrion::encoder
