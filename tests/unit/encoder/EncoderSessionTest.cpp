#include "core/encoder/EncoderSession.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/capture/CaptureRects.h"
#include "tests/unit/encoder/FakeComponent.h"
#include "tests/unit/encoder/FakeDialog.h"

namespace mavrion::encoder {
namespace {

using fakes::FakeDataExchange;
using fakes::FakeDialogView;
using fakes::FakeFactory;
using fakes::FakeMessageBoxes;
using fakes::World;
using fakes::kRefused;
using Strings = std::vector<std::string>;

class EncoderSessionTest : public ::testing::Test {
 protected:
  EncoderSessionTest() {
    settings.AudioDevicePath = kDefaultAudioInput;
    settings.FrameRate = 15;
    settings.VideoHeight = 0;
    settings.VideoWidth = 640;
    settings.ImageQuality = 80;
    settings.ContentType = kContentAudioAndVideo;
    settings.Author = "A";
    settings.Title = "T";
    settings.Copyright = "C";
    settings.Description = "D";
    request.CaptureType = 1;  // SpecificArea
    request.FlashRect = 1;
    request.CaptureRect = {100, 800, 50, 600};
    request.OutputFileName = "C:\\out.wmv";
  }

  HResult Build() { return BuildEncoderSession(session, settings, {request, {}}, {factory, boxes}); }

