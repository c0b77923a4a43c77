#include "core/recording/ForegroundFollower.h"

#include <algorithm>

namespace mavrion {

ForegroundFollower::ForegroundFollower(ForegroundWatch& watch,
                                       const SelectedApplications& selection)
    : watch_(watch), selection_(selection) {}

int ForegroundFollower::Count() const {
  // The picker never holds more than ten, but a bad count must not read past
  // the slots.
  return std::clamp(selection_.Count, 0, MaxSelectedApplications);
}

void ForegroundFollower::TakeProcessIds() {
  for (int i = 0; i < Count(); ++i) {
    selection_.ProcessIds[i] = watch_.ProcessOfWindow(selection_.WindowHandles[i]);
  }
  active_ = true;
}

bool ForegroundFollower::Belongs(WindowHandle window, std::uint32_t processId) const {
  for (int i = 0; i < Count(); ++i) {
    if (window == selection_.WindowHandles[i]) return true;
    // 0 is no process: a window that has gone answers it, and it must not
    // match another chosen window that has gone as well.
    if (processId != 0 && processId == selection_.ProcessIds[i]) return true;
  }
  return false;
}

FollowerRequest ForegroundFollower::Decide() {
  const WindowHandle foreground = watch_.ForegroundWindow();
  if (foreground == 0) return FollowerRequest::None;
  const bool belongs = Belongs(foreground, watch_.ProcessOfWindow(foreground));
  if (belongs && !active_) {
    active_ = true;
    return FollowerRequest::Resume;
  }
  if (!belongs && active_) {
    active_ = false;
    return FollowerRequest::Pause;
  }
  return FollowerRequest::None;
}

void FollowForegroundThreadProc(ForegroundFollower& follower, const RecordingControl& control,
                                Clock& clock, std::uint32_t session,
                                const std::function<void(FollowerRequest)>& issue) {
  follower.TakeProcessIds();
  for (;;) {
    const FollowerRequest request = follower.Decide();
    if (request != FollowerRequest::None) issue(request);
    if (control.FollowForeground.load() == 0 || control.Session.load() != session) return;
    clock.Sleep(kFollowerPaceMs);
  }
}

}  // namespace mavrion
