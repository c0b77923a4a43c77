#pragma once
// The keyboard-hook library loaded with LoadLibraryA and called through the
// addresses GetProcAddress answers.
#include <windows.h>

#include "core/recording/HookBinding.h"

namespace mavrion {

class Win32HookLibrary : public HookLibrary {
 public:
  Win32HookLibrary() = default;
  Win32HookLibrary(const Win32HookLibrary&) = delete;
  Win32HookLibrary& operator=(const Win32HookLibrary&) = delete;
  // The library is never freed: its hook may run until the process ends.

  bool Load(const std::string& fileName) override;
  HookEntry Find(const std::string& exportName) override;
  void CallInstallHook(HookEntry entry, WindowHandle window) override;
  void CallUnHook(HookEntry entry) override;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace mavrion
