#pragma once
// One running recording of the built-in encoder: the capture worker that
// paces, grabs and adds frames, the sound that arrives from the audio
// recorder's thread, the outline on screen, and the file.
//
// Threads: Pause, Resume and Finish come from the encoder's caller (the
// dialog's thread); the worker runs on a thread of its own; the sound on the
// recorder's. The media core is not thread-safe, so every call into it is
// made under one lock, and nothing slow (a capture, a wait) is done while
// holding it. Pause, Resume and arriving sound never wait for that lock,
// which a frame being compressed may hold for a while: they note the
// request, or the sound, with its time, and whichever thread next works on
// the recording carries it out first. Finish waits for the worker's
// current frame.
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
  // Called on the worker's thread when the file cannot be written on and
  // the recording has ended by itself; may be empty.
  std::function<void()> stoppedByItself;
  RecordingSetup setup;  // captured size, audio format, file id and time still to fill
};

// The sound format asked of the device.
inline constexpr AsfAudioFormat kRecordedAudioFormat{2, 44100, 16};

// How long the worker sleeps at a time while paused; Resume and Finish
// wake it at once.
inline constexpr std::uint32_t kPausedSleepMs = 1000;

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
  static void RunWorker(Shared& shared);
  void Request(bool pause);

  std::shared_ptr<Shared> shared_;
  std::unique_ptr<AudioRecorder> audio_;
  std::unique_ptr<FlashingOutline> outline_;
  bool finished_ = false;
};

}  // namespace mavrion::encoder::builtin
