#pragma once
// One running recording of the built-in encoder: the capture worker that
// paces and grabs pictures, the coding worker that compresses and writes
// them, the sound that arrives from the audio recorder's thread, the
// outline on screen, and the file.
//
// Threads: Pause, Resume and Finish come from the encoder's caller (the
// dialog's thread); capture and coding run on a thread each; the sound on
// the recorder's. The media core is not thread-safe: only the coding
// worker works on it while the workers run, so a frame that is slow to
// code (a key frame) never stops pictures from being taken. Everything
// else only notes what it has, with its time, in one queue that the coding
// worker carries out in time order: pictures as they were captured, pause
// and resume requests, sound. Nothing waits for a frame being coded but
// Finish, which lets the coding worker carry out what was captured before
// it (at most kWaitingPictures-worth) and then completes the file.
//
// The queue holds a bounded number of pictures: when it is full, a new
// picture takes the place of the newest one waiting, so the screen as it
// is now is always the next to be coded after those already waiting, and
// the frames between show the picture before (the timeline keeps wall
// time; see MediaClock).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/encoder/builtin/ScreenRecording.h"
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::encoder::builtin {

// The frozen choice of what to record, made by PrepareToEncode.
struct RecordingPlan {
  ScreenRect area;
  bool flashRect = false;
  bool hasAudio = false;
  int audioDevice = kDefaultAudioDevice;
  std::string path;
  // Called on the coding worker's thread when the file cannot be written
  // on and the recording has ended by itself; may be empty.
  std::function<void()> stoppedByItself;
  RecordingSetup setup;  // captured size, audio format, file id and time still to fill
};

// The sound format asked of the device.
inline constexpr AsfAudioFormat kRecordedAudioFormat{2, 44100, 16};

// How long a worker sleeps at a time while it has nothing to do (paused,
// or nothing to code); what it waits for wakes it at once.
inline constexpr std::uint32_t kPausedSleepMs = 1000;

// Pictures that may wait to be coded: a second's worth at the profile's
// frame rate, at least two, within this many bytes.
inline constexpr std::size_t kWaitingPictureBytes = std::size_t{96} << 20;
std::size_t WaitingPictures(std::int32_t framesPerThousandSeconds, int width, int height);

class RecordingRun {
 public:
  // Opens the screen and the sound, creates the file (replacing one of the
  // name), writes its header and starts the worker and the sound. Answers
  // the failure, with nothing left running, when any of it cannot be done.
  static HResult Begin(const RecordingPlan& plan, const BuiltinPorts& ports, std::unique_ptr<RecordingRun>* run);

  RecordingRun(const RecordingRun&) = delete;
  RecordingRun& operator=(const RecordingRun&) = delete;
  // Finishes the file when Finish has not been called.
  ~RecordingRun();

  void Pause();
  void Resume();
  // Ends the worker and the sound, fills the frames due up to now and
  // completes the file. The file is playable afterwards also when the
  // disk filled up: the recording then ended at that point.
  void Finish();

  // The file could not be written on: nothing more is recorded.
  bool WriteFailed() const;

 private:
  struct Shared;
  explicit RecordingRun(std::shared_ptr<Shared> shared);
  static void RunCapture(Shared& shared);
  static void RunCoder(Shared& shared);
  void Request(bool pause);

  std::shared_ptr<Shared> shared_;
  std::unique_ptr<AudioRecorder> audio_;
  std::unique_ptr<FlashingOutline> outline_;
  bool finished_ = false;
};

}  // namespace mavrion::encoder::builtin
