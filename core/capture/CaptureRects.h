#pragma once
// The rules that turn a capture choice into a screen rectangle.
#include <optional>

#include "core/capture/CaptureRequest.h"
#include "core/capture/WindowInspector.h"

namespace mavrion {

// The desktop with the taskbar's height taken off its bottom edge, wherever
// the taskbar is docked. Without a taskbar window nothing is taken off: the
// whole desktop.
CaptureRect DesktopWithoutTaskbar(WindowInspector& windows);

// The window's rectangle with each edge clipped to the desktop by itself. A
// window wholly outside the desktop gives Right < Left or Bottom < Top,
// which is passed on as it is.
CaptureRect ClipToDesktop(WindowInspector& windows, WindowHandle window);

// The rectangle of a recording of selected applications, taken when the
// session is built: the one selected window clipped to the desktop, or, for
// several applications (selectedWindow 0), the desktop without the taskbar.
// Empty when the one selected window has closed since it was chosen: there
// is then nothing sensible to record, and the session must not start.
std::optional<CaptureRect> ComputeApplicationsRect(WindowInspector& windows, WindowHandle selectedWindow);

// What Start's capture check shows when ComputeApplicationsRect gives
// nothing, and the session build should the window close in between.
inline constexpr const char* kSelectedWindowClosedMessage =
    "The window selected for recording is no longer open. Please select the window which you want to record.";

}  // namespace mavrion
