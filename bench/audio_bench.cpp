// The built-in encoder's Windows Media Audio 2 against FFmpeg's wmav2
// encoder at the same rates, on the same signal: speech from espeak-ng, a
// chime and sharp clicks, 44.1 kHz stereo. Both are decoded by FFmpeg and
// compared with the signal: segmental SNR, the coding noise just before
// each click (pre-echo), the bit rate, and our speed in multiples of real
// time on one core.
//
//   audio_bench [--rates 32000,40000,48000,64000] [--seconds S]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include <time.h>

#include "core/encoder/builtin/wma/WmaEncoder.h"
#include "tests/unit/encoder/builtin/MediaTools.h"
#include "tests/unit/encoder/builtin/wma/SoundTools.h"

namespace {

namespace builtin = mavrion::encoder::builtin;
namespace mt = mavrion::encoder::builtin::media_tools;
namespace st = mavrion::encoder::builtin::sound_tools;

constexpr int kRate = 44100;
const char* const kSpeech =
    "The recording starts when you press the key. Open the file menu, choose save as, and type a name. "
    "Sound and picture stay together, from the first word to the last one.";

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::vector<std::int16_t> ReadRaw(const std::string& path) {
  int code = 0;
  const std::string raw = mt::Run("cat '" + path + "'", &code);
  std::vector<std::int16_t> pcm(raw.size() / 2);
  std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
  return pcm;
}

// Speech a little to the left, a chime to the right every few seconds, and
// a click in both every 1.3 s, over the given length; clickAt gets where
// the clicks are (sample frames).
std::vector<std::int16_t> MakeSignal(double seconds, std::vector<std::size_t>* clickAt) {
  const std::string wav = mt::TempPath(".wav"), raw = mt::TempPath(".raw");
  int code = 0;
  mt::Run("espeak-ng -s 150 -w '" + wav + "' \"" + std::string(kSpeech) + "\" && sox '" + wav +
              "' -r 44100 -c 1 -b 16 -e signed-integer -t raw '" + raw + "' rate -v; rm -f '" + wav + "'",
          &code);
  std::vector<std::int16_t> speech = ReadRaw(raw);
  std::remove(raw.c_str());
  if (code != 0 || speech.empty()) {
    std::fprintf(stderr, "audio_bench: espeak-ng or sox failed (Debian packages espeak-ng, sox)\n");
    std::exit(1);
  }
  const std::size_t frames = static_cast<std::size_t>(seconds * kRate);
  std::vector<std::int16_t> pcm(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double voice = 0.8 * speech[i % speech.size()];
    // A chime: three bell partials, struck every 3.5 s, ringing out.
    const double struck = std::fmod(t, 3.5);
    double chime = 0;
    for (const auto& [f, a] : {std::pair{880.0, 1.0}, {2210.0, 0.5}, {3970.0, 0.25}})
      chime += a * std::sin(2 * std::numbers::pi * f * struck) * std::exp(-struck * 2.5 * f / 880.0);
    chime *= 5000;
    pcm[2 * i] = static_cast<std::int16_t>(std::clamp(voice + 0.3 * chime, -32768.0, 32767.0));
    pcm[2 * i + 1] = static_cast<std::int16_t>(std::clamp(0.5 * voice + chime, -32768.0, 32767.0));
  }
  // Clicks: a 2 ms burst of a key's snap, full-band, after 0.5 s.
  std::uint32_t seed = 99;
  for (std::size_t at = kRate / 2 + 777; at + 200 < frames; at += kRate * 13 / 10) {
    clickAt->push_back(at);
    for (std::size_t n = 0; n < 90; ++n) {
      seed = seed * 1664525u + 1013904223u;
      const double v = 22000.0 * std::exp(-static_cast<double>(n) / 20.0) * ((seed >> 16) / 32768.0 - 1.0);
      for (int c = 0; c < 2; ++c)
        pcm[2 * (at + n) + c] = static_cast<std::int16_t>(std::clamp(pcm[2 * (at + n) + c] + v, -32768.0, 32767.0));
    }
  }
  return pcm;
}

// The shift of decoded against original (in sample frames, decoded[i] ~
// original[i + shift]) with the best match, within +-limit.
long BestShift(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded, long limit) {
  long best = 0;
  double bestScore = -1e300;
  const long frames = static_cast<long>(std::min(original.size(), decoded.size()) / 2);
  for (long shift = -limit; shift <= limit; ++shift) {
    double score = 0;
    for (long i = limit; i + limit < frames; i += 3) score += static_cast<double>(decoded[2 * i]) * original[2 * (i + shift)];
    if (score > bestScore) bestScore = score, best = shift;
  }
  return best;
}

// decoded moved onto original's timeline, zeros where it has nothing.
std::vector<std::int16_t> Align(const std::vector<std::int16_t>& decoded, long shift, std::size_t size) {
  std::vector<std::int16_t> out(size, 0);
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    const long to = static_cast<long>(i) + 2 * shift;
    if (to >= 0 && static_cast<std::size_t>(to) < size) out[static_cast<std::size_t>(to)] = decoded[i];
  }
  return out;
}

