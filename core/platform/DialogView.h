#pragma once
// What the core asks of a dialog window: its controls by id, its visibility
// and its menu. The Win32 adapter answers with the Dlg*/CB_*/BM_* calls.
#include <cstddef>
#include <string>

#include "core/platform/Types.h"

namespace mavrion {

// One instance of a menu (the dialog's menu bar popup, or the tray's copy).
class MenuView {
 public:
  virtual ~MenuView() = default;
  // enabled false greys the item (MF_GRAYED).
  virtual void SetItemEnabled(int commandId, bool enabled) = 0;
  virtual bool IsItemEnabled(int commandId) const = 0;
};

class DialogView {
 public:
  virtual ~DialogView() = default;

  virtual WindowHandle Handle() const = 0;

  virtual void EnableControl(int id, bool enabled) = 0;
  virtual bool IsControlEnabled(int id) const = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  // Reads at most maxChars - 1 characters, as GetDlgItemTextA with a buffer
  // of maxChars bytes does.
  virtual std::string GetControlText(int id, std::size_t maxChars) const = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual bool IsChecked(int id) const = 0;

  // Drop-down lists.
  virtual void ComboInsert(int id, int position, const std::string& text) = 0;
  virtual int ComboCount(int id) const = 0;
  virtual void ComboSetSelection(int id, int index) = 0;  // out of range: none
  virtual int ComboSelection(int id) const = 0;           // -1: none
  virtual std::string ComboSelectedText(int id) const = 0;  // "" when none

  // The window itself.
  virtual void Show(bool visible) = 0;  // SW_SHOW / SW_HIDE
  virtual bool IsVisible() const = 0;
  virtual MenuView& OptionsMenu() = 0;  // popup 0 of the menu bar
  virtual void DrawMenuBar() = 0;
};

}  // namespace mavrion
