#pragma once
// The recorded area's outline, blinking while the recording runs: topmost,
// click-through layered tool windows standing just outside the area, so
// captures of the area never see them. Where the area reaches the screen's
// edge the bar stands just inside it, but only if the system keeps that
// window out of captures (WDA_EXCLUDEFROMCAPTURE, Windows 10 2004 and
// later); otherwise that edge has no bar.
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::win32 {

class Win32AreaOutline : public encoder::builtin::AreaOutline {
 public:
  // The windows live on a thread of their own, which ends by itself after
  // the outline is let go: the dialog's thread never waits for windows to
  // be destroyed.
  std::unique_ptr<encoder::builtin::FlashingOutline> Show(const ScreenRect& area) override;
};

}  // namespace mavrion::win32
