#pragma once
// The About box (template IDD_ABOUTBOX). It derives from the tray base like the main
// dialog, but sets no icon image and no menu and has no minimise box, so the
// tray behaviour never shows.
#include "core/ui/CTrayDialog.h"

namespace mavrion {

class CAboutDlg : public CTrayDialog {
 public:
  using CTrayDialog::CTrayDialog;
};

// The help file, opened with the shell's "open" verb from the process's
// current directory (not the executable's).
inline constexpr const char* kHelpFileName = "help.chm";
inline constexpr const char* kHelpVerb = "open";

}  // namespace mavrion
