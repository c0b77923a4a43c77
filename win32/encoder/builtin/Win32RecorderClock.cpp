#include "win32/encoder/builtin/Win32RecorderClock.h"

#include <windows.h>
#include <mmsystem.h>

#include <new>

namespace mavrion::win32 {
namespace {

class EventAlarm : public encoder::builtin::WorkerAlarm {
 public:
  explicit EventAlarm(HANDLE event) : event_(event) { precise_ = timeBeginPeriod(1) == TIMERR_NOERROR; }
  EventAlarm(const EventAlarm&) = delete;
  EventAlarm& operator=(const EventAlarm&) = delete;
  ~EventAlarm() override {
    if (precise_) timeEndPeriod(1);
    CloseHandle(event_);
  }
  void Sleep(std::uint32_t ms) override { WaitForSingleObject(event_, ms); }
  void Wake() override { SetEvent(event_); }

 private:
  HANDLE event_;  // auto-reset: one Wake cuts one Sleep short
  bool precise_ = false;
};

}  // namespace

Win32RecorderClock::Win32RecorderClock() {
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
    frequency_ = static_cast<std::uint64_t>(frequency.QuadPart);
  }
}

std::uint32_t Win32RecorderClock::NowMs() {
  LARGE_INTEGER counter;
  if (frequency_ <= 1 || !QueryPerformanceCounter(&counter)) return GetTickCount();
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
  return static_cast<std::uint32_t>(ticks / frequency_ * 1000 + ticks % frequency_ * 1000 / frequency_);
}

std::uint64_t Win32RecorderClock::FileTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

std::unique_ptr<encoder::builtin::WorkerAlarm> Win32RecorderClock::MakeAlarm() {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return nullptr;
  auto alarm = std::unique_ptr<EventAlarm>(new (std::nothrow) EventAlarm(event));
  if (!alarm) CloseHandle(event);
  return alarm;
}

std::u16string AnsiTextConverter::ToUtf16(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int length = static_cast<int>(ansi.size());
  const int wide = MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.data(), length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, ansi.data(), length, text.data(), wide);
  return std::u16string(text.begin(), text.end());
}

}  // namespace mavrion::win32
