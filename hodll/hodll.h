#pragma once
// The keyboard-hook library's two entry points, as the library defines them
// and as its users call them through GetProcAddress.
//
// Both use the C calling convention (__cdecl): a caller that forgets to name
// a convention in its pointer type still matches. The names are exported
// undecorated through hodll.def.
//
// The library reports each press with WM_RECORDER_HOTKEY
// (win32/framework/PrivateMessages.h).
#include <windows.h>

#include "win32/framework/PrivateMessages.h"

extern "C" {
// Starts catching F6 to F9 on the whole desktop for window; called again, it
// only changes the window. Answers nonzero when the hook is in place.
typedef int(__cdecl* HodllInstallHookProc)(HWND window);
// Stops catching the keys; harmless when nothing is installed.
typedef void(__cdecl* HodllUnHookProc)(void);
}
