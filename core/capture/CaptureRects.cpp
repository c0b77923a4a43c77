#include "core/capture/CaptureRects.h"

#include <algorithm>

namespace mavrion {

namespace {

ScreenRect DesktopRect(WindowInspector& windows) {
  ScreenRect desktop;
  windows.GetWindowRect(windows.DesktopWindow(), desktop);
  return desktop;
}

}  // namespace

CaptureRect DesktopWithoutTaskbar(WindowInspector& windows) {
  ScreenRect taskbar;
  if (WindowHandle tray = windows.FindTaskbar()) windows.GetWindowRect(tray, taskbar);
  const ScreenRect desktop = DesktopRect(windows);
  CaptureRect rect;
  rect.Left = desktop.left;
  rect.Top = desktop.top;
  rect.Right = desktop.right;
  rect.Bottom = desktop.bottom - (taskbar.bottom - taskbar.top);
  return rect;
}

CaptureRect ClipToDesktop(WindowInspector& windows, WindowHandle window) {
  ScreenRect own;
  windows.GetWindowRect(window, own);
  const ScreenRect desktop = DesktopRect(windows);
  CaptureRect rect;
  rect.Left = std::max(own.left, desktop.left);
  rect.Right = std::min(own.right, desktop.right);
  rect.Top = std::max(own.top, desktop.top);
  rect.Bottom = std::min(own.bottom, desktop.bottom);
  return rect;
}

std::optional<CaptureRect> ComputeApplicationsRect(WindowInspector& windows, WindowHandle selectedWindow) {
  if (selectedWindow == 0) return DesktopWithoutTaskbar(windows);
  ScreenRect probe;
  if (!windows.IsWindow(selectedWindow) || !windows.GetWindowRect(selectedWindow, probe)) return std::nullopt;
  return ClipToDesktop(windows, selectedWindow);
}

}  // namespace mavrion
