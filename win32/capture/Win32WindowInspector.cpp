#include "win32/capture/Win32WindowInspector.h"

namespace mavrion {

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(FromHwnd(window));
  return TRUE;  // all of them
}

}  // namespace

WindowHandle Win32WindowInspector::FindTaskbar() { return FromHwnd(FindWindowA("Shell_TrayWnd", nullptr)); }

WindowHandle Win32WindowInspector::DesktopWindow() { return FromHwnd(GetDesktopWindow()); }

bool Win32WindowInspector::GetWindowRect(WindowHandle window, ScreenRect& rect) {
  RECT r;
  if (!::GetWindowRect(ToHwnd(window), &r)) return false;
  rect = ScreenRect{r.left, r.top, r.right, r.bottom};
  return true;
}

bool Win32WindowInspector::IsWindow(WindowHandle window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

std::vector<WindowHandle> Win32WindowInspector::TopLevelWindows() {
  std::vector<WindowHandle> windows;
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::string Win32WindowInspector::WindowTitle(WindowHandle window, std::size_t maxChars) {
  if (maxChars == 0) return {};
  std::string buffer(maxChars, '\0');
  const int copied = GetWindowTextA(ToHwnd(window), buffer.data(), static_cast<int>(maxChars));
  buffer.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return buffer;
}

bool Win32WindowInspector::IsWindowVisible(WindowHandle window) { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }

std::uint32_t Win32WindowInspector::ProcessId(WindowHandle window) {
  DWORD process = 0;
  GetWindowThreadProcessId(ToHwnd(window), &process);
  return process;
}

WindowHandle Win32WindowInspector::WindowFromPoint(ScreenPoint point) {
  return FromHwnd(::WindowFromPoint(POINT{point.x, point.y}));
}

WindowHandle Win32WindowInspector::Parent(WindowHandle window) { return FromHwnd(GetParent(ToHwnd(window))); }

}  // namespace mavrion
