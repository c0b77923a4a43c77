#include "core/encoder/builtin/AsfWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace mavrion::encoder::builtin {

namespace {

// GUIDs are stored with their first three fields little-endian.
constexpr AsfGuid Guid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint16_t d4,
                       std::uint64_t d5) {
  return AsfGuid{static_cast<std::uint8_t>(d1), static_cast<std::uint8_t>(d1 >> 8),
                 static_cast<std::uint8_t>(d1 >> 16), static_cast<std::uint8_t>(d1 >> 24),
                 static_cast<std::uint8_t>(d2), static_cast<std::uint8_t>(d2 >> 8),
                 static_cast<std::uint8_t>(d3), static_cast<std::uint8_t>(d3 >> 8),
                 static_cast<std::uint8_t>(d4 >> 8), static_cast<std::uint8_t>(d4),
                 static_cast<std::uint8_t>(d5 >> 40), static_cast<std::uint8_t>(d5 >> 32),
                 static_cast<std::uint8_t>(d5 >> 24), static_cast<std::uint8_t>(d5 >> 16),
                 static_cast<std::uint8_t>(d5 >> 8), static_cast<std::uint8_t>(d5)};
}

constexpr AsfGuid kHeaderObject = Guid(0x75B22630, 0x668E, 0x11CF, 0xA6D9, 0x00AA0062CE6C);
constexpr AsfGuid kFilePropertiesObject = Guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE4, 0x00C00C205365);
constexpr AsfGuid kStreamPropertiesObject = Guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE6, 0x00C00C205365);
constexpr AsfGuid kHeaderExtensionObject = Guid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE3, 0x00C00C205365);
constexpr AsfGuid kHeaderExtensionReserved = Guid(0xABD3D211, 0xA9BA, 0x11CF, 0x8EE6, 0x00C00C205365);
constexpr AsfGuid kContentDescriptionObject = Guid(0x75B22633, 0x668E, 0x11CF, 0xA6D9, 0x00AA0062CE6C);
constexpr AsfGuid kDataObject = Guid(0x75B22636, 0x668E, 0x11CF, 0xA6D9, 0x00AA0062CE6C);
constexpr AsfGuid kSimpleIndexObject = Guid(0x33000890, 0xE5B1, 0x11CF, 0x89F4, 0x00A0C90349CB);
constexpr AsfGuid kAudioMedia = Guid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD, 0x00805F5C442B);
constexpr AsfGuid kVideoMedia = Guid(0xBC19EFC0, 0x5B4D, 0x11CF, 0xA8FD, 0x00805F5C442B);
constexpr AsfGuid kNoErrorCorrection = Guid(0x20FB5700, 0x5B55, 0x11CF, 0xA8FD, 0x00805F5C442B);
constexpr AsfGuid kExtendedStreamPropertiesObject = Guid(0x14E6A5CB, 0xC672, 0x4332, 0x8399, 0xA96952065B5A);
constexpr AsfGuid kStreamBitrateObject = Guid(0x7BF875CE, 0x468D, 0x11D1, 0x8D82, 0x006097C9A2B2);
constexpr AsfGuid kAudioSpread = Guid(0xBFC3CD50, 0x618F, 0x11CF, 0x8BB2, 0x00AA00B4E220);

constexpr std::uint32_t kFlagSeekable = 0x02;

// Packets filled faster than this between two checkpoints (a busy screen)
// bring the next checkpoint forward rather than gather in memory.
constexpr std::size_t kMaxPendingBytes = 8u << 20;

constexpr std::uint8_t kVideoStream = 1;
constexpr std::uint8_t kAudioStream = 2;

// Packet layout: error correction (0x82 and two zero bytes), length-type
// flags 0x11 (several payloads, a WORD padding length, no packet length or
// sequence), property flags 0x5D (BYTE replicated-data length, DWORD offset,
// BYTE object number and stream number), padding length, send time,
// duration, then payload flags (WORD payload lengths, the count below).
constexpr std::size_t kPacketHeaderSize = 14;
// Stream, object number, offset, replicated-data length, object size,
// presentation time, payload length.
constexpr std::size_t kPayloadHeaderSize = 17;
constexpr int kMaxPayloadsPerPacket = 63;

constexpr std::uint64_t kIndexIntervalMs = 1000;
constexpr std::uint64_t kHundredNsPerMs = 10000;

