#include "win32/ui/Win32TrayShell.h"

#include <shellapi.h>

#include <algorithm>

#include "win32/framework/PrivateMessages.h"

namespace mavrion {

// The record handed to the shell is the complete ANSI form, balloon icon
// handle included; its size is what the tray record announces.
static_assert(sizeof(NOTIFYICONDATAA) == kTrayIconRecordSize, "NOTIFYICONDATAA is the 508-byte form");
static_assert(sizeof(NOTIFYICONDATAA::szTip) == kTrayTipBytes, "the tip holds 128 bytes");

Win32TrayShell::~Win32TrayShell() {
  if (menu_ != nullptr) DestroyMenu(menu_);
}

bool Win32TrayShell::NotifyIcon(NotifyAction action, const NotifyIconRecord& record) {
  NOTIFYICONDATAA data{};
  data.cbSize = record.cbSize;
  data.hWnd = reinterpret_cast<HWND>(record.hWnd);
  data.uID = record.uID;
  data.uFlags = record.uFlags;
  data.uCallbackMessage = framework::WM_TRAY_NOTIFY;
  data.hIcon = reinterpret_cast<HICON>(record.hIcon);
  std::copy(record.szTip.begin(), record.szTip.end(), data.szTip);
  return Shell_NotifyIconA(static_cast<DWORD>(action), &data) != FALSE;
}

IconHandle Win32TrayShell::LoadIconResource(int iconResourceId) {
  return reinterpret_cast<IconHandle>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconResourceId)));
}

bool Win32TrayShell::LoadTrayMenu(int menuResourceId) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuResourceId));
  if (menu == nullptr) return false;
  if (menu_ != nullptr) DestroyMenu(menu_);
  menu_ = menu;
  popup_.Reset(GetSubMenu(menu_, 0));
  return true;
}

void Win32TrayShell::TrackTrayMenu(int x, int y) {
  HMENU popup = popup_.Handle();
  if (popup == nullptr) return;
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, x, y, 0, window_.Handle(), nullptr);
}

void Win32TrayShell::SetTrayMenuDefaultItem(int position) {
  HMENU popup = popup_.Handle();
  if (popup != nullptr) SetMenuDefaultItem(popup, static_cast<UINT>(position), TRUE);
}

void Win32TrayShell::CursorPosition(int& x, int& y) {
  POINT point{};
  GetCursorPos(&point);
  x = point.x;
  y = point.y;
}

void Win32TrayShell::ShowWindow(bool visible) { ::ShowWindow(window_.Handle(), visible ? SW_SHOW : SW_HIDE); }

}  // namespace mavrion
