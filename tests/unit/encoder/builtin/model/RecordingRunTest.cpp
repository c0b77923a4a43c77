#include "core/encoder/builtin/model/RecordingRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <sstream>

#include "tests/unit/encoder/builtin/MediaTools.h"
#include "tests/unit/encoder/builtin/model/SessionBench.h"

namespace mavrion::encoder::builtin {
namespace {

namespace mt = media_tools;

// The sound is coded a packet (46 ms) at a time and ends with the codec's
// flush: up to two packets past the time recorded.
constexpr long kSoundPacketMs = 95;

// What ffprobe and ffmpeg make of a file the encoder wrote.
struct Probed {
  int code = -1;
  std::string json;
  int width = 0, height = 0;
  double duration = 0;
  std::vector<long> videoTimes;  // ms
  long soundMs = 0;  // the sound as decoded
  std::vector<std::uint8_t> greys;  // one pixel of every decoded frame
  std::string Tag(const char* key) const { return mt::JsonValue(json, key, json.find("\"format\":")); }
  std::string AudioValue(const char* key) const {
    const std::size_t audio = json.find("\"codec_type\": \"audio\"");
    if (audio == std::string::npos) return "";
    return mt::JsonValue(json, key, json.rfind("\"index\"", audio));
  }
};

Probed Probe(const std::vector<std::uint8_t>& bytes, bool decode = false) {
  Probed p;
  const std::string path = mt::WriteTemp(bytes, ".wmv");
  p.json = mt::Probe(path, &p.code);
  if (p.code == 0) {
    p.width = std::stoi("0" + mt::JsonValue(p.json, "width"));
    p.height = std::stoi("0" + mt::JsonValue(p.json, "height"));
    p.duration = std::stod("0" + p.Tag("duration"));
    int code = 0;
    std::istringstream lines(mt::Run(
        "ffprobe -v error -select_streams v:0 -show_entries packet=pts -of csv=p=0 '" + path + "'", &code));
    for (long t; lines >> t;) p.videoTimes.push_back(t);
    const std::string sound = mt::Run("ffmpeg -v error -i '" + path + "' -map 0:a -af aresample=async=1:first_pts=0 -ac 1 -ar 44100 -f s16le -", &code);
    p.soundMs = static_cast<long>(sound.size() / 2 * 1000 / 44100);
    if (decode) {
      const std::size_t frameBytes = static_cast<std::size_t>(p.width) * p.height * 4;
      mt::ForEachDecodedFrame(path, frameBytes, 0, [&](const std::uint8_t* frame) { p.greys.push_back(frame[0]); });
    }
  }
  std::remove(path.c_str());
  return p;
}

class RecordingRunTest : public fakes::SessionBench {
 protected:
  // Whatever assertion ends a test early, the disk goes on, so the worker
  // can finish and the fixture's Stop never waits forever.
  ~RecordingRunTest() override { platform.files.gate.Open(); }

  // The disk stalls under the frame at 3 s, the 2 s checkpoint's, which
  // the worker writes with the recording's lock held. Answers whether the
  // worker waits there.
  bool StallDiskUnderTheCheckpointFrame() {
    platform.time.RunTo(2950);
    platform.files.gate.Close();
    platform.time.Spend(50);
    return platform.files.gate.WriterWaits();
  }
  std::vector<std::uint8_t> File() { return platform.files.Bytes(fakes::kOutput); }
};

TEST_F(RecordingRunTest, RecordingHasTheAreasSizeTheRecordedTimeLessPausesAndTheTexts) {
  ASSERT_EQ(mt::MissingTools(), "");
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);  // at 1000 ms
  EXPECT_EQ(platform.screen.opened, (std::vector<ScreenRect>{{10, 20, 330, 260}}));
  platform.time.RunTo(5000);
  ASSERT_EQ(Enc().Pause(), kS_OK);
  platform.time.RunTo(8000);
  ASSERT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(10990);  // just before the frame at 7 s falls due
  ASSERT_EQ(Enc().Stop(), kS_OK);