  World world;
  FakeFactory factory{world};
  FakeMessageBoxes boxes;
  EncoderSettings settings;
  CaptureRequest request;
  EncoderSession session;
};

const Strings kSuccessfulBuild = {
    "Factory.CreateEncoder()",
    "Encoder.GetSourceGroupCollection()",
    "SourceGroupCollection.Add(SourceGroup1)",
    "SourceGroup.AddSource(1)",
    "AudioItem.QueryAudioSource()",
    "AudioSource.SetInput(Device://Default_Audio_Device,,)",
    "SourceGroup.AddSource(2)",
    "VideoItem.QueryVideoSource()",
    "VideoSource.SetInput(ScreenCap://ScreenCapture1,,)",
    "VideoSource.QueryPropertyBag()",
    "PropertyBag.Write(Screen,BOOL 0)",
    "PropertyBag.Write(Left,I4 100)",
    "PropertyBag.Write(Right,I4 800)",
    "PropertyBag.Write(Top,I4 50)",
    "PropertyBag.Write(Bottom,I4 600)",
    "PropertyBag.Write(FlashRect,BOOL -1)",
    "Factory.CreateProfile()",
    "Profile.PutValidateMode(true)",
    "Profile.PutProfileName(Custom Screen Capture Profile)",
    "Profile.PutProfileDescription(A Custom Video Profile For Screen Capture)",
    "Profile.PutContentType(17)",
    "Profile.PutVBRMode(2,0,1)",
    "Profile.AddAudience(400000)",
    "Profile.PutProfileName(Sample MBR Profile)",
    "Profile.PutProfileDescription(A video profile with three audiences)",
    "Encoder.GetDisplayInfo()",
    "DisplayInfo.PutAuthor(A)",
    "DisplayInfo.PutCopyright(C)",
    "DisplayInfo.PutDescription(D)",
    "DisplayInfo.PutTitle(T)",
    "Profile.GetCodecIndexFromFourCC(2,0x3253534D)",
    "Audience.PutVideoCodec(0,7)",
    "Audience.PutVideoHeight(0,0)",
    "Audience.PutVideoWidth(0,640)",
    "Audience.PutVideoBufferSize(0,5000)",
    "Audience.PutVideoFPS(0,15000)",
    "Audience.PutVideoImageSharpness(0,80)",
    "Profile.Validate()",
    "Profile.QueryProfileView()",
    "SourceGroup.PutProfile(ProfileView)",
    "Encoder.GetFile()",
    "OutputFile.PutLocalFileName(C:\\out.wmv)",
    "Encoder.PrepareToEncode(true)",
};

const std::map<std::string, unsigned long> kOnlySessionHeld = {{"Encoder", 1}, {"Profile", 1}};

TEST_F(EncoderSessionTest, SuccessfulBuildMakesTheCallsInOrderAndKeepsOnlyEncoderAndProfile) {
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(world.log, kSuccessfulBuild);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(world.Held(), kOnlySessionHeld);
  EXPECT_EQ(world.overReleases, 0);
  EXPECT_TRUE(session.Encoder);
  EXPECT_TRUE(session.Profile);

  auto* profile = world.Find<fakes::FakeProfile>("Profile");
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(profile->name, "Sample MBR Profile");
  EXPECT_EQ(profile->description, "A video profile with three audiences");
}

TEST_F(EncoderSessionTest, EachFailingStepShowsItsMessageEndsTheBuildAndKeepsOnlyTheSession) {
  const std::string kPrepareMessage =
      "Unable to Prepare for Encoding. \r\nPlease check if your audio input device like microphone "
      "is attached and working correctly.";
  const struct {
    std::string call;  // the failing call as the log shows it
    std::string message;
    HResult result;
    bool profileHeld;
  } rows[] = {
      {"Factory.CreateEncoder()", "Unable to Create Encoder Object", kE_FAIL, false},
      {"Encoder.GetSourceGroupCollection()", "Unable to Get Source Group Collection", kE_FAIL, false},
      {"SourceGroupCollection.Add(SourceGroup1)", "Unable to Add A Source Group to the Collection", kRefused, false},
      {"SourceGroup.AddSource(1)", "Unable to add an audio Source", kRefused, false},
      {"AudioItem.QueryAudioSource()", "Unable to Query interface for Audio Source", kRefused, false},
      {"AudioSource.SetInput(Device://Default_Audio_Device,,)", "Unable to Set Audio Input Source", kRefused, false},
      {"SourceGroup.AddSource(2)", "Unable to Add A Video Source to the Source Group", kRefused, false},
      {"VideoItem.QueryVideoSource()", "Unable to Query interface for Video Source", kRefused, false},
      {"VideoSource.SetInput(ScreenCap://ScreenCapture1,,)", "Unable to Set Video Input Source", kRefused, false},
      {"VideoSource.QueryPropertyBag()", "Unable to Query Interface for Propery bag", kRefused, false},
      {"Profile.Validate()", "Unable to Validate the Profile Settings", kE_FAIL, true},
      {"Profile.QueryProfileView()", "Unable to Query Interface For Profile", kRefused, true},
      {"SourceGroup.PutProfile(ProfileView)", "Unable to Set Profile For Source Group", kRefused, true},
      {"Encoder.GetFile()", "Unable to Get Encoder Output File Object", kRefused, true},
      {"OutputFile.PutLocalFileName(C:\\out.wmv)", "Unable to Set Output File Name", kRefused, true},
      {"Encoder.PrepareToEncode(true)", kPrepareMessage, kRefused, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.call);
    World world;
    FakeFactory factory{world};
    FakeMessageBoxes boxes;
    EncoderSession session;
    world.results[row.call] = kRefused;

    EXPECT_EQ(BuildEncoderSession(session, settings, {request, {}}, {factory, boxes}), row.result);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, row.message);
    EXPECT_EQ(boxes.shown[0].owner, 0u);
    EXPECT_EQ(boxes.shown[0].caption, "Error");
    EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconError);
    EXPECT_EQ(world.log.back(), row.call) << "nothing runs after the failing step";

    std::map<std::string, unsigned long> expected;
    if (session.Encoder) expected["Encoder"] = 1;
    if (row.profileHeld) expected["Profile"] = 1;
    EXPECT_EQ(world.Held(), expected);
    EXPECT_EQ(static_cast<bool>(session.Encoder), row.call != "Factory.CreateEncoder()");
    EXPECT_EQ(static_cast<bool>(session.Profile), row.profileHeld);
    EXPECT_EQ(world.overReleases, 0);
  }
}

TEST_F(EncoderSessionTest, ACallThatSucceedsWithoutAnObjectCountsAsFailed) {
  world.handBackNothing.insert("SourceGroupCollection.Add");
  EXPECT_EQ(Build(), kE_POINTER);
  EXPECT_EQ(boxes.Texts(), Strings{"Unable to Add A Source Group to the Collection"});
  EXPECT_EQ(world.log.back(), "SourceGroupCollection.Add(SourceGroup1)");
}

