// mvprobe.dll: runs inside the program's process. Under Wine menus belong to
// their process (another process reads -1 items), and list-view and
// combo-box texts need buffers in the owning process, so these reads happen
// here. mvdrive.exe installs ProbeHook as a WH_CALLWNDPROC hook on the
// window's thread (which loads this library there) and sends the window the
// "MvProbeRequest" message; the hook answers one JSON line into
// %TEMP%\mvprobe-<process id>.json. Neither side writes the other's memory:
// that also works where Wine cannot (an emulated i386 wineserver).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../mvdrive/Json.h"
#include "../mvdrive/ProbeCommands.h"

namespace {

const UINT kTimeoutMs = 5000;

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, kTimeoutMs, &result)) {
    return -1;
  }
  return static_cast<LRESULT>(result);
}

std::string MenuItems(HMENU menu, int depth) {
  mv::Array items;
  int count = GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos) {
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &info)) continue;
    UINT flags = GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION);
    mv::Object item;
    item.Add("pos", pos)
        .Add("id", info.hSubMenu ? -1 : static_cast<int>(info.wID))
        .Add("text", text)
        .Add("separator", (info.fType & MFT_SEPARATOR) != 0)
        .Add("grayed", (flags & MF_GRAYED) != 0)
        .Add("disabled", (flags & MF_DISABLED) != 0)
        .Add("enabled", (flags & (MF_GRAYED | MF_DISABLED)) == 0)
        .Add("checked", (flags & MF_CHECKED) != 0)
        .Add("radio", (info.fType & MFT_RADIOCHECK) != 0)
        .Add("default", (info.fState & MFS_DEFAULT) != 0);
    if (info.hSubMenu && depth < 8) item.Raw("items", MenuItems(info.hSubMenu, depth + 1));
    items.Raw(item.Text());
  }
  return items.Text();
}

std::string ReadMenuBar(HWND window) {
  HMENU menu = GetMenu(window);
  if (!menu) return mv::Error("the window has no menu bar");
  return mv::Object().Add("ok", true).Raw("items", MenuItems(menu, 0)).Text();
}

// The window's own system menu, as GetSystemMenu(window, FALSE) hands it
// to the window's process (items appended by the program included).
std::string ReadSystemMenu(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return mv::Error("the window has no system menu");
  return mv::Object().Add("ok", true).Raw("items", MenuItems(menu, 0)).Text();
}

struct PopupSearch {
  DWORD Process;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectPopup(HWND hwnd, LPARAM lparam) {
  auto* search = reinterpret_cast<PopupSearch*>(lparam);
  char name[16] = {};
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  GetClassNameA(hwnd, name, sizeof name);
  if (process == search->Process && lstrcmpA(name, "#32768") == 0 && IsWindowVisible(hwnd)) {
    search->Found.push_back(hwnd);
  }
  return TRUE;
}

// The open popup menus (class #32768) of this process, first the outermost.
std::string ReadPopups() {
  PopupSearch search{GetCurrentProcessId(), {}};
  EnumWindows(CollectPopup, reinterpret_cast<LPARAM>(&search));
  mv::Array popups;
  for (auto it = search.Found.rbegin(); it != search.Found.rend(); ++it) {
    HMENU menu = reinterpret_cast<HMENU>(Send(*it, MN_GETHMENU, 0, 0));
    if (!menu || menu == reinterpret_cast<HMENU>(-1)) continue;
    popups.Raw(mv::Object().Add("hwnd", *it).Raw("items", MenuItems(menu, 0)).Text());
  }
  return mv::Object().Add("ok", true).Raw("popups", popups.Text()).Text();
}

std::string ReadListView(HWND list) {
  HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER, 0, 0));
  int columns = header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  if (columns < 1) columns = 1;
  mv::Array headings;
  for (int column = 0; column < columns; ++column) {
    char text[256] = {};
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = sizeof text - 1;
    Send(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
    headings.Add(text);
  }
  mv::Array rows;
  int count = static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    mv::Array cells;
    for (int column = 0; column < columns; ++column) {
      char text[512] = {};
      LVITEMA item = {};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = sizeof text - 1;
      Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
      cells.Add(text);
    }
    UINT state = static_cast<UINT>(
        Send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK));
    rows.Raw(mv::Object()
                 .Raw("cells", cells.Text())
                 .Add("selected", (state & LVIS_SELECTED) != 0)
                 .Add("focused", (state & LVIS_FOCUSED) != 0)
                 .Add("checked", ((state & LVIS_STATEIMAGEMASK) >> 12) == 2)
                 .Text());
  }
  return mv::Object().Add("ok", true).Raw("columns", headings.Text()).Raw("rows", rows.Text()).Text();
}