  const Probed p = Probe(File(), true);
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.height, 240);
  EXPECT_NEAR(p.duration, 7.0, 0.1 + 0.2) << "4 s, a 3 s pause, 3 s";
  EXPECT_EQ(p.Tag("title"), "Caf\xC3\xA9 tour");
  EXPECT_EQ(p.Tag("artist"), "Ann");
  EXPECT_EQ(p.Tag("copyright"), "\xC2\xA9 Mavrion");
  EXPECT_EQ(p.Tag("comment"), "What the recording shows");

  // A frame every 100 ms throughout, each a capture of its own: no gap at
  // the pause and no stretch that repeats one picture.
  ASSERT_EQ(p.videoTimes.size(), 70u);
  for (std::size_t i = 0; i < p.videoTimes.size(); ++i) EXPECT_EQ(p.videoTimes[i], static_cast<long>(i) * 100);
  ASSERT_EQ(p.greys.size(), 70u);
  for (std::size_t i = 1; i < p.greys.size(); ++i) EXPECT_NE(p.greys[i], p.greys[i - 1]) << "frame " << i;
}

TEST_F(RecordingRunTest, ProfileSizeScalesAndTheWholeScreenIsTheDefaultArea) {
  ASSERT_EQ(mt::MissingTools(), "");
  request.CaptureType = EntireScreen;
  settings.VideoWidth = 200;
  settings.VideoHeight = 150;
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  EXPECT_EQ(platform.screen.opened, (std::vector<ScreenRect>{{0, 0, 640, 480}}));
  platform.time.RunTo(3000);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_EQ(p.width, 200);
  EXPECT_EQ(p.height, 152) << "rounded up to the codec's multiple of 4";
  EXPECT_NEAR(p.duration, 2.0, 0.3);
}

TEST_F(RecordingRunTest, PauseAndResumeDoNotWaitForAFrameBeingWrittenAndTakeEffectWhenAsked) {
  ASSERT_EQ(mt::MissingTools(), "");
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  ASSERT_TRUE(StallDiskUnderTheCheckpointFrame());
  // A call that waits for the disk is let go before the test fails.
  auto atOnce = [this](std::future<HResult>& call) {
    const bool ready = call.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!ready) platform.files.gate.Open();
    return ready;
  };
  auto pause = std::async(std::launch::async, [this] { return Enc().Pause(); });
  ASSERT_TRUE(atOnce(pause)) << "Pause waited for the disk";
  EXPECT_EQ(pause.get(), kS_OK);
  platform.time.Spend(2000);
  auto resume = std::async(std::launch::async, [this] { return Enc().Start(); });
  ASSERT_TRUE(atOnce(resume)) << "Resume waited for the disk";
  EXPECT_EQ(resume.get(), kS_OK);
  platform.files.gate.Open();
  platform.time.RunTo(5990);  // 2 s before the pause, 0.99 s after it
  ASSERT_EQ(Enc().Stop(), kS_OK);
  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_NEAR(p.duration, 3.0, 0.1 + 0.2) << "the pause counts from when it was asked for";
}

TEST_F(RecordingRunTest, SlowCapturesRepeatFramesSoTheTimelineKeepsWallTime) {
  ASSERT_EQ(mt::MissingTools(), "");
  platform.screen.grabCostMs = 250;  // 4 captures a second at 10 frames a second
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(6000);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  const int grabs = platform.screen.grabs;
  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_NEAR(p.duration, 5.0, 0.3);
  EXPECT_NEAR(static_cast<double>(p.videoTimes.size()), 50.0, 1.0);
  EXPECT_LE(grabs, 21);
}

