#include "core/recording/ClockThread.h"

#include <cstdio>

namespace mavrion {

std::string FormatElapsedTime(std::uint32_t elapsedMs) {
  const std::uint32_t s = elapsedMs / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "Time: %02d : %02d : %02d", static_cast<int>(s / 3600),
                static_cast<int>((s / 60) % 60), static_cast<int>(s % 60));
  return text;
}

namespace {

bool StillMine(const RecordingControl& control, std::uint32_t session) {
  return control.ClockRunning.load() != 0 && control.ClockThread.load() == session;
}

// Sleeps one pace; answers false as soon as the clock is told to end.
bool SleepOnePace(const RecordingControl& control, Clock& clock, std::uint32_t session) {
  for (std::uint32_t slept = 0; slept < kClockPaceMs; slept += kClockSliceMs) {
    clock.Sleep(kClockSliceMs);
    if (!StillMine(control, session)) return false;
  }
  return true;
}

}  // namespace

void ClockThreadProc(const RecordingControl& control, Clock& clock, std::uint32_t session,
                     const std::function<void(const std::string&)>& showTime) {
  if (!StillMine(control, session)) return;
  do {
    if (control.ClockPaused.load() == 0) {
      // Unsigned arithmetic keeps the difference right across a wrap of the
      // tick counter.
      const std::uint32_t elapsed = clock.TickCount() - control.StartTick.load();
      showTime(FormatElapsedTime(elapsed));
    }
  } while (SleepOnePace(control, clock, session));
}

}  // namespace mavrion
