#include "core/encoder/builtin/AsfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"
#include "core/encoder/builtin/Windows1252.h"
#include "tests/unit/encoder/builtin/GstreamerReader.h"
#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin {
namespace {

namespace mt = media_tools;
namespace gst = gstreamer_reader;

constexpr int kW = 64, kH = 48;

// Frames of a bar moving over a grainy gradient, coded as the recorder codes
// them.
class Source {
 public:
  Source() : encoder_(Settings()), pixels_(kW * kH * 4) {}
  static mpeg4::EncoderSettings Settings() {
    mpeg4::EncoderSettings s;
    s.width = kW;
    s.height = kH;
    s.framesPerThousandSeconds = 10000;
    return s;
  }
  AsfVideoFormat Format() const { return encoder_.Format(); }
  std::vector<std::uint8_t> Frame(int n, bool* key) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        std::uint8_t* p = &pixels_[(y * kW + x) * 4];
        bool bar = x >= (n * 3) % kW && x < (n * 3) % kW + 6;
        // Grain that changes every frame keeps the frames about a packet's size.
        const std::uint32_t grain = ((x * 73856093u) ^ (y * 19349663u) ^ (n * 83492791u)) % 121;
        p[0] = static_cast<std::uint8_t>(bar ? 20 : x * 2 + grain);
        p[1] = static_cast<std::uint8_t>(bar ? 220 : y * 5);
        p[2] = static_cast<std::uint8_t>(bar ? 240 : 90);
        p[3] = 255;
      }
    std::vector<std::uint8_t> out;
    *key = encoder_.Encode(BgraImage{pixels_.data(), kW, kH, kW * 4}, n * 100, n % 20 == 0, &out);
    return out;
  }

 private:
  mpeg4::Mpeg4Encoder encoder_;
  std::vector<std::uint8_t> pixels_;
};

// Sound coded by FFmpeg's own WMA 2 encoder (a 1 kHz tone, 44.1 kHz
// stereo at 48 kbit/s): coded packets from a coder other than ours, and
// what FFmpeg decodes of them from a file of its own making.
struct ReferenceSound {
  static constexpr std::uint32_t kFramesPerPacket = 2048;
  AudioStreamFormat format;
  std::vector<std::vector<std::uint8_t>> packets;
  std::string decoded;  // 16-bit stereo

  static const ReferenceSound& Get() {
    static const ReferenceSound sound = Make();
    return sound;
  }
  static std::int64_t TimeMs(std::size_t packet) { return static_cast<std::int64_t>(packet * kFramesPerPacket * 1000 / 44100); }

 private:
  static ReferenceSound Make() {
    ReferenceSound r;
    r.format.formatTag = 0x0161;
    r.format.channels = 2;
    r.format.samplesPerSecond = 44100;
    r.format.averageBytesPerSecond = 6000;
    r.format.blockAlign = 278;  // 48000 * 2048 / 44100 / 8, rounded down
    r.format.bitsPerSample = 16;
    r.format.codecData = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0};  // the encoder's options: exponents coded by VLC
    r.format.framesPerPacket = kFramesPerPacket;
    const std::string file = mt::TempPath(".asf");
    int code = 0;
    mt::Run("ffmpeg -v error -f lavfi -i sine=frequency=1000:sample_rate=44100:duration=12 -ac 2 "
            "-c:a wmav2 -b:a 48k '" + file + "'", &code);
    const std::string bytes = mt::Run("ffmpeg -v error -i '" + file + "' -map 0:a -c copy -f data -", &code);
    for (std::size_t at = 0; code == 0 && at + 278 <= bytes.size(); at += 278) {
      r.packets.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + 278));
    }
    r.decoded = mt::Run("ffmpeg -v error -i '" + file + "' -map 0:a -f s16le -", &code);
    std::remove(file.c_str());
    return r;
  }
};