TEST_F(RecordingRunTest, PicturesAreTakenWhileAFrameIsCodedAndTheNewestReplacesTheNewestWaiting) {
  ASSERT_EQ(mt::MissingTools(), "");
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);  // at 1000 ms, 10 frames a second
  platform.time.RunTo(2950);
  // The frame at 2 s is written for 2.95 s: 29 pictures are taken
  // meanwhile, a second's worth (10) can wait.
  platform.files.gate.SlowNext(platform.time, 2950);
  platform.time.RunTo(7000);
  const int grabs = platform.screen.grabs;
  ASSERT_EQ(Enc().Stop(), kS_OK);
  EXPECT_GE(grabs, 59) << "a picture for every frame, also while one was written";

  const std::string path = mt::WriteTemp(File(), ".wmv");
  std::vector<std::uint8_t> greys;
  mt::ForEachDecodedFrame(path, 320 * 240 * 4, 10, [&](const std::uint8_t* frame) { greys.push_back(frame[0]); });
  std::remove(path.c_str());
  ASSERT_GE(greys.size(), 60u);
  // The pictures taken while the frame at 2 s was written show at their
  // own times; once the queue was full, the newest took the last place:
  // the frames between repeat the picture before it.
  for (std::size_t i = 1; i <= 29; ++i) EXPECT_NE(greys[i], greys[i - 1]) << "frame " << i;
  for (std::size_t i = 30; i <= 48; ++i) EXPECT_EQ(greys[i], greys[29]) << "frame " << i;
  for (std::size_t i = 49; i < 60; ++i) EXPECT_NE(greys[i], greys[i - 1]) << "frame " << i;
}

TEST_F(RecordingRunTest, SoundFromTheNamedDeviceIsInTheSameFile) {
  ASSERT_EQ(mt::MissingTools(), "");
  settings.ContentType = kContentAudioAndVideo;
  platform.audio.names = {"Line In", "In: default"};
  settings.AudioDevicePath = "Device://In: default";
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  EXPECT_EQ(platform.audio.openedDevice, 1);
  EXPECT_EQ(platform.audio.openedFormat.BytesPerSecond(), 176400u);
  ASSERT_TRUE(platform.audio.Running());
  for (std::uint32_t t = 1100; t <= 4000; t += 100) {
    platform.time.RunTo(t);
    platform.audio.Deliver(17640);  // 100 ms
  }
  ASSERT_EQ(Enc().Pause(), kS_OK);
  platform.time.RunTo(6000);
  platform.audio.Deliver(17640 * 5);  // while paused: dropped
  ASSERT_EQ(Enc().Start(), kS_OK);
  for (std::uint32_t t = 6100; t <= 7000; t += 100) {
    platform.time.RunTo(t);
    platform.audio.Deliver(17640);
  }
  ASSERT_EQ(Enc().Stop(), kS_OK);
  EXPECT_FALSE(platform.audio.Running()) << "the device stopped with the recording";

  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_EQ(p.AudioValue("codec_name"), "wmav2");
  EXPECT_EQ(p.AudioValue("sample_rate"), "44100");
  EXPECT_EQ(p.AudioValue("channels"), "2");
  EXPECT_NEAR(p.duration, 4.0, 0.1 + 0.2);
  EXPECT_NEAR(p.soundMs, 4000, kSoundPacketMs) << "3 s before the pause, 1 s after";
}

TEST_F(RecordingRunTest, SoundArrivingWhileAFrameIsWrittenIsNeitherHeldUpNorTakenForAStall) {
  ASSERT_EQ(mt::MissingTools(), "");
  settings.ContentType = kContentAudioAndVideo;
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);  // at 1000 ms
  auto deliverUpTo = [this](std::uint32_t end) {
    for (std::uint32_t t = platform.time.NowMs() + 100; t <= end; t += 100) {
      platform.time.RunTo(t);
      platform.audio.Deliver(17640);  // 100 ms
    }
  };
  deliverUpTo(2900);
  // Half a second of sound arrives while the disk stalls.
  ASSERT_TRUE(StallDiskUnderTheCheckpointFrame());
  auto sound = std::async(std::launch::async, [this] {
    for (int i = 0; i <= 5; ++i) {
      if (i != 0) platform.time.Spend(100);
      platform.audio.Deliver(17640);
    }
  });
  const bool atOnce = sound.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  platform.files.gate.Open();
  ASSERT_TRUE(atOnce) << "the sound waited for the disk";
  deliverUpTo(5000);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_NEAR(p.soundMs, 4000, kSoundPacketMs) << "no silence was added";
}

