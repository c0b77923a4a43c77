#pragma once
// The program's own window messages, each with the reason it exists.
#include <windows.h>

namespace mavrion::framework {

// The keyboard-hook library hodll.dll posts this to the window given to its
// installhook, one per press of F6 (wParam 1), F7 (2), F8 (3) or F9 (4);
// lParam is 0. The library and its users share this one definition.
inline constexpr UINT WM_RECORDER_HOTKEY = WM_USER + 0x431;  // 0x831

// The shell reports mouse activity on the notification-area icon with this
// message (wParam the icon id, lParam the mouse message); the tray shell
// names it in the icon record it hands to the shell.
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1;  // 0x401

// Work handed to a dialog's thread from another thread (UiDispatcher). The
// lParam owns a heap-allocated task; the dialog procedure runs and frees it,
// and tasks still queued when the window goes are freed unrun.
inline constexpr UINT WM_UI_TASK = WM_APP + 0x10;

static_assert(WM_RECORDER_HOTKEY == 0x831, "programs built against the hook library rely on it");

}  // namespace mavrion::framework
