// mvfixture.exe: a window with one control of each kind the end-to-end tests
// read and drive (buttons, check box, radios, combo box, list view, edit, a
// menu bar, a popup menu and a message box), so the bench's own test checks
// mvdrive.exe and mvprobe.dll against known answers. The status line (id
// 1008) tells what the window last received.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {

enum : int {
  kAsk = 1001,
  kFlash = 1002,
  kAudio = 1003,
  kVideo = 1004,
  kRate = 1005,
  kList = 1006,
  kEdit = 1007,
  kStatus = 1008,
  kDisabled = 1009,
  kMenuStart = 2001,
  kMenuStop = 2002,
  kMenuFlash = 2003,
  kMenuAbout = 2004,
  kPopupShow = 3001,
  kPopupExit = 3002,
};

const UINT kShowPopup = WM_APP + 1;
HINSTANCE instance;

HWND Make(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void Status(HWND hwnd, const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  SetDlgItemTextA(hwnd, kStatus, text);
}

HMENU MenuBar() {
  HMENU options = CreatePopupMenu();
  AppendMenuA(options, MF_STRING, kMenuStart, "&Start");
  AppendMenuA(options, MF_STRING | MF_GRAYED, kMenuStop, "S&top");
  AppendMenuA(options, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(options, MF_STRING | MF_CHECKED, kMenuFlash, "&Flash");
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, kMenuAbout, "&About");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "&Options");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
  return bar;
}

void Populate(HWND hwnd) {
  Make(hwnd, "Button", "&Ask", BS_PUSHBUTTON, kAsk, 10, 10, 80, 24);
  HWND flash = Make(hwnd, "Button", "Flash", BS_AUTOCHECKBOX, kFlash, 100, 10, 80, 24);
  SendMessageA(flash, BM_SETCHECK, BST_CHECKED, 0);
  Make(hwnd, "Button", "Audio", BS_AUTORADIOBUTTON | WS_GROUP, kAudio, 190, 10, 80, 24);
  HWND video = Make(hwnd, "Button", "Video", BS_AUTORADIOBUTTON, kVideo, 280, 10, 80, 24);
  SendMessageA(video, BM_SETCHECK, BST_CHECKED, 0);
  HWND rate = Make(hwnd, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, kRate, 10, 44, 80, 120);
  const char* rates[] = {"5", "10", "15"};
  for (const char* r : rates) SendMessageA(rate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r));
  SendMessageA(rate, CB_SETCURSEL, 1, 0);
  HWND list = Make(hwnd, WC_LISTVIEWA, "", LVS_REPORT | WS_BORDER, kList, 100, 44, 260, 90);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 40;
  column.pszText = const_cast<char*>("No");
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = 200;
  column.pszText = const_cast<char*>("Title");
  SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
  const char* rows[][2] = {{"1", "Notepad"}, {"2", "Calculator"}};
  for (int row = 0; row < 2; ++row) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(rows[row][0]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(rows[row][1]);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  LVITEMA selected = {};
  selected.stateMask = LVIS_SELECTED;
  selected.state = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
  Make(hwnd, "Edit", "hello", WS_BORDER | ES_AUTOHSCROLL, kEdit, 10, 140, 120, 22);
  Make(hwnd, "Static", "ready", SS_LEFT, kStatus, 140, 140, 220, 22);
  EnableWindow(Make(hwnd, "Button", "Disabled", BS_PUSHBUTTON, kDisabled, 10, 170, 80, 24), FALSE);
}

void ShowPopup(HWND hwnd) {
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, kPopupShow, "Show");
  AppendMenuA(popup, MF_STRING | MF_GRAYED, kPopupExit, "Exit");
  SetForegroundWindow(hwnd);
  UINT chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY, 200, 200, 0, hwnd, nullptr);
  DestroyMenu(popup);
  Status(hwnd, "popup=%d", static_cast<int>(chosen));
}

LRESULT CALLBACK FixtureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      Populate(hwnd);
      return 0;
    case WM_COMMAND: {
      int id = LOWORD(wp);
      if (id == kAsk) {
        int answer = MessageBoxA(hwnd, "Proceed with the fixture?", "Fixture Question", MB_YESNO | MB_ICONQUESTION);
        Status(hwnd, "answer=%d", answer);
      } else if (id == kRate && HIWORD(wp) == CBN_SELCHANGE) {
        Status(hwnd, "rate=%d", static_cast<int>(SendDlgItemMessageA(hwnd, kRate, CB_GETCURSEL, 0, 0)));
      } else if (id >= kMenuStart && id <= kMenuAbout) {
        Status(hwnd, "menu=%d", id);
      }
      return 0;
    }
    case kShowPopup:
      ShowPopup(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(3);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hinstance, HINSTANCE, LPSTR, int show) {
  instance = hinstance;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FixtureProc;
  wc.hInstance = hinstance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "MvFixture";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(wc.lpszClassName, "Mavrion Bench Fixture", WS_OVERLAPPEDWINDOW, 40, 40, 400, 260,
                            nullptr, MenuBar(), hinstance, nullptr);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
