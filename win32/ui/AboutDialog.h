#pragma once
// The About box: template IDD_ABOUTBOX with the tray base, which never shows here.
#include "core/ui/CAboutDlg.h"
#include "win32/ui/TrayDialogWindow.h"

namespace mavrion {

class AboutDialog final : public TrayDialogWindow {
 public:
  AboutDialog();

 protected:
  CTrayDialog& Tray() override { return about_; }

 private:
  CAboutDlg about_;
};

}  // namespace mavrion
