#include "core/encoder/builtin/model/RecordingRun.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace mavrion::encoder::builtin {

std::size_t WaitingPictures(std::int32_t framesPerThousandSeconds, int width, int height) {
  const std::size_t second = static_cast<std::size_t>((std::max(framesPerThousandSeconds, 1) + 999) / 1000);
  const std::size_t pictureBytes = static_cast<std::size_t>(std::max(width, 1)) * std::max(height, 1) * 4;
  return std::max<std::size_t>(2, std::min(second, kWaitingPictureBytes / pictureBytes));
}

struct RecordingRun::Shared {
  Shared(RecorderClock& c, std::unique_ptr<OutputSink> s, std::int32_t framesPerThousandSeconds)
      : clock(c), sink(std::move(s)), recording(sink.get()), pacing(framesPerThousandSeconds) {}

  // Something for the coding worker: a picture captured, a pause or
  // resume asked for, or sound that arrived, at a time.
  struct Event {
    enum Kind { kPicture, kPause, kResume, kSound } kind;
    std::uint32_t atMs;
    std::vector<std::uint8_t> bytes;  // the picture's pixels, top row first, or the sound
  };

  RecorderClock& clock;
  std::unique_ptr<OutputSink> sink;
  ScreenRecording recording;  // writes into sink; the coding worker's alone while it runs
  std::unique_ptr<ScreenGrabber> grabber;  // the capture worker's alone
  std::unique_ptr<WorkerAlarm> captureAlarm, coderAlarm;
  std::function<void()> stoppedByItself;
  int width = 0, height = 0;
  std::size_t waitingLimit = 2;

  // Held only for moments: the dialog's thread never waits long for it.
  std::mutex control;
  std::condition_variable workersEnded;
  std::deque<Event> events;  // in time order
  std::size_t waitingPictures = 0;
  std::vector<std::vector<std::uint8_t>> spareBuffers;
  MediaClock pacing;  // the frame slots as the capture worker takes them
  bool requestedPause = false;
  bool stopping = false;
  bool writeFailed = false;
  int workersRunning = 0;

  static bool Later(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) > 0; }

  // With control held. Events that arrive out of order (a picture whose
  // copy took a moment) go before the later ones.
  void Insert(Event event) {
    auto at = events.end();
    while (at != events.begin() && Later(std::prev(at)->atMs, event.atMs)) --at;
    if (event.kind == Event::kPicture) ++waitingPictures;
    events.insert(at, std::move(event));
  }

  void Note(Event event) {
    {
      const std::lock_guard<std::mutex> lock(control);
      Insert(std::move(event));
    }
    coderAlarm->Wake();
  }

  // With control held: a buffer for the next picture; with the queue full,
  // the newest waiting picture's, which the new one replaces.
  std::vector<std::uint8_t> PictureBuffer() {
    if (waitingPictures >= waitingLimit) {
      for (auto it = events.end(); it != events.begin();) {
        if ((--it)->kind != Event::kPicture) continue;
        std::vector<std::uint8_t> bytes = std::move(it->bytes);
        events.erase(it);
        --waitingPictures;
        return bytes;
      }
    }
    if (spareBuffers.empty()) return {};
    std::vector<std::uint8_t> bytes = std::move(spareBuffers.back());
    spareBuffers.pop_back();
    return bytes;
  }

  // With control held: the events due up to and including the next
  // picture, the unit of work between two looks at the queue.
  std::vector<Event> TakeDue() {
    std::vector<Event> due;
    while (!events.empty()) {
      due.push_back(std::move(events.front()));
      events.pop_front();
      if (due.back().kind == Event::kPicture) {
        --waitingPictures;
        break;
      }
    }
    return due;
  }

  // Without control held, by whoever works on the recording: carries the
  // events out in order. Answers false once the file cannot be written on.
  bool CarryOut(std::vector<Event>& due) {
    bool ok = true;
    for (Event& event : due) {
      if (!ok) break;
      switch (event.kind) {
        case Event::kPicture:
          ok = recording.AddFrame(event.atMs, BgraImage{event.bytes.data(), width, height, width * 4});
          break;
        case Event::kPause:
          ok = recording.Pause(event.atMs) || !recording.Failed();
          break;
        case Event::kResume:
          recording.Resume(event.atMs);
          break;
        case Event::kSound:
          ok = recording.AddAudio(event.atMs, event.bytes.data(), event.bytes.size()) || !recording.Failed();
          break;
      }
    }
    const std::lock_guard<std::mutex> lock(control);
    for (Event& event : due) {
      if (event.kind == Event::kPicture) spareBuffers.push_back(std::move(event.bytes));
    }
    if (!ok) writeFailed = true;
    return !writeFailed;
  }

  void WorkerEnds() {
    {
      const std::lock_guard<std::mutex> lock(control);
      --workersRunning;
    }
    workersEnded.notify_all();
  }
};

