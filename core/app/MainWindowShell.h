#pragma once
// What the main dialog needs of its own window beyond its controls: the
// system menu, icons, string resources, ending the dialog, and opening the
// other dialogs and the help file.
#include <string>

#include "core/ui/TrayShell.h"

namespace mavrion {

class CVideoDesc;

class MainWindowShell {
 public:
  virtual ~MainWindowShell() = default;
  // Icon 128 at the system's large icon size.
  virtual IconHandle LoadApplicationIcon() = 0;
  // WM_SETICON, big and small.
  virtual void SetWindowIcons(IconHandle icon) = 0;
  virtual bool HasSystemMenu() = 0;
  // A string resource; "" when missing.
  virtual std::string LoadText(int stringId) = 0;
  virtual void AppendSystemMenuSeparator() = 0;
  virtual void AppendSystemMenuItem(int commandId, const std::string& text) = 0;
  // Ends the modal run with OK 1 or Cancel 2.
  virtual void EndDialog(int result) = 0;
  // Modal runs; the results are not used by the main dialog.
  virtual void RunAboutBox() = 0;
  virtual void RunVideoDescription(CVideoDesc& description) = 0;
  // ShellExecuteA(NULL, verb, file, NULL, NULL, SW_SHOWNORMAL); failures are
  // not reported.
  virtual void ShellOpen(const std::string& verb, const std::string& file) = 0;
};

}  // namespace mavrion
