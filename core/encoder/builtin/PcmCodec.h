#pragma once
// Sound kept as recorded (16-bit PCM), in packets of a fixed number of
// sample frames.
#include <algorithm>
#include <cstring>

#include "core/encoder/builtin/AsfWriter.h"
#include "core/encoder/builtin/AudioCodec.h"

namespace mavrion::encoder::builtin {

class PcmCodec : public AudioCodec {
 public:
  static constexpr std::uint32_t kFramesPerPacket = 1024;

  explicit PcmCodec(const AsfAudioFormat& recorded) : recorded_(recorded) {}

  // PCM's block is one sample frame: each packet is kFramesPerPacket blocks.
  AudioStreamFormat Format() const override {
    AudioStreamFormat f;
    f.formatTag = 1;
    f.channels = recorded_.channels;
    f.samplesPerSecond = recorded_.samplesPerSecond;
    f.averageBytesPerSecond = recorded_.BytesPerSecond();
    f.blockAlign = recorded_.BlockAlign();
    f.bitsPerSample = 16;
    f.framesPerPacket = 1;
    return f;
  }

  void Encode(const std::int16_t* pcm, std::size_t frames, std::vector<CodedAudioPacket>* out) override {
    held_.insert(held_.end(), pcm, pcm + frames * recorded_.channels);
    const std::size_t packetSamples = kFramesPerPacket * recorded_.channels;
    std::size_t at = 0;
    for (; held_.size() - at >= packetSamples; at += packetSamples) Emit(held_.data() + at, packetSamples, out);
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(at));
  }

  void Flush(std::vector<CodedAudioPacket>* out) override {
    if (!held_.empty()) Emit(held_.data(), held_.size(), out);
    held_.clear();
  }

 private:
  void Emit(const std::int16_t* samples, std::size_t count, std::vector<CodedAudioPacket>* out) {
    CodedAudioPacket packet;
    packet.firstFrame = nextFrame_;
    packet.bytes.resize(count * 2);
    std::memcpy(packet.bytes.data(), samples, count * 2);
    nextFrame_ += count / recorded_.channels;
    out->push_back(std::move(packet));
  }

  AsfAudioFormat recorded_;
  std::vector<std::int16_t> held_;
  std::uint64_t nextFrame_ = 0;
};

}  // namespace mavrion::encoder::builtin
