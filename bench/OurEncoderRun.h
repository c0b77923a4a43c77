#pragma once
// The built-in MPEG-4 encoder coding a sequence of frames into an ASF file,
// timed. Built natively and for Windows, so that both builds are measured
// on the same raw frames: the Windows codec_bench does nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace mavrion::bench {

// CPU time of the calling thread: the figures hold on a busy machine too.
double ThreadCpuSeconds();

// Raw frames of one size, BGRA top-down, one after the other in a file.
class RawFrames {
 public:
  RawFrames(const std::string& path, int width, int height);
  ~RawFrames();
  RawFrames(const RawFrames&) = delete;
  RawFrames& operator=(const RawFrames&) = delete;
  bool IsOpen() const { return file_ != nullptr; }
  std::size_t Count() const { return count_; }
  std::size_t FrameBytes() const { return frameBytes_; }
  // The next frame, or nullptr after the last one.
  const std::uint8_t* Next();

 private:
  std::FILE* file_ = nullptr;
  std::size_t frameBytes_, count_ = 0;
  std::vector<std::uint8_t> frame_;
};

struct OurRun {
  bool ok = false;
  double cpuSeconds = 0;  // in Encode alone
  std::size_t frames = 0, bytes = 0;
  long coded = 0, dropped = 0;
  double Fps() const { return cpuSeconds > 0 ? static_cast<double>(frames) / cpuSeconds : 0; }
};

// Codes frames 0, 1, ... (frame(i) answers nullptr after the last) at fps
// with a key frame every 10 s, as recordings have, into an ASF file at path.
OurRun EncodeOurs(const std::function<const std::uint8_t*(std::size_t)>& frame, int width, int height, int fps,
                  int sharpness, double bitsPerSecond, const std::string& path);

// codec_bench --encode RAW --size WxH --fps F --sharpness S --out FILE.wmv:
// codes a raw file and prints one line "encoded FRAMES frames in CPU s: FPS
// fps, BYTES bytes, CODED coded, DROPPED dropped". Answers the exit code.
int RunEncodeCommand(int argc, char** argv);

}  // namespace mavrion::bench
