#include "core/encoder/RunStateWatch.h"

#include <utility>

namespace mavrion::encoder {

void RunStateWatch::Advise(std::function<void()> notice) { notice_ = std::move(notice); }

void RunStateWatch::Started() {
  if (phase_ == Phase::BeforeStart) phase_ = Phase::Recording;
}

void RunStateWatch::StopAsked() {
  if (phase_ != Phase::StoppedByItself) phase_ = Phase::StoppedByProgram;
}

bool RunStateWatch::Watching() const { return phase_ == Phase::Recording && notice_; }

void RunStateWatch::Seen(std::int32_t state) {
  if (!Watching() || state != static_cast<std::int32_t>(RunState::Stopped)) return;
  phase_ = Phase::StoppedByItself;
  notice_();
}

HResult RunStateWatch::StopResult(HResult componentAnswer) const {
  return phase_ == Phase::StoppedByItself ? kS_OK : componentAnswer;
}

}  // namespace mavrion::encoder
