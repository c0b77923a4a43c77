#pragma once
// Builds the main dialog's subsystem parts over the Win32 ports.
#include <windows.h>

#include <memory>

#include "core/app/CTovaskDlg.h"
#include "core/encoder/ComponentChoice.h"
#include "core/platform/Threads.h"
#include "core/recording/ForegroundFollower.h"
#include "win32/capture/Win32WindowInspector.h"
#include "win32/encoder/AutomationComponent.h"
#include "win32/encoder/DirectShowAudioDevices.h"
#include "win32/encoder/builtin/BuiltinFactory.h"
#include "win32/framework/PlatformPorts.h"
#include "win32/recording/Win32HookLibrary.h"
#include "win32/settings/Win32SettingsPorts.h"

namespace mavrion {

// The foreground window and its process, as the foreground follower
// watches them.
class ForegroundWindowWatch final : public ForegroundWatch {
 public:
  WindowHandle ForegroundWindow() override { return reinterpret_cast<WindowHandle>(GetForegroundWindow()); }
  std::uint32_t ProcessOfWindow(WindowHandle window) override {
    DWORD process = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &process);
    return process;
  }
};

// The Win32 ports the subsystems share for the whole run.
struct ProgramServices {
  framework::Win32Clock clock;
  framework::Win32ThreadStarter threads;
  framework::Win32ExecutableLocation executable;
  ForegroundWindowWatch foreground;
  Win32WindowInspector windows;
  Win32ProfileStore profile;
  Win32SaveAsDialog saveAs;
  Win32AnsiCodePage codePage;
  CrtFileAppender files;
  // The installed encoder component where it can be made, else our own
  // built-in screen encoder behind the same objects.
  win32::AutomationComponentFactory installedComponents;
  std::unique_ptr<encoder::ComponentFactory> builtinComponents = win32::MakeBuiltinComponentFactory();
  encoder::ComponentChoice components{installedComponents, *builtinComponents};
  win32::DirectShowDeviceServices devices;
  Win32HookLibrary hookLibrary;
};

// ui: the main dialog's task queue (its thread runs the posted work).
MainDialogParts MakeMainDialogParts(CTovaskDlg& dialog, ProgramServices& services, UiDispatcher& ui);

}  // namespace mavrion
