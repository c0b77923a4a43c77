#include "win32/ui/TrayDialogWindow.h"

#include "win32/framework/PrivateMessages.h"

namespace mavrion {

bool TrayDialogWindow::OnInitDialog() {
  Tray().OnCreate(reinterpret_cast<WindowHandle>(Handle()));
  return true;
}

bool TrayDialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      result = 0;
      return Tray().OnSysCommand(static_cast<unsigned>(wParam));
    case framework::WM_TRAY_NOTIFY:
      result = Tray().OnTrayNotification(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
      return true;
    case WM_DESTROY:
      Tray().OnDestroy();
      return false;
    default:
      return false;
  }
}

}  // namespace mavrion
