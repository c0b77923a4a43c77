// mvdrive.exe: drives and reads the program's windows for the end-to-end
// tests. It runs under the same Wine prefix and display as the program.
//
//   mvdrive.exe COMMAND ARGS...   answers one command
//   mvdrive.exe --serve           reads one command a line on stdin
//   mvdrive.exe --desktop NAME ...  works on Wine's virtual desktop NAME
//
// Every answer is one JSON object on one line with "ok": true or false.
// Window handles and ids are numbers (decimal or 0x hex); texts with spaces
// are written in double quotes with \" and \\ escapes. Messages that make the
// program act are posted, so a modal loop on its side never blocks us.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Json.h"
#include "ProbeCommands.h"

namespace {

const UINT kTimeoutMs = 3000;
const UINT kProbeTimeoutMs = 20000;

using Args = std::vector<std::string>;

std::string Help() {
  return mv::Object()
      .Add("ok", true)
      .Add("commands",
           "windows | children HWND | state HWND [ID] | text HWND [ID] | settext HWND ID TEXT | "
           "command HWND ID [CODE] | click HWND ID | post HWND MSG [W] [L] | send HWND MSG [W] [L] | "
           "select HWND ID INDEX | combo HWND ID | listview HWND ID | menu HWND | sysmenu HWND | textfit HWND | popup PID | "
           "dialog HWND | press HWND ID|TEXT | trayicon HWND UID | foreground | process PID | mutex NAME | quit")
      .Text();
}

unsigned long Number(const std::string& text) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') {
    long negative = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0') throw std::invalid_argument("not a number: " + text);
    return static_cast<unsigned long>(negative);
  }
  return value;
}

HWND Handle(const std::string& text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(Number(text)));
}

// Splits a command line into words; "quoted words" keep their spaces.
Args Split(const std::string& line) {
  Args words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i];
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n') {
        word += line[i++];
      }
    }
    words.push_back(word);
  }
  return words;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool* answered = nullptr) {
  DWORD_PTR result = 0;
  BOOL done = SendMessageTimeoutA(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, kTimeoutMs, &result);
  if (answered) *answered = done != FALSE;
  return done ? static_cast<LRESULT>(result) : 0;
}

std::string WindowText(HWND hwnd) {
  char text[1024] = {};
  Send(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

std::string RectOf(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  char text[64];
  std::snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return text;
}

bool IsButton(HWND hwnd) { return ClassOf(hwnd) == "Button"; }

// The fields every window and control description shares.
mv::Object Describe(HWND hwnd) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  mv::Object o;
  o.Add("hwnd", hwnd)
      .Add("id", (style & WS_CHILD) ? static_cast<int>(GetDlgCtrlID(hwnd)) : 0)
      .Add("class", ClassOf(hwnd))
      .Add("text", WindowText(hwnd))
      .Add("visible", IsWindowVisible(hwnd) != FALSE)
      .Add("enabled", IsWindowEnabled(hwnd) != FALSE)
      .Add("pid", process)
      .Add("owner", GetWindow(hwnd, GW_OWNER))
      .Add("style", static_cast<unsigned long>(style))
      .Raw("rect", RectOf(hwnd));
  if (IsButton(hwnd)) {
    LRESULT check = Send(hwnd, BM_GETCHECK, 0, 0);
    o.Add("checked", check == BST_CHECKED).Add("indeterminate", check == BST_INDETERMINATE);
  }
  return o;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lparam) {
  reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(hwnd);
  return TRUE;
}

std::string Windows() {
  std::vector<HWND> found;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
  mv::Array list;
  for (HWND hwnd : found) {
    list.Raw(Describe(hwnd).Add("owner", GetWindow(hwnd, GW_OWNER)).Text());
  }
  return mv::Object().Add("ok", true).Raw("windows", list.Text()).Text();
}

std::string Children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
  mv::Array list;
  for (HWND hwnd : found) {
    list.Raw(Describe(hwnd).Add("parent", GetParent(hwnd)).Text());
  }
  return mv::Object().Add("ok", true).Raw("controls", list.Text()).Text();
}

