#include "win32/app/MainDialogWindow.h"

#include <shellapi.h>

#include <array>

#include "core/app/MainDialogLook.h"
#include "resources/resource.h"
#include "win32/capture/Win32Finder.h"
#include "win32/framework/Gdi.h"
#include "win32/framework/PrivateMessages.h"
#include "win32/framework/VisualStyles.h"
#include "win32/ui/AboutDialog.h"
#include "win32/ui/VideoDescDialog.h"

namespace mavrion {

namespace {

COLORREF ToColorRef(const Colour& colour) { return RGB(colour.red, colour.green, colour.blue); }

RECT ToRect(const PixelRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

PixelRect ToPixelRect(const RECT& rect) { return PixelRect{rect.left, rect.top, rect.right, rect.bottom}; }

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

HMODULE Module() { return GetModuleHandleA(nullptr); }

// The keys of WM_RECORDER_HOTKEY's codes 1 to 4.
constexpr std::array<GlobalKey, 4> kGlobalKeys = {GlobalKey::F6, GlobalKey::F7, GlobalKey::F8, GlobalKey::F9};

// A control's rectangle in its dialog's client area.
PixelRect RectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return ToPixelRect(rect);
}

}  // namespace

// ---------------------------------------------------------------- window services

IconHandle MainWindowShellAdapter::LoadApplicationIcon() {
  return reinterpret_cast<IconHandle>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)));
}

void MainWindowShellAdapter::SetWindowIcons(IconHandle icon) {
  window_.Send(WM_SETICON, ICON_BIG, static_cast<LPARAM>(icon));
  window_.Send(WM_SETICON, ICON_SMALL, static_cast<LPARAM>(icon));
}

bool MainWindowShellAdapter::HasSystemMenu() { return GetSystemMenu(window_.Handle(), FALSE) != nullptr; }

