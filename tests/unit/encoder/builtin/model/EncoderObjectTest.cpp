#include "core/encoder/builtin/model/EncoderObject.h"

#include <gtest/gtest.h>

#include "core/encoder/builtin/model/ModelResults.h"
#include "tests/unit/encoder/builtin/model/SessionBench.h"

namespace mavrion::encoder::builtin {
namespace {

using Strings = std::vector<std::string>;

class EncoderObjectTest : public fakes::SessionBench {};

TEST_F(EncoderObjectTest, SessionHoldsOnlyEncoderAndProfileAndNothingOutlivesItsRelease) {
  settings.ContentType = kContentAudioAndVideo;
  ASSERT_EQ(Build(), kS_OK) << ::testing::PrintToString(boxes.Texts());
  EXPECT_TRUE(boxes.shown.empty());
  // Encoder, its collection, display information and file; the group, its
  // two sources and the profile it keeps. The audience was given back.
  EXPECT_EQ(factory.LiveObjects(), 8);
  EXPECT_EQ(session.Encoder->AddRef(), 2u);
  EXPECT_EQ(session.Encoder->Release(), 1u);
  EXPECT_EQ(session.Profile->AddRef(), 3u) << "the session's reference and the group's";
  EXPECT_EQ(session.Profile->Release(), 2u);
  Ref<SourceGroupCollection> collection;
  ASSERT_EQ(Enc().GetSourceGroupCollection(&collection), kS_OK);
  EXPECT_EQ(collection->AddRef(), 3u) << "the encoder's, this test's, and this one";
  collection->Release();
  collection.Reset();

  // The group keeps what it records: the session's profile may go first.
  session.Profile.Reset();
  EXPECT_EQ(factory.LiveObjects(), 8);
  EXPECT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(2000);
  EXPECT_EQ(Enc().Stop(), kS_OK);
  ReleaseEncoderSession(session);
  EXPECT_EQ(factory.LiveObjects(), 0);
  EXPECT_TRUE(platform.time.WorkersEnd());
}

TEST_F(EncoderObjectTest, CallsOutOfTurnAnswerTheComponentsFailures) {
  Ref<Encoder> fresh;
  ASSERT_EQ(factory.CreateEncoder(&fresh), kS_OK);
  EXPECT_EQ(fresh->Start(), kE_UNEXPECTED) << "Start before PrepareToEncode";
  EXPECT_EQ(fresh->Pause(), kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED);
  EXPECT_EQ(fresh->Stop(), kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED) << "Stop when not started";
  EXPECT_EQ(fresh->PrepareToEncode(true), kE_UNEXPECTED) << "no source group";
  EXPECT_EQ(fresh->PrepareToEncode(false), kS_OK);

  ASSERT_EQ(Build(), kS_OK);
  EXPECT_EQ(Enc().Pause(), kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED) << "prepared, not started";
  ASSERT_EQ(Enc().Start(), kS_OK);
  EXPECT_EQ(Enc().Start(), kNS_E_INVALIDCALL_WHILE_ENCODER_RUNNING) << "a second Start while running";
  EXPECT_EQ(Enc().PrepareToEncode(true), kNS_E_INVALIDCALL_WHILE_ENCODER_RUNNING);
  EXPECT_EQ(Enc().PrepareToEncode(false), kNS_E_INVALIDCALL_WHILE_ENCODER_RUNNING);
  platform.time.RunTo(1500);
  EXPECT_EQ(Enc().Pause(), kS_OK);
  EXPECT_EQ(Enc().Pause(), kS_OK) << "paused already: nothing changes";
  EXPECT_EQ(Enc().Start(), kS_OK) << "Start resumes";
  platform.time.RunTo(2000);
  EXPECT_EQ(Enc().Stop(), kS_OK);
  EXPECT_EQ(Enc().Stop(), kNS_E_INVALIDCALL_WHILE_ENCODER_STOPPED);
  EXPECT_EQ(Enc().Start(), kE_UNEXPECTED) << "a stopped encoder is prepared again first";
  ASSERT_EQ(Enc().PrepareToEncode(true), kS_OK);
  EXPECT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(2500);
  EXPECT_EQ(Enc().Stop(), kS_OK);
}

TEST_F(EncoderObjectTest, SourcesRefuseWhatTheEncoderDoesNotKnow) {
  Ref<Encoder> encoder;
  ASSERT_EQ(factory.CreateEncoder(&encoder), kS_OK);
  Ref<SourceGroupCollection> collection;
  ASSERT_EQ(encoder->GetSourceGroupCollection(&collection), kS_OK);
  Ref<SourceGroup> group, again;
  ASSERT_EQ(collection->Add("SourceGroup1", &group), kS_OK);
  EXPECT_EQ(collection->Add("sourcegroup1", &again), kE_INVALIDARG);
  EXPECT_EQ(collection->Add("", &again), kE_INVALIDARG);
  EXPECT_FALSE(again);

  Ref<Source> video, audio, second;
  ASSERT_EQ(group->AddSource(SourceType::Video, &video), kS_OK);
  ASSERT_EQ(group->AddSource(SourceType::Audio, &audio), kS_OK);
  EXPECT_EQ(group->AddSource(SourceType::Video, &second), kE_INVALIDARG) << "a second video source";
  EXPECT_EQ(group->AddSource(SourceType::Audio, &second), kE_INVALIDARG) << "a second audio source";
  EXPECT_EQ(group->AddSource(static_cast<SourceType>(3), &second), kE_INVALIDARG);

  Ref<AudioSource> audioView;
  Ref<VideoSource> videoView;
  EXPECT_EQ(video->QueryAudioSource(&audioView), kE_NOINTERFACE);
  EXPECT_EQ(audio->QueryVideoSource(&videoView), kE_NOINTERFACE);
  ASSERT_EQ(video->QueryVideoSource(&videoView), kS_OK);
  ASSERT_EQ(audio->QueryAudioSource(&audioView), kS_OK);

  Ref<PropertyBag> bag;
  EXPECT_EQ(videoView->QueryPropertyBag(&bag), kE_NOINTERFACE) << "the capture input brings the bag";
  EXPECT_EQ(videoView->SetInput("ScreenCap://ScreenCapture2", "", ""), kE_INVALIDARG);
  EXPECT_EQ(videoView->SetInput("Device://Default_Audio_Device", "", ""), kE_INVALIDARG);
  EXPECT_EQ(videoView->SetInput(kScreenCaptureInput, "ScreenCap", ""), kE_INVALIDARG);
  ASSERT_EQ(videoView->SetInput(kScreenCaptureInput, "", ""), kS_OK);
  ASSERT_EQ(videoView->QueryPropertyBag(&bag), kS_OK);
  EXPECT_EQ(bag->Write("Left", PropertyValue::I4(5)), kS_OK);
  EXPECT_EQ(bag->Write("Zoom", PropertyValue::I4(2)), kE_INVALIDARG);

  EXPECT_EQ(audioView->SetInput(kScreenCaptureInput, "", ""), kE_INVALIDARG);
  EXPECT_EQ(audioView->SetInput("Device://", "", ""), kE_INVALIDARG);
  EXPECT_EQ(audioView->SetInput("File://C:\\sound.wav", "", ""), kE_INVALIDARG);
  EXPECT_EQ(audioView->SetInput("Device://Line In", "", ""), kS_OK) << "found out at PrepareToEncode";

  // A profile view of another kind is not one this group can record with.
  class ForeignView : public ProfileView {
   public:
    unsigned long AddRef() override { return 2; }
    unsigned long Release() override { return 1; }
  } foreign;
  EXPECT_EQ(group->PutProfile(&foreign), kE_INVALIDARG);
  EXPECT_EQ(group->PutProfile(nullptr), kE_INVALIDARG);
}

TEST_F(EncoderObjectTest, PrepareRefusesASessionItCannotRecord) {
  // Each case starts from a session that builds, and spoils one thing.
  struct Case {
    const char* what;
    std::function<void(fakes::SessionBench&)> spoil;
    HResult expected;
  };
  const Case cases[] = {
      {"rectangle with right left of left", [](auto& b) { b.request.CaptureRect = {330, 10, 20, 260}; },
       kE_INVALIDARG},
      {"rectangle beside the screen", [](auto& b) { b.request.CaptureRect = {700, 900, 20, 260}; }, kE_INVALIDARG},
      {"no sound device at all",
       [](auto& b) {
         b.settings.ContentType = kContentAudioAndVideo;
         b.platform.audio.names.clear();
       },
       kVFW_E_NOT_FOUND},
      {"a named sound device that is not there",
       [](auto& b) {
         b.settings.ContentType = kContentAudioAndVideo;
         b.settings.AudioDevicePath = "Device://USB Microphone";
       },
       kVFW_E_NOT_FOUND},
      {"no output name", [](auto& b) { b.request.OutputFileName.clear(); }, kE_UNEXPECTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    struct Bench : fakes::SessionBench {
      void TestBody() override {}
    } bench;
    c.spoil(bench);
    EXPECT_EQ(bench.Build(), c.expected);
    EXPECT_EQ(bench.boxes.Texts(), Strings{fakes::kPrepareFailure});
    EXPECT_EQ(bench.Enc().Start(), kE_UNEXPECTED);
    EXPECT_TRUE(bench.platform.files.files.empty()) << "no file made";
  }
}

TEST_F(EncoderObjectTest, PrepareNeedsVideoProfileAndSourcesThatMatchIt) {
  Ref<Encoder> encoder;
  ASSERT_EQ(factory.CreateEncoder(&encoder), kS_OK);
  Ref<SourceGroupCollection> collection;
  Ref<SourceGroup> group;
  Ref<Source> audio, video;
  Ref<AudioSource> audioView;
  Ref<VideoSource> videoView;
  Ref<OutputFile> file;
  ASSERT_EQ(encoder->GetSourceGroupCollection(&collection), kS_OK);
  ASSERT_EQ(collection->Add("SourceGroup1", &group), kS_OK);
  ASSERT_EQ(encoder->GetFile(&file), kS_OK);
  ASSERT_EQ(file->PutLocalFileName(fakes::kOutput), kS_OK);
  ASSERT_EQ(group->AddSource(SourceType::Audio, &audio), kS_OK);
  ASSERT_EQ(audio->QueryAudioSource(&audioView), kS_OK);
  ASSERT_EQ(audioView->SetInput(kDefaultAudioInput, "", ""), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kE_UNEXPECTED) << "no video source";
  ASSERT_EQ(group->AddSource(SourceType::Video, &video), kS_OK);
  ASSERT_EQ(video->QueryVideoSource(&videoView), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kE_UNEXPECTED) << "video source without input";
  ASSERT_EQ(videoView->SetInput(kScreenCaptureInput, "", ""), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kE_UNEXPECTED) << "no profile";

  Ref<Profile> profile;
  Ref<Audience> audience;
  Ref<ProfileView> view;
  ASSERT_EQ(factory.CreateProfile(&profile), kS_OK);
  ASSERT_EQ(profile->QueryProfileView(&view), kS_OK);
  ASSERT_EQ(group->PutProfile(view.Get()), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kE_INVALIDARG) << "profile without content type or audience";
  ASSERT_EQ(profile->PutContentType(kContentVideoOnly), kS_OK);
  ASSERT_EQ(profile->AddAudience(400000, &audience), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kE_INVALIDARG) << "video only, with an audio source";
  ASSERT_EQ(profile->PutContentType(kContentAudioAndVideo), kS_OK);
  ASSERT_EQ(audience->PutVideoFPS(0, 45000), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kE_INVALIDARG) << "45 frames a second";
  ASSERT_EQ(audience->PutVideoFPS(0, 30000), kS_OK);
  EXPECT_EQ(encoder->PrepareToEncode(true), kS_OK);
  EXPECT_TRUE(platform.files.checked.empty()) << "preparing leaves the output to Start";
}

TEST_F(EncoderObjectTest, FileIsReplacedOnlyWhenTheRecordingStartsAndStartFailsWithoutIt) {
  auto existing = std::make_shared<MemorySink>();
  const std::uint8_t old[] = {1, 2, 3};
  existing->WriteAt(0, old, sizeof old);
  platform.files.files[fakes::kOutput] = existing;
  platform.files.refuseCreate = true;
  platform.files.creatable = false;  // as for a folder that does not exist
  ASSERT_EQ(Build(), kS_OK) << "an output that cannot be made is Start's failure";
  EXPECT_EQ(platform.files.Bytes(fakes::kOutput).size(), 3u) << "PrepareToEncode leaves the file alone";
  EXPECT_EQ(Enc().Start(), fakes::MemoryFiles::kAccessDenied) << "output file not creatable";
  EXPECT_TRUE(platform.time.WorkersEnd());

  // Still prepared: a Start that can create the file records.
  platform.files.refuseCreate = false;
  platform.files.creatable = true;
  ASSERT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(1500);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  EXPECT_GT(platform.files.Bytes(fakes::kOutput).size(), 1000u);

  ASSERT_EQ(Enc().PrepareToEncode(true), kS_OK);
  platform.time.refuseThreads = true;
  EXPECT_EQ(Enc().Start(), kE_FAIL) << "no thread to capture on";
  platform.screen.refuseOpen = true;
  EXPECT_EQ(Enc().Start(), kE_FAIL) << "the screen cannot be captured";
}

}  // namespace
}  // namespace mavrion::encoder::builtin
