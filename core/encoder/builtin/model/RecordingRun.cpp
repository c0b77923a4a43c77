#include "core/encoder/builtin/model/RecordingRun.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace mavrion::encoder::builtin {

struct RecordingRun::Shared {
  Shared(RecorderClock& c, std::unique_ptr<OutputSink> s) : clock(c), sink(std::move(s)), recording(sink.get()) {}

  // A pause or resume asked for, or sound that arrived, at a time, not
  // yet carried out.
  struct Request {
    enum Kind { kPause, kResume, kSound } kind;
    std::uint32_t atMs;
    std::vector<std::uint8_t> sound;
  };

  RecorderClock& clock;
  std::unique_ptr<OutputSink> sink;
  ScreenRecording recording;  // writes into sink
  std::unique_ptr<ScreenGrabber> grabber;  // the worker's alone
  std::unique_ptr<WorkerAlarm> alarm;
  std::function<void()> stoppedByItself;

  // Held while working on the recording; taken before control when both are.
  std::mutex media;
  bool mediaPaused = false;
  bool writeFailed = false;

  // Held only for moments: the dialog's thread never waits long for it.
  std::mutex control;
  std::condition_variable workerEnded;
  std::vector<Request> requests;
  bool requestedPause = false;
  bool stopping = false;
  bool workerRunning = false;

  void Note(Request request) {
    const std::lock_guard<std::mutex> lock(control);
    requests.push_back(std::move(request));
  }

  // With media held: carries out the requests in the order they came.
  // Answers whether the recording is ending.
  bool CatchUp() {
    std::vector<Request> due;
    bool ending = false;
    {
      const std::lock_guard<std::mutex> lock(control);
      due.swap(requests);
      ending = stopping;
    }
    for (const Request& request : due) {
      if (writeFailed) break;
      switch (request.kind) {
        case Request::kPause:
          if (!recording.Pause(request.atMs) && recording.Failed()) writeFailed = true;
          mediaPaused = true;
          break;
        case Request::kResume:
          recording.Resume(request.atMs);
          mediaPaused = false;
          break;
        case Request::kSound:
          if (!recording.AddAudio(request.atMs, request.sound.data(), request.sound.size()) && recording.Failed()) {
            writeFailed = true;
          }
          break;
      }
    }
    return ending || writeFailed;
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

  auto shared = std::make_shared<Shared>(ports.clock, std::move(sink));
  shared->grabber = std::move(grabber);
  shared->alarm = ports.clock.MakeAlarm();
  if (!shared->alarm) return kE_FAIL;
  shared->stoppedByItself = plan.stoppedByItself;

  static std::atomic<std::uint64_t> recordingsMade{0};
  RecordingSetup setup = plan.setup;
  setup.capturedWidth = plan.area.right - plan.area.left;
  setup.capturedHeight = plan.area.bottom - plan.area.top;
  setup.hasAudio = plan.hasAudio;
  setup.audio = kRecordedAudioFormat;
  setup.creationTime = ports.clock.FileTimeNow();
  setup.fileId = MakeFileId(setup.creationTime, (++recordingsMade << 32) | ports.clock.NowMs());
  if (!shared->recording.Begin(setup, ports.clock.NowMs())) {
    shared->sink->Close();
    return kE_FAIL;
  }

  std::unique_ptr<RecordingRun> made(new RecordingRun(shared));
  if (audio) {
    const bool started = audio->Start([shared](const std::uint8_t* pcm, std::size_t bytes) {
      // Stamped as it arrives, and never kept waiting for a frame being
      // compressed: the sound would look late, as if the device had
      // stalled. Whoever holds the recording next writes it.
      shared->Note({Shared::Request::kSound, shared->clock.NowMs(), std::vector<std::uint8_t>(pcm, pcm + bytes)});
      const std::unique_lock<std::mutex> lock(shared->media, std::try_to_lock);
      if (lock.owns_lock()) shared->CatchUp();
    });
    if (!started) return kE_FAIL;  // made finishes the file
    made->audio_ = std::move(audio);
  }
  shared->workerRunning = true;
  if (!ports.threads.Start([shared] { RunWorker(*shared); })) {
    shared->workerRunning = false;
    return kE_FAIL;
  }
  if (plan.flashRect) made->outline_ = ports.outline.Show(plan.area);
  *run = std::move(made);
  return kS_OK;
}

void RecordingRun::RunWorker(Shared& s) {
  for (;;) {
    std::uint32_t wait = 0;
    {
      const std::lock_guard<std::mutex> lock(s.media);
      if (s.CatchUp()) break;
      wait = s.mediaPaused ? kPausedSleepMs : s.recording.MillisecondsToNextFrame(s.clock.NowMs());
    }
    if (wait != 0) {
      s.alarm->Sleep(wait);
      continue;
    }
    // The capture is the slow part: the dialog's thread may pause or stop
    // meanwhile. A picture that arrives paused or late is sorted out by the
    // media clock with the time it is added.
    const BgraImage picture = s.grabber->Grab();
    const std::lock_guard<std::mutex> lock(s.media);
    if (s.CatchUp()) break;
    if (!s.recording.AddFrame(s.clock.NowMs(), picture)) s.writeFailed = true;
  }
  bool failed = false;
  {
    const std::lock_guard<std::mutex> lock(s.media);
    failed = s.writeFailed;
  }
  // Told before Finish may go on, while whoever listens still exists.
  if (failed && s.stoppedByItself) s.stoppedByItself();
  {
    const std::lock_guard<std::mutex> lock(s.control);
    s.workerRunning = false;
  }
  s.workerEnded.notify_all();
}

void RecordingRun::Request(bool pause) {
  {
    const std::lock_guard<std::mutex> lock(shared_->control);
    if (shared_->requestedPause == pause) return;
    shared_->requestedPause = pause;
    shared_->requests.push_back({pause ? Shared::Request::kPause : Shared::Request::kResume, shared_->clock.NowMs(), {}});
  }
  shared_->alarm->Wake();
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
    if (!s.requestedPause) s.requests.push_back({Shared::Request::kPause, stopAt, {}});
    s.requestedPause = true;
    s.stopping = true;
    s.alarm->Wake();
    s.workerEnded.wait(lock, [&s] { return !s.workerRunning; });
  }
  // The recorder hands over what it still holds before it goes; it is
  // stopped without the lock held, so that sound is written at once.
  audio_.reset();
  outline_.reset();
  const std::lock_guard<std::mutex> lock(s.media);
  s.CatchUp();
  s.recording.Finish(stopAt);
  s.sink->Close();
}

bool RecordingRun::WriteFailed() const {
  const std::lock_guard<std::mutex> lock(shared_->media);
  return shared_->writeFailed;
}

}  // namespace mavrion::encoder::builtin
