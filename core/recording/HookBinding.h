#pragma once
// The main dialog's tie to the keyboard-hook library hodll.dll, which
// reports the global keys F6 to F9 to the main dialog's window.
//
// The program works without the library: when it cannot be loaded or lacks
// its installhook entry point, the user is told once that the global keys are
// unavailable, and the buttons, menus and tray icon carry on as usual.
#include <cstdint>
#include <string>

#include "core/app/MainDialogParts.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Types.h"

namespace mavrion {

inline constexpr char kHookLibraryFile[] = "hodll.dll";
inline constexpr char kInstallHookExport[] = "installhook";
inline constexpr char kUnHookExport[] = "UnHook";

inline constexpr char kHookLibraryMissingText[] =
    "The global keys F6 to F9 are not available because hodll.dll could not be loaded. "
    "Use the buttons, the Options menu or the tray icon instead.";
inline constexpr char kInstallHookMissingText[] =
    "The global keys F6 to F9 are not available because hodll.dll has no installhook entry point. "
    "Use the buttons, the Options menu or the tray icon instead.";

// An entry point of the loaded library, as an address; 0 when absent.
using HookEntry = std::uintptr_t;

// The library as a loadable module (LoadLibraryA and GetProcAddress on
// Windows). The module, once loaded, stays loaded for the whole run.
class HookLibrary {
 public:
  virtual ~HookLibrary() = default;
  // Loads the library with the standard search; false when it cannot be.
  virtual bool Load(const std::string& fileName) = 0;
  // An export of the loaded library by name; 0 when it has none.
  virtual HookEntry Find(const std::string& exportName) = 0;
  // Calls installhook at entry with the window to report to.
  virtual void CallInstallHook(HookEntry entry, WindowHandle window) = 0;
  // Calls UnHook at entry.
  virtual void CallUnHook(HookEntry entry) = 0;
};

class HookBinding final : public HookPart {
 public:
  struct Ports {
    HookLibrary& library;
    MessageBoxes& boxes;
    std::string applicationName;  // caption of the warning
  };
  explicit HookBinding(Ports ports);
  HookBinding(const HookBinding&) = delete;
  HookBinding& operator=(const HookBinding&) = delete;

  // Loads the library, calls installhook with window and keeps UnHook's
  // address. When the library or installhook is missing, shows the warning
  // (owned by window, warning icon), once per binding, and carries on.
  // Answers whether the global keys are available.
  bool Install(WindowHandle window) override;

  // Calls UnHook when its address was found; every call goes through to the
  // library (the library makes a repeated call harmless).
  void UnHook() override;

  bool KeysAvailable() const { return installHook_ != 0; }
  bool HasUnHook() const { return unHook_ != 0; }

 private:
  void WarnOnce(WindowHandle owner, const char* text);

  Ports ports_;
  bool loaded_ = false;
  bool warned_ = false;
  HookEntry installHook_ = 0;
  HookEntry unHook_ = 0;
};

}  // namespace mavrion
