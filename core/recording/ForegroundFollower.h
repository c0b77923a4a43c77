#pragma once
// The foreground follower of a recording of chosen applications: it pauses
// the recording while none of them is in front and resumes it when one comes
// back. It only decides; the requests run on the dialog's thread.
#include <cstdint>
#include <functional>

#include "core/capture/SelectedApplications.h"
#include "core/platform/Clock.h"
#include "core/recording/RecordingControl.h"
#include "core/platform/Types.h"

namespace mavrion {

inline constexpr std::uint32_t kFollowerPaceMs = 10;

enum class FollowerRequest { None, Pause, Resume };

// The foreground window and window owners, as the follower watches them.
class ForegroundWatch {
 public:
  virtual ~ForegroundWatch() = default;
  virtual WindowHandle ForegroundWindow() = 0;  // 0 when none
  virtual std::uint32_t ProcessOfWindow(WindowHandle window) = 0;
};

class ForegroundFollower {
 public:
  // Works on its own copy of the selection, which does not change while a
  // recording runs.
  ForegroundFollower(ForegroundWatch& watch, const SelectedApplications& selection);

  // Takes the process of every chosen window and marks the recording as
  // running, as Start leaves it.
  void TakeProcessIds();
  // One look at the foreground window.
  FollowerRequest Decide();

  bool Active() const { return active_; }
  const SelectedApplications& Selection() const { return selection_; }

 private:
  int Count() const;
  bool Belongs(WindowHandle window, std::uint32_t processId) const;

  ForegroundWatch& watch_;
  SelectedApplications selection_;
  bool active_ = true;
};

// Runs the follower of the given session until Stop clears FollowForeground
// or the session is over. issue receives each request; it must not wait for
// the dialog's thread.
void FollowForegroundThreadProc(ForegroundFollower& follower, const RecordingControl& control,
                                Clock& clock, std::uint32_t session,
                                const std::function<void(FollowerRequest)>& issue);

}  // namespace mavrion
