#pragma once
// One recording of the built-in screen encoder, from captured pictures and
// sound to the finished file: the media clock decides which frames are due,
// the shaper brings pictures to the encoded size, our MPEG-4 video
// encoder compresses them within the profile's bit rate
// and the ASF writer stores them with the sound.
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
  std::uint32_t bitsPerSecond = 400000;  // the video's leaky bucket
  std::uint32_t bufferMs = 5000;
  bool hasAudio = false;
  AsfAudioFormat audio;  // PCM
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
  // while paused is left out, also when it arrives after Resume.
  bool AddAudio(std::uint32_t arrivedMs, const std::uint8_t* pcm, std::size_t bytes);

  // Paused time is left out of the file: frames and sound continue after
  // Resume where they stopped.
  bool Pause(std::uint32_t nowMs);
  void Resume(std::uint32_t nowMs);

  // Fills the frames due up to nowMs (unless paused) and completes the
  // file. False when the file could not be completed.
  bool Finish(std::uint32_t nowMs);

  bool Failed() const { return writer_.Failed(); }
  const FrameGeometry& Geometry() const { return geometry_; }
  std::uint64_t FramesWritten() const { return framesWritten_; }
  std::int64_t DurationMs() const { return writer_.DurationMs(); }

 private:
  bool WriteRepeats(std::uint64_t first, std::uint64_t count);
  bool WriteAudioBlock(std::int64_t timeMs, const std::uint8_t* data, std::size_t bytes);
  std::int64_t AudioTimeMs(std::uint64_t frame) const;
  void CopyKept(const std::uint8_t* pcm, const MediaClock::AudioAdmission& admission,
                std::vector<std::uint8_t>* into) const;
  // The silence and the held-back sound that come before a delivery.
  bool WriteGapAndHeld(const MediaClock::AudioAdmission& admission, std::uint64_t* frame);

  AsfWriter writer_;
  RecordingSetup setup_;
  FrameGeometry geometry_;
  std::unique_ptr<PictureShaper> shaper_;
  std::unique_ptr<VideoCodec> codec_;
  std::unique_ptr<MediaClock> clock_;
  std::vector<std::uint8_t> frame_;
  std::vector<std::uint8_t> silence_;
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