class Bytes {
 public:
  void U8(std::uint32_t v) { b_.push_back(static_cast<std::uint8_t>(v)); }
  void U16(std::uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(std::uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Guid(const AsfGuid& g) { b_.insert(b_.end(), g.begin(), g.end()); }
  void Append(const std::vector<std::uint8_t>& other) { b_.insert(b_.end(), other.begin(), other.end()); }
  void Text(const std::u16string& s) {
    for (char16_t c : s) U16(c);
  }
  // An object: its GUID, its size including these 24 bytes, its body.
  void Object(const AsfGuid& g, const Bytes& body) {
    Guid(g);
    U64(24 + body.b_.size());
    Append(body.b_);
  }
  std::vector<std::uint8_t>& Data() { return b_; }
  const std::vector<std::uint8_t>& Data() const { return b_; }

 private:
  std::vector<std::uint8_t> b_;
};

void Store16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Store32(std::uint8_t* p, std::uint32_t v) {
  Store16(p, v);
  Store16(p + 2, v >> 16);
}

// Texts carry their terminating zero; an empty text has length 0.
std::uint16_t TextBytes(const std::u16string& s) {
  std::size_t units = std::min<std::size_t>(s.size(), 32766);
  return static_cast<std::uint16_t>(s.empty() ? 0 : 2 * (units + 1));
}
void PutText(Bytes* out, const std::u16string& s) {
  if (s.empty()) return;
  out->Text(s.substr(0, 32766));
  out->U16(0);
}

Bytes StreamProperties(const AsfGuid& type, const AsfGuid& errorCorrection, std::uint8_t number,
                       const Bytes& typeSpecific, const Bytes& errorData) {
  Bytes body;
  body.Guid(type);
  body.Guid(errorCorrection);
  body.U64(0);  // time offset
  body.U32(static_cast<std::uint32_t>(typeSpecific.Data().size()));
  body.U32(static_cast<std::uint32_t>(errorData.Data().size()));
  body.U16(number);
  body.U32(0);  // reserved
  body.Append(typeSpecific.Data());
  body.Append(errorData.Data());
  return body;
}

}  // namespace

AsfGuid MakeFileId(std::uint64_t a, std::uint64_t b) {
  auto mix = [](std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
  };
  std::uint64_t hi = mix(a ^ mix(b)), lo = mix(b ^ hi);
  AsfGuid g{};
  for (int i = 0; i < 8; ++i) {
    g[i] = static_cast<std::uint8_t>(hi >> (8 * i));
    g[8 + i] = static_cast<std::uint8_t>(lo >> (8 * i));
  }
  g[7] = static_cast<std::uint8_t>((g[7] & 0x0F) | 0x40);  // version 4
  g[8] = static_cast<std::uint8_t>((g[8] & 0x3F) | 0x80);  // variant
  return g;
}

std::uint64_t FileTimeFromUnixSeconds(std::int64_t seconds) {
  return static_cast<std::uint64_t>(seconds + 11644473600ll) * 10000000ull;
}

AsfWriter::AsfWriter(ByteSink* sink) : sink_(sink) {}

bool AsfWriter::Write(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size) {
  bool ok = sink_->WriteAt(offset, bytes, size);
  if (!ok) failed_ = true;
  return ok;
}

bool AsfWriter::FlushSink() {
  bool ok = sink_->Flush();
  if (!ok) failed_ = true;
  return ok;
}

bool AsfWriter::Begin(const AsfFileSetup& setup) {
  setup_ = setup;
  setup_.packetSize = std::clamp<std::uint32_t>(setup_.packetSize, 512, 65535);
  packet_.assign(setup_.packetSize, 0);
  begun_ = true;
  StartPacket();
  return WriteHeader(0, 0, 0, 0) && FlushSink();
}

bool AsfWriter::WriteHeader(std::uint64_t packets, std::uint64_t indexSize, std::uint32_t flags,
                            std::int64_t duration) {
  const AsfFileSetup& s = setup_;
  const std::uint64_t dataSize = 50 + packets * s.packetSize;
  const std::uint64_t durationMs = static_cast<std::uint64_t>(std::max<std::int64_t>(duration, 0));

  Bytes objects;
  int count = 0;

  // The file size is only known once the header's own size is: build
  // everything else first.
  Bytes fileProperties;
  {
    std::uint64_t bitRate = durationMs ? (dataSize * 8 * 1000) / durationMs : 0;
    fileProperties.Guid(s.fileId);
    fileProperties.U64(0);  // file size, patched below
    fileProperties.U64(s.creationTime);
    fileProperties.U64(packets);
    fileProperties.U64((durationMs + s.prerollMs) * kHundredNsPerMs);  // play duration
    fileProperties.U64(durationMs * kHundredNsPerMs);                  // send duration
    fileProperties.U64(s.prerollMs);
    fileProperties.U32(flags);
    fileProperties.U32(s.packetSize);
    fileProperties.U32(s.packetSize);
    fileProperties.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(bitRate, 0xFFFFFFFFu)));
  }
  objects.Object(kFilePropertiesObject, fileProperties);
  const std::size_t fileSizeAt = 30 + 24 + 16;  // inside the header object
  ++count;

  {
    Bytes inner;
    if (s.video.bitsPerSecond != 0) {
      // The video's rate and buffer, as a player plans its buffering.
      Bytes extended;
      extended.U64(0);  // start time
      extended.U64(0);  // end time
      extended.U32(s.video.bitsPerSecond);
      extended.U32(s.video.bufferMs);
      extended.U32(s.video.bufferMs);  // initial fullness
      extended.U32(s.video.bitsPerSecond);
      extended.U32(s.video.bufferMs);
      extended.U32(s.video.bufferMs);
      extended.U32(0);  // largest object: not known ahead
      extended.U32(0);  // flags
      extended.U16(kVideoStream);
      extended.U16(0);  // language
      extended.U64(static_cast<std::uint64_t>(s.video.frameDurationMs) * kHundredNsPerMs);
      extended.U16(0);  // no names
      extended.U16(0);  // no payload extensions
      inner.Object(kExtendedStreamPropertiesObject, extended);
    }
    Bytes extension;
    extension.Guid(kHeaderExtensionReserved);
    extension.U16(6);
    extension.U32(static_cast<std::uint32_t>(inner.Data().size()));
    extension.Append(inner.Data());
    objects.Object(kHeaderExtensionObject, extension);
    ++count;
  }
  {
    Bytes description;
    description.U16(TextBytes(s.texts.title));
    description.U16(TextBytes(s.texts.author));
    description.U16(TextBytes(s.texts.copyright));
    description.U16(TextBytes(s.texts.description));
    description.U16(0);  // rating
    PutText(&description, s.texts.title);
    PutText(&description, s.texts.author);
    PutText(&description, s.texts.copyright);
    PutText(&description, s.texts.description);
    objects.Object(kContentDescriptionObject, description);
    ++count;
  }
  {
    Bytes video;
    video.U32(static_cast<std::uint32_t>(s.video.width));
    video.U32(static_cast<std::uint32_t>(s.video.height));
    video.U8(2);  // reserved flags
    const std::uint32_t formatSize = 40 + static_cast<std::uint32_t>(s.video.codecData.size());
    video.U16(static_cast<std::uint16_t>(formatSize));
    // BITMAPINFOHEADER, its size counting the codec data that follows.
    video.U32(formatSize);
    video.U32(static_cast<std::uint32_t>(s.video.width));
    video.U32(static_cast<std::uint32_t>(s.video.height));
    video.U16(1);
    video.U16(s.video.bitCount);
    video.U32(s.video.fourCC);
    video.U32(static_cast<std::uint32_t>(s.video.width * s.video.height * (s.video.bitCount / 8)));
    video.U32(0);
    video.U32(0);
    video.U32(0);
    video.U32(0);
    video.Append(s.video.codecData);
    objects.Object(kStreamPropertiesObject,
                   StreamProperties(kVideoMedia, kNoErrorCorrection, kVideoStream, video, Bytes()));
    ++count;
  }
  if (s.hasAudio) {
    Bytes wave;  // WAVEFORMATEX and the codec's own bytes
    wave.U16(s.audio.formatTag);
    wave.U16(s.audio.channels);
    wave.U32(s.audio.samplesPerSecond);
    wave.U32(s.audio.averageBytesPerSecond);
    wave.U16(s.audio.blockAlign);
    wave.U16(s.audio.bitsPerSample);
    wave.U16(static_cast<std::uint32_t>(s.audio.codecData.size()));
    wave.Append(s.audio.codecData);
    Bytes spread;  // a span of 1: the coded packets are not interleaved
    spread.U8(1);
    spread.U16(s.audio.blockAlign);
    spread.U16(s.audio.blockAlign);
    spread.U16(1);
    spread.U8(0);
    objects.Object(kStreamPropertiesObject,
                   StreamProperties(kAudioMedia, kAudioSpread, kAudioStream, wave, spread));
    ++count;
  }
  // After the streams it names: a reader that takes the header's objects in
  // order has no stream to give the rate to before their properties.
  std::vector<std::pair<std::uint8_t, std::uint32_t>> rates;
  if (s.video.bitsPerSecond != 0) rates.emplace_back(kVideoStream, s.video.bitsPerSecond);
  if (s.hasAudio) rates.emplace_back(kAudioStream, s.audio.averageBytesPerSecond * 8);
  if (!rates.empty()) {
    Bytes bitrates;
    bitrates.U16(static_cast<std::uint32_t>(rates.size()));
    for (const auto& [stream, bitsPerSecond] : rates) {
      bitrates.U16(stream);
      bitrates.U32(bitsPerSecond);
    }
    objects.Object(kStreamBitrateObject, bitrates);
    ++count;
  }

  Bytes header;
  header.Guid(kHeaderObject);
  header.U64(30 + objects.Data().size());
  header.U32(static_cast<std::uint32_t>(count));
  header.U8(1);
  header.U8(2);
  header.Append(objects.Data());
  // The data object's own header follows the header object.
  header.Guid(kDataObject);
  header.U64(dataSize);
  header.Guid(s.fileId);
  header.U64(packets);
  header.U8(1);
  header.U8(1);

  std::vector<std::uint8_t>& bytes = header.Data();
  headerSize_ = bytes.size();
  const std::uint64_t fileSize = headerSize_ - 50 + dataSize + indexSize;
  for (int i = 0; i < 8; ++i) bytes[fileSizeAt + i] = static_cast<std::uint8_t>(fileSize >> (8 * i));
  return Write(0, bytes.data(), bytes.size());
}

