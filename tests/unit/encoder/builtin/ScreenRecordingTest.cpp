#include "core/encoder/builtin/ScreenRecording.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "tests/unit/encoder/builtin/GstreamerReader.h"
#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin {
namespace {

namespace mt = media_tools;
namespace gst = gstreamer_reader;

// A captured picture whose whole area has one grey level: which capture a
// decoded frame shows can be read back from any pixel.
struct Screen {
  int w, h;
  std::vector<std::uint8_t> pixels;
  Screen(int width, int height) : w(width), h(height), pixels(static_cast<std::size_t>(width) * height * 4) {}
  BgraImage Show(int level) {
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      pixels[i] = pixels[i + 1] = pixels[i + 2] = static_cast<std::uint8_t>(level);
      pixels[i + 3] = 255;
    }
    return BgraImage{pixels.data(), w, h, w * 4};
  }
};

std::vector<long> VideoPacketTimes(const std::string& path) {
  int code = 0;
  std::string out = mt::Run("ffprobe -v error -select_streams v:0 -show_entries packet=pts -of csv=p=0 '" + path + "'", &code);
  std::vector<long> times;
  std::istringstream lines(out);
  for (long t; lines >> t;) times.push_back(t);
  return times;
}

// 64 x 48 at 10 frames a second, with 16-bit stereo sound at 44.1 kHz.
RecordingSetup SmallWithSound() {
  RecordingSetup setup;
  setup.capturedWidth = 64;
  setup.capturedHeight = 48;
  setup.framesPerThousandSeconds = 10000;
  setup.hasAudio = true;
  setup.audio = AsfAudioFormat{2, 44100, 16};
  return setup;
}

TEST(ScreenRecordingTest, LateCapturesAndAPauseGiveTheRecordedTimeWithoutGapsOrFrozenStretches) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink;
  ScreenRecording recording(&sink);
  RecordingSetup setup;
  setup.capturedWidth = 130;  // padded to 132 x 72
  setup.capturedHeight = 70;
  setup.framesPerThousandSeconds = 10000;
  setup.sharpness = 100;
  setup.fileId = MakeFileId(7, 8);
  const std::uint32_t start = 1000000;
  ASSERT_TRUE(recording.Begin(setup, start));
  EXPECT_EQ(recording.Geometry().encodedWidth, 132);
  EXPECT_EQ(recording.Geometry().encodedHeight, 72);
  Screen screen(130, 70);

  // Captures every 100 ms, but one arrives 350 ms late, and an early one
  // finds no frame due. The grey level tells captures apart.
  std::vector<std::uint32_t> captures;
  for (std::uint32_t t = 0; t < 4000; t += 100) captures.push_back(t == 1200 ? 1550 : t);
  captures.push_back(3950);
  int level = 0;
  for (std::uint32_t t : captures) {
    if (t > 1200 && t < 1550) continue;
    ASSERT_TRUE(recording.AddFrame(start + t, screen.Show(level += 4)));
  }
  EXPECT_EQ(recording.MillisecondsToNextFrame(start + 3960), 40u);
  ASSERT_TRUE(recording.Pause(start + 4000));
  EXPECT_EQ(recording.FramesWritten(), 40u);
  EXPECT_TRUE(recording.AddFrame(start + 4100, screen.Show(250)));
  EXPECT_EQ(recording.FramesWritten(), 40u) << "nothing is recorded while paused";
  recording.Resume(start + 9000);
  for (std::uint32_t t = 9000; t < 12000; t += 100) ASSERT_TRUE(recording.AddFrame(start + t + 3, screen.Show(level += 2)));
  ASSERT_TRUE(recording.Finish(start + 12000));
  EXPECT_EQ(recording.FramesWritten(), 70u) << "4 s before the pause and 3 s after";
  EXPECT_EQ(recording.DurationMs(), 7000);

  std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  std::string json = mt::Probe(path, &code);
  ASSERT_EQ(code, 0) << json;
  EXPECT_NEAR(std::stod(mt::JsonValue(json, "duration", json.find("\"format\":"))), 7.0, 0.01);
  EXPECT_EQ(mt::JsonValue(json, "width"), "132");
  std::vector<long> times = VideoPacketTimes(path);
  std::vector<std::uint8_t> frames = mt::DecodeBgra(path, &code, 10);
  std::remove(path.c_str());
  ASSERT_EQ(times.size(), 70u);
  for (std::size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i], static_cast<long>(i) * 100) << "frame " << i;

  ASSERT_EQ(frames.size(), 70u * 132 * 72 * 4);
  auto grey = [&](int frame) { return frames[static_cast<std::size_t>(frame) * 132 * 72 * 4 + 4 * 131]; };
  // Through studio-range YUV and back a grey level comes out within one or two.
  auto expanded = [](int level) { return ::testing::AllOf(::testing::Ge(level - 2), ::testing::Le(level + 2)); };
  EXPECT_THAT(grey(0), expanded(4));
  EXPECT_THAT(grey(11), expanded(48));
  // Slots 12 to 14 passed without a capture: they repeat capture 12; the
  // late capture fills slot 15.
  EXPECT_THAT(grey(12), expanded(48));
  EXPECT_THAT(grey(14), expanded(48));
  EXPECT_THAT(grey(15), expanded(52));
  EXPECT_THAT(grey(39), expanded(148)) << "the last capture before the pause (the one at 3950 found no frame due)";
  // The first frame after the pause is the first capture after Resume.
  EXPECT_THAT(grey(40), expanded(154));
  EXPECT_THAT(grey(69), expanded(level));
}

