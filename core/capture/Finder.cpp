#include "core/capture/Finder.h"

#include "core/capture/CaptureType.h"

namespace mavrion {

namespace {

enum class CaptureRelease { Release, AlreadyLost };

void EndDrag(const FinderPorts& ports, WindowHandle host, CaptureRelease release) {
  FinderState& state = ports.state;
  if (state.SavedCursor != 0) ports.surface.SetCursor(state.SavedCursor);
  if (state.HighlightedWindow != 0) {
    FinderErase(ports, state.HighlightedWindow);
    state.HighlightedWindow = 0;
  }
  ports.surface.ShowPicture(host, state.PictureAtRest);
  // At rest before the capture goes: releasing it tells the host that it
  // lost the capture, which must find no drag left to end.
  state.Dragging = 0;
  ports.surface.StopFollowing(host);
  if (release == CaptureRelease::Release) ports.surface.ReleaseCapture();
}

}  // namespace

FinderState& ProgramFinderState() {
  static FinderState state;
  return state;
}

void FinderPrepare(const FinderPorts& ports) {
  FinderState& state = ports.state;
  FinderSurface& surface = ports.surface;
  state.ResourceModule = surface.ApplicationModule();
  if (state.DragCursor == 0) state.DragCursor = surface.LoadCursorResource(state.ResourceModule, finder::kDragCursor);
  if (state.HighlightPen == 0) state.HighlightPen = surface.CreateRedPen(finder::kPenWidth);
  if (state.PictureAtRest == 0)
    state.PictureAtRest = surface.LoadBitmapResource(state.ResourceModule, finder::kPictureAtRestBitmap);
  if (state.PictureWhileDragging == 0)
    state.PictureWhileDragging = surface.LoadBitmapResource(state.ResourceModule, finder::kPictureWhileDraggingBitmap);
}

void FinderHandleEvent(const FinderPorts& ports, WindowHandle host, FinderEvent event) {
  switch (event) {
    case FinderEvent::PictureClicked:
      FinderBeginDrag(ports, host);
      break;
    case FinderEvent::MouseMoved:
      if (ports.state.Dragging == 1) FinderTrack(ports, host);
      break;
    case FinderEvent::ButtonReleased:
      if (ports.state.Dragging == 1) FinderEndDrag(ports, host);
      break;
    case FinderEvent::CaptureLost:
      if (ports.state.Dragging == 1 && !ports.surface.DragButtonDown())
        EndDrag(ports, host, CaptureRelease::AlreadyLost);
      break;
  }
}

void FinderFollow(const FinderPorts& ports, WindowHandle host) {
  if (ports.state.Dragging != 1) {
    ports.surface.StopFollowing(host);
  } else if (!ports.surface.DragButtonDown()) {
    FinderEndDrag(ports, host);
  } else {
    FinderTrack(ports, host);
  }
}

void FinderBeginDrag(const FinderPorts& ports, WindowHandle host) {
  FinderState& state = ports.state;
  FinderSurface& surface = ports.surface;
  // A press while a drag is under way (one whose host went away, say)
  // starts afresh but keeps the cursor of before that drag: saving the drag
  // cursor would keep it for good.
  const bool underWay = state.Dragging == 1;
  state.Dragging = 1;
  surface.ShowPicture(host, state.PictureWhileDragging);
  ScreenRect picture;
  if (surface.PictureScreenRect(host, picture))
    surface.SetCursorPos(ScreenPoint{picture.left + finder::kTargetX, picture.top + finder::kTargetY});
  const ResourceHandle previous = state.DragCursor != 0 ? surface.SetCursor(state.DragCursor) : 0;
  if (!underWay) state.SavedCursor = previous;
  surface.SetCapture(host);
  surface.StartFollowing(host);
}

void FinderTrack(const FinderPorts& ports, WindowHandle host) {
  FinderState& state = ports.state;
  WindowInspector& windows = ports.windows;
  const WindowHandle candidate = windows.WindowFromPoint(ports.surface.CursorPos());
  // The host and its own controls are never picked; staying over the same
  // window neither redraws nor rewrites anything.
  if (candidate == 0 || !windows.IsWindow(candidate) || candidate == state.HighlightedWindow || candidate == host ||
      windows.Parent(candidate) == host)
    return;

  ScreenRect rect;
  windows.GetWindowRect(candidate, rect);
  ports.surface.SetField(host, capture::kLeftField, rect.left);
  ports.surface.SetField(host, capture::kTopField, rect.top);
  ports.surface.SetField(host, capture::kRightField, rect.right);
  ports.surface.SetField(host, capture::kBottomField, rect.bottom);

  if (state.HighlightedWindow != 0) FinderErase(ports, state.HighlightedWindow);
  state.HighlightedWindow = candidate;
  FinderHighlight(ports, candidate);
}

void FinderEndDrag(const FinderPorts& ports, WindowHandle host) { EndDrag(ports, host, CaptureRelease::Release); }

void FinderHighlight(const FinderPorts& ports, WindowHandle window) {
  ScreenRect rect;
  ports.windows.GetWindowRect(window, rect);
  ports.surface.DrawOutline(window, ports.state.HighlightPen, rect.right - rect.left, rect.bottom - rect.top);
}

void FinderErase(const FinderPorts& ports, WindowHandle window) {
  const WindowHandle parent = ports.windows.Parent(window);
  ports.surface.Repaint(parent != 0 ? parent : window);
}

}  // namespace mavrion
