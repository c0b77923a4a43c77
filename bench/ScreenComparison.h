#pragma once
// The built-in encoder against FFmpeg's mpeg4, Xvid and x264 on recordings
// of real programs (made by bench/record_screens.py), on the same frames,
// all held to the same rate and buffer. Needs ffmpeg and ffprobe.
#include <cstddef>
#include <string>
#include <vector>

namespace mavrion::bench {

struct ScreenOptions {
  std::string folder;              // the recordings, NAME.mkv
  std::vector<std::string> names;  // empty: every recording in the folder
  int fps = 15;
  int frames = 0;  // 0: every frame
  std::vector<int> sharpness = {95};
  // A command that runs the Windows build's codec_bench (under Wine) with
  // the arguments appended; empty: native only.
  std::string windowsCommand;
  bool rivals = true;
  std::string csvFolder;  // where each run's Y-PSNR per frame goes; empty: nowhere
};

int RunScreenComparison(const ScreenOptions& options);

// CPU time of the finished children (FFmpeg's encoders).
double ChildrenCpuSeconds();

// The bytes of a file's video packets, as ffprobe lists them.
std::size_t VideoPacketBytes(const std::string& path);

// Where a still picture begins and ends: first and last frame of a run of
// frames equal to the one before, with the frame that brought the picture.
struct Still {
  std::size_t first, last;
};
// The stills at least minFrames long, from whether each frame equals the
// one before it.
std::vector<Still> FindStills(const std::vector<bool>& sameAsBefore, std::size_t minFrames);

// How long each still took to reach a fidelity: for each still, the frames
// from its first until the first frame at or above dB, or -1 when none did.
std::vector<long> FramesToReach(const std::vector<Still>& stills, const std::vector<double>& framePsnr,
                                double dB);

}  // namespace mavrion::bench
