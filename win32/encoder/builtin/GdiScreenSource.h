#pragma once
// The primary screen captured with GDI: BitBlt from the screen into a
// 32-bit top-down DIB section, with the mouse pointer drawn in.
#include "core/encoder/builtin/model/RecorderPorts.h"

namespace mavrion::win32 {

class GdiScreenSource : public encoder::builtin::ScreenSource {
 public:
  // Physical pixels: the program is DPI-aware by its manifest.
  ScreenRect PrimaryScreen() override;
  std::unique_ptr<encoder::builtin::ScreenGrabber> Open(const ScreenRect& area) override;
};

}  // namespace mavrion::win32