AsfFileSetup FileSetup(bool audio) {
  AsfFileSetup setup;
  setup.video = Source().Format();
  setup.video.frameDurationMs = 100;
  setup.hasAudio = audio;
  if (audio) setup.audio = ReferenceSound::Get().format;
  setup.texts.title = Windows1252ToUtf16("Caf\xE9 demo");
  setup.texts.author = Windows1252ToUtf16("Ann Author");
  setup.texts.copyright = Windows1252ToUtf16("\xA9 2024 \x80 Mavrion");
  setup.texts.description = Windows1252ToUtf16("What the recording shows");
  setup.fileId = MakeFileId(1, 2);
  setup.creationTime = FileTimeFromUnixSeconds(1700000000);
  setup.packetSize = 1024;
  return setup;
}

// Ten frames a second, and with audio the coded sound of each tenth of a
// second after its frame.
void Record(AsfWriter* writer, int frames, bool audio, Source* source) {
  const ReferenceSound& sound = ReferenceSound::Get();
  ASSERT_FALSE(audio && sound.packets.empty()) << "FFmpeg's wmav2 encoder gave nothing";
  std::size_t packet = 0;
  for (int n = 0; n < frames; ++n) {
    bool key = false;
    std::vector<std::uint8_t> frame = source->Frame(n, &key);
    ASSERT_TRUE(writer->WriteVideoFrame(n * 100, key, frame.data(), frame.size()));
    for (; audio && ReferenceSound::TimeMs(packet) < (n + 1) * 100 && packet < sound.packets.size(); ++packet) {
      const std::vector<std::uint8_t>& bytes = sound.packets[packet];
      ASSERT_TRUE(writer->WriteAudio(ReferenceSound::TimeMs(packet), bytes.data(), bytes.size()));
    }
  }
}

std::uint64_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// Where the object with this GUID's first four bytes starts, walking the
// header's objects.
std::size_t FindObject(const std::vector<std::uint8_t>& b, std::uint32_t first) {
  for (std::size_t at = 30; at + 24 <= b.size() && at < Le(b, 16, 8);) {
    if (Le(b, at, 4) == first) return at;
    at += Le(b, at + 16, 8);
  }
  return std::string::npos;
}

TEST(AsfWriterTest, FfprobeReadsStreamsFormatAndDescriptiveTexts) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink;
  AsfWriter writer(&sink);
  ASSERT_TRUE(writer.Begin(FileSetup(true)));
  Source source;
  Record(&writer, 30, true, &source);
  ASSERT_TRUE(writer.Finish());
  std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  std::string json = mt::Probe(path, &code);
  std::vector<std::uint8_t> frames = mt::DecodeBgra(path, &code);
  std::remove(path.c_str());
  ASSERT_EQ(code, 0) << json;
  std::size_t video = json.find("\"codec_type\": \"video\"");
  std::size_t audio = json.find("\"codec_type\": \"audio\"");
  ASSERT_NE(video, std::string::npos) << json;
  ASSERT_NE(audio, std::string::npos) << json;
  std::size_t videoStart = json.rfind("\"index\"", video);
  EXPECT_EQ(mt::JsonValue(json, "codec_name", videoStart), "mpeg4");
  EXPECT_EQ(mt::JsonValue(json, "codec_tag_string", videoStart), "M4S2");
  EXPECT_EQ(mt::JsonValue(json, "bit_rate", videoStart), "400000") << "the declared rate";
  EXPECT_EQ(mt::JsonValue(json, "width", videoStart), "64");
  EXPECT_EQ(mt::JsonValue(json, "height", videoStart), "48");
  EXPECT_EQ(mt::JsonValue(json, "r_frame_rate", videoStart), "10/1");
  std::size_t audioStart = json.rfind("\"index\"", audio);
  EXPECT_EQ(mt::JsonValue(json, "codec_name", audioStart), "wmav2");
  EXPECT_EQ(mt::JsonValue(json, "sample_rate", audioStart), "44100");
  EXPECT_EQ(mt::JsonValue(json, "channels", audioStart), "2");
  EXPECT_EQ(mt::JsonValue(json, "bit_rate", audioStart), "48000");
  std::size_t format = json.find("\"format\":");
  EXPECT_EQ(mt::JsonValue(json, "format_name", format), "asf");
  EXPECT_NEAR(std::stod(mt::JsonValue(json, "duration", format)), 3.018, 0.001) << "to the end of the last sound packet";
  EXPECT_EQ(mt::JsonValue(json, "title", format), "Caf\xC3\xA9 demo");
  EXPECT_EQ(mt::JsonValue(json, "artist", format), "Ann Author");
  EXPECT_EQ(mt::JsonValue(json, "copyright", format), "\xC2\xA9 2024 \xE2\x82\xAC Mavrion");
  EXPECT_EQ(mt::JsonValue(json, "comment", format), "What the recording shows");
  EXPECT_EQ(frames.size(), 30u * kW * kH * 4);
}

