#pragma once
// What the built-in encoder needs of the platform while it records: the
// screen's pictures, the sound input, the output file, the flashing outline
// of the recorded area, text conversion, a wall clock with a wakeable sleep
// for the capture worker, and a thread to run it on.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/encoder/builtin/AsfWriter.h"
#include "core/encoder/builtin/ByteSink.h"
#include "core/encoder/builtin/BgraImage.h"
#include "core/platform/Threads.h"
#include "core/platform/Types.h"

namespace mavrion::encoder::builtin {

// Pictures of one area of the screen. Made on the dialog's thread, then
// used and destroyed while no other thread uses it.
class ScreenGrabber {
 public:
  virtual ~ScreenGrabber() = default;
  // The area as it looks now, mouse pointer included, at the size the
  // grabber was opened with; valid until the next Grab. A capture the
  // system refuses leaves the previous picture.
  virtual BgraImage Grab() = 0;
};

class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // The primary screen in physical pixels; its left and top are 0.
  virtual ScreenRect PrimaryScreen() = 0;
  // Null when the area cannot be captured.
  virtual std::unique_ptr<ScreenGrabber> Open(const ScreenRect& area) = 0;
};

// Sound as it was captured, in the format the device was opened with.
using SoundDelivery = std::function<void(const std::uint8_t* pcm, std::size_t bytes)>;

class AudioRecorder {
 public:
  // Stops the device. Sound still held is delivered first; once the
  // destructor returns no delivery runs or will run.
  virtual ~AudioRecorder() = default;
  // Deliveries come from a thread of the recorder's own.
  virtual bool Start(SoundDelivery deliver) = 0;
};

inline constexpr int kDefaultAudioDevice = -1;

class AudioInput {
 public:
  virtual ~AudioInput() = default;
  // The sound input devices' names in the system's order; empty when the
  // system has none.
  virtual std::vector<std::string> DeviceNames() = 0;
  // device: an index into DeviceNames, or kDefaultAudioDevice. Null when
  // the device refuses the format.
  virtual std::unique_ptr<AudioRecorder> Open(int device, const AsfAudioFormat& format) = 0;
};

class OutputSink : public ByteSink {
 public:
  // False when the file could not be closed cleanly.
  virtual bool Close() = 0;
};

class OutputFiles {
 public:
  virtual ~OutputFiles() = default;
  // Whether a file of this name could be made: its folder exists and the
  // name is not a folder's. Creates and changes nothing.
  virtual bool CanCreate(const std::string& path) = 0;
  // Creates the file, replacing one of the same name. Null, with *failure
  // set to the system's reason, when it cannot.
  virtual std::unique_ptr<OutputSink> Create(const std::string& path, HResult* failure) = 0;
};

// The outline stays on screen, blinking, as long as this object lives.
class FlashingOutline {
 public:
  virtual ~FlashingOutline() = default;
};

class AreaOutline {
 public:
  virtual ~AreaOutline() = default;
  // Shows the outline of area where captures of area do not see it. Null
  // when it cannot be shown; the recording goes on without it.
  virtual std::unique_ptr<FlashingOutline> Show(const ScreenRect& area) = 0;
};

class TextConverter {
 public:
  virtual ~TextConverter() = default;
  virtual std::u16string ToUtf16(const std::string& ansi) = 0;
};

// The capture worker's sleep, which the dialog's thread can cut short.
class WorkerAlarm {
 public:
  virtual ~WorkerAlarm() = default;
  // Sleeps up to ms; returns at once when Wake was called since the last
  // Sleep returned.
  virtual void Sleep(std::uint32_t ms) = 0;
  virtual void Wake() = 0;
};

class RecorderClock {
 public:
  virtual ~RecorderClock() = default;
  // Milliseconds of a steady clock, wrapping at 2^32.
  virtual std::uint32_t NowMs() = 0;
  // 100-ns units since 1 January 1601 (UTC): the file's creation time.
  virtual std::uint64_t FileTimeNow() = 0;
  virtual std::unique_ptr<WorkerAlarm> MakeAlarm() = 0;
};

struct BuiltinPorts {
  ScreenSource& screen;
  AudioInput& audio;
  OutputFiles& files;
  AreaOutline& outline;
  TextConverter& texts;
  RecorderClock& clock;
  ThreadStarter& threads;
};

// Texts in the Western ANSI code page, where the system's conversion is not
// at hand.
class Windows1252Converter : public TextConverter {
 public:
  std::u16string ToUtf16(const std::string& ansi) override;
};

}  // namespace mavrion::encoder::builtin
