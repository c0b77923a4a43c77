#pragma once
// The keyboard-hook library's two entry points, as the library defines them
// and as its users call them through GetProcAddress.
//
// Both use the C calling convention (__cdecl): a caller that forgets to name
// a convention in its pointer type still matches. The names are exported
// undecorated through hodll.def.
#include <windows.h>

// The message the library posts to the window given to installhook, one per
// press of F6 (wParam 1), F7 (2), F8 (3) or F9 (4); lParam is 0.
#define HODLL_HOTKEY_MESSAGE (WM_USER + 0x431)

extern "C" {
// Starts catching F6 to F9 on the whole desktop for window; called again, it
// only changes the window. Answers nonzero when the hook is in place.
typedef int(__cdecl* HodllInstallHookProc)(HWND window);
// Stops catching the keys; harmless when nothing is installed.
typedef void(__cdecl* HodllUnHookProc)(void);
}
