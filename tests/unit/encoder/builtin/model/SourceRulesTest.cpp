#include "core/encoder/builtin/model/SourceRules.h"

#include <gtest/gtest.h>

namespace mavrion::encoder::builtin {
namespace {

const ScreenRect kScreen{0, 0, 1280, 800};

CaptureAreaProperties Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  CaptureAreaProperties p;
  p.screen = false;
  p.left = left;
  p.top = top;
  p.right = right;
  p.bottom = bottom;
  return p;
}

TEST(SourceRulesTest, CaptureAreaIsTheWholeScreenOrTheRectangleClippedToIt) {
  // Nothing written: the whole screen, whatever the coordinates say.
  CaptureAreaProperties untouched;
  untouched.left = 500;
  EXPECT_EQ(ResolveCaptureArea(untouched, kScreen), kScreen);
  EXPECT_EQ(ResolveCaptureArea(Rect(100, 50, 800, 600), kScreen), (ScreenRect{100, 50, 800, 600}));
  EXPECT_EQ(ResolveCaptureArea(Rect(-20, -10, 1300, 900), kScreen), kScreen);
  EXPECT_EQ(ResolveCaptureArea(Rect(1200, 700, 1400, 1000), kScreen), (ScreenRect{1200, 700, 1280, 800}));

  EXPECT_FALSE(IsEmptyArea(ResolveCaptureArea(Rect(0, 0, 1, 1), kScreen)));
  EXPECT_TRUE(IsEmptyArea(ResolveCaptureArea(Rect(800, 50, 100, 600), kScreen))) << "right left of left";
  EXPECT_TRUE(IsEmptyArea(ResolveCaptureArea(Rect(100, 50, 100, 600), kScreen))) << "no width";
  EXPECT_TRUE(IsEmptyArea(ResolveCaptureArea(Rect(1300, 10, 1400, 90), kScreen))) << "beside the screen";
  EXPECT_TRUE(IsEmptyArea(ResolveCaptureArea(Rect(10, -90, 90, -10), kScreen))) << "above the screen";
  EXPECT_TRUE(IsEmptyArea(ResolveCaptureArea(CaptureAreaProperties{false}, kScreen))) << "Screen false alone";
}

TEST(SourceRulesTest, AudioInputNamesTheDefaultDeviceOrOneByName) {
  auto def = ParseAudioInput("Device://Default_Audio_Device");
  ASSERT_TRUE(def);
  EXPECT_TRUE(def->defaultDevice);
  EXPECT_TRUE(ParseAudioInput("device://default_audio_device")->defaultDevice);

  auto named = ParseAudioInput("Device://Microphone (USB Audio) [2]");
  ASSERT_TRUE(named);
  EXPECT_FALSE(named->defaultDevice);
  EXPECT_EQ(named->name, "Microphone (USB Audio) [2]");

  EXPECT_FALSE(ParseAudioInput("Device://"));
  EXPECT_FALSE(ParseAudioInput("ScreenCap://ScreenCapture1"));
  EXPECT_FALSE(ParseAudioInput("In: default"));
  EXPECT_FALSE(ParseAudioInput(""));
}

TEST(SourceRulesTest, AudioDeviceMatchesExactlyOrByTheSystemsShortenedName) {
  const std::string longName = "Microphone (Realtek High Definition Audio)";
  const std::string cut = longName.substr(0, kShortDeviceNameChars);
  ASSERT_EQ(cut, "Microphone (Realtek High Defini");
  const std::vector<std::string> devices = {"In: default", cut, "Line In", "Line In"};

  EXPECT_EQ(MatchAudioDevice(devices, "In: default"), 0u);
  EXPECT_EQ(MatchAudioDevice(devices, longName), 1u);
  EXPECT_EQ(MatchAudioDevice(devices, cut), 1u);
  EXPECT_EQ(MatchAudioDevice(devices, "Line In"), 2u) << "the first of equal names";
  EXPECT_FALSE(MatchAudioDevice(devices, "In: defaul")) << "a shorter name is another device";
  EXPECT_FALSE(MatchAudioDevice(devices, "in: default")) << "names are compared exactly";
  EXPECT_FALSE(MatchAudioDevice(devices, "Line In 2")) << "only a name the system cut matches a longer one";
  EXPECT_FALSE(MatchAudioDevice(devices, ""));
  EXPECT_FALSE(MatchAudioDevice({}, "In: default"));
}

}  // namespace
}  // namespace mavrion::encoder::builtin