// The window itself when no id is given, else its child with that id.
HWND Target(const Args& a, size_t index) {
  HWND hwnd = Handle(a.at(1));
  if (!IsWindow(hwnd)) throw std::invalid_argument("no such window");
  if (a.size() <= index) return hwnd;
  HWND child = GetDlgItem(hwnd, static_cast<int>(Number(a[index])));
  if (!child) throw std::invalid_argument("no control with id " + a[index]);
  return child;
}

std::string Posted(BOOL done) {
  return done ? mv::Object().Add("ok", true).Text() : mv::Error("PostMessage failed");
}

// Clicks a button as a user would: only when it is visible and enabled
// (BM_CLICK itself would also click a disabled button).
std::string Click(HWND button) {
  if (!IsWindowVisible(button)) return mv::Error("the control is hidden");
  if (!IsWindowEnabled(button)) return mv::Error("the control is disabled");
  return Posted(PostMessageA(button, BM_CLICK, 0, 0));
}

// A combo-box choice as a user makes it: select, then tell the parent.
std::string Select(HWND parent, HWND combo, int index) {
  if (!IsWindowEnabled(combo)) return mv::Error("the control is disabled");
  bool answered = false;
  LRESULT result = Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &answered);
  if (!answered || (result == CB_ERR && index != -1)) return mv::Error("no such item");
  int id = GetDlgCtrlID(combo);
  return Posted(PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo)));
}

std::string StripAmpersand(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '&') out += c;
  }
  return out;
}

// A dialog such as a message box: its caption, texts and buttons.
std::string Dialog(HWND dialog) {
  std::vector<HWND> found;
  EnumChildWindows(dialog, CollectWindow, reinterpret_cast<LPARAM>(&found));
  mv::Array texts, buttons;
  for (HWND hwnd : found) {
    std::string name = ClassOf(hwnd);
    std::string text = WindowText(hwnd);
    if (name == "Static" && !text.empty()) texts.Add(text);
    if (name == "Button" && IsWindowVisible(hwnd)) {
      buttons.Raw(mv::Object()
                      .Add("id", static_cast<int>(GetDlgCtrlID(hwnd)))
                      .Add("text", StripAmpersand(text))
                      .Add("enabled", IsWindowEnabled(hwnd) != FALSE)
                      .Text());
    }
  }
  return mv::Object()
      .Add("ok", true)
      .Add("hwnd", dialog)
      .Add("caption", WindowText(dialog))
      .Raw("texts", texts.Text())
      .Raw("buttons", buttons.Text())
      .Text();
}

// Presses a dialog button given by id or by its text (without '&').
std::string Press(HWND dialog, const std::string& which) {
  std::vector<HWND> found;
  EnumChildWindows(dialog, CollectWindow, reinterpret_cast<LPARAM>(&found));
  for (HWND hwnd : found) {
    if (ClassOf(hwnd) != "Button" || !IsWindowVisible(hwnd)) continue;
    int id = GetDlgCtrlID(hwnd);
    bool byText = StripAmpersand(WindowText(hwnd)) == StripAmpersand(which);
    bool byId = false;
    try {
      byId = static_cast<int>(Number(which)) == id;
    } catch (const std::invalid_argument&) {
    }
    if (!byText && !byId) continue;
    if (!IsWindowEnabled(hwnd)) return mv::Error("the button is disabled");
    return Posted(PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd)));
  }
  return mv::Error("no such button: " + which);
}

std::string Process(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
  if (!process) return mv::Object().Add("ok", true).Add("alive", false).Text();
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  mv::Object o;
  o.Add("ok", true).Add("alive", code == STILL_ACTIVE);
  if (code != STILL_ACTIVE) o.Add("exit_code", static_cast<long long>(static_cast<int>(code)));
  return o.Text();
}