TEST(ScreenRecordingTest, SoundFromATooFastDeviceKeepsToTheWallClockAndSizesAreScaled) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink;
  ScreenRecording recording(&sink);
  RecordingSetup setup;
  setup.capturedWidth = 200;
  setup.capturedHeight = 100;
  setup.profileWidth = 100;  // the height stays captured
  setup.framesPerThousandSeconds = 5000;
  setup.hasAudio = true;
  setup.audio = AsfAudioFormat{1, 44100, 16};
  setup.texts.title = u"Sound";
  ASSERT_TRUE(recording.Begin(setup, 0));
  Screen screen(200, 100);
  // Every 100 ms the device hands over a whole second of samples.
  std::vector<std::uint8_t> second(88200, 0);
  for (std::uint32_t t = 0; t < 5000; t += 100) {
    ASSERT_TRUE(recording.AddFrame(t, screen.Show(static_cast<int>(t / 40))));
    ASSERT_TRUE(recording.AddAudio(t + 100, second.data(), second.size()));
  }
  ASSERT_TRUE(recording.Finish(5000));
  std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  std::string json = mt::Probe(path, &code);
  // Where the sound ends: the last audio packet's time and length.
  std::string last = mt::Run("ffprobe -v error -select_streams a:0 -show_entries packet=pts,duration -of csv=p=0 '" +
                             path + "' | tail -1", &code);
  long lastPts = 0, lastDuration = 0;
  std::sscanf(last.c_str(), "%ld,%ld", &lastPts, &lastDuration);
  std::remove(path.c_str());
  ASSERT_EQ(code, 0) << json;
  std::size_t audio = json.rfind("\"index\"", json.find("\"codec_type\": \"audio\""));
  ASSERT_NE(audio, std::string::npos) << json;
  EXPECT_EQ(mt::JsonValue(json, "codec_name", audio), "wmav2");
  EXPECT_GE(lastPts + lastDuration, 5000);
  EXPECT_LE(lastPts + lastDuration, 5000 + kAudioLeadLimitMs) << "not the 50 s the device delivered";
  // As long as the time recorded: the video keeps the wall's time.
  EXPECT_LE(std::stod(mt::JsonValue(json, "duration", json.find("\"format\":"))), 5.0 + kAudioLeadLimitMs / 1000.0);
  EXPECT_EQ(mt::JsonValue(json, "width"), "100");
  EXPECT_EQ(mt::JsonValue(json, "height"), "100");
  EXPECT_EQ(mt::JsonValue(json, "title"), "Sound");

  ScreenRecording unusable(&sink);
  setup.capturedWidth = 0;
  EXPECT_FALSE(unusable.Begin(setup, 0));
  EXPECT_FALSE(unusable.AddFrame(0, screen.Show(1)));
  EXPECT_FALSE(unusable.Finish(10));
}

