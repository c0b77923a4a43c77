#pragma once
// The Win32 window of the main dialog: translates its messages into calls
// of CTovaskDlg and carries out the painting CTovaskDlg's look describes.
#include <windows.h>

#include <string>

#include "core/app/CTovaskDlg.h"
#include "win32/app/MainDialogWiring.h"
#include "win32/framework/PlatformPorts.h"
#include "win32/framework/Win32DialogView.h"
#include "win32/ui/TrayDialogWindow.h"

namespace mavrion {

class MainDialogWindow;

// The window services CTovaskDlg asks for: system menu, icons, strings,
// the end of the modal run, the other dialogs and the shell.
class MainWindowShellAdapter final : public MainWindowShell {
 public:
  explicit MainWindowShellAdapter(MainDialogWindow& window) : window_(window) {}

  IconHandle LoadApplicationIcon() override;
  void SetWindowIcons(IconHandle icon) override;
  bool HasSystemMenu() override;
  std::string LoadText(int stringId) override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int commandId, const std::string& text) override;
  void EndDialog(int result) override;
  void RunAboutBox() override;
  void RunVideoDescription(CVideoDesc& description) override;
  void ShellOpen(const std::string& verb, const std::string& file) override;

 private:
  MainDialogWindow& window_;
};

class MainDialogWindow final : public TrayDialogWindow {
 public:
  MainDialogWindow(ProgramServices& services, const std::string& applicationName);

  CTovaskDlg& Core() { return dialog_; }

 protected:
  CTrayDialog& Tray() override { return dialog_; }
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Paint();
  LRESULT ControlColour(UINT message, HDC dc, HWND control);
  void DrawItem(int id, const DRAWITEMSTRUCT& item);

  framework::Win32DialogView view_;
  framework::Win32MessageBoxes boxes_;
  MainWindowShellAdapter shell_;
  CTovaskDlg dialog_;
};

}  // namespace mavrion
