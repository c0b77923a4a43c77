#include "tests/unit/encoder/builtin/MediaTools.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace mavrion::encoder::builtin::media_tools {

std::string Run(const std::string& command, int* exitCode) {
  std::string out;
  *exitCode = -1;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  static thread_local char buffer[1 << 20];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = pclose(pipe);
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string MissingTools() {
  std::string missing;
  int code = 0;
  Run("ffmpeg -version >/dev/null 2>&1", &code);
  if (code != 0) missing += "ffmpeg ";
  Run("ffprobe -version >/dev/null 2>&1", &code);
  if (code != 0) missing += "ffprobe ";
  if (!missing.empty()) missing += "(Debian package ffmpeg) not found";
  return missing;
}

std::string TempPath(const std::string& suffix) {
  static std::atomic<int> counter{0};
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/mavrion-" + std::to_string(getpid()) + "-" +
         std::to_string(counter++) + suffix;
}

std::string WriteTemp(const std::vector<std::uint8_t>& bytes, const std::string& suffix) {
  std::string path = TempPath(suffix);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return path;
}

namespace {

std::string DecodeCommand(const std::string& path, int framesPerSecond) {
  const std::string timing = framesPerSecond > 0 ? "-vf fps=" + std::to_string(framesPerSecond) + ":eof_action=pass"
                                                 : std::string("-vsync passthrough");
  return "ffmpeg -v error -i '" + path + "' -map 0:v:0 " + timing + " -f rawvideo -pix_fmt bgra -";
}

}  // namespace

std::vector<std::uint8_t> DecodeBgra(const std::string& path, int* exitCode, int framesPerSecond) {
  std::string out = Run(DecodeCommand(path, framesPerSecond), exitCode);
  return std::vector<std::uint8_t>(out.begin(), out.end());
}

long ForEachDecodedFrame(const std::string& path, std::size_t frameBytes, int framesPerSecond,
                         const std::function<void(const std::uint8_t*)>& frame) {
  FILE* pipe = popen(DecodeCommand(path, framesPerSecond).c_str(), "r");
  if (!pipe) return -1;
  std::vector<std::uint8_t> buffer(frameBytes);
  long frames = 0;
  while (std::fread(buffer.data(), 1, frameBytes, pipe) == frameBytes) {
    frame(buffer.data());
    ++frames;
  }
  int status = pclose(pipe);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? frames : -1;
}

std::string Probe(const std::string& path, int* exitCode) {
  return Run("ffprobe -v error -show_streams -show_format -of json '" + path + "'", exitCode);
}

std::string JsonValue(const std::string& json, const std::string& key, std::size_t from) {
  std::size_t at = json.find("\"" + key + "\":", from);
  if (at == std::string::npos) return {};
  at = json.find_first_not_of(' ', at + key.size() + 3);
  if (at == std::string::npos) return {};
  if (json[at] == '"') {
    std::size_t end = json.find('"', at + 1);
    return json.substr(at + 1, end - at - 1);
  }
  std::size_t end = json.find_first_of(",\n}", at);
  return json.substr(at, end - at);
}

double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < pixels; ++i) {
    for (int c = 0; c < 3; ++c) {
      int d = a[4 * i + c] - b[4 * i + c];
      sum += static_cast<std::uint64_t>(d * d);
    }
  }
  if (sum == 0) return 99.0;
  double mse = static_cast<double>(sum) / (3.0 * static_cast<double>(pixels));
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace mavrion::encoder::builtin::media_tools