std::string ReadCombo(HWND combo) {
  int count = static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0));
  if (count < 0) return mv::Error("not a combo box");
  mv::Array items;
  for (int index = 0; index < count; ++index) {
    int length = static_cast<int>(Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    std::string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
    if (length > 0) Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    items.Add(text.c_str());
  }
  int selected = static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0));
  char current[512] = {};
  Send(combo, WM_GETTEXT, sizeof current, reinterpret_cast<LPARAM>(current));
  return mv::Object()
      .Add("ok", true)
      .Raw("items", items.Text())
      .Add("selected", selected)
      .Add("text", current)
      .Text();
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lparam) {
  reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(hwnd);
  return TRUE;
}

// Every child of a dialog with its text measured as it is drawn: in the
// control's font, on one line and wrapped at the control's width, and for
// buttons the size the button itself asks for (BCM_GETIDEALSIZE), so a
// test can tell a label that does not fit its control.
std::string ReadTextFit(HWND dialog) {
  std::vector<HWND> children;
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  mv::Array controls;
  for (HWND control : children) {
    char text[1024] = {};
    const int length = GetWindowTextA(control, text, sizeof text);
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    RECT client{};
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(Send(control, WM_GETFONT, 0, 0)));
    RECT line{0, 0, 0, 0};
    DrawTextA(dc, text, length, &line, DT_CALCRECT | DT_SINGLELINE);
    RECT wrapped{0, 0, client.right, 0};
    DrawTextA(dc, text, length, &wrapped, DT_CALCRECT | DT_WORDBREAK);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    mv::Object entry;
    entry.Add("id", static_cast<int>(GetDlgCtrlID(control)))
        .Add("class", name)
        .Add("style", static_cast<long long>(GetWindowLongA(control, GWL_STYLE)))
        .Add("text", text)
        .Add("visible", IsWindowVisible(control) != FALSE)
        .Add("width", static_cast<int>(client.right))
        .Add("height", static_cast<int>(client.bottom))
        .Add("line_width", static_cast<int>(line.right))
        .Add("line_height", static_cast<int>(line.bottom))
        .Add("wrapped_height", static_cast<int>(wrapped.bottom))
        .Add("average_char_width", static_cast<int>(metrics.tmAveCharWidth));
    SIZE ideal{};
    if (lstrcmpiA(name, "Button") == 0 && Send(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) > 0) {
      entry.Add("ideal_width", static_cast<int>(ideal.cx)).Add("ideal_height", static_cast<int>(ideal.cy));
    }
    controls.Raw(entry.Text());
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT units{0, 0, 4, 8};
  MapDialogRect(dialog, &units);
  return mv::Object()
      .Add("ok", true)
      .Add("dpi", dpi)
      .Add("base_x", static_cast<int>(units.right))
      .Add("base_y", static_cast<int>(units.bottom))
      .Raw("controls", controls.Text())
      .Text();
}

std::string Answer(UINT command, HWND window) {
  if (command == mv::kProbePopup) return ReadPopups();
  if (!IsWindow(window)) return mv::Error("no such window");
  if (command == mv::kProbeMenu) return ReadMenuBar(window);
  if (command == mv::kProbeListView) return ReadListView(window);
  if (command == mv::kProbeCombo) return ReadCombo(window);
  if (command == mv::kProbeSystemMenu) return ReadSystemMenu(window);
  if (command == mv::kProbeTextFit) return ReadTextFit(window);
  return mv::Error("unknown probe command");
}

void Reply(UINT command, HWND window) {
  std::string answer;
  try {
    answer = Answer(command, window);
  } catch (...) {
    answer = mv::Error("the probe failed");
  }
  FILE* file = std::fopen(mv::ProbeAnswerPath(GetCurrentProcessId()).c_str(), "wb");
  if (!file) return;
  std::fputs((answer + "\n").c_str(), file);
  std::fclose(file);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wparam, LPARAM lparam) {
  static const UINT request = RegisterWindowMessageA(mv::kProbeMessage);
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && sent && sent->message == request) {
    Reply(static_cast<UINT>(sent->wParam), reinterpret_cast<HWND>(sent->lParam));
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
