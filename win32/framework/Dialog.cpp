#include "win32/framework/Dialog.h"

#include <optional>
#include <vector>

#include "win32/framework/PrivateMessages.h"

namespace mavrion::framework {

namespace {

Dialog* g_mainWindow = nullptr;

// Messages whose answer the dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
         message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON ||
         message == WM_INITDIALOG;
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

Dialog::Dialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
  if (g_mainWindow == this) g_mainWindow = nullptr;
}

ModalWindows& ProgramModalWindows() {
  static ModalWindows windows;
  return windows;
}

void Dialog::SetMainWindow(Dialog* dialog) { g_mainWindow = dialog; }
Dialog* Dialog::MainWindow() { return g_mainWindow; }

INT_PTR Dialog::DoModal() {
  HWND owner = parent_;
  if (owner == nullptr && g_mainWindow != nullptr && g_mainWindow != this && g_mainWindow->Exists()) {
    owner = g_mainWindow->Handle();
  }
  std::optional<ModalWindows::Scope> counted;
  if (this != g_mainWindow) counted.emplace(ProgramModalWindows());
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                                         &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  // 0 means the owner was not a window: the dialog never ran.
  return result == 0 ? -1 : result;
}

void Dialog::EndDialog(INT_PTR result) { ::EndDialog(Handle(), result); }

void Dialog::SetItemText(int id, const std::string& text) const { SetDlgItemTextA(Handle(), id, text.c_str()); }

std::string Dialog::ItemText(int id, std::size_t maxChars) const {
  if (maxChars == 0) return {};
  std::vector<char> buffer(maxChars, '\0');
  const UINT copied = GetDlgItemTextA(Handle(), id, buffer.data(), static_cast<int>(maxChars));
  return std::string(buffer.data(), copied);
}

void Dialog::EnableItem(int id, bool enabled) const { EnableWindow(Item(id), enabled ? TRUE : FALSE); }
bool Dialog::IsItemEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
void Dialog::CheckItem(int id, bool checked) const {
  CheckDlgButton(Handle(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}
bool Dialog::IsItemChecked(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }
LRESULT Dialog::SendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendDlgItemMessageA(Handle(), id, message, wParam, lParam);
}

bool Dialog::OnCommand(int id, int /*code*/, HWND /*control*/) {
  if (id == IDOK) return OnOK();
  if (id == IDCANCEL) return OnCancel();
  return false;
}

bool Dialog::OnOK() {
  EndDialog(IDOK);
  return true;
}

bool Dialog::OnCancel() {
  EndDialog(IDCANCEL);
  return true;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

// F1 without Shift, Ctrl or Alt in any top-level dialog of the program opens
// the help: the main window receives the help command.
bool Dialog::OnHelpKey() {
  if ((GetWindowLongA(Handle(), GWL_STYLE) & WS_CHILD) != 0) return false;
  if (KeyDown(VK_SHIFT) || KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return true;
  if (g_mainWindow != nullptr && g_mainWindow->Exists()) {
    g_mainWindow->Send(WM_COMMAND, MAKEWPARAM(kHelpCommand, 0), 0);
  }
  return true;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      tasks_.Attach(Handle());
      return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_HELP:
      return OnHelpKey() ? TRUE : FALSE;
    case WM_UI_TASK:
      WindowTaskDispatcher::RunPosted(lParam);
      return TRUE;
    default:
      break;
  }
  LRESULT result = 0;
  const bool handled = OnMessage(message, wParam, lParam, result);
  if (message == WM_DESTROY) tasks_.Detach();
  if (!handled) return FALSE;
  if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->SetHandle(window);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT and the like) take their
  // default course.
  if (self == nullptr) return FALSE;
  INT_PTR answer = FALSE;
  try {
    answer = self->Dispatch(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's dialog manager.
    answer = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    self->SetHandle(nullptr);
  }
  return answer;
}

}  // namespace mavrion::framework