std::string MainWindowShellAdapter::LoadText(int stringId) {
  char text[512] = {};
  const int length = LoadStringA(Module(), static_cast<UINT>(stringId), text, sizeof text);
  return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

void MainWindowShellAdapter::AppendSystemMenuSeparator() {
  AppendMenuA(GetSystemMenu(window_.Handle(), FALSE), MF_SEPARATOR, 0, nullptr);
}

void MainWindowShellAdapter::AppendSystemMenuItem(int commandId, const std::string& text) {
  AppendMenuA(GetSystemMenu(window_.Handle(), FALSE), MF_STRING, static_cast<UINT_PTR>(commandId), text.c_str());
}

void MainWindowShellAdapter::EndDialog(int result) { window_.EndDialog(result); }

void MainWindowShellAdapter::RunAboutBox() {
  AboutDialog about;
  about.DoModal();
}

void MainWindowShellAdapter::RunVideoDescription(CVideoDesc& description) {
  VideoDescDialog dialog(description, window_.Handle());
  dialog.DoModal();
}

void MainWindowShellAdapter::ShellOpen(const std::string& verb, const std::string& file) {
  ShellExecuteA(nullptr, verb.c_str(), file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---------------------------------------------------------------- the window

MainDialogWindow::MainDialogWindow(ProgramServices& services, const std::string& applicationName)
    : TrayDialogWindow(IDD_MAVRION_DIALOG, nullptr),
      view_(*this),
      shell_(*this),
      dialog_(CTovaskDlg::Ports{view_, shell_, TrayShellPort(), boxes_, framework::ProgramModalWindows(),
                                applicationName},
              [this, &services](CTovaskDlg& dialog) { return MakeMainDialogParts(dialog, services, Tasks()); }) {}

bool MainDialogWindow::OnInitDialog() {
  TrayDialogWindow::OnInitDialog();
  // The group captions take the dialog's caption colour only unthemed.
  for (int id : {IDC_AV_SETTINGS_GROUP, IDC_SCREEN_OPTIONS_GROUP, IDC_VIDEO_SIZE_NOTE}) {
    framework::UseClassicLook(Item(id));
  }
  return dialog_.InitialiseMainDialog();
}

bool MainDialogWindow::OnCommand(int id, int code, HWND control) {
  if (control != nullptr) {
    if (id == IDC_AUDIO_DEVICE_LIST) {
      if (code != CBN_SELCHANGE) return false;
      dialog_.OnAudioDeviceSelectionChange();
      return true;
    }
    // Clicks only (BN_CLICKED, and STN_CLICKED of the finder picture, are
    // both 0); the edits' and lists' notifications are no commands.
    if (code != BN_CLICKED) return false;
  }
  return dialog_.OnCommand(id);
}

bool MainDialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      Paint();
      result = 0;
      return true;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      result = ControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    case WM_DRAWITEM:
      DrawItem(static_cast<int>(wParam), *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_SYSCOMMAND:
      // The About entry here; Minimise goes to the tray base below.
      if (!dialog_.OnSysCommand(static_cast<unsigned>(wParam))) break;
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = static_cast<LRESULT>(dialog_.OnQueryDragIcon());
      return true;
    case WM_CLOSE:
      // Confirmed: the default course issues the Cancel command.
      result = 0;
      return !dialog_.OnClose();
    case framework::WM_RECORDER_HOTKEY:
      if (wParam >= 1 && wParam <= kGlobalKeys.size()) dialog_.OnRecorderHotKey(kGlobalKeys[wParam - 1]);
      result = 0;
      return true;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      RouteFinderMouse(Handle(), message);
      return false;
    case WM_DESTROY:
      dialog_.OnWindowDestroyed();
      return false;
    default:
      break;
  }
  return TrayDialogWindow::OnMessage(message, wParam, lParam, result);
}

void MainDialogWindow::Paint() {
  framework::PaintScope paint(Handle());
  const HDC dc = paint.Dc();
  const RECT client = ClientRectOf(Handle());
  RECT base{0, 0, 4, 8};
  MapDialogRect(Handle(), &base);
  const DialogUnits units{static_cast<std::int32_t>(base.right), static_cast<std::int32_t>(base.bottom)};
  const FrameControls controls{RectInParent(Item(IDC_AV_SETTINGS_GROUP)),
                               {RectInParent(Item(IDC_START_BUTTON)), RectInParent(Item(IDC_STOP_BUTTON)),
                                RectInParent(Item(IDC_PAUSE_BUTTON)), RectInParent(Item(IDC_SAVE_SETTINGS))}};
  for (const SolidFill& fill : FramePaintFills(client.right, client.bottom, units, controls)) {
    framework::FillSolidRect(dc, ToRect(fill.rect), ToColorRef(fill.colour));
  }
  if (IsIconic(Handle())) {
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const PixelPoint at = MinimisedIconPosition(client.right, client.bottom, GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON));
    DrawIcon(dc, at.x, at.y, reinterpret_cast<HICON>(dialog_.ApplicationIcon()));
  }
}

LRESULT MainDialogWindow::ControlColour(UINT message, HDC dc, HWND control) {
  // The default colour handling first: it sets the default colours and
  // answers the default brush.
  const LRESULT defaultBrush = DefWindowProcA(Handle(), message, reinterpret_cast<WPARAM>(dc),
                                              reinterpret_cast<LPARAM>(control));
  const ControlColourType type = message == WM_CTLCOLORBTN      ? ControlColourType::Button
                                 : message == WM_CTLCOLORSTATIC ? ControlColourType::Static
                                                                : ControlColourType::Other;
  const ControlColours colours = ChooseControlColours(type, GetDlgCtrlID(control));
  if (colours.text) SetTextColor(dc, ToColorRef(*colours.text));
  if (colours.textBackground) SetBkColor(dc, ToColorRef(*colours.textBackground));
  if (colours.hollowBrush) return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  return defaultBrush;
}

void MainDialogWindow::DrawItem(int id, const DRAWITEMSTRUCT& item) {
  const std::optional<OwnerDrawnButtonLook> drawn =
      OwnerDrawnButton(id, IsWindowEnabled(item.hwndItem) != FALSE, (item.itemState & ODS_SELECTED) != 0,
                       ToPixelRect(item.rcItem));
  if (!drawn) return;
  RECT rect = ToRect(drawn->rect);
  framework::FillSolidRect(item.hDC, rect, ToColorRef(drawn->face));
  DrawEdge(item.hDC, &rect, drawn->sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  SetTextColor(item.hDC, ToColorRef(drawn->text));
  SetBkMode(item.hDC, TRANSPARENT);
  char text[260] = {};
  const int length = GetWindowTextA(item.hwndItem, text, sizeof text);
  DrawTextA(item.hDC, text, length, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace mavrion