TEST_F(RecordingRunTest, FullDiskEndsTheRecordingWithWhatWasWrittenPlayable) {
  ASSERT_EQ(mt::MissingTools(), "");
  platform.files.capacity = 20000;
  ASSERT_EQ(Build(), kS_OK);
  int told = 0;
  ASSERT_EQ(Enc().AdviseStoppedByItself([&told] { ++told; }), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(11000);
  EXPECT_EQ(platform.time.RunningWorkers(), 0) << "the worker stopped writing";
  EXPECT_EQ(told, 1) << "the encoder's user learns it at once";
  EXPECT_EQ(Enc().Stop(), kS_OK) << "Stop ends the recording as usual";
  EXPECT_EQ(told, 1);
  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_GT(p.videoTimes.size(), 3u);
  EXPECT_LT(p.videoTimes.size(), 100u);
  EXPECT_EQ(p.width, 320);
}

TEST_F(RecordingRunTest, KilledMidwayTheFileIsPlayableUpToItsLastSecond) {
  ASSERT_EQ(mt::MissingTools(), "");
  ASSERT_EQ(Build(), kS_OK);
  int told = 0;
  Enc().AdviseStoppedByItself([&told] { ++told; });
  ASSERT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(4500);
  // What the system holds of the file now is what a killed program leaves.
  const Probed p = Probe(platform.files.files.at(fakes::kOutput)->Flushed());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_GE(p.videoTimes.size(), 25u) << "3.5 s recorded, written at least every second";
  EXPECT_NEAR(p.duration, 3.1, 0.15) << "the length as of the 3 s checkpoint";
  EXPECT_EQ(p.width, 320);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  EXPECT_EQ(told, 0) << "a recording ended by Stop is no news";
}

TEST_F(RecordingRunTest, FlashRectShowsTheOutlineOnlyWhileRecording) {
  request.FlashRect = 1;
  ASSERT_EQ(Build(), kS_OK);
  EXPECT_TRUE(platform.outline.shown.empty()) << "not before the recording starts";
  ASSERT_EQ(Enc().Start(), kS_OK);
  EXPECT_EQ(platform.outline.shown, (std::vector<ScreenRect>{{10, 20, 330, 260}}));
  EXPECT_EQ(platform.outline.onScreen, 1);
  ASSERT_EQ(Enc().Pause(), kS_OK);
  EXPECT_EQ(platform.outline.onScreen, 1);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  EXPECT_EQ(platform.outline.onScreen, 0);

  request.FlashRect = 0;
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  ASSERT_EQ(Enc().Stop(), kS_OK);
  EXPECT_EQ(platform.outline.shown.size(), 1u);
}

TEST_F(RecordingRunTest, LastReleaseWhileRecordingFinishesTheFile) {
  ASSERT_EQ(mt::MissingTools(), "");
  ASSERT_EQ(Build(), kS_OK);
  ASSERT_EQ(Enc().Start(), kS_OK);
  platform.time.RunTo(3000);
  session.Profile.Reset();
  session.Encoder.Reset();  // without PrepareToEncode(false) or Stop
  EXPECT_EQ(factory.LiveObjects(), 0);
  EXPECT_TRUE(platform.time.WorkersEnd());
  const Probed p = Probe(File());
  ASSERT_EQ(p.code, 0) << p.json;
  EXPECT_NEAR(p.duration, 2.0, 0.3);
  EXPECT_EQ(p.Tag("title"), "Caf\xC3\xA9 tour");
}

}  // namespace
}  // namespace mavrion::encoder::builtin
