#pragma once
// The built-in encoder's platform for tests: a synthetic screen, a sound
// device the test feeds by hand, files in memory or in the temporary
// folder, an outline that only records, and a clock whose time moves only
// when the test lets it, with the capture worker on a real thread.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/encoder/builtin/model/BuiltinComponentFactory.h"
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::encoder::builtin::fakes {

// Time stands still until RunTo lets it run: the workers then do all that
// falls due up to that time, and RunTo answers once every worker sleeps
// towards a later time (or no worker runs). Time moves on only while every
// worker sleeps, to the earliest time one of them waits for, so workers
// take turns as they would on a real clock. Grabs may spend time too, and
// a worker may Take time as work that lasts.
class FakeTime : public RecorderClock, public ThreadStarter {
 public:
  explicit FakeTime(std::uint32_t start) : now_(start), limit_(start) {}
  ~FakeTime() override {
    for (std::thread& t : threads_) t.join();
  }

  std::uint32_t NowMs() override {
    const std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }
  std::uint64_t FileTimeNow() override { return 133000000000000000ull; }
  std::unique_ptr<WorkerAlarm> MakeAlarm() override { return std::make_unique<Alarm>(*this); }

  bool Start(std::function<void()> body) override {
    if (refuseThreads) return false;
    const std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
    threads_.emplace_back([this, body = std::move(body)] {
      body();
      {
        const std::lock_guard<std::mutex> ended(mutex_);
        --running_;
      }
      changed_.notify_all();
    });
    return true;
  }

  void RunTo(std::uint32_t t) {
    std::unique_lock<std::mutex> lock(mutex_);
    limit_ = t;
    changed_.notify_all();
    changed_.wait(lock, [&] { return running_ == 0 || Idle(); });
    if (now_ < t) now_ = t;
  }
  // Time passes without waiting for the workers.
  void Spend(std::uint32_t ms) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      now_ += ms;
      if (limit_ < now_) limit_ = now_;
    }
    changed_.notify_all();
  }
  // A worker's work that lasts ms while the other workers go on.
  void Take(std::uint32_t ms) {
    Sleeper busy;
    SleepFor(busy, ms);
  }
  int RunningWorkers() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return running_;
  }
  // Whether every worker's thread ends within a few seconds: a worker
  // reports its end just before its thread returns.
  bool WorkersEnd() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return running_ == 0; });
  }

  bool refuseThreads = false;

 private:
  struct Sleeper {
    std::uint32_t target = 0;
    bool woken = false;
  };

  class Alarm : public WorkerAlarm {
   public:
    explicit Alarm(FakeTime& time) : time_(time) {}
    void Sleep(std::uint32_t ms) override { time_.SleepFor(sleeper_, ms); }
    void Wake() override { time_.WakeSleeper(sleeper_); }

   private:
    FakeTime& time_;
    Sleeper sleeper_;
  };

  // With mutex_ held: every worker sleeps, none is woken, and none waits
  // for a time the test has let come.
  bool Idle() const {
    if (static_cast<int>(parked_.size()) != running_) return false;
    for (const Sleeper* s : parked_) {
      if (s->woken || s->target <= limit_) return false;
    }
    return true;
  }
  // With mutex_ held: whether time may move on to sleeper's target.
  bool Earliest(const Sleeper& sleeper) const {
    if (static_cast<int>(parked_.size()) != running_ || sleeper.target > limit_) return false;
    for (const Sleeper* s : parked_) {
      if (s->woken || s->target < sleeper.target) return false;
    }
    return true;
  }

  void SleepFor(Sleeper& sleeper, std::uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    sleeper.target = now_ + ms;
    parked_.push_back(&sleeper);
    changed_.notify_all();
    while (!sleeper.woken && now_ < sleeper.target) {
      if (Earliest(sleeper)) {
        now_ = sleeper.target;
        break;
      }
      changed_.wait(lock);
    }
    sleeper.woken = false;
    parked_.erase(std::find(parked_.begin(), parked_.end(), &sleeper));
    changed_.notify_all();
  }
  void WakeSleeper(Sleeper& sleeper) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      sleeper.woken = true;
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint32_t now_;
  std::uint32_t limit_;
  std::vector<Sleeper*> parked_;
  int running_ = 0;
  std::vector<std::thread> threads_;
};

// A screen whose pictures are one grey level each, a level far from the
// last one per capture (no codec would keep the previous picture), so a
// decoded frame tells which capture it shows.
class FakeScreen : public ScreenSource {
 public:
  FakeScreen(FakeTime& time, int width, int height) : time_(time), screen_{0, 0, width, height} {}

  ScreenRect PrimaryScreen() override { return screen_; }
  std::unique_ptr<ScreenGrabber> Open(const ScreenRect& area) override {
    opened.push_back(area);
    if (refuseOpen) return nullptr;
    return std::make_unique<Grabber>(*this, area);
  }

  std::vector<ScreenRect> opened;
  bool refuseOpen = false;
  std::uint32_t grabCostMs = 0;
  int grabs = 0;  // read only while no worker runs

