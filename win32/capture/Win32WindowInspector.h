#pragma once
// The desktop's windows as the capture subsystem sees them, through the
// plain window functions.
#include <windows.h>

#include "core/capture/WindowInspector.h"

namespace mavrion {

inline HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle FromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }

class Win32WindowInspector : public WindowInspector {
 public:
  WindowHandle FindTaskbar() override;
  WindowHandle DesktopWindow() override;
  bool GetWindowRect(WindowHandle window, ScreenRect& rect) override;
  bool IsWindow(WindowHandle window) override;
  std::vector<WindowHandle> TopLevelWindows() override;
  std::string WindowTitle(WindowHandle window, std::size_t maxChars) override;
  bool IsWindowVisible(WindowHandle window) override;
  std::uint32_t ProcessId(WindowHandle window) override;
  WindowHandle WindowFromPoint(ScreenPoint point) override;
  WindowHandle Parent(WindowHandle window) override;
};

}  // namespace mavrion
