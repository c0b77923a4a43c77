#pragma once
// The dialog and menu ports over a dialog window and a menu handle.
#include <windows.h>

#include "core/platform/DialogView.h"
#include "win32/framework/Window.h"

namespace mavrion::framework {

// One menu (MF_BYCOMMAND item states). The handle may change, for example
// when a menu is loaded later; an empty handle answers "not enabled".
class Win32MenuView : public MenuView {
 public:
  explicit Win32MenuView(HMENU menu = nullptr) : menu_(menu) {}
  Win32MenuView(const Win32MenuView&) = delete;
  Win32MenuView& operator=(const Win32MenuView&) = delete;

  void Reset(HMENU menu) { menu_ = menu; }
  HMENU Handle() const { return menu_; }

  void SetItemEnabled(int commandId, bool enabled) override;
  bool IsItemEnabled(int commandId) const override;

 private:
  HMENU menu_;
};

// The controls of a dialog window by id. Reads the window's handle at every
// call, so it can be made before the window exists.
class Win32DialogView : public DialogView {
 public:
  explicit Win32DialogView(const Window& dialog) : dialog_(dialog) {}
  Win32DialogView(const Win32DialogView&) = delete;
  Win32DialogView& operator=(const Win32DialogView&) = delete;

  WindowHandle Handle() const override;
  void EnableControl(int id, bool enabled) override;
  bool IsControlEnabled(int id) const override;
  void SetControlText(int id, const std::string& text) override;
  std::string GetControlText(int id, std::size_t maxChars) const override;
  void SetCheck(int id, bool checked) override;
  bool IsChecked(int id) const override;
  void ComboInsert(int id, int position, const std::string& text) override;
  int ComboCount(int id) const override;
  void ComboSetSelection(int id, int index) override;
  int ComboSelection(int id) const override;
  std::string ComboSelectedText(int id) const override;
  void Show(bool visible) override;
  bool IsVisible() const override;
  MenuView& OptionsMenu() override;
  void DrawMenuBar() override;

 private:
  HWND Window() const { return dialog_.Handle(); }

  const framework::Window& dialog_;
  Win32MenuView optionsMenu_;
};

}  // namespace mavrion::framework
