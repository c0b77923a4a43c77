#pragma once
// The built-in encoder's clock (the performance counter, with events for
// the capture worker's sleep) and its text conversion (the thread's ANSI
// code page).
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::win32 {

class Win32RecorderClock : public encoder::builtin::RecorderClock {
 public:
  Win32RecorderClock();
  std::uint32_t NowMs() override;
  std::uint64_t FileTimeNow() override;
  // While an alarm lives the system's timer runs at 1 ms, so that frames
  // are captured on time rather than up to a timer tick late.
  std::unique_ptr<encoder::builtin::WorkerAlarm> MakeAlarm() override;

 private:
  std::uint64_t frequency_ = 1;
};

class AnsiTextConverter : public encoder::builtin::TextConverter {
 public:
  std::u16string ToUtf16(const std::string& ansi) override;
};

}  // namespace mavrion::win32
