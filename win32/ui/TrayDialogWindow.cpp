#include "win32/ui/TrayDialogWindow.h"

#include "win32/framework/PrivateMessages.h"

namespace mavrion {

bool TrayDialogWindow::OnInitDialog() {
  Tray().OnCreate(reinterpret_cast<WindowHandle>(Handle()));
  return true;
}

namespace {

TrayMouseEvent TrayMouseEventOf(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_MOUSEMOVE: return TrayMouseEvent::Move;
    case WM_LBUTTONDOWN: return TrayMouseEvent::LeftDown;
    case WM_LBUTTONDBLCLK: return TrayMouseEvent::LeftDoubleClick;
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU: return TrayMouseEvent::RightDown;
    case WM_RBUTTONDBLCLK: return TrayMouseEvent::RightDoubleClick;
    default: return TrayMouseEvent::Other;
  }
}

}  // namespace

bool TrayDialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != SC_MINIMIZE) return false;
      result = 0;
      return Tray().OnMinimiseCommand();
    case framework::WM_TRAY_NOTIFY:
      result = Tray().OnTrayNotification(static_cast<std::uintptr_t>(wParam), TrayMouseEventOf(lParam));
      return true;
    case WM_DESTROY:
      Tray().OnDestroy();
      return false;
    default:
      return false;
  }
}

}  // namespace mavrion