TEST(AsfWriterTest, CodedSoundPlaysWholeAndInPlaceInFfmpegAndGstreamer) {
  ASSERT_EQ(mt::MissingTools(), "");
  const std::string missing = gst::MissingGstreamer();
  if (!missing.empty()) GTEST_SKIP() << missing;
  MemorySink sink;
  AsfWriter writer(&sink);
  ASSERT_TRUE(writer.Begin(FileSetup(true)));
  Source source;
  Record(&writer, 30, true, &source);  // packets 0 to 64: up to 3018 ms
  ASSERT_TRUE(writer.Finish());
  const std::string path = mt::WriteTemp(sink.Bytes(), ".wmv");
  int code = 0;
  const std::string pcm = mt::Run("ffmpeg -v error -i '" + path + "' -map 0:a -f s16le -", &code);
  EXPECT_EQ(code, 0);
  // FFmpeg's decoder holds a packet back and, at the end of the stream,
  // gives the last one it holds finished off alone.
  ASSERT_EQ(pcm.size(), 64u * 2048 * 4);
  const std::string& reference = ReferenceSound::Get().decoded;
  ASSERT_GE(reference.size(), pcm.size());
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end() - 2048 * 4, reference.begin())) << "the sound FFmpeg's own file gives";

  const std::string json = gst::Read(path, &code);
  std::remove(path.c_str());
  EXPECT_EQ(mt::JsonValue(json, "errors"), "[]") << json;
  EXPECT_NE(mt::JsonValue(json, "audio_caps").find("audio/x-wma, wmaversion=(int)2"), std::string::npos) << json;
  EXPECT_EQ(std::stol(mt::JsonValue(json, "first_audio_ms")), 0) << json;
  EXPECT_NEAR(std::stol(mt::JsonValue(json, "audio_end_ms")), 65 * 2048 * 1000 / 44100, 2) << json;
  EXPECT_NEAR(std::stol(mt::JsonValue(json, "audio_bytes")), 65 * 2048 * 4, 2048 * 4) << json;
}

