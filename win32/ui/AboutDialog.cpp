#include "win32/ui/AboutDialog.h"

#include "resources/resource.h"

namespace mavrion {

AboutDialog::AboutDialog() : TrayDialogWindow(IDD_ABOUTBOX, nullptr), about_(TrayShellPort()) {}

}  // namespace mavrion