void AsfWriter::StartPacket() {
  std::fill(packet_.begin(), packet_.end(), 0);
  used_ = kPacketHeaderSize;
  payloadCount_ = 0;
}

void AsfWriter::CompletePacketHeader() {
  std::uint8_t* p = packet_.data();
  p[0] = 0x82;
  p[1] = 0;
  p[2] = 0;
  p[3] = 0x11;
  p[4] = 0x5D;
  Store16(p + 5, static_cast<std::uint32_t>(setup_.packetSize - used_));
  Store32(p + 7, static_cast<std::uint32_t>(packetSendTime_));
  Store16(p + 11, 0);
  p[13] = static_cast<std::uint8_t>(0x80 | payloadCount_);
  std::fill(packet_.begin() + static_cast<std::ptrdiff_t>(used_), packet_.end(), 0);
}

bool AsfWriter::WriteCurrentPacket() {
  CompletePacketHeader();
  std::uint64_t offset = headerSize_ + closedPackets_ * setup_.packetSize;
  partialWhole_ = Write(offset, packet_.data(), packet_.size());
  return partialWhole_;
}

bool AsfWriter::ClosePacket() {
  if (payloadCount_ == 0) return !failed_;
  CompletePacketHeader();
  pending_.insert(pending_.end(), packet_.begin(), packet_.end());
  // The sound or picture being added now ends in a later packet.
  recentPackets_.push_back(SentPacket{closedPackets_, endTimeMs_});
  ++closedPackets_;
  // Its padded version in the file is about to be replaced.
  partialWhole_ = false;
  lastSendTime_ = packetSendTime_;
  StartPacket();
  return !failed_;
}