TEST(AsfWriterTest, FinishedFileDescribesItselfAndIndexesKeyFrames) {
  MemorySink sink;
  AsfWriter writer(&sink);
  AsfFileSetup setup = FileSetup(false);
  setup.texts = AsfTexts{};
  ASSERT_TRUE(writer.Begin(setup));
  const std::vector<std::uint8_t>& b = sink.Bytes();
  const std::size_t props = FindObject(b, 0x8CABDCA1);
  ASSERT_NE(props, std::string::npos);
  EXPECT_EQ(Le(b, props + 88, 4), 0u) << "not broadcast: the header states what the file holds";

  Source source;
  Record(&writer, 45, false, &source);  // key frames at 0, 2 and 4 s
  ASSERT_TRUE(writer.Finish());
  ASSERT_FALSE(writer.Failed());

  EXPECT_EQ(Le(b, 0, 4), 0x75B22630u);
  EXPECT_EQ(Le(b, 24, 4), 5u) << "file properties, extension, description, bit rates, one stream";
  EXPECT_EQ(std::memcmp(&b[props + 24], MakeFileId(1, 2).data(), 16), 0);
  EXPECT_EQ(Le(b, props + 40, 8), b.size()) << "file size";
  EXPECT_EQ(Le(b, props + 48, 8), FileTimeFromUnixSeconds(1700000000));
  const std::uint64_t packets = Le(b, props + 56, 8);
  EXPECT_EQ(Le(b, props + 64, 8), (4500u + 3000u) * 10000u) << "play duration with preroll";
  EXPECT_EQ(Le(b, props + 72, 8), 4500u * 10000u) << "send duration";
  EXPECT_EQ(Le(b, props + 80, 8), 3000u) << "preroll";
  EXPECT_EQ(Le(b, props + 88, 4), 2u) << "seekable";
  EXPECT_EQ(Le(b, props + 92, 4), 1024u);
  EXPECT_EQ(Le(b, props + 96, 4), 1024u);
  EXPECT_NE(FindObject(b, 0x5FBF03B5), std::string::npos) << "header extension";
  const std::size_t text = FindObject(b, 0x75B22633);
  ASSERT_NE(text, std::string::npos);
  EXPECT_EQ(Le(b, text + 16, 8), 34u) << "five empty lengths";

  const std::size_t data = Le(b, 16, 8);
  EXPECT_EQ(Le(b, data, 4), 0x75B22636u);
  EXPECT_EQ(Le(b, data + 16, 8), 50 + packets * 1024);
  EXPECT_EQ(Le(b, data + 40, 8), packets);
  const std::size_t index = data + 50 + packets * 1024;
  ASSERT_LT(index, b.size());
  EXPECT_EQ(Le(b, index, 4), 0x33000890u);
  EXPECT_EQ(Le(b, index + 16, 8), b.size() - index);
  EXPECT_EQ(Le(b, index + 40, 8), 10000000u) << "an entry a second";
  const std::uint64_t entries = Le(b, index + 52, 4);
  EXPECT_EQ(entries, 8u) << "0 to 7 s of presentation time: the 4.5 s after the 3 s preroll";
  // Each entry leads to the packet where the last key frame at or before
  // its second of presentation time starts: walk the packets' payloads to
  // find where they start.
  std::uint64_t keyPacket[3] = {};
  int found = 0;
  for (std::uint64_t p = 0; p < packets; ++p) {
    const std::size_t at = data + 50 + p * 1024;
    ASSERT_EQ(b[at], 0x82);
    ASSERT_EQ(b[at + 3], 0x11);
    ASSERT_EQ(b[at + 4], 0x5D);
    std::size_t payload = at + 14;
    for (int n = 0; n < (b[at + 13] & 0x3F); ++n) {
      bool keyStart = b[payload] == 0x81 && Le(b, payload + 2, 4) == 0;
      if (keyStart && found < 3) {
        EXPECT_EQ(Le(b, payload + 11, 4), 3000u + 2000u * found) << "presentation time with preroll";
        keyPacket[found++] = p;
      }
      payload += 17 + Le(b, payload + 15, 2);
    }
    EXPECT_EQ(payload + Le(b, at + 5, 2), at + 1024) << "payloads and padding fill packet " << p;
  }
  ASSERT_EQ(found, 3);
  const std::uint64_t expected[8] = {keyPacket[0], keyPacket[0], keyPacket[0], keyPacket[0],
                                     keyPacket[0], keyPacket[1], keyPacket[1], keyPacket[2]};
  for (std::uint64_t e = 0; e < entries; ++e) EXPECT_EQ(Le(b, index + 56 + e * 6, 4), expected[e]) << "entry " << e;

  // Stopped before the first frame: no packets, and an index that leads
  // nowhere has no entries.
  MemorySink emptySink;
  AsfWriter empty(&emptySink);
  ASSERT_TRUE(empty.Begin(setup));
  ASSERT_TRUE(empty.Finish());
  const std::vector<std::uint8_t>& e = emptySink.Bytes();
  const std::size_t emptyData = Le(e, 16, 8);
  EXPECT_EQ(Le(e, emptyData + 40, 8), 0u);
  EXPECT_EQ(Le(e, emptyData + 50, 4), 0x33000890u);
  EXPECT_EQ(Le(e, emptyData + 50 + 52, 4), 0u);
  EXPECT_EQ(emptyData + 50 + 56, e.size());
}