// Runs one probe command inside the process that owns `target`: mvprobe.dll
// is hooked onto the target's thread, then the target is sent the request.
class Prober {
 public:
  std::string Run(mv::ProbeCommand command, HWND target, HWND subject) {
    if (!IsWindow(target)) return mv::Error("no such window");
    if (!hook_) {
      char path[MAX_PATH] = {};
      GetModuleFileNameA(nullptr, path, MAX_PATH);
      std::string probe = path;
      probe = probe.substr(0, probe.find_last_of("\\/") + 1) + "mvprobe.dll";
      library_ = LoadLibraryA(probe.c_str());
      if (!library_) return mv::Error("cannot load " + probe);
      hook_ = reinterpret_cast<HOOKPROC>(reinterpret_cast<UINT_PTR>(GetProcAddress(library_, "ProbeHook")));
      if (!hook_) return mv::Error("mvprobe.dll has no ProbeHook");
    }
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(target, &process);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, hook_, library_, thread);
    if (!hook) return mv::Error("SetWindowsHookEx failed");
    std::string path = mv::ProbeAnswerPath(process);
    DeleteFileA(path.c_str());
    static const UINT request = RegisterWindowMessageA(mv::kProbeMessage);
    DWORD_PTR result = 0;
    BOOL answered = SendMessageTimeoutA(target, request, command, reinterpret_cast<LPARAM>(subject),
                                        SMTO_ABORTIFHUNG, kProbeTimeoutMs, &result);
    UnhookWindowsHookEx(hook);
    std::string answer = answered ? ReadAnswer(path.c_str()) : mv::Error("the program did not answer");
    DeleteFileA(path.c_str());
    return answer;
  }

 private:
  static std::string ReadAnswer(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return mv::Error("the probe wrote no answer");
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  HMODULE library_ = nullptr;
  HOOKPROC hook_ = nullptr;
};

// Whether the notification area holds the icon (window, id): a modify that
// changes nothing succeeds only for an icon that is there.
std::string TrayIcon(HWND owner, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = 0;
  BOOL shown = Shell_NotifyIconA(NIM_MODIFY, &data);
  return mv::Object().Add("ok", true).Add("shown", shown != FALSE).Text();
}

struct PopupSearch {
  DWORD Process;
  HWND Found;
};

BOOL CALLBACK FindPopup(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<PopupSearch*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != search->Process || ClassOf(hwnd) != "#32768" || !IsWindowVisible(hwnd)) return TRUE;
  search->Found = hwnd;
  return FALSE;
}

// The open popup menus of a process, read through one of their windows.
std::string Popups(Prober& prober, DWORD process) {
  PopupSearch search{process, nullptr};
  EnumWindows(FindPopup, reinterpret_cast<LPARAM>(&search));
  if (!search.Found) return mv::Object().Add("ok", true).Raw("popups", "[]").Text();
  return prober.Run(mv::kProbePopup, search.Found, nullptr);
}

// The foreground window and, in its thread, the window with the keyboard
// focus: keys go to the latter.
std::string Foreground() {
  HWND foreground = GetForegroundWindow();
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND focus = GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info) ? info.hwndFocus : nullptr;
  return mv::Object().Add("ok", true).Add("hwnd", foreground).Add("focus", focus).Text();
}

// Whether a named mutex exists: another process can open it by its name.
std::string Mutex(const std::string& name) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
  const DWORD error = mutex ? 0 : GetLastError();
  if (mutex) CloseHandle(mutex);
  return mv::Object()
      .Add("ok", true)
      .Add("exists", mutex != nullptr)
      .Add("error", static_cast<long long>(error))
      .Text();
}

