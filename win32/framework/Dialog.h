#pragma once
// The dialog base: one static dialog procedure finds the object through the
// pointer handed to DialogBoxParamA and stored at WM_INITDIALOG, and calls a
// small set of virtual handlers, each answering whether it handled the
// message. No exception leaves the procedure.
//
// A dialog derives, overrides what it needs and runs modally:
//
//   class MyDialog : public framework::Dialog {
//    public:
//     MyDialog() : Dialog(IDD_MY_DIALOG) {}
//    protected:
//     bool OnInitDialog() override { ...; return true; }
//     bool OnCommand(int id, int code, HWND control) override { ... }
//   };
//   MyDialog dialog;
//   INT_PTR result = dialog.DoModal();  // IDOK 1, IDCANCEL 2, -1 not created
#include <windows.h>

#include <string>

#include "core/platform/ModalWindows.h"
#include "win32/framework/UiTasks.h"
#include "win32/framework/Window.h"

namespace mavrion::framework {

class Dialog : public Window {
 public:
  // parent nullptr: the dialog is owned by the program's main window while
  // one exists (so it is modal to it), else by nobody.
  explicit Dialog(int templateId, HWND parent = nullptr);
  ~Dialog() override;

  // Creates the window from the template and runs it until EndDialog.
  // Answers the EndDialog result, or -1 when the window cannot be created.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);

  int TemplateId() const { return templateId_; }

  // Tasks posted here run on this dialog's thread while its window exists.
  WindowTaskDispatcher& Tasks() { return tasks_; }

  // Control helpers.
  HWND Item(int id) const { return GetDlgItem(Handle(), id); }
  void SetItemText(int id, const std::string& text) const;
  // At most maxChars - 1 characters, as a buffer of maxChars bytes holds.
  std::string ItemText(int id, std::size_t maxChars) const;
  void EnableItem(int id, bool enabled) const;
  bool IsItemEnabled(int id) const;
  void CheckItem(int id, bool checked) const;
  bool IsItemChecked(int id) const;
  LRESULT SendItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // The program's main window (the main dialog for the length of its run).
  // The help key of every dialog sends the help command to it.
  static void SetMainWindow(Dialog* dialog);
  static Dialog* MainWindow();

 protected:
  // WM_INITDIALOG. Answer true to let the system put the focus on the first
  // tab stop.
  virtual bool OnInitDialog() { return true; }
  // WM_COMMAND. The default runs OnOK for IDOK and OnCancel for IDCANCEL.
  virtual bool OnCommand(int id, int code, HWND control);
  virtual bool OnOK();      // ends the dialog with IDOK
  virtual bool OnCancel();  // ends the dialog with IDCANCEL
  // Every other message. Set result to the message's answer and return true
  // when handled; false lets the dialog manager's default run.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnHelpKey();

  int templateId_;
  HWND parent_;
  WindowTaskDispatcher tasks_;
};

// The program's modal windows open now: every dialog run modally but the
// main window itself, every message box and the Save-As dialog count here.
ModalWindows& ProgramModalWindows();

// The help command the main window answers (the "Help" menu item and F1).
inline constexpr int kHelpCommand = 57670;

}  // namespace mavrion::framework
