#include "tests/unit/encoder/builtin/wma/SoundTools.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/unit/encoder/builtin/MediaTools.h"

namespace mavrion::encoder::builtin::sound_tools {
namespace {

void Put16(std::vector<std::uint8_t>* out, std::uint32_t v) {
  out->push_back(static_cast<std::uint8_t>(v));
  out->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<std::uint8_t>* out, const char* tag) { out->insert(out->end(), tag, tag + 4); }

std::string WriteRiff(const AudioStreamFormat& f, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> fmt;
  Put16(&fmt, f.formatTag);
  Put16(&fmt, f.channels);
  Put32(&fmt, f.samplesPerSecond);
  Put32(&fmt, f.averageBytesPerSecond);
  Put16(&fmt, f.blockAlign);
  Put16(&fmt, f.bitsPerSample);
  Put16(&fmt, static_cast<std::uint32_t>(f.codecData.size()));
  fmt.insert(fmt.end(), f.codecData.begin(), f.codecData.end());
  std::vector<std::uint8_t> file;
  PutTag(&file, "RIFF");
  Put32(&file, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size()));
  PutTag(&file, "WAVE");
  PutTag(&file, "fmt ");
  Put32(&file, static_cast<std::uint32_t>(fmt.size()));
  file.insert(file.end(), fmt.begin(), fmt.end());
  PutTag(&file, "data");
  Put32(&file, static_cast<std::uint32_t>(data.size()));
  file.insert(file.end(), data.begin(), data.end());
  return media_tools::WriteTemp(file, ".wav");
}

}  // namespace

std::string WriteWav(const AudioStreamFormat& format, const std::vector<CodedAudioPacket>& packets) {
  std::vector<std::uint8_t> data;
  for (const CodedAudioPacket& packet : packets) data.insert(data.end(), packet.bytes.begin(), packet.bytes.end());
  return WriteRiff(format, data);
}

std::string WritePcmWav(const std::vector<std::int16_t>& pcm, int channels, int rate) {
  AudioStreamFormat f;
  f.formatTag = 1;
  f.channels = static_cast<std::uint16_t>(channels);
  f.samplesPerSecond = static_cast<std::uint32_t>(rate);
  f.averageBytesPerSecond = static_cast<std::uint32_t>(rate * channels * 2);
  f.blockAlign = static_cast<std::uint16_t>(channels * 2);
  f.bitsPerSample = 16;
  std::vector<std::uint8_t> data(pcm.size() * 2);
  std::memcpy(data.data(), pcm.data(), data.size());
  return WriteRiff(f, data);
}

std::vector<std::int16_t> DecodeWithFfmpeg(const std::string& path, int channels, bool* ok) {
  const std::string errors = media_tools::TempPath(".log");
  int code = 0;
  const std::string raw = media_tools::Run("ffmpeg -v error -i '" + path + "' -map 0:a:0 -f s16le -ac " +
                                               std::to_string(channels) + " - 2>'" + errors + "'",
                                           &code);
  int sizeCode = 0;
  const std::string log = media_tools::Run("cat '" + errors + "'; rm -f '" + errors + "'", &sizeCode);
  *ok = code == 0 && log.empty();
  std::vector<std::int16_t> pcm(raw.size() / 2);
  std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
  return pcm;
}

long FfmpegLead(std::size_t decodedFrames, std::size_t packets, std::size_t framesPerPacket) {
  if (packets >= 2 && decodedFrames == (packets - 1) * framesPerPacket) return static_cast<long>(2 * framesPerPacket);
  if (decodedFrames == packets * framesPerPacket) return 0;
  return -1;
}

double ErrorEnergy(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded,
                   std::size_t from, std::size_t to) {
  to = std::min({to, original.size(), decoded.size()});
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) {
    const double d = static_cast<double>(decoded[i]) - original[i];
    sum += d * d;
  }
  return to > from ? sum / static_cast<double>(to - from) : 0.0;
}

double Snr(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded, std::size_t from,
           std::size_t to) {
  to = std::min({to, original.size(), decoded.size()});
  double signal = 0;
  for (std::size_t i = from; i < to; ++i) signal += static_cast<double>(original[i]) * original[i];
  const double noise = ErrorEnergy(original, decoded, from, to) * static_cast<double>(to - from);
  return 10.0 * std::log10((signal + 1e-9) / (noise + 1e-9));
}

double SegmentalSnr(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded,
                    int channels) {
  const std::size_t segment = 1024 * static_cast<std::size_t>(channels);
  const std::size_t end = std::min(original.size(), decoded.size());
  double sum = 0;
  int count = 0;
  for (std::size_t from = 0; from + segment <= end; from += segment) {
    double signal = 0;
    for (std::size_t i = from; i < from + segment; ++i) signal += static_cast<double>(original[i]) * original[i];
    if (signal / static_cast<double>(segment) < 1.0) continue;
    sum += std::clamp(Snr(original, decoded, from, from + segment), -10.0, 60.0);
    ++count;
  }
  return count > 0 ? sum / count : 0.0;
}

}  // namespace mavrion::encoder::builtin::sound_tools