bool AsfWriter::WritePending() {
  // A packet at a time, to know how many are whole when the disk fills.
  const std::size_t size = setup_.packetSize;
  for (std::size_t at = 0; at < pending_.size() && !failed_; at += size, ++writtenPackets_) {
    if (Write(headerSize_ + writtenPackets_ * size, pending_.data() + at, size) &&
        goodPackets_ == writtenPackets_) {
      ++goodPackets_;
    }
  }
  pending_.clear();
  return !failed_;
}

void AsfWriter::AddPayload(std::uint8_t stream, bool key, std::uint8_t objectNumber,
                           std::int64_t timeMs, const std::uint8_t* data, std::size_t size,
                           std::uint64_t* firstPacket) {
  std::size_t offset = 0;
  bool first = true;
  while (offset < size) {
    if (payloadCount_ == kMaxPayloadsPerPacket ||
        used_ + kPayloadHeaderSize + 1 > setup_.packetSize) {
      ClosePacket();
    }
    if (payloadCount_ == 0) {
      // Send times never go back, even when a stream's payload is older
      // than the other stream's last one.
      packetSendTime_ = std::max(timeMs, lastSendTime_);
    }
    if (first && firstPacket) *firstPacket = closedPackets_;
    first = false;
    std::size_t room = setup_.packetSize - used_ - kPayloadHeaderSize;
    std::size_t chunk = std::min(room, size - offset);
    std::uint8_t* p = packet_.data() + used_;
    p[0] = static_cast<std::uint8_t>(stream | (key ? 0x80 : 0));
    p[1] = objectNumber;
    Store32(p + 2, static_cast<std::uint32_t>(offset));
    p[6] = 8;
    Store32(p + 7, static_cast<std::uint32_t>(size));
    Store32(p + 11, static_cast<std::uint32_t>(timeMs + setup_.prerollMs));
    Store16(p + 15, static_cast<std::uint32_t>(chunk));
    std::memcpy(p + kPayloadHeaderSize, data + offset, chunk);
    used_ += kPayloadHeaderSize + chunk;
    ++payloadCount_;
    offset += chunk;
  }
}

