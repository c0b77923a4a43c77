#include "win32/framework/Win32DialogView.h"

#include <vector>

namespace mavrion::framework {

void Win32MenuView::SetItemEnabled(int commandId, bool enabled) {
  if (menu_ == nullptr) return;
  EnableMenuItem(menu_, static_cast<UINT>(commandId), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool Win32MenuView::IsItemEnabled(int commandId) const {
  if (menu_ == nullptr) return false;
  const UINT state = GetMenuState(menu_, static_cast<UINT>(commandId), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

WindowHandle Win32DialogView::Handle() const { return reinterpret_cast<WindowHandle>(Window()); }

void Win32DialogView::EnableControl(int id, bool enabled) {
  EnableWindow(GetDlgItem(Window(), id), enabled ? TRUE : FALSE);
}

bool Win32DialogView::IsControlEnabled(int id) const { return IsWindowEnabled(GetDlgItem(Window(), id)) != FALSE; }

void Win32DialogView::SetControlText(int id, const std::string& text) {
  SetDlgItemTextA(Window(), id, text.c_str());
}

std::string Win32DialogView::GetControlText(int id, std::size_t maxChars) const {
  if (maxChars == 0) return {};
  std::vector<char> buffer(maxChars, '\0');
  const UINT copied = GetDlgItemTextA(Window(), id, buffer.data(), static_cast<int>(maxChars));
  return std::string(buffer.data(), copied);
}

void Win32DialogView::SetCheck(int id, bool checked) {
  CheckDlgButton(Window(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32DialogView::IsChecked(int id) const { return IsDlgButtonChecked(Window(), id) == BST_CHECKED; }

void Win32DialogView::ComboInsert(int id, int position, const std::string& text) {
  SendDlgItemMessageA(Window(), id, CB_INSERTSTRING, static_cast<WPARAM>(position),
                      reinterpret_cast<LPARAM>(text.c_str()));
}

int Win32DialogView::ComboCount(int id) const {
  return static_cast<int>(SendDlgItemMessageA(Window(), id, CB_GETCOUNT, 0, 0));
}

void Win32DialogView::ComboSetSelection(int id, int index) {
  // An index outside the list leaves it without a selection, as on Windows;
  // Wine would keep the previous selection.
  if (index < 0 || index >= ComboCount(id)) index = -1;
  SendDlgItemMessageA(Window(), id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogView::ComboSelection(int id) const {
  return static_cast<int>(SendDlgItemMessageA(Window(), id, CB_GETCURSEL, 0, 0));
}

std::string Win32DialogView::ComboSelectedText(int id) const {
  const int index = ComboSelection(id);
  if (index < 0) return {};
  const LRESULT length = SendDlgItemMessageA(Window(), id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied = SendDlgItemMessageA(Window(), id, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                             reinterpret_cast<LPARAM>(buffer.data()));
  return copied > 0 ? std::string(buffer.data(), static_cast<std::size_t>(copied)) : std::string();
}

void Win32DialogView::Show(bool visible) { ShowWindow(Window(), visible ? SW_SHOW : SW_HIDE); }

bool Win32DialogView::IsVisible() const { return IsWindowVisible(Window()) != FALSE; }

MenuView& Win32DialogView::OptionsMenu() {
  optionsMenu_.Reset(GetSubMenu(GetMenu(Window()), 0));
  return optionsMenu_;
}

void Win32DialogView::DrawMenuBar() { ::DrawMenuBar(Window()); }

}  // namespace mavrion::framework
