#include "core/recording/HookBinding.h"

#include <utility>

namespace mavrion {

HookBinding::HookBinding(Ports ports) : ports_(std::move(ports)) {}

bool HookBinding::Install(WindowHandle window) {
  if (!loaded_) loaded_ = ports_.library.Load(kHookLibraryFile);
  if (!loaded_) {
    WarnOnce(window, kHookLibraryMissingText);
    return false;
  }
  installHook_ = ports_.library.Find(kInstallHookExport);
  if (installHook_ == 0) {
    // Without installhook nothing was hooked, so there is nothing to undo.
    unHook_ = 0;
    WarnOnce(window, kInstallHookMissingText);
    return false;
  }
  ports_.library.CallInstallHook(installHook_, window);
  unHook_ = ports_.library.Find(kUnHookExport);
  return true;
}

void HookBinding::UnHook() {
  if (unHook_ != 0) ports_.library.CallUnHook(unHook_);
}

void HookBinding::WarnOnce(WindowHandle owner, const char* text) {
  if (warned_) return;
  warned_ = true;
  ports_.boxes.Show(owner, text, ports_.applicationName, mb::kOk | mb::kIconWarning);
}

}  // namespace mavrion
