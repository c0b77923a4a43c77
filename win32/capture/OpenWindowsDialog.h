#pragma once
// The window picker "Select Running Program or Window " (template IDD_OPEN_WINDOWS): one
// object made by the main dialog's initialisation and opened again for
// every selection. The lists' logic is the core's OpenWindows; this class
// only connects it to the dialog's controls and messages.
#include <windows.h>

#include "core/capture/CaptureSelection.h"
#include "core/capture/OpenWindows.h"
#include "win32/capture/Win32ListModel.h"
#include "win32/framework/Dialog.h"
#include "win32/framework/Win32DialogView.h"

namespace mavrion {

class OpenWindowsDialog : public framework::Dialog, public WindowPicker {
 public:
  // parent nullptr: owned by the program's main window.
  OpenWindowsDialog(WindowInspector& windows, MessageBoxes& boxes, HWND parent = nullptr);

  // Opens the picker modally; true when it ended with OK.
  bool RunModal() override;
  const ChosenWindowList& ChosenWindows() const override { return picker_.ChosenWindows(); }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnOK() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  PickerControls Controls() { return PickerControls{view_, runningList_, selectedList_}; }

  framework::Win32DialogView view_;
  Win32ListModel runningList_;   // IDC_RUNNING_LIST
  Win32ListModel selectedList_;  // IDC_SELECTED_LIST
  OpenWindows picker_;
};

}  // namespace mavrion