// 16-bit stereo at 44.1 kHz: silence, or a 1 kHz tone at half of full
// scale, continued from sample frame `from`.
std::vector<std::uint8_t> Sound(std::uint64_t from, std::size_t frames, bool tone) {
  std::vector<std::int16_t> samples(frames * 2, 0);
  for (std::size_t i = 0; tone && i < frames; ++i) {
    samples[2 * i] = samples[2 * i + 1] =
        static_cast<std::int16_t>(16384 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(from + i) / 44100));
  }
  std::vector<std::uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

TEST(ScreenRecordingTest, SoundStartsAndEndsWithThePictureInFfmpegAndGstreamer) {
  ASSERT_EQ(mt::MissingTools(), "");
  const std::string missing = gst::MissingGstreamer();
  if (!missing.empty()) GTEST_SKIP() << missing;
  MemorySink sink;
  ScreenRecording recording(&sink);
  ASSERT_TRUE(recording.Begin(SmallWithSound(), 0));
  Screen screen(64, 48);
  // Dark and silent for 2 s, then bright and the tone, to the stop at 4 s.
  std::uint64_t frame = 0;
  for (std::uint32_t t = 0; t < 4000; t += 100) {
    ASSERT_TRUE(recording.AddFrame(t, screen.Show(t < 2000 ? 16 : 235)));
    const std::vector<std::uint8_t> sound = Sound(frame, 4410, t >= 2000);
    ASSERT_TRUE(recording.AddAudio(t + 100, sound.data(), sound.size()));
    frame += 4410;
  }
  ASSERT_TRUE(recording.Finish(4000));
  const std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  const std::string pcm = mt::Run("ffmpeg -v error -i '" + path +
                                      "' -map 0:a -af aresample=async=1:first_pts=0 -ac 1 -f s16le -", &code);
  ASSERT_EQ(code, 0);
  std::vector<std::int16_t> decoded(pcm.size() / 2);
  std::memcpy(decoded.data(), pcm.data(), decoded.size() * 2);
  std::size_t onset = 0;
  while (onset < decoded.size() && std::abs(decoded[onset]) <= 8000) ++onset;
  // The picture changes at 2000 ms and ends at 4000 ms; a frame is 100 ms.
  EXPECT_NEAR(onset * 1000.0 / 44100, 2000, 100) << "FFmpeg";
  EXPECT_NEAR(decoded.size() * 1000.0 / 44100, 4000, 100) << "FFmpeg";

  const std::string json = gst::Read(path, &code);
  std::remove(path.c_str());
  EXPECT_EQ(mt::JsonValue(json, "errors"), "[]") << json;
  EXPECT_NEAR(std::stol(mt::JsonValue(json, "sound_onset_ms")), 2000, 100) << json;
  EXPECT_NEAR(std::stol(mt::JsonValue(json, "first_audio_ms")), 0, 100) << json;
  EXPECT_NEAR(std::stol(mt::JsonValue(json, "audio_end_ms")), 4000, 100) << json;
}

std::uint64_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// The bits of every payload, sound and picture, by the send time (ms) of
// the data packet that carries it, walking the writer's packet layout.
std::vector<std::pair<std::int64_t, std::int64_t>> BitsBySendTime(const std::vector<std::uint8_t>& b) {
  const std::size_t data = Le(b, 16, 8);
  const std::uint64_t packets = Le(b, data + 40, 8);
  const std::size_t packetSize = (Le(b, data + 16, 8) - 50) / std::max<std::uint64_t>(packets, 1);
  std::vector<std::pair<std::int64_t, std::int64_t>> bits;
  for (std::uint64_t p = 0; p < packets; ++p) {
    const std::size_t at = data + 50 + p * packetSize;
    const auto sent = static_cast<std::int64_t>(Le(b, at + 7, 4));
    if (bits.empty() || bits.back().first != sent) bits.emplace_back(sent, 0);
    std::size_t payload = at + 14;
    for (std::uint64_t n = 0; n < (b[at + 13] & 0x3Fu); ++n) {
      const std::uint64_t length = Le(b, payload + 15, 2);
      bits.back().second += static_cast<std::int64_t>(length * 8);
      payload += 17 + length;
    }
  }
  return bits;
}

