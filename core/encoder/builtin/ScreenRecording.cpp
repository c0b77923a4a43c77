#include "core/encoder/builtin/ScreenRecording.h"

#include <algorithm>
#include <cstring>

#include "core/encoder/builtin/PcmStretch.h"
#include "core/encoder/builtin/mpeg4/Mpeg4Encoder.h"
#include "core/encoder/builtin/wma/WmaEncoder.h"

namespace mavrion::encoder::builtin {

namespace {

// A second of silence at a time fills a gap the device left.
constexpr std::uint64_t kSilenceChunkSeconds = 1;

}  // namespace

ScreenRecording::ScreenRecording(ByteSink* sink) : writer_(sink) {}

bool ScreenRecording::Begin(const RecordingSetup& setup, std::uint32_t nowMs) {
  if (begun_) return false;
  if (!ChooseFrameGeometry(setup.capturedWidth, setup.capturedHeight, setup.profileWidth,
                           setup.profileHeight, &geometry_)) {
    return false;
  }
  // The sound codec takes 16-bit sound at its own rate, mono or stereo.
  if (setup.hasAudio && (setup.audio.channels < 1 || setup.audio.channels > 2 ||
                         setup.audio.samplesPerSecond != wma::kSampleRate || setup.audio.bitsPerSample != 16)) {
    return false;
  }
  setup_ = setup;
  shaper_ = std::make_unique<PictureShaper>(geometry_);
  clock_ = std::make_unique<MediaClock>(setup.framesPerThousandSeconds);
  AsfFileSetup file;
  std::uint32_t pictureBits = setup.bitsPerSecond;
  if (setup.hasAudio) {
    sound_ = std::make_unique<wma::WmaEncoder>(setup.audio.channels, wma::kSoundBitsPerSecond);
    file.audio = sound_->Format();
    // The sound's rate is fixed; an audience that cannot hold it and a
    // picture besides is refused.
    const std::uint32_t soundBits = file.audio.averageBytesPerSecond * 8;
    if (pictureBits <= soundBits) return false;
    pictureBits -= soundBits;
    clock_->UseAudio(setup.audio.samplesPerSecond);
  }
  mpeg4::EncoderSettings video;
  video.width = geometry_.encodedWidth;
  video.height = geometry_.encodedHeight;
  video.framesPerThousandSeconds = setup.framesPerThousandSeconds;
  video.sharpness = setup.sharpness;
  video.bitsPerSecond = pictureBits;
  video.bufferMs = setup.bufferMs;
  codec_ = std::make_unique<mpeg4::Mpeg4Encoder>(video);

  file.video = codec_->Format();
  file.video.frameDurationMs = clock_->FrameDurationMs();
  file.hasAudio = setup.hasAudio;
  file.texts = setup.texts;
  file.fileId = setup.fileId;
  file.creationTime = setup.creationTime;
  begun_ = true;
  clock_->Start(nowMs);
  return writer_.Begin(file);
}

std::uint32_t ScreenRecording::MillisecondsToNextFrame(std::uint32_t nowMs) const {
  return clock_ ? clock_->MillisecondsToNextSlot(nowMs) : 0;
}

bool ScreenRecording::WriteRepeats(std::uint64_t first, std::uint64_t count) {
  if (count == 0 || !havePicture_) return !writer_.Failed();
  for (std::uint64_t slot = first; slot < first + count; ++slot) {
    const std::int64_t timeMs = clock_->SlotTime(slot);
    codec_->EncodeRepeat(timeMs, &frame_);
    if (!writer_.WriteVideoFrame(timeMs, false, frame_.data(), frame_.size())) return false;
    ++framesWritten_;
  }
  return true;
}

bool ScreenRecording::AddFrame(std::uint32_t nowMs, const BgraImage& captured) {
  if (!begun_ || finished_ || writer_.Failed()) return false;
  if (captured.width != geometry_.capturedWidth || captured.height != geometry_.capturedHeight) {
    return false;
  }
  MediaClock::DueSlots due = clock_->TakeDueSlots(nowMs);
  if (due.count == 0) return true;
  // The picture was taken now, for the last slot due; the slots missed
  // before it keep showing the previous picture. The very first picture
  // has nothing before it and fills its slots from the first.
  const bool first = !havePicture_;
  const std::uint64_t slot = first ? due.first : due.first + due.count - 1;
  if (!first && !WriteRepeats(due.first, due.count - 1)) return false;

  const std::int64_t timeMs = clock_->SlotTime(slot);
  const bool wantKey = first || timeMs - lastKeyMs_ >= static_cast<std::int64_t>(setup_.keyFrameIntervalMs);
  const bool key = codec_->Encode(shaper_->Shape(captured), timeMs, wantKey, &frame_);
  if (key) lastKeyMs_ = timeMs;
  havePicture_ = true;
  if (!writer_.WriteVideoFrame(timeMs, key, frame_.data(), frame_.size())) return false;
  ++framesWritten_;
  return !first || WriteRepeats(due.first + 1, due.count - 1);
}

bool ScreenRecording::WriteSoundPackets() {
  const std::uint64_t rate = setup_.audio.samplesPerSecond;
  for (const CodedAudioPacket& packet : soundPackets_) {
    const auto timeMs = static_cast<std::int64_t>(packet.firstFrame * 1000 / rate);
    if (!writer_.WriteAudio(timeMs, packet.bytes.data(), packet.bytes.size())) return false;
  }
  soundPackets_.clear();
  return true;
}

bool ScreenRecording::CodeSound(const std::uint8_t* pcm, std::uint64_t frames) {
  if (frames == 0) return !writer_.Failed();
  // The device's bytes are little-endian samples, not necessarily aligned.
  samples_.resize(static_cast<std::size_t>(frames) * setup_.audio.channels);
  std::memcpy(samples_.data(), pcm, samples_.size() * sizeof(std::int16_t));
  sound_->Encode(samples_.data(), static_cast<std::size_t>(frames), &soundPackets_);
  return WriteSoundPackets();
}

void ScreenRecording::CopyKept(const std::uint8_t* pcm, const MediaClock::AudioAdmission& admission,
                               std::vector<std::uint8_t>* into) const {
  const std::uint64_t align = setup_.audio.BlockAlign();
  into->clear();
  for (const MediaClock::FrameRange& range : admission.kept) {
    const std::uint8_t* from = pcm + range.offset * align;
    into->insert(into->end(), from, from + range.count * align);
  }
}

bool ScreenRecording::CodeGapAndHeld(const MediaClock::AudioAdmission& admission) {
  if (admission.silenceFrames != 0) {
    const std::uint64_t chunk = setup_.audio.samplesPerSecond * kSilenceChunkSeconds;
    const std::vector<std::uint8_t> silence(
        static_cast<std::size_t>(std::min(admission.silenceFrames, chunk) * setup_.audio.BlockAlign()), 0);
    for (std::uint64_t left = admission.silenceFrames; left != 0;) {
      const std::uint64_t n = std::min(left, chunk);
      if (!CodeSound(silence.data(), n)) return false;
      left -= n;
    }
  }
  return CodeSound(heldSound_.data(), admission.heldFrames);
}

bool ScreenRecording::AddAudio(std::uint32_t arrivedMs, const std::uint8_t* pcm, std::size_t bytes) {
  if (!begun_ || finished_ || !setup_.hasAudio || writer_.Failed()) return false;
  const std::uint64_t align = setup_.audio.BlockAlign();
  MediaClock::AudioAdmission admission = clock_->AdmitAudio(arrivedMs, bytes / align);
  if (admission.hold) {
    // The clock waits for the next delivery to learn where this one goes.
    CopyKept(pcm, admission, &heldSound_);
    return true;
  }
  if (!CodeGapAndHeld(admission)) return false;
  if (admission.writtenFrames == 0) return !writer_.Failed();
  const std::uint8_t* kept = pcm + admission.kept.front().offset * align;
  if (admission.kept.size() > 1) {
    CopyKept(pcm, admission, &keptSound_);
    kept = keptSound_.data();
  }
  if (admission.writtenFrames != admission.keptFrames) {
    StretchPcm(kept, static_cast<std::size_t>(admission.keptFrames), setup_.audio,
               static_cast<std::size_t>(admission.writtenFrames), &stretchedSound_);
    kept = stretchedSound_.data();
  }
  if (!CodeSound(kept, admission.writtenFrames)) return false;
  // Sound from before a pause that arrived after it: the file is made
  // whole again, as at the pause.
  return !clock_->Paused() || writer_.Checkpoint();
}

bool ScreenRecording::Pause(std::uint32_t nowMs) {
  if (!begun_ || finished_) return false;
  if (clock_->Paused()) return true;
  MediaClock::DueSlots due = clock_->TakeSlotsBefore(nowMs);
  bool ok = WriteRepeats(due.first, due.count);
  clock_->Pause(nowMs);
  // Nothing more is written while paused: make the file whole up to here.
  return writer_.Checkpoint() && ok;
}

void ScreenRecording::Resume(std::uint32_t nowMs) {
  if (begun_ && !finished_) clock_->Resume(nowMs);
}

bool ScreenRecording::Finish(std::uint32_t nowMs) {
  if (!begun_ || finished_) return false;
  if (!clock_->Paused() && !writer_.Failed()) {
    MediaClock::DueSlots due = clock_->TakeSlotsBefore(nowMs);
    WriteRepeats(due.first, due.count);
  }
  if (sound_ && !writer_.Failed() && CodeGapAndHeld(clock_->TakeHeldAudio())) {
    // The codec's last, partly filled packet, so that the last sound is heard.
    sound_->Flush(&soundPackets_);
    WriteSoundPackets();
  }
  finished_ = true;
  return writer_.Finish();
}

}  // namespace mavrion::encoder::builtin
