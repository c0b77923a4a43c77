#include "win32/capture/Win32ListModel.h"

#include <commctrl.h>

#include <vector>

namespace mavrion {

void Win32ListModel::InsertColumn(int column, const std::string& heading, int widthPixels) {
  std::string text = heading;
  LVCOLUMNA info{};
  info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  info.fmt = LVCFMT_LEFT;
  info.cx = widthPixels;
  info.pszText = text.data();
  info.iSubItem = column;
  SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
}

int Win32ListModel::Count() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

void Win32ListModel::InsertRow(int row) {
  char empty[1] = "";
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = empty;
  SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void Win32ListModel::SetText(int row, int column, const std::string& text) {
  std::string copy = text;
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = copy.data();
  SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string Win32ListModel::Text(int row, int column, std::size_t maxChars) const {
  if (maxChars == 0) return {};
  std::vector<char> buffer(maxChars, '\0');
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(maxChars);
  const LRESULT copied = SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  // The list may hand back its own buffer instead of filling ours.
  const char* text = item.pszText != nullptr ? item.pszText : buffer.data();
  std::string result(text, static_cast<std::size_t>(copied > 0 ? copied : 0));
  if (result.size() >= maxChars) result.resize(maxChars - 1);
  return result;
}

void Win32ListModel::DeleteRow(int row) { SendMessageA(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }

int Win32ListModel::NextSelected(int after) const {
  return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(LVNI_SELECTED, 0)));
}

}  // namespace mavrion
