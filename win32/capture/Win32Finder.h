#pragma once
// The finder tool on Win32: its surface over GDI, the cursor and the mouse
// capture, and the three calls a host dialog makes.
//
// In a host dialog (the main dialog and the window picker):
//   OnInitDialog:  PrepareFinderTool();
//   OnCommand:     if (RouteFinderCommand(Handle(), id, code)) return true;
//   OnMessage:     RouteFinderMouse(Handle(), message);  // then let the default run
#include <windows.h>

#include "core/capture/Finder.h"

namespace mavrion {

class Win32FinderSurface : public FinderSurface {
 public:
  ResourceHandle ApplicationModule() override;
  ResourceHandle LoadCursorResource(ResourceHandle module, int id) override;
  ResourceHandle LoadBitmapResource(ResourceHandle module, int id) override;
  ResourceHandle CreateRedPen(int width) override;
  void ShowPicture(WindowHandle host, ResourceHandle bitmap) override;
  bool PictureScreenRect(WindowHandle host, ScreenRect& rect) override;
  void SetField(WindowHandle host, int id, std::int32_t value) override;
  void SetCursorPos(ScreenPoint point) override;
  ResourceHandle SetCursor(ResourceHandle cursor) override;
  ScreenPoint CursorPos() override;
  void SetCapture(WindowHandle host) override;
  void ReleaseCapture() override;
  bool DragButtonDown() override;
  // A timer of the host with its own procedure, so a host needs no WM_TIMER
  // handling of its own. One host at a time is followed.
  void StartFollowing(WindowHandle host) override;
  void StopFollowing(WindowHandle host) override;
  void DrawOutline(WindowHandle window, ResourceHandle pen, std::int32_t width, std::int32_t height) override;
  void Repaint(WindowHandle window) override;

 private:
  HWND followed_ = nullptr;
};

// The program-wide finder state over the real platform.
FinderPorts ProgramFinderPorts();

// FinderPrepare for a host's initialisation.
void PrepareFinderTool();

// From a host's WM_COMMAND: a press on picture IDC_FINDER_TOOL begins a
// drag. Answers true when the command was the picture's.
bool RouteFinderCommand(HWND host, int id, int code);
// A press on the host's picture, already told apart from other commands.
void RouteFinderClick(HWND host);

// From a host's WM_MOUSEMOVE, WM_LBUTTONUP and WM_CAPTURECHANGED (other
// messages are ignored). The host lets the default processing run after it.
void RouteFinderMouse(HWND host, UINT message);

}  // namespace mavrion