RecordingRun::RecordingRun(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

RecordingRun::~RecordingRun() { Finish(); }

HResult RecordingRun::Begin(const RecordingPlan& plan, const BuiltinPorts& ports, std::unique_ptr<RecordingRun>* run) {
  std::unique_ptr<ScreenGrabber> grabber = ports.screen.Open(plan.area);
  if (!grabber) return kE_FAIL;
  std::unique_ptr<AudioRecorder> audio;
  if (plan.hasAudio) {
    audio = ports.audio.Open(plan.audioDevice, kRecordedAudioFormat);
    if (!audio) return kVFW_E_NOT_FOUND;
  }
  // Only now is a file of the name replaced.
  HResult why = kE_FAIL;
  std::unique_ptr<OutputSink> sink = ports.files.Create(plan.path, &why);
  if (!sink) return Failed(why) ? why : kE_FAIL;

  auto shared = std::make_shared<Shared>(ports.clock, std::move(sink), plan.setup.framesPerThousandSeconds);
  shared->grabber = std::move(grabber);
  shared->captureAlarm = ports.clock.MakeAlarm();
  shared->coderAlarm = ports.clock.MakeAlarm();
  if (!shared->captureAlarm || !shared->coderAlarm) return kE_FAIL;
  shared->stoppedByItself = plan.stoppedByItself;

  static std::atomic<std::uint64_t> recordingsMade{0};
  RecordingSetup setup = plan.setup;
  setup.capturedWidth = plan.area.right - plan.area.left;
  setup.capturedHeight = plan.area.bottom - plan.area.top;
  setup.hasAudio = plan.hasAudio;
  setup.audio = kRecordedAudioFormat;
  setup.creationTime = ports.clock.FileTimeNow();
  setup.fileId = MakeFileId(setup.creationTime, (++recordingsMade << 32) | ports.clock.NowMs());
  shared->width = setup.capturedWidth;
  shared->height = setup.capturedHeight;
  shared->waitingLimit = WaitingPictures(setup.framesPerThousandSeconds, setup.capturedWidth, setup.capturedHeight);
  const std::uint32_t startMs = ports.clock.NowMs();
  if (!shared->recording.Begin(setup, startMs)) {
    shared->sink->Close();
    return kE_FAIL;
  }
  shared->pacing.Start(startMs);

  std::unique_ptr<RecordingRun> made(new RecordingRun(shared));
  if (audio) {
    const bool started = audio->Start([shared](const std::uint8_t* pcm, std::size_t bytes) {
      // Stamped as it arrives, and never kept waiting for a frame being
      // compressed: the sound would look late, as if the device had
      // stalled.
      shared->Note({Shared::Event::kSound, shared->clock.NowMs(), std::vector<std::uint8_t>(pcm, pcm + bytes)});
    });
    if (!started) return kE_FAIL;  // made finishes the file
    made->audio_ = std::move(audio);
  }
  // The coding worker first: the capture worker is of no use without it.
  for (void (*body)(Shared&) : {&RecordingRun::RunCoder, &RecordingRun::RunCapture}) {
    {
      const std::lock_guard<std::mutex> lock(shared->control);
      ++shared->workersRunning;
    }
    if (!ports.threads.Start([shared, body] { body(*shared); })) {
      shared->WorkerEnds();
      return kE_FAIL;  // made stops what runs and finishes the file
    }
  }
  if (plan.flashRect) made->outline_ = ports.outline.Show(plan.area);
  *run = std::move(made);
  return kS_OK;
}

void RecordingRun::RunCapture(Shared& s) {
  for (;;) {
    std::uint32_t wait = 0;
    {
      const std::lock_guard<std::mutex> lock(s.control);
      if (s.stopping || s.writeFailed) break;
      wait = s.pacing.Paused() ? kPausedSleepMs : s.pacing.MillisecondsToNextSlot(s.clock.NowMs());
    }
    if (wait != 0) {
      s.captureAlarm->Sleep(wait);
      continue;
    }
    // The dialog's thread may pause or stop while the picture is taken:
    // a picture that arrives paused is left out.
    const BgraImage picture = s.grabber->Grab();
    const std::uint32_t atMs = s.clock.NowMs();
    std::vector<std::uint8_t> bytes;
    {
      const std::lock_guard<std::mutex> lock(s.control);
      if (s.stopping || s.writeFailed) break;
      if (s.pacing.TakeDueSlots(atMs).count == 0) continue;
      bytes = s.PictureBuffer();
    }
    const std::size_t rowBytes = static_cast<std::size_t>(s.width) * 4;
    bytes.resize(rowBytes * static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y) {
      std::memcpy(&bytes[rowBytes * static_cast<std::size_t>(y)], picture.pixels + y * picture.strideBytes, rowBytes);
    }
    s.Note({Shared::Event::kPicture, atMs, std::move(bytes)});
  }
  s.WorkerEnds();
}

void RecordingRun::RunCoder(Shared& s) {
  bool failed = false;
  for (;;) {
    std::vector<Shared::Event> due;
    bool ending = false;
    {
      const std::lock_guard<std::mutex> lock(s.control);
      due = s.TakeDue();
      ending = s.stopping;
    }
    if (due.empty()) {
      if (ending) break;
      s.coderAlarm->Sleep(kPausedSleepMs);
      continue;
    }
    if (!s.CarryOut(due)) {
      failed = true;
      s.captureAlarm->Wake();
      break;
    }
  }
  // Told before Finish may go on, while whoever listens still exists.
  if (failed && s.stoppedByItself) s.stoppedByItself();
  s.WorkerEnds();
}

void RecordingRun::Request(bool pause) {
  {
    const std::lock_guard<std::mutex> lock(shared_->control);
    if (shared_->requestedPause == pause) return;
    shared_->requestedPause = pause;
    const std::uint32_t nowMs = shared_->clock.NowMs();
    if (pause) {
      shared_->pacing.Pause(nowMs);
    } else {
      shared_->pacing.Resume(nowMs);
    }
    shared_->Insert({pause ? Shared::Event::kPause : Shared::Event::kResume, nowMs, {}});
  }
  shared_->captureAlarm->Wake();
  shared_->coderAlarm->Wake();
}

void RecordingRun::Pause() { Request(true); }

void RecordingRun::Resume() { Request(false); }

void RecordingRun::Finish() {
  if (finished_) return;
  finished_ = true;
  Shared& s = *shared_;
  const std::uint32_t stopAt = s.clock.NowMs();
  {
    std::unique_lock<std::mutex> lock(s.control);
    // The recording ends as at a pause: the sound the recorder still
    // holds is cut where the stop came.
    if (!s.requestedPause) {
      s.pacing.Pause(stopAt);
      s.Insert({Shared::Event::kPause, stopAt, {}});
    }
    s.requestedPause = true;
    s.stopping = true;
    s.captureAlarm->Wake();
    s.coderAlarm->Wake();
    s.workersEnded.wait(lock, [&s] { return s.workersRunning == 0; });
  }
  // The recorder hands over what it still holds before it goes; it is
  // stopped with no lock held, so that sound is noted at once.
  audio_.reset();
  outline_.reset();
  std::vector<Shared::Event> rest;
  {
    const std::lock_guard<std::mutex> lock(s.control);
    if (!s.writeFailed) rest.assign(std::make_move_iterator(s.events.begin()), std::make_move_iterator(s.events.end()));
    s.events.clear();
  }
  s.CarryOut(rest);
  s.recording.Finish(stopAt);
  s.sink->Close();
}

bool RecordingRun::WriteFailed() const {
  const std::lock_guard<std::mutex> lock(shared_->control);
  return shared_->writeFailed;
}

}  // namespace mavrion::encoder::builtin