TEST_F(EncoderSessionTest, ReleaseUnpreparesStopsAndLetsGoAfterAPartialOrFullBuild) {
  world.results["OutputFile.PutLocalFileName"] = kRefused;
  EXPECT_EQ(Build(), kRefused);
  world.log.clear();

  ReleaseEncoderSession(session);
  EXPECT_EQ(world.log, (Strings{"Encoder.PrepareToEncode(false)", "Encoder.Stop()"}));
  EXPECT_TRUE(world.Held().empty());
  EXPECT_FALSE(session.Encoder);
  EXPECT_FALSE(session.Profile);

  world.log.clear();
  ReleaseEncoderSession(session);
  EXPECT_TRUE(world.log.empty()) << "nothing held, nothing to do";

  // The component refusing to unprepare or stop does not keep it held.
  world.results.clear();
  EXPECT_EQ(Build(), kS_OK);
  world.results["Encoder.PrepareToEncode(false)"] = kRefused;
  world.results["Encoder.Stop"] = kRefused;
  ReleaseEncoderSession(session);
  EXPECT_TRUE(world.Held().empty());
  EXPECT_EQ(world.overReleases, 0);
}

TEST_F(EncoderSessionTest, BuildingOverAHeldSessionReleasesItFirst) {
  world.results["Encoder.PrepareToEncode(true)"] = kRefused;
  EXPECT_EQ(Build(), kRefused);
  world.results.clear();
  world.log.clear();
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(world.log[0], "Encoder.PrepareToEncode(false)");
  EXPECT_EQ(world.log[1], "Encoder.Stop()");
  EXPECT_EQ(world.Held(), kOnlySessionHeld);
}

TEST_F(EncoderSessionTest, VideoOnlyAddsNoAudioSource) {
  settings.ContentType = kContentVideoOnly;
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(world.CallsOf("SourceGroup"), (Strings{"SourceGroup.AddSource(2)", "SourceGroup.PutProfile(ProfileView)"}));
  EXPECT_TRUE(world.CallsOf("AudioSource").empty());
  EXPECT_TRUE(world.CallsOf("AudioItem").empty());
  EXPECT_EQ(world.CallsOf("Profile")[3], "Profile.PutContentType(16)");
}

TEST_F(EncoderSessionTest, ApplicationsAreMeasuredWhenTheSessionIsBuilt) {
  request.CaptureType = 0;  // SpecificApplications
  request.SelectedWindow = 0x4242;
  std::vector<WindowHandle> asked;
  auto measure = [&asked](WindowHandle window) -> std::optional<CaptureRect> {
    asked.push_back(window);
    return CaptureRect{10, 20, 30, 40};
  };
  EXPECT_EQ(BuildEncoderSession(session, settings, {request, measure}, {factory, boxes}), kS_OK);
  EXPECT_EQ(asked, std::vector<WindowHandle>{0x4242});
  EXPECT_EQ(world.CallsOf("PropertyBag"),
            (Strings{"PropertyBag.Write(Screen,BOOL 0)", "PropertyBag.Write(Left,I4 10)",
                     "PropertyBag.Write(Right,I4 20)", "PropertyBag.Write(Top,I4 30)",
                     "PropertyBag.Write(Bottom,I4 40)", "PropertyBag.Write(FlashRect,BOOL -1)"}));
}

TEST_F(EncoderSessionTest, AFollowedWindowThatHasClosedRefusesTheSessionBeforeTheProfile) {
  request.CaptureType = 0;  // SpecificApplications
  request.SelectedWindow = 0x4242;
  auto closed = [](WindowHandle) { return std::optional<CaptureRect>(); };
  EXPECT_EQ(BuildEncoderSession(session, settings, {request, closed}, {factory, boxes}), kE_FAIL);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kSelectedWindowClosedMessage);
  EXPECT_EQ(boxes.shown[0].owner, 0u);
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].style, mb::kOk | mb::kIconError);
  EXPECT_EQ(world.log.back(), "VideoSource.QueryPropertyBag()");
  EXPECT_EQ(world.Held(), (std::map<std::string, unsigned long>{{"Encoder", 1}}));
}

