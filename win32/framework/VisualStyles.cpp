#include "win32/framework/VisualStyles.h"

namespace mavrion::framework {

void UseClassicLook(HWND control) {
  using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  // The library stays loaded: themed controls keep using it.
  HMODULE theme = LoadLibraryA("uxtheme.dll");
  if (theme == nullptr) return;
  const auto setWindowTheme =
      reinterpret_cast<SetWindowThemeFunction>(reinterpret_cast<void*>(GetProcAddress(theme, "SetWindowTheme")));
  // A class list naming no class matches no theme section.
  if (setWindowTheme != nullptr) setWindowTheme(control, L" ", L" ");
}

}  // namespace mavrion::framework
