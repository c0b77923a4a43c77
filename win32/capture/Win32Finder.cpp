#include "win32/capture/Win32Finder.h"

#include "core/capture/CaptureType.h"
#include "win32/capture/Win32WindowInspector.h"
#include "win32/framework/Gdi.h"

namespace mavrion {

namespace {

template <class Handle>
Handle As(ResourceHandle handle) {
  return reinterpret_cast<Handle>(handle);
}

template <class Handle>
ResourceHandle FromHandle(Handle handle) {
  return reinterpret_cast<ResourceHandle>(handle);
}

// The host's timer that follows a drag; hosts use no timer of this id.
constexpr UINT_PTR kFollowTimer = 0x4D46;

void CALLBACK FollowDrag(HWND host, UINT, UINT_PTR, DWORD) {
  try {
    FinderFollow(ProgramFinderPorts(), FromHwnd(host));
  } catch (...) {
    // Nothing may cross into the system's timer dispatch.
  }
}

}  // namespace

ResourceHandle Win32FinderSurface::ApplicationModule() { return FromHandle(GetModuleHandleA(nullptr)); }

ResourceHandle Win32FinderSurface::LoadCursorResource(ResourceHandle module, int id) {
  return FromHandle(LoadCursorA(As<HINSTANCE>(module), MAKEINTRESOURCEA(id)));
}

ResourceHandle Win32FinderSurface::LoadBitmapResource(ResourceHandle module, int id) {
  return FromHandle(LoadBitmapA(As<HINSTANCE>(module), MAKEINTRESOURCEA(id)));
}

ResourceHandle Win32FinderSurface::CreateRedPen(int width) {
  return FromHandle(CreatePen(PS_SOLID, width, RGB(255, 0, 0)));
}

void Win32FinderSurface::ShowPicture(WindowHandle host, ResourceHandle bitmap) {
  SendDlgItemMessageA(ToHwnd(host), capture::kFinderPicture, STM_SETIMAGE, IMAGE_BITMAP,
                      static_cast<LPARAM>(bitmap));
}

bool Win32FinderSurface::PictureScreenRect(WindowHandle host, ScreenRect& rect) {
  HWND picture = GetDlgItem(ToHwnd(host), capture::kFinderPicture);
  RECT r;
  if (picture == nullptr || !GetWindowRect(picture, &r)) return false;
  rect = ScreenRect{r.left, r.top, r.right, r.bottom};
  return true;
}

void Win32FinderSurface::SetField(WindowHandle host, int id, std::int32_t value) {
  SetDlgItemInt(ToHwnd(host), id, static_cast<UINT>(value), TRUE);
}

void Win32FinderSurface::SetCursorPos(ScreenPoint point) { ::SetCursorPos(point.x, point.y); }

ResourceHandle Win32FinderSurface::SetCursor(ResourceHandle cursor) {
  return FromHandle(::SetCursor(As<HCURSOR>(cursor)));
}

ScreenPoint Win32FinderSurface::CursorPos() {
  POINT point{};
  GetCursorPos(&point);
  return ScreenPoint{point.x, point.y};
}

void Win32FinderSurface::SetCapture(WindowHandle host) { ::SetCapture(ToHwnd(host)); }

void Win32FinderSurface::ReleaseCapture() { ::ReleaseCapture(); }

bool Win32FinderSurface::DragButtonDown() {
  // The asynchronous state is of the physical buttons: with swapped buttons
  // the primary one is the physical right button.
  const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  return (GetAsyncKeyState(button) & 0x8000) != 0;
}

void Win32FinderSurface::StartFollowing(WindowHandle host) {
  // A drag begun again from another host leaves no timer on the first.
  if (followed_ != nullptr && followed_ != ToHwnd(host)) KillTimer(followed_, kFollowTimer);
  followed_ = ToHwnd(host);
  SetTimer(followed_, kFollowTimer, finder::kFollowIntervalMs, FollowDrag);
}

void Win32FinderSurface::StopFollowing(WindowHandle host) {
  KillTimer(ToHwnd(host), kFollowTimer);
  if (followed_ == ToHwnd(host)) followed_ = nullptr;
}

void Win32FinderSurface::DrawOutline(WindowHandle window, ResourceHandle pen, std::int32_t width,
                                     std::int32_t height) {
  framework::WindowDc dc(ToHwnd(window), framework::WindowDc::Area::WholeWindow);
  if (dc.Dc() == nullptr) return;
  framework::SelectedObject selectedPen(dc.Dc(), As<HPEN>(pen));
  framework::SelectedObject selectedBrush(dc.Dc(), GetStockObject(NULL_BRUSH));
  Rectangle(dc.Dc(), 0, 0, width, height);
}

void Win32FinderSurface::Repaint(WindowHandle window) {
  HWND target = ToHwnd(window);
  InvalidateRect(target, nullptr, TRUE);
  UpdateWindow(target);
  RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
}

FinderPorts ProgramFinderPorts() {
  static Win32FinderSurface surface;
  static Win32WindowInspector windows;
  return FinderPorts{ProgramFinderState(), surface, windows};
}

void PrepareFinderTool() { FinderPrepare(ProgramFinderPorts()); }

bool RouteFinderCommand(HWND host, int id, int code) {
  if (id != capture::kFinderPicture) return false;
  // A quick second press on the picture arrives as a double click; it is a
  // press all the same.
  if (code == STN_CLICKED || code == STN_DBLCLK) RouteFinderClick(host);
  return true;
}

void RouteFinderClick(HWND host) {
  FinderHandleEvent(ProgramFinderPorts(), FromHwnd(host), FinderEvent::PictureClicked);
}

void RouteFinderMouse(HWND host, UINT message) {
  switch (message) {
    case WM_MOUSEMOVE: FinderHandleEvent(ProgramFinderPorts(), FromHwnd(host), FinderEvent::MouseMoved); break;
    case WM_LBUTTONUP: FinderHandleEvent(ProgramFinderPorts(), FromHwnd(host), FinderEvent::ButtonReleased); break;
    case WM_CAPTURECHANGED: FinderHandleEvent(ProgramFinderPorts(), FromHwnd(host), FinderEvent::CaptureLost); break;
    default: break;
  }
}

}  // namespace mavrion
