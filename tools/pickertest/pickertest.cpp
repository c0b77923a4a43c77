// pickertest: opens the program's window picker again and again, driven by
// command files, and logs what it shows and hands back.
//
//   pickertest.exe LOGFILE
//
// Ten times a second the host looks for LOGFILE.cmd; it runs the command
// written there, deletes the file and logs "done COMMAND":
//   dump             running/selected rows, the area fields, the finder
//                    picture's screen rectangle, the finder state
//   select TEXT      selects the first running row whose title holds TEXT
//   selectall        selects every running row
//   right | left     clicks ">>>" or "<<<"
//   ok | cancel      clicks OK or Cancel
//   box CAPTION      logs the text of the message box CAPTION and closes it
//   quit             cancels the picker and ends the host
// After every opening: "result 1|2" and "chosen H0 ... H9".
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/capture/Finder.h"
#include "resources/resource.h"
#include "win32/capture/OpenWindowsDialog.h"
#include "win32/capture/Win32WindowInspector.h"
#include "win32/framework/PlatformPorts.h"

namespace {

std::string g_logName;
bool g_quit = false;
int g_moves = 0;
int g_ups = 0;
LPARAM g_lastMove = 0;
HWND g_lastMoveWindow = nullptr;

// Counts the mouse messages the thread takes from its queue.
LRESULT CALLBACK CountMouse(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* message = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    if (message->message == WM_MOUSEMOVE) {
      ++g_moves;
      g_lastMove = message->lParam;
      g_lastMoveWindow = message->hwnd;
    }
    if (message->message == WM_LBUTTONUP) ++g_ups;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
const char kPickerCaption[] = "Select Running Program or Window ";

void Log(const std::string& line) {
  if (FILE* file = std::fopen(g_logName.c_str(), "ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

HWND Picker() { return FindWindowA("#32770", kPickerCaption); }

std::string ItemText(HWND list, int row, int column) {
  char buffer[300] = "";
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

void DumpList(HWND list, const char* name) {
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row)
    Log(std::string(name) + "|" + ItemText(list, row, 0) + "|" + ItemText(list, row, 1) + "|" +
        ItemText(list, row, 2) + "|" + ItemText(list, row, 3));
  Log(std::string(name) + " count " + std::to_string(count));
}

void Dump(HWND picker) {
  DumpList(GetDlgItem(picker, IDC_RUNNING_LIST), "running");
  DumpList(GetDlgItem(picker, IDC_SELECTED_LIST), "selected");
  std::string fields = "fields";
  for (int id : {IDC_LEFT, IDC_TOP, IDC_RIGHT, IDC_BOTTOM}) {
    char text[32] = "";
    GetDlgItemTextA(picker, id, text, sizeof text);
    fields += std::string(" [") + text + "]";
  }
  Log(fields);
  RECT picture{};
  GetWindowRect(GetDlgItem(picker, IDC_FINDER_TOOL), &picture);
  Log("picture " + std::to_string(picture.left) + " " + std::to_string(picture.top) + " " +
      std::to_string(picture.right) + " " + std::to_string(picture.bottom));
  RECT own{};
  GetWindowRect(picker, &own);
  Log("picker " + std::to_string(reinterpret_cast<UINT_PTR>(picker)) + " " + std::to_string(own.left) + " " +
      std::to_string(own.top) + " " + std::to_string(own.right) + " " + std::to_string(own.bottom));
  POINT cursor{};
  GetCursorPos(&cursor);
  HWND under = WindowFromPoint(cursor);
  Log("cursor " + std::to_string(cursor.x) + " " + std::to_string(cursor.y) + " under " +
      std::to_string(reinterpret_cast<UINT_PTR>(under)) + " parent " +
      std::to_string(reinterpret_cast<UINT_PTR>(GetParent(under))) + " capture " +
      std::to_string(reinterpret_cast<UINT_PTR>(GetCapture())) + " foreground " +
      std::to_string(reinterpret_cast<UINT_PTR>(GetForegroundWindow())));
  Log("moves " + std::to_string(g_moves) + " last " + std::to_string(static_cast<short>(LOWORD(g_lastMove))) + "," +
      std::to_string(static_cast<short>(HIWORD(g_lastMove))) + " to " +
      std::to_string(reinterpret_cast<UINT_PTR>(g_lastMoveWindow)) + " ups " + std::to_string(g_ups));
  const mavrion::FinderState& state = mavrion::ProgramFinderState();
  Log("finder dragging " + std::to_string(state.Dragging) + " highlighted " + std::to_string(state.HighlightedWindow));
}

void Select(HWND picker, const std::string& text, bool all) {
  HWND list = GetDlgItem(picker, IDC_RUNNING_LIST);
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    if (all || ItemText(list, row, 1).find(text) != std::string::npos) {
      LVITEMA item{};
      item.stateMask = LVIS_SELECTED;
      item.state = LVIS_SELECTED;
      SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
      if (!all) return;
    }
  }
}

void Click(HWND picker, int id) {
  PostMessageA(picker, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, id)));
}

void Run(const std::string& command) {
  HWND picker = Picker();
  std::istringstream words(command);
  std::string verb;
  words >> verb;
  std::string rest;
  std::getline(words, rest);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);

  if (verb == "quit") {
    g_quit = true;
    if (picker) Click(picker, IDCANCEL);
  } else if (verb == "box") {
    HWND box = FindWindowA("#32770", rest.c_str());
    char text[512] = "";
    if (box) GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    const bool hasIcon = box && GetDlgItem(box, 0x14) != nullptr;  // the box's icon control
    Log("box " + rest + "|" + text + "|icon " + std::to_string(hasIcon ? 1 : 0));
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
  } else if (!picker) {
    Log("no picker");
  } else if (verb == "dump") {
    Dump(picker);
  } else if (verb == "select") {
    Select(picker, rest, false);
  } else if (verb == "selectall") {
    Select(picker, rest, true);
  } else if (verb == "right") {
    Click(picker, IDC_MOVE_RIGHT);
  } else if (verb == "left") {
    Click(picker, IDC_MOVE_LEFT);
  } else if (verb == "ok") {
    Click(picker, IDOK);
  } else if (verb == "cancel") {
    Click(picker, IDCANCEL);
  }
  Log("done " + command);
}

void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
  const std::string name = g_logName + ".cmd";
  std::ifstream file(name);
  if (!file) return;
  std::string command;
  std::getline(file, command);
  file.close();
  DeleteFileA(name.c_str());
  if (!command.empty() && command.back() == '\r') command.pop_back();
  Run(command);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  g_logName = commandLine != nullptr && *commandLine ? commandLine : "pickertest.log";
  // A window of the host's own for the finder to be dropped on: Wine routes
  // a captured mouse over its own process's windows only.
  WNDCLASSA target{};
  target.lpfnWndProc = DefWindowProcA;
  target.hInstance = instance;
  target.hCursor = LoadCursor(nullptr, IDC_ARROW);
  target.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  target.lpszClassName = "PickerTestTarget";
  RegisterClassA(&target);
  HWND targetWindow = CreateWindowA(target.lpszClassName, "Finder Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 600,
                                    200, 150, nullptr, nullptr, instance, nullptr);
  // The finder picks child windows too; an outline on one shows whatever
  // frame the window manager draws around the target.
  HWND targetChild = CreateWindowA("Edit", "drop here", WS_CHILD | WS_VISIBLE | WS_BORDER, 20, 20, 140, 50,
                                   targetWindow, nullptr, instance, nullptr);
  RECT targetRect{};
  GetWindowRect(targetChild, &targetRect);
  Log("target " + std::to_string(reinterpret_cast<UINT_PTR>(targetChild)) + " " + std::to_string(targetRect.left) +
      " " + std::to_string(targetRect.top) + " " + std::to_string(targetRect.right) + " " +
      std::to_string(targetRect.bottom));
  mavrion::Win32WindowInspector windows;
  mavrion::framework::Win32MessageBoxes boxes;
  mavrion::OpenWindowsDialog picker(windows, boxes);
  SetTimer(nullptr, 0, 100, &Poll);
  SetWindowsHookExA(WH_GETMESSAGE, &CountMouse, nullptr, GetCurrentThreadId());
  Log("ready");
  while (!g_quit) {
    const bool ok = picker.RunModal();
    Log(ok ? "result 1" : "result 2");
    std::string chosen = "chosen";
    for (mavrion::WindowHandle window : picker.ChosenWindows()) {
      chosen += ' ';
      chosen += std::to_string(window);
    }
    Log(chosen);
    // Between openings the commands wait for the next picker.
    MSG message;
    while (!g_quit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  Log("quit");
  return 0;
}