TEST(AsfWriterTest, KilledRecordingStaysPlayableUpToItsLastFlush) {
  ASSERT_EQ(mt::MissingTools(), "");
  std::string path = mt::TempPath(".wmv");
  StdioFileSink sink;
  ASSERT_TRUE(sink.Open(path));
  AsfWriter writer(&sink);
  ASSERT_TRUE(writer.Begin(FileSetup(true)));
  Source source;
  Record(&writer, 57, true, &source);  // 5.7 s: checkpoints at every second
  // The program dies here: no Finish. A copy of the file as the system
  // holds it, and one cut at an arbitrary byte besides.
  int code = 0;
  mt::Run("cp '" + path + "' '" + path + ".copy'", &code);
  ASSERT_EQ(code, 0);
  FILE* copy = std::fopen((path + ".copy").c_str(), "rb");
  ASSERT_NE(copy, nullptr);
  std::vector<std::uint8_t> killed;
  for (int c; (c = std::fgetc(copy)) != EOF;) killed.push_back(static_cast<std::uint8_t>(c));
  std::fclose(copy);
  std::remove((path + ".copy").c_str());
  sink.Close();
  std::remove(path.c_str());
  ASSERT_GT(killed.size(), 5000u);
  // The header states the file as it stands after the 5 s checkpoint: its
  // size, its packets and the frames' duration up to that frame's end.
  const std::size_t props = FindObject(killed, 0x8CABDCA1);
  ASSERT_NE(props, std::string::npos);
  const std::size_t data = Le(killed, 16, 8);
  EXPECT_EQ(Le(killed, props + 40, 8), killed.size()) << "file size";
  EXPECT_EQ(Le(killed, props + 88, 4), 0u) << "neither broadcast nor seekable";
  EXPECT_EQ(data + 50 + Le(killed, props + 56, 8) * 1024, killed.size()) << "packets";
  EXPECT_EQ(Le(killed, data + 16, 8), killed.size() - data) << "data object size";
  EXPECT_EQ(Le(killed, props + 64, 8), (5100u + 3000u) * 10000u) << "play duration with preroll";
  EXPECT_EQ(Le(killed, props + 72, 8), 5100u * 10000u) << "send duration";

  std::vector<std::uint8_t> cut(killed.begin(), killed.begin() + static_cast<std::ptrdiff_t>(killed.size() * 2 / 3 + 333));
  for (const auto* bytes : {&killed, &cut}) {
    std::string file = mt::WriteTemp(*bytes, ".wmv");
    std::string json = mt::Probe(file, &code);
    EXPECT_EQ(code, 0) << json;
    EXPECT_EQ(mt::JsonValue(json, "codec_name"), "mpeg4");
    if (bytes == &killed) {
      EXPECT_NEAR(std::stod(mt::JsonValue(json, "duration", json.find("\"format\":"))), 5.1, 0.01) << json;
    }
    std::vector<std::uint8_t> frames = mt::DecodeBgra(file, &code);
    EXPECT_EQ(code, 0);
    std::remove(file.c_str());
    const std::size_t frameBytes = kW * kH * 4;
    EXPECT_EQ(frames.size() % frameBytes, 0u);
    if (bytes == &killed) {
      EXPECT_GE(frames.size() / frameBytes, 51u) << "everything up to the 5 s checkpoint";
    } else {
      EXPECT_GE(frames.size() / frameBytes, 25u) << "the packets before the cut";
    }
  }
}

