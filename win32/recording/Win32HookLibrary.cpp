#include "win32/recording/Win32HookLibrary.h"

#include "hodll/hodll.h"

namespace mavrion {

bool Win32HookLibrary::Load(const std::string& fileName) {
  if (module_ == nullptr) module_ = LoadLibraryA(fileName.c_str());
  return module_ != nullptr;
}

HookEntry Win32HookLibrary::Find(const std::string& exportName) {
  if (module_ == nullptr) return 0;
  return reinterpret_cast<HookEntry>(GetProcAddress(module_, exportName.c_str()));
}

void Win32HookLibrary::CallInstallHook(HookEntry entry, WindowHandle window) {
  if (entry == 0) return;
  // The answer is not looked at: without the hook the keys just stay silent.
  reinterpret_cast<HodllInstallHookProc>(entry)(reinterpret_cast<HWND>(window));
}

void Win32HookLibrary::CallUnHook(HookEntry entry) {
  if (entry == 0) return;
  reinterpret_cast<HodllUnHookProc>(entry)();
}

}  // namespace mavrion