struct Figures {
  double segmentalSnr = 0, preEchoDb = 0, bitsPerSecond = 0;
  long shift = 0;
};

// Coding noise before a click: the error's mean square from 23 ms to 1.5 ms
// before it (where a long block spreads its noise, and short blocks do
// not), in dB, averaged over the clicks.
Figures Measure(const std::vector<std::int16_t>& pcm, std::vector<std::int16_t> decoded,
                const std::vector<std::size_t>& clicks, double bitsPerSecond) {
  Figures f;
  f.shift = BestShift(pcm, decoded, 5000);
  decoded = Align(decoded, f.shift, pcm.size());
  // Leave out the first 0.2 s, where each decoder starts in its own way.
  const std::vector<std::int16_t> head(pcm.begin() + 2 * kRate / 5, pcm.end());
  const std::vector<std::int16_t> decodedHead(decoded.begin() + 2 * kRate / 5, decoded.end());
  f.segmentalSnr = st::SegmentalSnr(head, decodedHead, 2);
  double sum = 0;
  for (const std::size_t at : clicks) sum += st::ErrorEnergy(pcm, decoded, 2 * (at - 1024), 2 * (at - 64));
  f.preEchoDb = 10 * std::log10(sum / static_cast<double>(clicks.size()) + 1e-9);
  f.bitsPerSecond = bitsPerSecond;
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::uint32_t> rates = {32000, 40000, 48000, 64000};
  double seconds = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--rates")) {
      rates.clear();
      for (char* p = argv[i + 1]; *p;) {
        rates.push_back(static_cast<std::uint32_t>(std::strtoul(p, &p, 10)));
        if (*p == ',') ++p;
      }
    } else if (!std::strcmp(argv[i], "--seconds")) {
      seconds = std::atof(argv[i + 1]);
    }
  }
  const std::string missing = mt::MissingTools();
  if (!missing.empty()) {
    std::fprintf(stderr, "audio_bench: %s\n", missing.c_str());
    return 1;
  }
  std::vector<std::size_t> clicks;
  const std::vector<std::int16_t> pcm = MakeSignal(seconds, &clicks);
  const std::string source = st::WritePcmWav(pcm, 2, kRate);
  std::printf("audio: %.0f s of speech, chime and %zu clicks, 44.1 kHz stereo; recorded sound is coded at %u bit/s\n",
              seconds, clicks.size(), builtin::wma::kSoundBitsPerSecond);
  std::printf("%-8s %-8s %10s %10s %12s %8s %12s\n", "rate", "coder", "bit/s", "segSNR dB", "pre-echo dB", "shift",
              "x real time");
  for (const std::uint32_t rate : rates) {
    builtin::wma::WmaEncoder encoder(2, rate);
    std::vector<builtin::CodedAudioPacket> packets;
    const double start = ThreadCpuSeconds();
    for (std::size_t at = 0; at < pcm.size() / 2; at += 4410)
      encoder.Encode(pcm.data() + 2 * at, std::min<std::size_t>(4410, pcm.size() / 2 - at), &packets);
    encoder.Flush(&packets);
    const double cpu = ThreadCpuSeconds() - start;
    const builtin::AudioStreamFormat format = encoder.Format();
    bool ok = false;
    const std::vector<std::int16_t> ours = st::DecodeWithFfmpeg(st::WriteWav(format, packets), 2, &ok);
    const double ourRate = format.blockAlign * 8.0 * kRate / format.framesPerPacket;
    const Figures a = Measure(pcm, ours, clicks, ourRate);
    std::printf("%-8u %-8s %10.0f %10.2f %12.1f %8ld %12.0f%s\n", rate, "ours", a.bitsPerSecond, a.segmentalSnr,
                a.preEchoDb, a.shift, seconds / cpu, ok ? "" : "  (decoder reported errors)");

    const std::string wma = mt::TempPath(".wma");
    int code = 0;
    mt::Run("ffmpeg -v error -y -i '" + source + "' -c:a wmav2 -b:a " + std::to_string(rate) + " '" + wma + "'",
            &code);
    const std::vector<std::int16_t> theirs = st::DecodeWithFfmpeg(wma, 2, &ok);
    const std::string probe = mt::Run("ffprobe -v error -show_streams '" + wma + "' | grep '^bit_rate=' | cut -d= -f2", &code);
    const Figures b = Measure(pcm, theirs, clicks, std::atof(probe.c_str()));
    std::printf("%-8u %-8s %10.0f %10.2f %12.1f %8ld %12s%s\n", rate, "ffmpeg", b.bitsPerSecond, b.segmentalSnr,
                b.preEchoDb, b.shift, "-", ok ? "" : "  (decoder reported errors)");
    std::printf("%-8u %-8s %10s %+10.2f %+12.1f   (goals: segSNR at least +2 dB, pre-echo at most -8 dB)\n", rate,
                "ours-ff", "", a.segmentalSnr - b.segmentalSnr, a.preEchoDb - b.preEchoDb);
    std::remove(wma.c_str());
  }
  std::remove(source.c_str());
  return 0;
}