TEST(AsfWriterTest, BusyPictureIsWrittenBeforeASecondIsFull) {
  // Frames of a megabyte, ten in a tenth of a second: they go to the file
  // after a few megabytes, not held until the next second.
  MemorySink sink;
  AsfWriter writer(&sink);
  AsfFileSetup setup = FileSetup(false);
  setup.packetSize = 8192;
  ASSERT_TRUE(writer.Begin(setup));
  std::vector<std::uint8_t> frame(1 << 20, 0x5A);
  for (int n = 0; n < 10; ++n) ASSERT_TRUE(writer.WriteVideoFrame(n * 10, n == 0, frame.data(), frame.size()));
  EXPECT_GE(sink.Flushed().size(), 8u << 20);
  const std::vector<std::uint8_t>& b = sink.Flushed();
  const std::size_t props = FindObject(b, 0x8CABDCA1);
  EXPECT_EQ(Le(b, props + 40, 8), b.size()) << "and the header describes them";
}

TEST(AsfWriterTest, FullDiskEndsTheRecordingWithWhatFitCompleteAndPlayable) {
  ASSERT_EQ(mt::MissingTools(), "");
  MemorySink sink(20000);
  AsfWriter writer(&sink);
  ASSERT_TRUE(writer.Begin(FileSetup(false)));
  Source source;
  int written = 0;
  for (; written < 200; ++written) {
    bool key = false;
    std::vector<std::uint8_t> frame = source.Frame(written, &key);
    if (!writer.WriteVideoFrame(written * 100, key, frame.data(), frame.size())) break;
  }
  ASSERT_LT(written, 200) << "the disk filled up";
  EXPECT_TRUE(writer.Failed());
  bool key = false;
  std::vector<std::uint8_t> more = source.Frame(written + 1, &key);
  EXPECT_FALSE(writer.WriteVideoFrame(99999, false, more.data(), more.size())) << "refused after the failure";
  EXPECT_FALSE(writer.Finish()) << "the file could not be completed";

  // Completed where it stands: header, whole packets, index, all within
  // what the disk took.
  const std::vector<std::uint8_t>& b = sink.Flushed();
  ASSERT_LE(b.size(), 20000u);
  const std::size_t props = FindObject(b, 0x8CABDCA1);
  const std::uint64_t packets = Le(b, props + 56, 8);
  const std::size_t data = Le(b, 16, 8);
  EXPECT_EQ(Le(b, props + 88, 4), 2u) << "seekable: indexed and the counts are right";
  EXPECT_EQ(Le(b, data + 16, 8), 50 + packets * 1024);
  const std::size_t index = data + 50 + packets * 1024;
  ASSERT_LT(index + 56, b.size());
  EXPECT_EQ(Le(b, index, 4), 0x33000890u);
  const std::uint64_t fileSize = Le(b, props + 40, 8);
  EXPECT_EQ(fileSize, index + Le(b, index + 16, 8));
  EXPECT_EQ(fileSize, index + 1024) << "the index takes the place of one packet";
  EXPECT_EQ(fileSize, b.size()) << "what the failed write left is cut off";
  const std::uint64_t entries = Le(b, index + 52, 4);
  EXPECT_GE(entries, 1u);
  for (std::uint64_t e = 0; e < entries; ++e) EXPECT_LT(Le(b, index + 56 + e * 6, 4), packets) << "entry " << e;

  std::string file = mt::WriteTemp(b, ".wmv");
  int code = 0;
  std::string json = mt::Probe(file, &code);
  std::vector<std::uint8_t> frames = mt::DecodeBgra(file, &code);
  std::remove(file.c_str());
  EXPECT_EQ(code, 0);
  const std::size_t decoded = frames.size() / (kW * kH * 4);
  // Lost: the frames of the packet cut short and of the one the index
  // took, about two each, and the one the disk refused.
  EXPECT_GE(decoded, static_cast<std::size_t>(written) - 6);
  EXPECT_LT(decoded, static_cast<std::size_t>(written));
  // Ten frames a second: the stated length is the frames'.
  EXPECT_NEAR(std::stod(mt::JsonValue(json, "duration", json.find("\"format\":"))), decoded / 10.0, 0.15) << json;

  // A disk that takes a single packet leaves none to give up for an
  // index: the header alone describes that packet.
  MemorySink tinySink(data + 50 + 1024 + 300);
  AsfWriter tiny(&tinySink);
  ASSERT_TRUE(tiny.Begin(FileSetup(false)));
  Source again;
  for (int n = 0; n < 200; ++n) {
    std::vector<std::uint8_t> frame = again.Frame(n, &key);
    if (!tiny.WriteVideoFrame(n * 100, key, frame.data(), frame.size())) break;
  }
  EXPECT_FALSE(tiny.Finish());
  const std::vector<std::uint8_t>& t = tinySink.Flushed();
  EXPECT_EQ(Le(t, props + 88, 4), 0u) << "not seekable: no index";
  EXPECT_EQ(Le(t, props + 56, 8), 1u);
  EXPECT_EQ(Le(t, props + 40, 8), data + 50 + 1024);
}

