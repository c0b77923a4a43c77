#pragma once
// What a recording needs of a sound codec: the stream's format for the
// file's header, and the recorded PCM coded into packets of one fixed size,
// each with the place of its sound on the recording's sample timeline.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mavrion::encoder::builtin {

// The coded stream as the file's header states it (a WAVEFORMATEX and the
// codec's own bytes after it).
struct AudioStreamFormat {
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSecond = 0;
  std::uint32_t averageBytesPerSecond = 0;  // times 8: the rate the coder used
  std::uint16_t blockAlign = 0;             // bytes of one coded packet
  std::uint16_t bitsPerSample = 0;
  std::vector<std::uint8_t> codecData;
  std::uint32_t framesPerPacket = 0;  // sample frames one packet holds
};

struct CodedAudioPacket {
  // The recorded sample frame at which the packet's decoded sound begins.
  std::uint64_t firstFrame = 0;
  std::vector<std::uint8_t> bytes;  // blockAlign bytes
};

class AudioCodec {
 public:
  virtual ~AudioCodec() = default;
  virtual AudioStreamFormat Format() const = 0;
  // Interleaved 16-bit PCM in the recorded format (see the recording's
  // setup); appends every packet that is complete.
  virtual void Encode(const std::int16_t* pcm, std::size_t frames, std::vector<CodedAudioPacket>* out) = 0;
  // Codes what is left, padded with silence, so that the last recorded
  // sample is heard.
  virtual void Flush(std::vector<CodedAudioPacket>* out) = 0;
};

}  // namespace mavrion::encoder::builtin
