#pragma once
// Opting single controls out of visual styles.
#include <windows.h>

namespace mavrion::framework {

// Themed group boxes draw their caption in the theme's colour and ignore
// the colour their dialog chooses; without a theme they take it. Nothing
// happens where the theme library is missing.
void UseClassicLook(HWND control);

}  // namespace mavrion::framework