TEST(ScreenRecordingTest, SoundAndPictureTogetherHoldTheAudienceOverEveryStretchOfTheFile) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink;
  ScreenRecording recording(&sink);
  RecordingSetup setup = SmallWithSound();
  setup.capturedWidth = 320;
  setup.capturedHeight = 240;
  setup.framesPerThousandSeconds = 15000;
  ASSERT_TRUE(recording.Begin(setup, 0));
  // Noise that changes every frame asks far more than the audience holds.
  std::vector<std::uint8_t> pixels(320 * 240 * 4);
  std::uint32_t seed = 7;
  std::uint64_t frame = 0;
  for (std::uint32_t t = 0; t < 20000; t += 66) {
    for (std::uint8_t& v : pixels) v = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    ASSERT_TRUE(recording.AddFrame(t, BgraImage{pixels.data(), 320, 240, 320 * 4}));
    const std::vector<std::uint8_t> sound = Sound(frame, 2910, true);
    ASSERT_TRUE(recording.AddAudio(t + 66, sound.data(), sound.size()));
    frame += 2910;
  }
  ASSERT_TRUE(recording.Finish(20000));
  const std::vector<std::uint8_t>& b = sink.Bytes();

  const std::string path = mt::WriteTemp(b, ".wmv");
  int code = 0;
  const std::string json = mt::Probe(path, &code);
  std::remove(path.c_str());
  ASSERT_EQ(code, 0) << json;
  const std::size_t audio = json.rfind("\"index\"", json.find("\"codec_type\": \"audio\""));
  const long soundRate = std::stol(mt::JsonValue(json, "bit_rate", audio));
  EXPECT_GE(soundRate, 32000);
  EXPECT_LE(soundRate, 64000);
  EXPECT_EQ(std::stol(mt::JsonValue(json, "bit_rate")), 400000 - soundRate) << "the picture has the rest";

  const auto bits = BitsBySendTime(b);
  std::int64_t total = 0;
  for (std::size_t first = 0; first < bits.size(); ++first) {
    std::int64_t sum = 0;
    for (std::size_t last = first; last < bits.size(); ++last) {
      sum += bits[last].second;
      ASSERT_LE(sum, 2000000 + 400 * (bits[last].first - bits[first].first)) << bits[first].first << ".." << bits[last].first;
    }
    total += bits[first].second;
  }
  EXPECT_GT(total, 400000 * 20 * 9 / 10) << "the picture takes what the audience leaves";
}

TEST(ScreenRecordingTest, ASeekLandsOnTheKeyFrameAtOrBeforeItsTargetToTheEndOfTheFile) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink;
  ScreenRecording recording(&sink);
  ASSERT_TRUE(recording.Begin(SmallWithSound(), 0));  // key frames at 0, 10 and 20 s
  Screen screen(64, 48);
  std::vector<std::uint8_t> sound(17640, 0);
  for (std::uint32_t t = 0; t < 26000; t += 100) {
    ASSERT_TRUE(recording.AddFrame(t, screen.Show(static_cast<int>(t / 100 % 64) * 4)));
    ASSERT_TRUE(recording.AddAudio(t + 100, sound.data(), sound.size()));
  }
  ASSERT_TRUE(recording.Finish(26000));
  const std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  auto landing = [&](const char* target) {
    int code = 0;
    std::string out = mt::Run("ffprobe -v error -select_streams v:0 -read_intervals " + std::string(target) +
                              "%+#1 -show_entries packet=pts,flags -of csv=p=0 '" + path + "'", &code);
    return code == 0 ? out.substr(0, out.find('\n')) : "ffprobe failed";
  };
  EXPECT_EQ(landing("0.5"), "0,K_");
  EXPECT_EQ(landing("8.5"), "0,K_");
  EXPECT_EQ(landing("10"), "10000,K_");
  EXPECT_EQ(landing("19.9"), "10000,K_");
  EXPECT_EQ(landing("23"), "20000,K_");
  EXPECT_EQ(landing("25.8"), "20000,K_") << "near the end";
  std::remove(path.c_str());
}

