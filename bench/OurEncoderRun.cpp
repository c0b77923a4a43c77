#include "bench/OurEncoderRun.h"

#include <cstdlib>
#include <cstring>
#include <time.h>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"
#include "core/encoder/builtin/ByteSink.h"
#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"

namespace mavrion::bench {

namespace builtin = mavrion::encoder::builtin;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

RawFrames::RawFrames(const std::string& path, int width, int height)
    : frameBytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4), frame_(frameBytes_) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_ || frameBytes_ == 0) return;
  // 64-bit seeks: a minute of 1920x1080 frames is far beyond 2 GB.
  if (fseeko64(file_, 0, SEEK_END) == 0) count_ = static_cast<std::size_t>(ftello64(file_)) / frameBytes_;
  fseeko64(file_, 0, SEEK_SET);
}

RawFrames::~RawFrames() {
  if (file_) std::fclose(file_);
}

const std::uint8_t* RawFrames::Next() {
  if (!file_ || std::fread(frame_.data(), 1, frameBytes_, file_) != frameBytes_) return nullptr;
  return frame_.data();
}

OurRun EncodeOurs(const std::function<const std::uint8_t*(std::size_t)>& frame, int width, int height, int fps,
                  int sharpness, double bitsPerSecond, const std::string& path) {
  OurRun r;
  builtin::mpeg4::EncoderSettings settings;
  settings.bitsPerSecond = static_cast<std::uint32_t>(bitsPerSecond);
  settings.width = width;
  settings.height = height;
  settings.framesPerThousandSeconds = fps * 1000;
  settings.sharpness = sharpness;
  builtin::mpeg4::Mpeg4Encoder encoder(settings);
  builtin::StdioFileSink sink;
  builtin::AsfWriter writer(&sink);
  builtin::AsfFileSetup setup;
  setup.video = encoder.Format();
  setup.video.frameDurationMs = 1000 / fps;
  setup.packetSize = 32768;
  if (!sink.Open(path) || !writer.Begin(setup)) return r;
  std::vector<std::uint8_t> coded;
  std::int64_t lastKeyMs = 0;
  for (const std::uint8_t* pixels; (pixels = frame(r.frames)) != nullptr; ++r.frames) {
    builtin::BgraImage image{pixels, width, height, width * 4};
    const std::int64_t t = static_cast<std::int64_t>(r.frames) * 1000 / fps;
    // As the recorder asks: every frame from ten seconds after the last key
    // frame until the encoder makes one.
    const bool wantKey = r.frames == 0 || t - lastKeyMs >= 10000;
    const double start = ThreadCpuSeconds();
    const bool key = encoder.Encode(image, t, wantKey, &coded);
    r.cpuSeconds += ThreadCpuSeconds() - start;
    if (key) lastKeyMs = t;
    writer.WriteVideoFrame(t, key, coded.data(), coded.size());
    r.bytes += coded.size();
  }
  if (!writer.Finish() || !sink.Close()) return r;
  r.coded = static_cast<long>(encoder.Totals().coded);
  r.dropped = static_cast<long>(encoder.Totals().dropped);
  r.ok = r.frames > 0;
  return r;
}

int RunEncodeCommand(int argc, char** argv) {
  std::string raw, out;
  int width = 0, height = 0, fps = 15, sharpness = 95;
  double bitsPerSecond = 400000;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--encode") raw = value;
    else if (a == "--out") out = value;
    else if (a == "--size") std::sscanf(value, "%dx%d", &width, &height);
    else if (a == "--fps") fps = std::atoi(value);
    else if (a == "--sharpness") sharpness = std::atoi(value);
    else if (a == "--rate") bitsPerSecond = std::atof(value);
    else {
      std::fprintf(stderr, "usage: %s --encode RAW --size WxH --out FILE.wmv [--fps F] [--sharpness S] "
                           "[--rate BITS]\n", argv[0]);
      return 2;
    }
    ++i;
  }
  RawFrames frames(raw, width, height);
  if (!frames.IsOpen() || frames.Count() == 0 || out.empty() || fps <= 0) {
    std::fprintf(stderr, "no %dx%d frames in %s\n", width, height, raw.c_str());
    return 1;
  }
  OurRun r = EncodeOurs([&](std::size_t) { return frames.Next(); }, width, height, fps, sharpness, bitsPerSecond,
                        out);
  if (!r.ok) {
    std::fprintf(stderr, "could not write %s\n", out.c_str());
    return 1;
  }
  std::printf("encoded %zu frames in %.2f CPU s: %.2f fps, %zu bytes, %ld coded, %ld dropped\n", r.frames,
              r.cpuSeconds, r.Fps(), r.bytes, r.coded, r.dropped);
  return 0;
}

}  // namespace mavrion::bench
