#pragma once
// The program's own window messages, each with the reason it exists.
#include <windows.h>

namespace mavrion::framework {

// The keyboard-hook library reports F6 to F9 to the main dialog with this
// message (wParam 1 to 4). Its number is fixed by the library.
inline constexpr UINT WM_RECORDER_HOTKEY = WM_USER + 0x431;  // 0x831

// The shell reports mouse activity on the notification-area icon with this
// message (wParam the icon id, lParam the mouse message).
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1;  // 0x401

// Work handed to a dialog's thread from another thread (UiDispatcher). The
// lParam owns a heap-allocated task; the dialog procedure runs and frees it,
// and tasks still queued when the window goes are freed unrun.
inline constexpr UINT WM_UI_TASK = WM_APP + 0x10;

static_assert(WM_RECORDER_HOTKEY == 0x831, "fixed by the hook library");
static_assert(WM_TRAY_NOTIFY == 0x401, "fixed by the tray icon record");

}  // namespace mavrion::framework
