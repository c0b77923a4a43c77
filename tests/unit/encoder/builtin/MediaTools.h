#pragma once
// Running Debian's ffmpeg and ffprobe on files the built-in encoder wrote,
// and comparing pictures. Shared by the tests and the codec benchmark.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mavrion::encoder::builtin::media_tools {

// Runs a shell command; answers its standard output and sets *exitCode.
std::string Run(const std::string& command, int* exitCode);

// Empty when ffmpeg and ffprobe both answer, else what is missing.
std::string MissingTools();

// A fresh path in the temporary folder, ending in suffix.
std::string TempPath(const std::string& suffix);

// Writes bytes to a fresh temporary file and answers its path.
std::string WriteTemp(const std::vector<std::uint8_t>& bytes, const std::string& suffix);

// Every frame of the file's video as BGRA, frame after frame, in the
// file's own timing (no frame dropped or doubled); with framesPerSecond,
// what is shown at each frame of that rate instead, so that frames coded
// as a repeat of the one before (which decoders do not output) are there.
std::vector<std::uint8_t> DecodeBgra(const std::string& path, int* exitCode, int framesPerSecond = 0);

// The same one frame at a time, without holding them all; answers how many
// whole frames came, or -1 when ffmpeg failed.
long ForEachDecodedFrame(const std::string& path, std::size_t frameBytes, int framesPerSecond,
                         const std::function<void(const std::uint8_t*)>& frame);

// ffprobe -show_streams -show_format as JSON.
std::string Probe(const std::string& path, int* exitCode);

// The text of "key": value (without quotes) at or after from in a JSON text;
// empty when absent.
std::string JsonValue(const std::string& json, const std::string& key, std::size_t from = 0);

// PSNR over the blue, green and red bytes of two BGRA pictures.
double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels);

}  // namespace mavrion::encoder::builtin::media_tools
