#include "win32/capture/OpenWindowsDialog.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "win32/capture/Win32Finder.h"

namespace mavrion {

namespace {

void PrepareList(HWND list) {
  // Several rows may be selected; the template gives the report style.
  const LONG style = GetWindowLongA(list, GWL_STYLE);
  SetWindowLongA(list, GWL_STYLE, (style & ~(LVS_TYPEMASK | LVS_SINGLESEL)) | LVS_REPORT);
  const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_INFOTIP;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
}

}  // namespace

static_assert(IDD_OPEN_WINDOWS == 139 && IDC_RUNNING_LIST == picker::kRunningList &&
                  IDC_SELECTED_LIST == picker::kSelectedList && IDC_MOVE_RIGHT == picker::kMoveRightButton &&
                  IDC_MOVE_LEFT == picker::kMoveLeftButton,
              "the picker's ids are the resource header's");

OpenWindowsDialog::OpenWindowsDialog(WindowInspector& windows, MessageBoxes& boxes, HWND parent)
    : Dialog(IDD_OPEN_WINDOWS, parent), view_(*this), picker_(windows, boxes) {}

bool OpenWindowsDialog::RunModal() {
  // The list views' window class.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  return DoModal() == IDOK;
}

bool OpenWindowsDialog::OnInitDialog() {
  runningList_.Attach(Item(IDC_RUNNING_LIST));
  selectedList_.Attach(Item(IDC_SELECTED_LIST));
  PrepareList(runningList_.Handle());
  PrepareList(selectedList_.Handle());
  // The picker is not visible yet, so it does not list itself.
  picker_.OnInitialise(Controls());
  PrepareFinderTool();
  return true;
}

bool OpenWindowsDialog::OnCommand(int id, int code, HWND control) {
  if (RouteFinderCommand(Handle(), id, code)) return true;
  if (code == BN_CLICKED && id == IDC_MOVE_RIGHT) {
    picker_.MoveRight(Controls());
    return true;
  }
  if (code == BN_CLICKED && id == IDC_MOVE_LEFT) {
    picker_.MoveLeft(Controls());
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

bool OpenWindowsDialog::OnOK() {
  if (picker_.HandBack(Controls())) EndDialog(IDOK);
  return true;
}

bool OpenWindowsDialog::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT&) {
  if (message == WM_NOTIFY) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == static_cast<UINT>(NM_DBLCLK)) {
      if (header->idFrom == IDC_RUNNING_LIST) picker_.MoveRight(Controls());
      if (header->idFrom == IDC_SELECTED_LIST) picker_.MoveLeft(Controls());
    }
    return false;
  }
  RouteFinderMouse(Handle(), message);
  return false;
}

}  // namespace mavrion
