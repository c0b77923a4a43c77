#pragma once
// Checking coded sound with an independent decoder: the packets wrapped in
// a WAV file (FFmpeg's WAV reader takes any format tag, with the codec's
// bytes after the WAVEFORMATEX), decoded by ffmpeg to 16-bit PCM, and
// compared with what was coded. Shared by the tests and the audio
// benchmark.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/encoder/builtin/AudioCodec.h"

namespace mavrion::encoder::builtin::sound_tools {

// The packets one after another in a WAV file; answers its path.
std::string WriteWav(const AudioStreamFormat& format, const std::vector<CodedAudioPacket>& packets);

// 16-bit PCM in a plain WAV file; answers its path.
std::string WritePcmWav(const std::vector<std::int16_t>& pcm, int channels, int rate);

// Every sample ffmpeg decodes from the file's first audio stream,
// interleaved, in the stream's channel count; empty and *ok false when
// ffmpeg failed or reported an error.
std::vector<std::int16_t> DecodeWithFfmpeg(const std::string& path, int channels, bool* ok);

// Where the first sample frame FFmpeg decodes from WMA packets of
// framesPerPacket lies on the coded timeline: FFmpeg 5 and later leave out
// the sound of the first two packets (and add one packet's length of the
// last block's tail at the end), older ones leave out nothing. -1 when the
// decoded length fits neither.
long FfmpegLead(std::size_t decodedFrames, std::size_t packets, std::size_t framesPerPacket);

// SNR in dB of decoded against original over [from, to) (interleaved
// samples).
double Snr(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded, std::size_t from,
           std::size_t to);

// The mean of the SNR of 1024-frame segments, each held to -10..60 dB;
// segments whose original is silent are left out.
double SegmentalSnr(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded,
                    int channels);

// Mean square of decoded minus original over [from, to) (interleaved).
double ErrorEnergy(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded,
                   std::size_t from, std::size_t to);

}  // namespace mavrion::encoder::builtin::sound_tools