 private:
  class Grabber : public ScreenGrabber {
   public:
    Grabber(FakeScreen& screen, const ScreenRect& area)
        : screen_(screen),
          width_(area.right - area.left),
          height_(area.bottom - area.top),
          pixels_(static_cast<std::size_t>(width_) * height_ * 4) {}
    BgraImage Grab() override {
      const int level = (++screen_.grabs * 40) % 256;
      for (std::size_t i = 0; i < pixels_.size(); i += 4) {
        pixels_[i] = pixels_[i + 1] = pixels_[i + 2] = static_cast<std::uint8_t>(level);
      }
      if (screen_.grabCostMs != 0) screen_.time_.Spend(screen_.grabCostMs);
      return BgraImage{pixels_.data(), width_, height_, width_ * 4};
    }

   private:
    FakeScreen& screen_;
    int width_, height_;
    std::vector<std::uint8_t> pixels_;
  };

  FakeTime& time_;
  ScreenRect screen_;
};

// Sound devices by name; the test hands over sound with Deliver.
class FakeAudio : public AudioInput {
 public:
  std::vector<std::string> DeviceNames() override { return names; }
  std::unique_ptr<AudioRecorder> Open(int device, const AsfAudioFormat& format) override {
    openedDevice = device;
    openedFormat = format;
    return std::make_unique<Recorder>(*this);
  }
  // The sound the device captured: bytes of silence.
  void Deliver(std::size_t bytes) {
    std::vector<std::uint8_t> pcm(bytes, 0);
    if (deliver_) deliver_(pcm.data(), pcm.size());
  }
  bool Running() const { return static_cast<bool>(deliver_); }

  std::vector<std::string> names;
  int openedDevice = -2;
  AsfAudioFormat openedFormat;

 private:
  class Recorder : public AudioRecorder {
   public:
    explicit Recorder(FakeAudio& audio) : audio_(audio) {}
    ~Recorder() override { audio_.deliver_ = nullptr; }
    bool Start(SoundDelivery deliver) override {
      audio_.deliver_ = std::move(deliver);
      return true;
    }

   private:
    FakeAudio& audio_;
  };
  SoundDelivery deliver_;
};

// Holds writers back while closed, as a disk that has stalled.
class WriteGate {
 public:
  void Close() {
    const std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  void Open() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      closed_ = false;
    }
    changed_.notify_all();
  }
  // The next writer takes ms of the fake time first: a disk slow once.
  void SlowNext(FakeTime& time, std::uint32_t ms) {
    const std::lock_guard<std::mutex> lock(mutex_);
    slow_ = [&time, ms] { time.Take(ms); };
  }
  void PassOrWait() {
    std::function<void()> slow;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      slow.swap(slow_);
    }
    if (slow) slow();
    std::unique_lock<std::mutex> lock(mutex_);
    if (!closed_) return;
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !closed_; });
    --waiting_;
  }
  // Whether a writer stands at the closed gate within a few seconds.
  bool WriterWaits() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return waiting_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;
  int waiting_ = 0;
  std::function<void()> slow_;
};

// Files in memory, each kept by name after it is closed; capacity makes a
// disk that fills up.
class MemoryFiles : public OutputFiles {
 public:
  bool CanCreate(const std::string& path) override {
    checked.push_back(path);
    return creatable;
  }
  std::unique_ptr<OutputSink> Create(const std::string& path, HResult* failure) override {
    if (!creatable || refuseCreate) {
      *failure = kAccessDenied;
      return nullptr;
    }
    auto& file = files[path];
    file = std::make_shared<MemorySink>(capacity);
    return std::make_unique<Sink>(file, gate);
  }
  const std::vector<std::uint8_t>& Bytes(const std::string& path) { return files.at(path)->Bytes(); }

  static constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005u);
  bool creatable = true;
  bool refuseCreate = false;
  std::size_t capacity = static_cast<std::size_t>(-1);
  std::vector<std::string> checked;
  std::map<std::string, std::shared_ptr<MemorySink>> files;
  WriteGate gate;

 private:
  class Sink : public OutputSink {
   public:
    Sink(std::shared_ptr<MemorySink> file, WriteGate& gate) : file_(std::move(file)), gate_(gate) {}
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
      gate_.PassOrWait();
      return file_->WriteAt(offset, data, size);
    }
    bool Flush() override { return file_->Flush(); }
    bool Truncate(std::uint64_t size) override { return file_->Truncate(size); }
    bool Close() override { return true; }

   private:
    std::shared_ptr<MemorySink> file_;
    WriteGate& gate_;
  };
};

class FakeOutline : public AreaOutline {
 public:
  std::unique_ptr<FlashingOutline> Show(const ScreenRect& area) override {
    shown.push_back(area);
    return std::make_unique<Shown>(*this);
  }
  std::vector<ScreenRect> shown;
  int onScreen = 0;

 private:
  struct Shown : FlashingOutline {
    explicit Shown(FakeOutline& outline) : outline_(outline) { ++outline_.onScreen; }
    ~Shown() override { --outline_.onScreen; }
    FakeOutline& outline_;
  };
};

// Everything a factory needs, the clock starting at 1000 ms.
struct FakePlatform {
  FakeTime time{1000};
  FakeScreen screen{time, 640, 480};
  FakeAudio audio;
  MemoryFiles files;
  FakeOutline outline;
  Windows1252Converter texts;
  BuiltinPorts Ports() { return BuiltinPorts{screen, audio, files, outline, texts, time, time}; }
};

}  // namespace mavrion::encoder::builtin::fakes
