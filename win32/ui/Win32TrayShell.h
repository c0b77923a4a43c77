#pragma once
// The tray base's shell port: Shell_NotifyIconA, the icon and menu
// resources, the popup menu at the icon.
#include <windows.h>

#include "core/ui/TrayShell.h"
#include "win32/framework/Win32DialogView.h"
#include "win32/framework/Window.h"

namespace mavrion {

class Win32TrayShell : public TrayShell {
 public:
  // The window's handle is read at every call, so the shell can be made
  // before the window exists.
  explicit Win32TrayShell(const framework::Window& window) : window_(window) {}
  ~Win32TrayShell() override;
  Win32TrayShell(const Win32TrayShell&) = delete;
  Win32TrayShell& operator=(const Win32TrayShell&) = delete;

  bool NotifyIcon(NotifyAction action, const NotifyIconRecord& record) override;
  IconHandle LoadIconResource(int iconResourceId) override;
  bool LoadTrayMenu(int menuResourceId) override;
  bool HasTrayMenu() const override { return menu_ != nullptr; }
  MenuView& TrayMenu() override { return popup_; }
  void TrackTrayMenu(int x, int y) override;
  void SetTrayMenuDefaultItem(int position) override;
  void CursorPosition(int& x, int& y) override;
  void ShowWindow(bool visible) override;

 private:
  const framework::Window& window_;
  HMENU menu_ = nullptr;  // owned: the tray's own copy of the menu
  framework::Win32MenuView popup_;
};

}  // namespace mavrion
