#pragma once
// The session fields the main dialog shares with the worker threads of a
// recording. The dialog's thread writes them; the workers poll them. They are
// atomics because the two sides read and write them without a lock.
#include <atomic>
#include <cstdint>

namespace mavrion {

enum class RecorderState : std::uint16_t { Idle = 0, Recording = 1, Paused = 2, Resumed = 3 };

// The global keys the hook library reports, whichever window has the focus.
enum class GlobalKey { F6, F7, F8, F9 };

struct RecordingControl {
  std::atomic<RecorderState> State{RecorderState::Idle};
  std::atomic<std::uint32_t> StartTick{0};      // tick count taken at Start
  std::atomic<std::int32_t> ClockRunning{0};    // the clock runs while 1
  std::atomic<std::int32_t> ClockPaused{0};     // the time display stands still while 1
  std::atomic<std::int32_t> FollowForeground{0};  // the follower runs while 1
  // Numbers the sessions: every Start and every end of a session moves it on,
  // so a worker or a request handed to the dialog's thread can tell whether
  // the session it belongs to is still the one running.
  std::atomic<std::uint32_t> Session{0};
  // The session whose Start began the current clock thread (0: none). A clock
  // left over from an earlier session sees it is no longer this one and ends.
  std::atomic<std::uint32_t> ClockThread{0};
};

}  // namespace mavrion