// A short recording onto a disk with room for a few packets besides the
// header: whatever fit plays, whether the disk filled at the first
// checkpoint, at a later one or at the end. A picture takes about a
// packet, the first one two: a disk that takes one packet has no picture
// to play.
TEST(AsfWriterTest, ADiskThatTakesOnlyAFewPacketsLeavesThemPlayable) {
  ASSERT_EQ(mt::MissingTools(), "");
  for (bool audio : {false, true}) {
    const AsfFileSetup setup = FileSetup(audio);
    MemorySink headerOnly;
    AsfWriter sizer(&headerOnly);
    ASSERT_TRUE(sizer.Begin(setup));
    // Recordings of 20 s, which fill the disk at a checkpoint, and one of
    // 0.6 s, which fills it at the end.
    for (std::size_t packets = 1; packets <= 25; ++packets) {
      MemorySink sink(headerOnly.Bytes().size() + std::max<std::size_t>(packets, 2) * 1024 + 300);
      AsfWriter writer(&sink);
      ASSERT_TRUE(writer.Begin(setup));
      Source source;
      std::vector<std::uint8_t> tone(1600, 0x10);
      bool key = false;
      for (int n = 0; n < (packets == 1 ? 6 : 200); ++n) {
        std::vector<std::uint8_t> frame = source.Frame(n, &key);
        if (!writer.WriteVideoFrame(n * 100, key, frame.data(), frame.size())) break;
        if (audio && !writer.WriteAudio(n * 100, tone.data(), tone.size())) break;
      }
      EXPECT_FALSE(writer.Finish());
      const std::string file = mt::WriteTemp(sink.Flushed(), ".wmv");
      int code = 0;
      const std::string out = mt::Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                      "stream=nb_read_frames:format=duration -of default=nw=1 '" + file + "'", &code);
      std::remove(file.c_str());
      const std::string what = std::to_string(std::max<std::size_t>(packets, 2)) + " packets" +
                             (packets == 1 ? " at the end" : "") + (audio ? " with sound" : "");
      EXPECT_EQ(code, 0) << what;
      EXPECT_EQ(out.find("nb_read_frames=0"), std::string::npos) << what << ": " << out;
      const std::size_t duration = out.find("duration=");
      EXPECT_GT(duration == std::string::npos ? 0.0 : std::atof(out.c_str() + duration + 9), 0.0) << what << ": " << out;
    }
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin
