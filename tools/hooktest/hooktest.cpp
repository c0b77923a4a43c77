// hooktest: a small window that loads hodll.dll the way the main dialog does
// and writes every hotkey message it receives to a log file, one line each.
//
//   hooktest.exe LOGFILE             host: installs the hook for its window
//   hooktest.exe --receiver LOGFILE  receiver: logs the keys it gets itself
//
// Log lines: "installed 0|1", "ready", "hotkey N", "unhooked", "box
// CAPTION|TEXT|STYLE" (host); "keydown VK", "keyup VK" (receiver); "quit".
// A test drives a running host by creating files beside the log, which it
// looks for ten times a second: LOGFILE.unhook, LOGFILE.install, LOGFILE.quit,
// and LOGFILE.mark, answered with the line "mark": the window handles its
// posted messages before its timer, so every hotkey posted before the file
// was made is in the log before that line. The host's buttons unhook and
// install by hand.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/platform/MessageBoxes.h"
#include "core/platform/TextRules.h"
#include "core/recording/HookBinding.h"
#include "hodll/hodll.h"
#include "win32/recording/Win32HookLibrary.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr int kUnHookButton = 101;
constexpr int kInstallButton = 102;

class LogFile {
 public:
  explicit LogFile(const std::string& path)
      : file_(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE |
                          FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~LogFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  void Line(const std::string& text) {
    const std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

 private:
  HANDLE file_;
};

// Logs each box before showing it, so a test sees what it said.
class LoggedBoxes : public mavrion::MessageBoxes {
 public:
  explicit LoggedBoxes(LogFile& log) : log_(log) {}
  int Show(mavrion::WindowHandle owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    char styleText[16];
    std::snprintf(styleText, sizeof styleText, "0x%X", style);
    log_.Line("box " + caption + "|" + text + "|" + styleText);
    return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
  }

 private:
  LogFile& log_;
};

struct App {
  LogFile* log = nullptr;
  std::string logPath;
  bool receiver = false;
  mavrion::HookBinding* binding = nullptr;
};

App g_app;

// Answers whether the control file existed, and removes it.
bool TakeControlFile(const char* suffix) {
  const std::string path = g_app.logPath + suffix;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  DeleteFileA(path.c_str());
  return true;
}

void Install(HWND window) {
  const bool available = g_app.binding->Install(reinterpret_cast<mavrion::WindowHandle>(window));
  g_app.log->Line(available ? "installed 1" : "installed 0");
}

void UnHook() {
  g_app.binding->UnHook();
  g_app.log->Line("unhooked");
}

void PollControlFiles(HWND window) {
  if (!g_app.receiver && TakeControlFile(".unhook")) UnHook();
  if (!g_app.receiver && TakeControlFile(".install")) Install(window);
  if (TakeControlFile(".mark")) g_app.log->Line("mark");
  if (TakeControlFile(".quit")) {
    g_app.log->Line("quit");
    DestroyWindow(window);
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case mavrion::framework::WM_RECORDER_HOTKEY:
      g_app.log->Line("hotkey " + std::to_string(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (g_app.receiver) g_app.log->Line("keydown " + std::to_string(wParam));
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (g_app.receiver) g_app.log->Line("keyup " + std::to_string(wParam));
      break;
    case WM_TIMER:
      if (wParam == kPollTimer) PollControlFiles(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kUnHookButton) UnHook();
      if (LOWORD(wParam) == kInstallButton) Install(window);
      // Keep the keyboard on the window, not on the button.
      SetFocus(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string ExecutablePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  int argument = 1;
  if (argument < __argc && std::string(__argv[argument]) == "--receiver") {
    g_app.receiver = true;
    ++argument;
  }
  if (argument >= __argc) {
    MessageBoxA(nullptr, "Usage: hooktest [--receiver] LOGFILE", "hooktest", MB_OK | MB_ICONERROR);
    return 2;
  }
  g_app.logPath = __argv[argument];
  LogFile log(g_app.logPath);
  if (!log.IsOpen()) return 3;
  g_app.log = &log;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "MavrionHookTest";
  RegisterClassA(&windowClass);
  const char* title = g_app.receiver ? "Hook test receiver" : "Hook test host";
  HWND window = CreateWindowA(windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW,
                              g_app.receiver ? 40 : 480, 40, 360, 160, nullptr, nullptr, instance,
                              nullptr);
  if (window == nullptr) return 4;
  if (!g_app.receiver) {
    CreateWindowA("BUTTON", "UnHook", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 28,
                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kUnHookButton)), instance,
                  nullptr);
    CreateWindowA("BUTTON", "Install", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 120, 10, 100, 28,
                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInstallButton)), instance,
                  nullptr);
  }
  ShowWindow(window, show);
  UpdateWindow(window);

  mavrion::Win32HookLibrary library;
  LoggedBoxes boxes(log);
  mavrion::HookBinding binding({library, boxes, mavrion::ApplicationNameFromPath(ExecutablePath())});
  g_app.binding = &binding;
  if (!g_app.receiver) Install(window);
  SetTimer(window, kPollTimer, 100, nullptr);
  log.Line("ready");

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