std::string Dispatch(const Args& a, Prober& prober) {
  const std::string& c = a.at(0);
  auto need = [&](size_t count) {
    if (a.size() < count) throw std::invalid_argument("too few arguments for " + c);
  };
  if (c == "help") return Help();
  if (c == "windows") return Windows();
  if (c == "foreground") return Foreground();
  if (c == "process") {
    need(2);
    return Process(Number(a[1]));
  }
  if (c == "popup") {
    need(2);
    return Popups(prober, Number(a[1]));
  }
  if (c == "mutex") {
    need(2);
    return Mutex(a[1]);
  }
  need(2);
  if (c == "children") return Children(Target(a, 99));
  if (c == "state") return Describe(Target(a, 2)).Add("ok", true).Text();
  if (c == "text") return mv::Object().Add("ok", true).Add("text", WindowText(Target(a, 2))).Text();
  if (c == "menu") return prober.Run(mv::kProbeMenu, Target(a, 99), Target(a, 99));
  if (c == "sysmenu") return prober.Run(mv::kProbeSystemMenu, Target(a, 99), Target(a, 99));
  if (c == "dialog") return Dialog(Target(a, 99));
  if (c == "textfit") return prober.Run(mv::kProbeTextFit, Target(a, 99), Target(a, 99));
  need(3);
  HWND hwnd = Target(a, 99);
  if (c == "command") {
    WORD code = a.size() > 3 ? static_cast<WORD>(Number(a[3])) : 0;
    return Posted(PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(Number(a[2]), code), 0));
  }
  if (c == "post" || c == "send") {
    UINT message = Number(a[2]);
    WPARAM w = a.size() > 3 ? Number(a[3]) : 0;
    LPARAM l = a.size() > 4 ? static_cast<LPARAM>(Number(a[4])) : 0;
    if (c == "post") return Posted(PostMessageA(hwnd, message, w, l));
    bool answered = false;
    LRESULT result = Send(hwnd, message, w, l, &answered);
    if (!answered) return mv::Error("the window did not answer");
    return mv::Object().Add("ok", true).Add("result", static_cast<long long>(result)).Text();
  }
  if (c == "press") return Press(hwnd, a[2]);
  if (c == "trayicon") return TrayIcon(hwnd, static_cast<UINT>(Number(a[2])));
  if (c == "click") return Click(Target(a, 2));
  if (c == "combo") return prober.Run(mv::kProbeCombo, Target(a, 2), Target(a, 2));
  if (c == "listview") return prober.Run(mv::kProbeListView, Target(a, 2), Target(a, 2));
  need(4);
  if (c == "settext") {
    bool answered = false;
    Send(Target(a, 2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[3].c_str()), &answered);
    return answered ? mv::Object().Add("ok", true).Text() : mv::Error("the control did not answer");
  }
  if (c == "select") return Select(hwnd, Target(a, 2), static_cast<int>(Number(a[3])));
  return mv::Error("unknown command " + c);
}

std::string Answer(const Args& a, Prober& prober) {
  try {
    return Dispatch(a, prober);
  } catch (const std::exception& e) {
    return mv::Error(e.what());
  }
}

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Moves this thread to a named desktop (`explorer /desktop=NAME`), whose
// windows EnumWindows lists only there. The desktop appears once the
// program's explorer has made it, so this waits for it.
bool JoinDesktop(const std::string& name) {
  for (int attempt = 0; attempt < 600; ++attempt) {
    HDESK desktop = OpenDesktopA(name.c_str(), 0, FALSE, GENERIC_ALL);
    if (desktop && SetThreadDesktop(desktop)) return true;
    if (desktop) CloseDesktop(desktop);
    Sleep(100);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  Prober prober;
  Args args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--desktop") {
    if (!JoinDesktop(args[1])) {
      Print(mv::Error("no desktop " + args[1]));
      return 1;
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) {
    Print(Help());
    return 0;
  }
  if (args[0] != "--serve") {
    std::string answer = Answer(args, prober);
    Print(answer);
    return answer.rfind("{\"ok\":true", 0) == 0 ? 0 : 1;
  }
  Print(mv::Object().Add("ok", true).Add("ready", true).Text());
  std::string line;
  while (std::getline(std::cin, line)) {
    Args words = Split(line);
    if (words.empty()) continue;
    if (words[0] == "quit") break;
    Print(Answer(words, prober));
  }
  return 0;
}
