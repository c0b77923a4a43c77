#pragma once
// A dialog window with the tray base: it owns the shell port and routes the
// system commands, the icon's callback and the window's end to the base.
#include <windows.h>

#include "core/ui/CTrayDialog.h"
#include "win32/framework/Dialog.h"
#include "win32/ui/Win32TrayShell.h"

namespace mavrion {

class TrayDialogWindow : public framework::Dialog {
 protected:
  TrayDialogWindow(int templateId, HWND parent) : Dialog(templateId, parent), shell_(*this) {}

  Win32TrayShell& TrayShellPort() { return shell_; }
  virtual CTrayDialog& Tray() = 0;

  // Derived dialogs call this first from their own OnInitDialog.
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  Win32TrayShell shell_;
};

}  // namespace mavrion