bool AsfWriter::WriteVideoFrame(std::int64_t timeMs, bool keyFrame, const std::uint8_t* data,
                                std::size_t size) {
  if (!begun_ || finished_ || failed_) return false;
  std::uint64_t firstPacket = closedPackets_;
  AddPayload(kVideoStream, keyFrame, videoObject_++, timeMs, data, size, &firstPacket);
  if (keyFrame && size != 0) keyFrames_.push_back(KeyFrame{timeMs, firstPacket, closedPackets_});
  endTimeMs_ = std::max(endTimeMs_, timeMs + setup_.video.frameDurationMs);
  MaybeCheckpoint(timeMs);
  return !failed_;
}

bool AsfWriter::WriteAudio(std::int64_t timeMs, const std::uint8_t* data, std::size_t size) {
  if (!begun_ || finished_ || failed_ || !setup_.hasAudio) return false;
  AddPayload(kAudioStream, true, audioObject_++, timeMs, data, size, nullptr);
  const AudioStreamFormat& a = setup_.audio;
  const std::uint64_t frames = size / std::max<std::uint16_t>(a.blockAlign, 1) * a.framesPerPacket;
  endTimeMs_ = std::max(endTimeMs_,
                        timeMs + static_cast<std::int64_t>(frames * 1000 / std::max<std::uint32_t>(a.samplesPerSecond, 1)));
  MaybeCheckpoint(timeMs);
  return !failed_;
}

void AsfWriter::MaybeCheckpoint(std::int64_t timeMs) {
  if (timeMs - lastCheckpointMs_ >= static_cast<std::int64_t>(setup_.checkpointIntervalMs) ||
      pending_.size() >= kMaxPendingBytes) {
    lastCheckpointMs_ = timeMs;
    Checkpoint();
  }
}

bool AsfWriter::Checkpoint() {
  if (!begun_ || finished_ || failed_) return false;
  // The packet being filled goes to its place padded; later payloads
  // rewrite it there until it is full.
  if (!WritePending() || (payloadCount_ != 0 && !WriteCurrentPacket())) return false;
  if (!WriteHeader(PacketCount(), 0, 0, endTimeMs_) || !FlushSink()) return false;
  checkpointDurationMs_ = endTimeMs_;
  // A disk that fills before the next checkpoint cuts the file at most
  // the index's room before what is written now.
  const std::uint64_t reach = IndexRoomInPackets() + 1;
  while (!recentPackets_.empty() && recentPackets_.front().number + reach < writtenPackets_) {
    recentPackets_.pop_front();
  }
  return true;
}

namespace {

// Index times are presentation times, as in the payloads: the preroll
// before the recording's time 0 and the whole duration after it.
std::uint64_t IndexEntries(std::int64_t durationMs, std::uint32_t prerollMs) {
  return (static_cast<std::uint64_t>(std::max<std::int64_t>(durationMs, 0)) + prerollMs) / kIndexIntervalMs + 1;
}

// Object header, file id, interval, largest packet count, entry count.
constexpr std::uint64_t kIndexHeaderSize = 24 + 16 + 8 + 4 + 4;
constexpr std::uint64_t kIndexEntrySize = 6;

}  // namespace

std::uint64_t AsfWriter::IndexRoomInPackets() const {
  const std::uint64_t bytes = kIndexHeaderSize + kIndexEntrySize * IndexEntries(endTimeMs_, setup_.prerollMs);
  return (bytes + setup_.packetSize - 1) / setup_.packetSize;
}

