#include "win32/encoder/builtin/WaveInAudio.h"

#include <windows.h>
#include <mmsystem.h>

#include <new>
#include <thread>
#include <vector>

namespace mavrion::win32 {
namespace {

using encoder::builtin::AsfAudioFormat;
using encoder::builtin::SoundDelivery;

constexpr std::size_t kBufferCount = 8;
constexpr std::uint32_t kBufferMs = 100;

class WaveInRecorder : public encoder::builtin::AudioRecorder {
 public:
  WaveInRecorder() = default;
  WaveInRecorder(const WaveInRecorder&) = delete;
  WaveInRecorder& operator=(const WaveInRecorder&) = delete;

  ~WaveInRecorder() override {
    if (thread_.joinable()) {
      SetEvent(stop_);
      thread_.join();
    } else if (wave_ != nullptr) {
      waveInReset(wave_);
    }
    if (wave_ != nullptr) {
      for (WAVEHDR& header : headers_) {
        if (header.dwFlags & WHDR_PREPARED) waveInUnprepareHeader(wave_, &header, sizeof header);
      }
      waveInClose(wave_);
    }
    if (filled_ != nullptr) CloseHandle(filled_);
    if (stop_ != nullptr) CloseHandle(stop_);
  }

  bool Open(UINT device, const AsfAudioFormat& format) {
    filled_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (filled_ == nullptr || stop_ == nullptr) return false;
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = format.channels;
    wave.nSamplesPerSec = format.samplesPerSecond;
    wave.wBitsPerSample = format.bitsPerSample;
    wave.nBlockAlign = format.BlockAlign();
    wave.nAvgBytesPerSec = format.BytesPerSecond();
    const DWORD_PTR event = reinterpret_cast<DWORD_PTR>(filled_);
    MMRESULT result = MMSYSERR_ERROR;
    if (device != WAVE_MAPPER) result = waveInOpen(&wave_, device, &wave, event, 0, CALLBACK_EVENT | WAVE_MAPPED);
    if (result != MMSYSERR_NOERROR) result = waveInOpen(&wave_, device, &wave, event, 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
      wave_ = nullptr;
      return false;
    }
    const std::size_t bytes = format.BytesPerSecond() / (1000 / kBufferMs) / format.BlockAlign() * format.BlockAlign();
    memory_.assign(bytes * kBufferCount, 0);
    headers_.assign(kBufferCount, WAVEHDR{});
    for (std::size_t i = 0; i < kBufferCount; ++i) {
      headers_[i].lpData = memory_.data() + i * bytes;
      headers_[i].dwBufferLength = static_cast<DWORD>(bytes);
      if (waveInPrepareHeader(wave_, &headers_[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return false;
    }
    return true;
  }

  bool Start(SoundDelivery deliver) override {
    deliver_ = std::move(deliver);
    for (WAVEHDR& header : headers_) {
      if (waveInAddBuffer(wave_, &header, sizeof header) != MMSYSERR_NOERROR) return false;
    }
    if (waveInStart(wave_) != MMSYSERR_NOERROR) return false;
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (...) {
      return false;
    }
    return true;
  }

 private:
  // Buffers come back filled in the order they were queued.
  void Run() {
    try {
      const HANDLE events[2] = {stop_, filled_};
      while (WaitForMultipleObjects(2, events, FALSE, 500) != WAIT_OBJECT_0) HandOver(true);
      // Reset hands back every queued buffer, the one being filled with
      // the sound it holds so far.
      waveInReset(wave_);
      HandOver(false);
    } catch (...) {
      waveInReset(wave_);
    }
  }

  void HandOver(bool queueAgain) {
    for (std::size_t n = 0; n < kBufferCount; ++n) {
      WAVEHDR& header = headers_[next_];
      if ((header.dwFlags & WHDR_DONE) == 0) return;
      if (header.dwBytesRecorded != 0) {
        deliver_(reinterpret_cast<const std::uint8_t*>(header.lpData), header.dwBytesRecorded);
      }
      header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
      header.dwBytesRecorded = 0;
      if (queueAgain) waveInAddBuffer(wave_, &header, sizeof header);
      next_ = (next_ + 1) % kBufferCount;
    }
  }

  HWAVEIN wave_ = nullptr;
  HANDLE filled_ = nullptr;
  HANDLE stop_ = nullptr;
  std::vector<char> memory_;
  std::vector<WAVEHDR> headers_;  // never resized once prepared
  std::size_t next_ = 0;
  SoundDelivery deliver_;
  std::thread thread_;
};

}  // namespace

std::vector<std::string> WaveInAudioInput::DeviceNames() {
  std::vector<std::string> names;
  const UINT count = waveInGetNumDevs();
  for (UINT i = 0; i < count; ++i) {
    WAVEINCAPSA caps{};
    names.push_back(waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
  }
  return names;
}

std::unique_ptr<encoder::builtin::AudioRecorder> WaveInAudioInput::Open(int device, const AsfAudioFormat& format) {
  auto recorder = std::unique_ptr<WaveInRecorder>(new (std::nothrow) WaveInRecorder());
  const UINT id = device < 0 ? WAVE_MAPPER : static_cast<UINT>(device);
  if (!recorder || !recorder->Open(id, format)) return nullptr;
  return recorder;
}

}  // namespace mavrion::win32