TEST_F(EncoderSessionTest, RefusedPropertiesDoNotStopTheBuild) {
  world.results["PropertyBag.Write"] = kRefused;
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(EncoderSessionTest, OutputNameLongerThanItsBufferIsCut) {
  request.OutputFileName = std::string(300, 'x');
  EXPECT_EQ(Build(), kS_OK);
  EXPECT_EQ(world.CallsOf("OutputFile"),
            Strings{"OutputFile.PutLocalFileName(" + std::string(255, 'x') + ")"});
}

class ApplyEncoderSettingsTest : public ::testing::Test {
 protected:
  ApplyEncoderSettingsTest() {
    view.SetList(1017, {"Default Audio Input Device", "In: default", "Microphone (USB Audio) [2]"}, 0);
    view.SetList(1014, {"1", "15", "30"}, 1);
    view.SetList(1010, {"0", "480"}, 0);
    view.SetList(1011, {"0", "640"}, 1);
    view.SetList(1015, {"50", "80", "100"}, 2);
    settings.ContentType = kContentAudioAndVideo;
  }
  // What one object was asked while a session was built from settings.
  Strings CallsOfABuild(const std::string& object) const {
    World world;
    FakeFactory factory{world};
    FakeMessageBoxes boxes;
    EncoderSession session;
    CaptureRequest request;
    request.CaptureType = 2;
    EXPECT_EQ(BuildEncoderSession(session, settings, {request, {}}, {factory, boxes}), kS_OK);
    return world.CallsOf(object);
  }

  FakeDialogView view;
  FakeDataExchange dialog;
  VideoMetadata metadata;
  EncoderSettings settings;
};

TEST_F(ApplyEncoderSettingsTest, ReadsTheListsAfterRefreshingThem) {
  // The refresh puts the held selections into the lists; the settings must
  // come from what the lists show afterwards.
  dialog.onRefresh = [this] { view.selections_[1014] = 2; };
  ApplyEncoderSettings(dialog, view, metadata, settings);
  EXPECT_EQ(dialog.refreshes, 1);
  EXPECT_EQ(settings.FrameRate, 30);
  EXPECT_EQ(settings.VideoHeight, 0);
  EXPECT_EQ(settings.VideoWidth, 640);
  EXPECT_EQ(settings.ImageQuality, 100);
  EXPECT_EQ(settings.AudioDevicePath, "Device://Default_Audio_Device");
  EXPECT_EQ(settings.ContentType, kContentAudioAndVideo) << "left to the audio-mode radios";

  view.SetList(1014, {}, -1);  // nothing selected reads as an empty text
  ApplyEncoderSettings(dialog, view, metadata, settings);
  EXPECT_EQ(settings.FrameRate, 0);
}

TEST_F(ApplyEncoderSettingsTest, ANamedDeviceBecomesTheAudioInputExactlyAsListed) {
  view.selections_[1017] = 2;
  ApplyEncoderSettings(dialog, view, metadata, settings);
  EXPECT_EQ(settings.AudioDevicePath, "Device://Microphone (USB Audio) [2]");

  EXPECT_EQ(CallsOfABuild("AudioSource"),
            Strings{"AudioSource.SetInput(Device://Microphone (USB Audio) [2],,)"});

  view.combos_[1017][2] = std::string(400, 'm');
  ApplyEncoderSettings(dialog, view, metadata, settings);
  EXPECT_EQ(settings.AudioDevicePath.size(), kMaxAudioDevicePath);
}

TEST_F(ApplyEncoderSettingsTest, MetadataIsCutToWhatTheFileKeeps) {
  metadata.Author = std::string(60, 'a');
  metadata.Title = std::string(50, 't');
  metadata.Copyright = "(c) 2024";
  metadata.Description = std::string(200, 'd') + std::string(50, 'e');
  ApplyEncoderSettings(dialog, view, metadata, settings);
  EXPECT_EQ(settings.Author, std::string(50, 'a'));
  EXPECT_EQ(settings.Title, std::string(50, 't'));
  EXPECT_EQ(settings.Copyright, "(c) 2024");
  EXPECT_EQ(settings.Description, std::string(200, 'd'));

  EXPECT_EQ(CallsOfABuild("DisplayInfo"),
            (Strings{"DisplayInfo.PutAuthor(" + std::string(50, 'a') + ")", "DisplayInfo.PutCopyright((c) 2024)",
                     "DisplayInfo.PutDescription(" + std::string(200, 'd') + ")",
                     "DisplayInfo.PutTitle(" + std::string(50, 't') + ")"}));
}

}  // namespace
}  // namespace mavrion::encoder
