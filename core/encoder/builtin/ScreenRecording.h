#pragma once
// One recording of the built-in screen encoder, from captured pictures and
// sound to the finished file: the media clock decides which frames are due,
// the shaper brings pictures to the encoded size, our MPEG-4 video
// encoder compresses them, the sound codec codes the sound, both within
// the profile's audience, and the ASF writer stores them together.
//
// The capture loop asks how long to wait for the next frame, captures, and
// hands the picture over with the time it was taken; sound is handed over
// as it arrives. Not thread-safe: calls from a capture thread and a sound
// callback need the caller's lock.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"
#include "core/encoder/builtin/AudioCodec.h"
#include "core/encoder/builtin/MediaClock.h"
#include "core/encoder/builtin/PictureShaper.h"
#include "core/encoder/builtin/VideoCodec.h"

namespace mavrion::encoder::builtin {

struct RecordingSetup {
  int capturedWidth = 0;
  int capturedHeight = 0;
  int profileWidth = 0;   // 0 keeps the captured width
  int profileHeight = 0;  // 0 keeps the captured height
  std::int32_t framesPerThousandSeconds = 15000;
  int sharpness = 95;  // 1..100
  // The audience's leaky bucket, sound and picture together: the sound
  // takes its codec's fixed rate, the picture the rest.
  std::uint32_t bitsPerSecond = 400000;
  std::uint32_t bufferMs = 5000;
  bool hasAudio = false;
  AsfAudioFormat audio;  // as recorded: 16-bit PCM
  AsfTexts texts;
  AsfGuid fileId{};
  std::uint64_t creationTime = 0;  // 100-ns units since 1601 (UTC)
  std::uint32_t keyFrameIntervalMs = 10000;
};

class ScreenRecording {
 public:
  explicit ScreenRecording(ByteSink* sink);
  ScreenRecording(const ScreenRecording&) = delete;
  ScreenRecording& operator=(const ScreenRecording&) = delete;

  // Starts the clock at nowMs (a tick count) and writes the file's header.
  // False for an unusable size or a file that cannot be written.
  bool Begin(const RecordingSetup& setup, std::uint32_t nowMs);

  std::uint32_t MillisecondsToNextFrame(std::uint32_t nowMs) const;
  // A picture of the captured size, taken at nowMs. It fills the frame that
  // is due; frames missed since the last picture repeat the last picture.
  // Nothing is written when no frame is due yet. False once the file
  // cannot be written: the caller stops and finishes.
  bool AddFrame(std::uint32_t nowMs, const BgraImage& captured);
  // PCM in the setup's format that arrived at arrivedMs (taken as it
  // arrived, before any wait for the caller's lock). What was captured
  // while paused is left out, also when it arrives after Resume. The sound
  // reaches the file a coded packet at a time: what the codec still holds
  // at a pause (less than a packet) follows when the sound goes on.
  bool AddAudio(std::uint32_t arrivedMs, const std::uint8_t* pcm, std::size_t bytes);

  // Paused time is left out of the file: frames and sound continue after
  // Resume where they stopped.
  bool Pause(std::uint32_t nowMs);
  void Resume(std::uint32_t nowMs);

  // Fills the frames due up to nowMs (unless paused), codes the last of
  // the sound and completes the file. False when the file could not be
  // completed.
  bool Finish(std::uint32_t nowMs);

  bool Failed() const { return writer_.Failed(); }
  const FrameGeometry& Geometry() const { return geometry_; }
  std::uint64_t FramesWritten() const { return framesWritten_; }
  std::int64_t DurationMs() const { return writer_.DurationMs(); }

 private:
  bool WriteRepeats(std::uint64_t first, std::uint64_t count);
  bool CodeSound(const std::uint8_t* pcm, std::uint64_t frames);
  bool WriteSoundPackets();
  void CopyKept(const std::uint8_t* pcm, const MediaClock::AudioAdmission& admission,
                std::vector<std::uint8_t>* into) const;
  // The silence and the held-back sound that come before a delivery.
  bool CodeGapAndHeld(const MediaClock::AudioAdmission& admission);

  AsfWriter writer_;
  RecordingSetup setup_;
  FrameGeometry geometry_;
  std::unique_ptr<PictureShaper> shaper_;
  std::unique_ptr<VideoCodec> codec_;
  std::unique_ptr<MediaClock> clock_;
  std::unique_ptr<AudioCodec> sound_;
  std::vector<std::uint8_t> frame_;
  std::vector<std::int16_t> samples_;
  std::vector<CodedAudioPacket> soundPackets_;
  std::vector<std::uint8_t> keptSound_;
  std::vector<std::uint8_t> stretchedSound_;
  std::vector<std::uint8_t> heldSound_;  // a late delivery the clock has not placed yet
  bool begun_ = false;
  bool finished_ = false;
  bool havePicture_ = false;
  std::int64_t lastKeyMs_ = 0;
  std::uint64_t framesWritten_ = 0;
};

}  // namespace mavrion::encoder::builtin
