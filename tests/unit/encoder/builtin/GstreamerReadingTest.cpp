#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/encoder/builtin/ScreenRecording.h"
#include "tests/unit/encoder/builtin/GstreamerReader.h"
#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin {
namespace {

namespace mt = media_tools;
namespace gst = gstreamer_reader;

long Number(const std::string& json, const std::string& key) {
  std::string value = mt::JsonValue(json, key);
  return value.empty() ? -1 : std::stol(value);
}

// A recording with sound and a pause, its finished file and the file as a
// killed program leaves it, read by GStreamer's demuxer and decoders.
TEST(GstreamerReadingTest, RecordingWithSoundAndAPauseAndAKilledOneReadInGstreamer) {
  std::string missing = gst::MissingGstreamer();
  if (!missing.empty()) GTEST_SKIP() << missing;
  MemorySink sink;
  ScreenRecording recording(&sink);
  RecordingSetup setup;
  setup.capturedWidth = 130;  // padded to 132 x 72
  setup.capturedHeight = 70;
  setup.framesPerThousandSeconds = 10000;
  setup.hasAudio = true;
  setup.audio = AsfAudioFormat{2, 44100, 16};
  setup.keyFrameIntervalMs = 2000;
  ASSERT_TRUE(recording.Begin(setup, 0));
  std::vector<std::uint8_t> pixels(130 * 70 * 4);
  std::vector<std::uint8_t> sound(4410 * 4);
  for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<std::uint8_t>(i * 7);
  int level = 0;
  // Every frame differs from the one before, so that each is decoded.
  auto record = [&](std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t t = from; t < to; t += 100) {
      for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(level);
      level += 4;
      ASSERT_TRUE(recording.AddFrame(t, BgraImage{pixels.data(), 130, 70, 130 * 4}));
      ASSERT_TRUE(recording.AddAudio(t + 100, sound.data(), sound.size()));
    }
  };
  record(0, 3000);
  ASSERT_TRUE(recording.Pause(3000));
  recording.Resume(6000);
  record(6000, 8000);
  const std::vector<std::uint8_t> killed = sink.Flushed();
  ASSERT_TRUE(recording.Finish(8000));
  ASSERT_EQ(recording.FramesWritten(), 50u);

  const std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  std::string json = gst::Read(path, &code);
  ASSERT_EQ(code, 0) << json;
  EXPECT_EQ(mt::JsonValue(json, "errors"), "[]") << json;
  EXPECT_EQ(mt::JsonValue(json, "warnings"), "[]") << json;
  const std::string video = mt::JsonValue(json, "video_caps");
  EXPECT_EQ(video.find("video/mpeg, mpegversion=(int)4, "), 0u) << video;
  EXPECT_NE(video.find("width=(int)132, height=(int)72"), std::string::npos) << video;
  const std::string audio = mt::JsonValue(json, "audio_caps");
  EXPECT_EQ(audio.find("audio/x-wma, wmaversion=(int)2, "), 0u) << audio;
  const std::size_t rate = audio.find("bitrate=(int)");
  ASSERT_NE(rate, std::string::npos) << audio;
  const long soundBits = std::stol(audio.substr(rate + 13));
  EXPECT_EQ(Number(json, "video_bitrate"), 400000 - soundBits) << "the picture has what the sound leaves of the audience";
  EXPECT_NE(audio.find("channels=(int)2,"), std::string::npos) << audio;
  EXPECT_NE(audio.find("rate=(int)44100"), std::string::npos) << audio;
  EXPECT_EQ(Number(json, "video_buffers"), 50);
  EXPECT_EQ(Number(json, "video_frames"), 50) << "each frame decoded";
  EXPECT_NEAR(Number(json, "last_frame_end_ms"), 5000, 1);
  EXPECT_NEAR(Number(json, "duration_ms"), 5000, 50) << "the time recorded, the pause left out, to the sound's last packet";
  EXPECT_NEAR(Number(json, "audio_bytes"), 5 * 176400, 176400 / 10);

  // Key frames at 0, 2 and 4 s of the file.
  json = gst::Read(path, &code, 3.5);
  EXPECT_EQ(mt::JsonValue(json, "errors"), "[]") << json;
  EXPECT_EQ(mt::JsonValue(json, "seek_accepted"), "true") << json;
  EXPECT_EQ(Number(json, "first_video_ms"), 2000) << json;
  EXPECT_EQ(Number(json, "video_frames"), 30) << json;
  std::remove(path.c_str());

  const std::string cut = mt::WriteTemp(killed, ".wmv");
  json = gst::Read(cut, &code);
  std::remove(cut.c_str());
  EXPECT_EQ(mt::JsonValue(json, "errors"), "[]") << json;
  EXPECT_GE(Number(json, "video_frames"), 40) << "everything up to the last checkpoint\n" << json;
}

}  // namespace
}  // namespace mavrion::encoder::builtin
