#pragma once
// Our own writer of ASF files (.wmv): a header with the file's and streams'
// properties and its descriptive texts, data packets of one fixed size, and
// a simple index of the video's key frames at the end.
//
// Nothing written is lost to a killed program: at least once a second of
// media time (and whenever a few megabytes have gathered) a checkpoint
// writes the packets filled since the last one, the packet being filled in
// its place, padded, and then the header of a finished file without index
// for exactly those packets (sizes, counts, play and send duration), and
// flushes. Between checkpoints nothing goes to the file, so what a killed
// program leaves is a file that states its own length, not one that
// readers must trust to the end. Finish writes the last packets and the
// index and sets the seekable flag. After a failed write (a full disk) the
// writer refuses further data; Finish still completes the part written so
// far where it stands, needing no more room: the last few whole packets
// give their place to the index, and the header, rewritten in place,
// describes the packets before them and is seekable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/encoder/builtin/AudioCodec.h"
#include "core/encoder/builtin/ByteSink.h"

namespace mavrion::encoder::builtin {

using AsfGuid = std::array<std::uint8_t, 16>;  // as stored: little-endian fields

struct AsfVideoFormat {
  int width = 0;
  int height = 0;
  std::uint32_t fourCC = 0;
  std::uint16_t bitCount = 16;
  std::int64_t frameDurationMs = 0;  // counted into the file's duration
  std::vector<std::uint8_t> codecData;  // after the BITMAPINFOHEADER
  // The stream's declared bit rate and buffer (a leaky bucket); 0: none.
  std::uint32_t bitsPerSecond = 0;
  std::uint32_t bufferMs = 0;
};

// Sound as the device records it: PCM.
struct AsfAudioFormat {
  std::uint16_t channels = 1;
  std::uint32_t samplesPerSecond = 44100;
  std::uint16_t bitsPerSample = 16;
  std::uint16_t BlockAlign() const { return static_cast<std::uint16_t>(channels * (bitsPerSample / 8)); }
  std::uint32_t BytesPerSecond() const { return samplesPerSecond * BlockAlign(); }
};

// The file's descriptive texts, already in UTF-16.
struct AsfTexts {
  std::u16string title, author, copyright, description;
};

struct AsfFileSetup {
  AsfVideoFormat video;
  bool hasAudio = false;
  AudioStreamFormat audio;  // coded: each payload is whole packets of blockAlign bytes
  AsfTexts texts;
  AsfGuid fileId{};
  std::uint64_t creationTime = 0;  // 100-ns units since 1 January 1601 (UTC)
  std::uint32_t packetSize = 8192;
  std::uint32_t prerollMs = 3000;
  std::uint32_t checkpointIntervalMs = 1000;
};

// A file id from two numbers of the caller's (a time, a counter), mixed and
// marked as a random (version 4) GUID.
AsfGuid MakeFileId(std::uint64_t a, std::uint64_t b);

// 100-ns units since 1601 for seconds since 1970 (UTC).
std::uint64_t FileTimeFromUnixSeconds(std::int64_t seconds);

class AsfWriter {
 public:
  explicit AsfWriter(ByteSink* sink);
  AsfWriter(const AsfWriter&) = delete;
  AsfWriter& operator=(const AsfWriter&) = delete;

  // Writes the header of a file with no packets yet.
  bool Begin(const AsfFileSetup& setup);
  // Times are ms of recording time, from 0; the preroll is added here.
  bool WriteVideoFrame(std::int64_t timeMs, bool keyFrame, const std::uint8_t* data, std::size_t size);
  // Coded sound: one or more whole packets of the format's blockAlign.
  bool WriteAudio(std::int64_t timeMs, const std::uint8_t* data, std::size_t size);
  // Makes everything written so far readable from the file and flushes it.
  bool Checkpoint();
  // Last packet, index, final header. The file is complete when it answers
  // true; after a failure it answers false but leaves what was written
  // readable as far as the disk allowed.
  bool Finish();

  bool Failed() const { return failed_; }
  std::uint64_t PacketCount() const { return closedPackets_ + (payloadCount_ != 0 ? 1 : 0); }
  std::int64_t DurationMs() const { return endTimeMs_; }

 private:
  struct KeyFrame {
    std::int64_t timeMs;
    std::uint64_t firstPacket, lastPacket;
  };
  void AddPayload(std::uint8_t stream, bool key, std::uint8_t objectNumber, std::int64_t timeMs,
                  const std::uint8_t* data, std::size_t size, std::uint64_t* firstPacket);
  void StartPacket();
  void CompletePacketHeader();
  bool WriteCurrentPacket();
  bool ClosePacket();
  bool WritePending();
  bool WriteHeader(std::uint64_t packets, std::uint64_t indexSize, std::uint32_t flags,
                   std::int64_t durationMs);
  // The index of the first `packets` packets, which play durationMs; an
  // objectSize beyond what it needs pads it.
  std::vector<std::uint8_t> BuildIndex(std::int64_t durationMs, std::uint64_t packets,
                                       std::uint64_t objectSize = 0) const;
  std::uint64_t IndexRoomInPackets() const;
  bool FinishShortened(std::uint64_t wholePackets);
  // How long the first `packets` packets play; -1 when no longer known.
  std::int64_t PlayedBefore(std::uint64_t packets) const;
  void MaybeCheckpoint(std::int64_t timeMs);
  bool Write(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size);
  bool FlushSink();

  ByteSink* sink_;
  AsfFileSetup setup_;
  bool begun_ = false;
  bool finished_ = false;
  bool failed_ = false;
  std::uint64_t headerSize_ = 0;  // header object plus the data object's own header
  std::vector<std::uint8_t> packet_;
  std::size_t used_ = 0;
  int payloadCount_ = 0;
  std::int64_t packetSendTime_ = 0;
  std::int64_t lastSendTime_ = 0;
  std::uint64_t closedPackets_ = 0;
  std::vector<std::uint8_t> pending_;  // closed packets not yet in the file, from writtenPackets_
  std::uint64_t writtenPackets_ = 0;
  std::uint64_t goodPackets_ = 0;  // packets known to be whole on disk
  bool partialWhole_ = false;      // the packet being filled, as last written in place
  std::uint8_t videoObject_ = 0;
  std::uint8_t audioObject_ = 0;
  std::int64_t endTimeMs_ = 0;
  std::int64_t lastCheckpointMs_ = 0;
  std::int64_t checkpointDurationMs_ = 0;  // the duration the file last stated
  std::vector<KeyFrame> keyFrames_;
  // The packets closed since a little before the last checkpoint, where a
  // shortened file may end, each with how long the file plays that ends
  // with it: the end of the last sound or picture wholly in it or before.
  struct SentPacket {
    std::uint64_t number;
    std::int64_t playedToMs;
  };
  std::deque<SentPacket> recentPackets_;
};

}  // namespace mavrion::encoder::builtin
