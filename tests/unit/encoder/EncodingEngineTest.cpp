#include "core/encoder/EncodingEngine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/unit/encoder/FakeComponent.h"
#include "tests/unit/encoder/FakeDialog.h"

namespace mavrion::encoder {
namespace {

using Strings = std::vector<std::string>;

// A thread whose apartment cannot be joined: no device is ever listed.
class NoDevices : public DeviceServices {
 public:
  HResult InitializeApartment() override { return static_cast<HResult>(0x80010106u); }
  void UninitializeApartment() override { ADD_FAILURE() << "no apartment was taken"; }
  HResult CreateSystemDeviceEnumerator(Ref<SystemDeviceEnumerator>*) override { return kE_FAIL; }
};

class EncodingEngineTest : public ::testing::Test {
 protected:
  EncodingEngineTest() {
    view.SetList(1014, {"5"}, 0);
    view.SetList(1015, {"90"}, 0);
    metadata.Title = "Demo";
    request.CaptureType = 0;  // SpecificApplications
    request.SelectedWindow = 0x99;
  }
  EncodingEngine::Ports Ports() {
    return {factory, boxes, dialog, view, devices, metadata, request,
            [this](WindowHandle window) -> std::optional<CaptureRect> {
              measured.push_back(window);
              return CaptureRect{1, 2, 3, 4};
            }};
  }

  fakes::World world;
  fakes::FakeFactory factory{world};
  fakes::FakeMessageBoxes boxes;
  fakes::FakeDataExchange dialog;
  fakes::FakeDialogView view;
  NoDevices devices;
  VideoMetadata metadata;
  CaptureRequest request;
  std::vector<WindowHandle> measured;
};

TEST_F(EncodingEngineTest, RunsTheSessionOperationsOnTheDialogsRecords) {
  {
    EncodingEngine engine(Ports());
    EXPECT_EQ(engine.Settings().ContentType, kContentVideoOnly) << "video only until the radios say otherwise";
    EXPECT_EQ(engine.StartEncoder(), kE_POINTER);
    EXPECT_EQ(engine.PauseEncoder(), kE_POINTER);
    EXPECT_EQ(engine.StopEncoder(), kE_POINTER);
    EXPECT_TRUE(world.log.empty());

    engine.LoadAudioDeviceList();
    EXPECT_EQ(view.combos_[kAudioDeviceListId], Strings{"Default Audio Input Device"});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kNoAudioDeviceWarning);
    EXPECT_EQ(boxes.shown[0].owner, view.Handle());
    boxes.shown.clear();

    engine.SetContentType(kContentAudioAndVideo);
    engine.ApplyEncoderSettings();
    EXPECT_EQ(dialog.refreshes, 1);
    EXPECT_EQ(engine.Settings().FrameRate, 5);
    EXPECT_EQ(engine.Settings().ImageQuality, 90);
    EXPECT_EQ(engine.Settings().AudioDevicePath, "Device://Default_Audio_Device");

    // The request is read as it stands when the session is built.
    request.OutputFileName = "C:\\Videos\\demo.wmv";
    EXPECT_EQ(engine.BuildEncoderSession(), kS_OK);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(engine.HasEncoder());
    EXPECT_EQ(measured, std::vector<WindowHandle>{0x99});
    EXPECT_EQ(world.CallsOf("SourceGroup").front(), "SourceGroup.AddSource(1)");
    EXPECT_EQ(world.CallsOf("DisplayInfo").back(), "DisplayInfo.PutTitle(Demo)");
    EXPECT_EQ(world.CallsOf("OutputFile"), Strings{"OutputFile.PutLocalFileName(C:\\Videos\\demo.wmv)"});

    world.log.clear();
    EXPECT_EQ(engine.StartEncoder(), kS_OK);
    EXPECT_EQ(engine.PauseEncoder(), kS_OK);
    EXPECT_EQ(engine.StartEncoder(), kS_OK);
    EXPECT_EQ(engine.StopEncoder(), kS_OK);
    EXPECT_EQ(world.log, (Strings{"Encoder.Start()", "Encoder.Pause()", "Encoder.Start()", "Encoder.Stop()"}));
    world.log.clear();
  }
  // A session still held when the engine goes is given back.
  EXPECT_EQ(world.log, (Strings{"Encoder.PrepareToEncode(false)", "Encoder.Stop()"}));
  EXPECT_TRUE(world.Held().empty());
}

}  // namespace
}  // namespace mavrion::encoder