std::vector<std::uint8_t> AsfWriter::BuildIndex(std::int64_t durationMs, std::uint64_t packets,
                                                std::uint64_t objectSize) const {
  // One entry a second of presentation time: the packets of the last key
  // frame at or before it (the first key frame for the entries within the
  // preroll). Key frames come in packet order; those wholly in the packets
  // count.
  std::size_t usable = 0;
  while (usable < keyFrames_.size() && keyFrames_[usable].lastPacket < packets) ++usable;
  Bytes body;
  // No key frame, nothing to lead to: an index without entries.
  std::uint64_t entries = usable == 0 ? 0 : IndexEntries(durationMs, setup_.prerollMs);
  std::vector<std::pair<std::uint32_t, std::uint16_t>> table;
  std::size_t k = 0;
  std::uint32_t maxCount = 0;
  for (std::uint64_t e = 0; e < entries; ++e) {
    std::int64_t at = static_cast<std::int64_t>(e * kIndexIntervalMs) - setup_.prerollMs;
    while (k + 1 < usable && keyFrames_[k + 1].timeMs <= at) ++k;
    std::uint32_t packet = static_cast<std::uint32_t>(keyFrames_[k].firstPacket);
    std::uint16_t count = static_cast<std::uint16_t>(
        std::min<std::uint64_t>(keyFrames_[k].lastPacket - keyFrames_[k].firstPacket + 1, 0xFFFF));
    maxCount = std::max<std::uint32_t>(maxCount, count);
    table.emplace_back(packet, count);
  }
  body.Guid(setup_.fileId);
  body.U64(kIndexIntervalMs * kHundredNsPerMs);
  body.U32(maxCount);
  body.U32(static_cast<std::uint32_t>(table.size()));
  for (const auto& [packet, count] : table) {
    body.U32(packet);
    body.U16(count);
  }
  // Readers go by the entry count; zeros after the entries fill the room.
  if (objectSize > 24 + body.Data().size()) body.Data().resize(objectSize - 24, 0);
  Bytes index;
  index.Object(kSimpleIndexObject, body);
  return std::move(index.Data());
}

bool AsfWriter::Finish() {
  if (!begun_ || finished_) return false;
  finished_ = true;
  if (!failed_ && ClosePacket() && WritePending()) {
    std::uint64_t packets = closedPackets_;
    std::vector<std::uint8_t> index = BuildIndex(endTimeMs_, packets);
    if (Write(headerSize_ + packets * setup_.packetSize, index.data(), index.size()) &&
        WriteHeader(packets, index.size(), kFlagSeekable, endTimeMs_) && FlushSink()) {
      return true;
    }
  }
  // The disk refused something: only the packets known whole count (the
  // one being filled too, if its last writing in place went through).
  std::uint64_t whole = goodPackets_;
  if (whole == closedPackets_ && partialWhole_) ++whole;
  if (!FinishShortened(whole)) {
    // No index worth the packets it would replace: a header alone, which
    // describes every whole packet.
    const std::int64_t durationMs = PlayedBefore(whole);
    WriteHeader(whole, 0, 0, durationMs >= 0 ? durationMs : checkpointDurationMs_);
    sink_->Truncate(headerSize_ + whole * setup_.packetSize);
    FlushSink();
  }
  return false;
}

std::int64_t AsfWriter::PlayedBefore(std::uint64_t packets) const {
  if (packets == 0) return 0;
  // The packet being filled, on disk as the last checkpoint left it.
  if (packets == closedPackets_ + 1) return checkpointDurationMs_;
  for (const SentPacket& sent : recentPackets_) {
    if (sent.number + 1 == packets) return sent.playedToMs;
  }
  return -1;
}

bool AsfWriter::FinishShortened(std::uint64_t wholePackets) {
  const std::uint64_t room = IndexRoomInPackets();
  if (wholePackets <= room) return false;
  const std::uint64_t kept = wholePackets - room;
  // An index that leads to no picture would take the place of the only
  // packets there are: they are worth more.
  if (keyFrames_.empty() || keyFrames_.front().lastPacket >= kept) return false;
  const std::int64_t durationMs = PlayedBefore(kept);
  if (durationMs < 0) return false;
  // Everything goes where whole packets stand, so no more room is needed,
  // and the index fills their place, so the file is what the header says.
  std::vector<std::uint8_t> index = BuildIndex(durationMs, kept, room * setup_.packetSize);
  const std::uint64_t end = headerSize_ + kept * setup_.packetSize + index.size();
  return Write(end - index.size(), index.data(), index.size()) &&
         WriteHeader(kept, index.size(), kFlagSeekable, durationMs) && sink_->Truncate(end) && FlushSink();
}

}  // namespace mavrion::encoder::builtin
