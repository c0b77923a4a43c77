#include "core/ui/CTrayDialog.h"

#include <algorithm>

namespace mavrion {

CTrayDialog::CTrayDialog(TrayShell& shell) : shell_(shell) {}

bool CTrayDialog::AddTrayIcon() {
  if (TrayIconShown) return false;
  const bool added = shell_.NotifyIcon(NotifyAction::Add, TrayIconData);
  if (added) TrayIconShown = true;
  return added;
}

bool CTrayDialog::RemoveTrayIcon() {
  if (!TrayIconShown) return false;
  const bool removed = shell_.NotifyIcon(NotifyAction::Delete, TrayIconData);
  if (removed) TrayIconShown = false;
  return removed;
}

void CTrayDialog::UpdateTrayIcon() {
  if (TrayIconShown) shell_.NotifyIcon(NotifyAction::Modify, TrayIconData);
}

void CTrayDialog::SetTrayIconImage(int iconResourceId) {
  const IconHandle icon = shell_.LoadIconResource(iconResourceId);
  if (icon == 0) return;
  TrayIconData.hIcon = icon;
  TrayIconData.uFlags |= kNifIcon;
}

void CTrayDialog::SetTrayTipText(const std::string& text) {
  const std::size_t kept = std::min(text.size(), kTrayTipBytes - 1);
  TrayIconData.szTip.fill('\0');
  std::copy_n(text.begin(), kept, TrayIconData.szTip.begin());
  TrayIconData.uFlags |= kNifTip;
}

void CTrayDialog::AttachTrayMenu(int menuResourceId, int /*defaultPosition*/) {
  shell_.LoadTrayMenu(menuResourceId);
}

void CTrayDialog::OnTrayLeftDown(int, int) {}

void CTrayDialog::OnTrayLeftDoubleClick(int, int) { RestoreFromTray(); }

void CTrayDialog::OnTrayRightDown(int x, int y) {
  if (!shell_.HasTrayMenu()) return;
  shell_.TrackTrayMenu(x, y);
  // Set after the menu has closed, so the first opening shows no default.
  shell_.SetTrayMenuDefaultItem(TrayMenuDefaultPosition);
}

void CTrayDialog::OnTrayRightDoubleClick(int, int) {}

void CTrayDialog::OnTrayMouseMove(int, int) {}

void CTrayDialog::RestoreFromTray() {
  if (HideToTrayOnMinimise && RemoveTrayIcon()) shell_.ShowWindow(true);
}

void CTrayDialog::OnCreate(WindowHandle window) {
  TrayIconData.hWnd = window;
  TrayIconData.uID = kTrayIconId;
}

void CTrayDialog::OnDestroy() {
  if (TrayIconData.hWnd != 0 && TrayIconData.uID > 0 && TrayIconShown) {
    shell_.NotifyIcon(NotifyAction::Delete, TrayIconData);
  }
}

bool CTrayDialog::OnMinimiseCommand() {
  if (!HideToTrayOnMinimise) return false;
  if (AddTrayIcon()) shell_.ShowWindow(false);
  return true;
}

long CTrayDialog::OnTrayNotification(std::uintptr_t iconId, TrayMouseEvent event) {
  if (iconId != TrayIconData.uID) return -1;
  int x = 0;
  int y = 0;
  shell_.CursorPosition(x, y);
  switch (event) {
    case TrayMouseEvent::RightDown:
      OnTrayRightDown(x, y);
      break;
    case TrayMouseEvent::LeftDown:
      OnTrayLeftDown(x, y);
      break;
    case TrayMouseEvent::LeftDoubleClick:
      OnTrayLeftDoubleClick(x, y);
      break;
    case TrayMouseEvent::RightDoubleClick:
      OnTrayRightDoubleClick(x, y);
      break;
    case TrayMouseEvent::Move:
      OnTrayMouseMove(x, y);
      break;
    case TrayMouseEvent::Other:
      break;
  }
  return 0;
}

}  // namespace mavrion
