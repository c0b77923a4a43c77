#pragma once
// The finder tool: press on its picture, drag over any window, and that
// window is outlined in red while its rectangle fills the coordinate
// fields. One state serves both hosts (the main dialog and the picker);
// each host routes its picture click, mouse moves, button release and loss
// of the mouse capture here.
//
// The mouse capture alone does not follow a drag everywhere: where the
// platform delivers no mouse messages over another program's windows (Wine
// does so), the drag would neither see those windows nor its release. So a
// drag is also followed on a timer (FinderFollow), which sees the cursor and
// the button wherever they are.
#include <cstdint>

#include "core/capture/WindowInspector.h"
#include "core/platform/Types.h"
#include "resources/resource.h"

namespace mavrion {

// A GDI or module handle's value (HBITMAP, HCURSOR, HPEN, HINSTANCE); 0 is none.
using ResourceHandle = std::uintptr_t;

namespace finder {

inline constexpr int kPictureAtRestBitmap = IDB_FINDER_FULL;
inline constexpr int kPictureWhileDraggingBitmap = IDB_FINDER_EMPTY;
inline constexpr int kDragCursor = IDC_FINDER_CURSOR;

// Where the target's centre is drawn in the picture at rest.
inline constexpr std::int32_t kTargetX = 15;
inline constexpr std::int32_t kTargetY = 18;

inline constexpr int kPenWidth = 5;

// How often a drag looks at the cursor and the button, in milliseconds.
inline constexpr unsigned kFollowIntervalMs = 30;

}  // namespace finder

// What a host reports to the tool.
enum class FinderEvent {
  PictureClicked,  // a press on the host's finder picture
  MouseMoved,
  ButtonReleased,  // the primary button went up
  CaptureLost,     // another window took the mouse
};

struct FinderState {
  ResourceHandle PictureWhileDragging = 0;
  ResourceHandle PictureAtRest = 0;
  WindowHandle HighlightedWindow = 0;
  ResourceHandle SavedCursor = 0;
  std::int32_t Dragging = 0;
  ResourceHandle DragCursor = 0;
  ResourceHandle ResourceModule = 0;
  ResourceHandle HighlightPen = 0;
};

// The record both hosts share.
FinderState& ProgramFinderState();

// What the tool does to its host, the mouse and other windows' surfaces.
class FinderSurface {
 public:
  virtual ~FinderSurface() = default;

  virtual ResourceHandle ApplicationModule() = 0;
  virtual ResourceHandle LoadCursorResource(ResourceHandle module, int id) = 0;  // 0 on failure
  virtual ResourceHandle LoadBitmapResource(ResourceHandle module, int id) = 0;  // 0 on failure
  // A solid pen of the given width in pure red.
  virtual ResourceHandle CreateRedPen(int width) = 0;

  // The host's picture control IDC_FINDER_TOOL.
  virtual void ShowPicture(WindowHandle host, ResourceHandle bitmap) = 0;
  // false when the host has no control IDC_FINDER_TOOL.
  virtual bool PictureScreenRect(WindowHandle host, ScreenRect& rect) = 0;
  // A signed integer into one of the host's coordinate fields.
  virtual void SetField(WindowHandle host, int id, std::int32_t value) = 0;

  virtual void SetCursorPos(ScreenPoint point) = 0;
  virtual ResourceHandle SetCursor(ResourceHandle cursor) = 0;  // answers the previous cursor
  virtual ScreenPoint CursorPos() = 0;
  virtual void SetCapture(WindowHandle host) = 0;
  virtual void ReleaseCapture() = 0;
  // Whether the button that drags (the primary one) is held down now,
  // wherever the cursor is.
  virtual bool DragButtonDown() = 0;
  // Has FinderFollow run for the host every kFollowIntervalMs until
  // StopFollowing.
  virtual void StartFollowing(WindowHandle host) = 0;
  virtual void StopFollowing(WindowHandle host) = 0;

  // Outlines (0, 0)-(width, height) of the window's whole area, frame
  // included, with the pen and no fill; nothing when the window gives no
  // drawing context.
  virtual void DrawOutline(WindowHandle window, ResourceHandle pen, std::int32_t width, std::int32_t height) = 0;
  // Has the window, with its children and frame, repaint itself now.
  virtual void Repaint(WindowHandle window) = 0;
};

struct FinderPorts {
  FinderState& state;
  FinderSurface& surface;
  WindowInspector& windows;
};

// Loads the cursor, pen and pictures. Runs at every host's initialisation;
// what is already loaded is kept, so repeated openings of the picker do not
// pile up handles.
void FinderPrepare(const FinderPorts& ports);

// Routes one host event. A loss of the mouse capture
// during a drag ends the drag only when the button is already up (then as a
// release does, without taking the capture back from the window that now
// holds it); with the button held the timer goes on following the drag.
void FinderHandleEvent(const FinderPorts& ports, WindowHandle host, FinderEvent event);

// One tick of the drag's timer: the release, wherever it happened, ends the
// drag; otherwise the cursor is tracked as on a mouse move. A tick after the
// drag has ended stops the timer.
void FinderFollow(const FinderPorts& ports, WindowHandle host);

// A press while a drag is under way begins the drag again on this host and
// keeps the cursor saved by the first press.
void FinderBeginDrag(const FinderPorts& ports, WindowHandle host);
void FinderTrack(const FinderPorts& ports, WindowHandle host);
void FinderEndDrag(const FinderPorts& ports, WindowHandle host);
void FinderHighlight(const FinderPorts& ports, WindowHandle window);
void FinderErase(const FinderPorts& ports, WindowHandle window);

}  // namespace mavrion