// The sound device's buffers of 100 ms each hold one level, which tells
// them apart in the decoded sound: a burst after a stall, a pause, and at
// the end a buffer alone after time the device lost, just before the stop.
TEST(ScreenRecordingTest, LateSoundLandsWhereItWasHeardAroundAStallAPauseAndTheStop) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink;
  ScreenRecording recording(&sink);
  ASSERT_TRUE(recording.Begin(SmallWithSound(), 0));
  Screen screen(64, 48);
  // Each buffer a 1 kHz tone of one of seven levels 4500 apart: a buffer
  // out of place by up to six, or by the pause's ten, shows.
  auto level = [](std::int64_t heard) { return 2000 + heard / 100 % 7 * 4500; };
  auto deliver = [&](std::int64_t heard, std::int64_t arrived) {
    std::vector<std::int16_t> buffer(4410 * 2);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      buffer[i] = static_cast<std::int16_t>(level(heard) * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i / 2) / 44100));
    }
    ASSERT_TRUE(recording.AddAudio(static_cast<std::uint32_t>(arrived), reinterpret_cast<const std::uint8_t*>(buffer.data()),
                                   buffer.size() * 2));
  };
  for (std::int64_t t = 0; t < 6000; t += 100) {
    if (t == 3000) {
      ASSERT_TRUE(recording.Pause(3000));
    }
    if (t == 4000) recording.Resume(4000);
    if (t < 3000 || t >= 4000) {
      ASSERT_TRUE(recording.AddFrame(static_cast<std::uint32_t>(t), screen.Show(0)));
    }
    if (t == 2500) {
      for (std::int64_t heard = 1000; heard < 2500; heard += 100) deliver(heard, 2500);
    }
    if (t < 1000 || (t >= 2500 && t < 5000)) deliver(t, t + 100);
  }
  deliver(5900, 6000);
  ASSERT_TRUE(recording.Finish(6000));
  const std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  // On the file's timeline from 0, whatever the decoder gives first.
  const std::string raw = mt::Run("ffmpeg -v error -i '" + path +
                                      "' -map 0:a -af aresample=async=1:first_pts=0 -f s16le -ac 1 -ar 8000 -", &code);
  std::remove(path.c_str());
  ASSERT_EQ(code, 0);
  std::vector<std::int16_t> sound(raw.size() / 2);
  std::memcpy(sound.data(), raw.data(), sound.size() * 2);
  EXPECT_NEAR(static_cast<double>(sound.size()), 5000.0 * 8, 100.0 * 8) << "as long as the picture";
  // The tone's level (its peak, from 20 ms of RMS) in the middle of each
  // buffer, at its recording time (paused time is out), within the
  // coding's error, less than half a level step; the first buffer is the
  // decoder's start.
  constexpr int kCoded = 1500;
  auto heardAt = [&](std::int64_t media) {
    double sum = 0;
    for (std::size_t i = 0; i < 160; ++i) {
      const double v = sound.at(static_cast<std::size_t>(media * 8 + 320) + i);
      sum += v * v;
    }
    return std::sqrt(sum / 160) * std::sqrt(2.0);
  };
  for (std::int64_t heard = 100; heard < 5000; heard += 100) {
    if (heard >= 3000 && heard < 4000) continue;
    EXPECT_NEAR(heardAt(heard < 3000 ? heard : heard - 1000), level(heard), kCoded) << "heard at " << heard;
  }
  EXPECT_NEAR(heardAt(4500), 0, kCoded) << "the time the device lost is silence";
  EXPECT_NEAR(heardAt(4900), level(5900), kCoded);
}

}  // namespace
}  // namespace mavrion::encoder::builtin
