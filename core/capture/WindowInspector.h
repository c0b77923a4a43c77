#pragma once
// What the capture subsystem asks about the windows on the desktop. The
// Win32 adapter answers with FindWindowA, GetWindowRect, EnumWindows and
// their kin; tests answer with a made-up desktop.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/Types.h"

namespace mavrion {

struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

class WindowInspector {
 public:
  virtual ~WindowInspector() = default;

  // The taskbar's top-level window (class "Shell_TrayWnd"), 0 when none.
  virtual WindowHandle FindTaskbar() = 0;
  // The desktop window, whose rectangle is the primary desktop's.
  virtual WindowHandle DesktopWindow() = 0;
  // The window's screen rectangle, frame included. false when the platform
  // cannot give one (no such window); rect is then left as it was.
  virtual bool GetWindowRect(WindowHandle window, ScreenRect& rect) = 0;
  virtual bool IsWindow(WindowHandle window) = 0;

  // All top-level windows, in the platform's order.
  virtual std::vector<WindowHandle> TopLevelWindows() = 0;
  // At most maxChars - 1 characters, as GetWindowTextA with a buffer of
  // maxChars bytes reads.
  virtual std::string WindowTitle(WindowHandle window, std::size_t maxChars) = 0;
  virtual bool IsWindowVisible(WindowHandle window) = 0;
  virtual std::uint32_t ProcessId(WindowHandle window) = 0;

  // The window under a screen point, as the platform determines it; 0 when none.
  virtual WindowHandle WindowFromPoint(ScreenPoint point) = 0;
  virtual WindowHandle Parent(WindowHandle window) = 0;  // 0 when none
};

}  // namespace mavrion
