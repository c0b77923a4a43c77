#include "win32/app/CTovaskApp.h"

#include <windows.h>
#include <commctrl.h>

#include "core/platform/TextRules.h"
#include "win32/app/MainDialogWindow.h"

namespace mavrion {

bool CTovaskApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);

  ProgramServices services;
  const std::string applicationName = ApplicationNameFromPath(services.executable.ExecutablePath());
  {
    MainDialogWindow dialog(services, applicationName);
    framework::Dialog::SetMainWindow(&dialog);
    dialog.DoModal();  // the result is not looked at
    framework::Dialog::SetMainWindow(nullptr);
  }
  return false;
}

}  // namespace mavrion
