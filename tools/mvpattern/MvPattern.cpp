// mvpattern.exe: a borderless window over the whole primary screen, painted
// with coloured tiles 30 pixels wide (not a multiple of the codec's 4-pixel
// blocks, so a picture recorded a few pixels off, mirrored or with its red
// and blue swapped differs clearly from a screenshot) and a grey ramp along
// the top. Any key or click ends it.
#include <windows.h>

namespace {

constexpr int kTile = 30;
constexpr int kRampHeight = 20;

COLORREF TileColour(int column, int row) {
  return RGB((column * 37 + row * 11) % 256, (row * 53 + 40) % 256, (column * 97 + row * 71 + 90) % 256);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  for (int top = 0; top < client.bottom; top += kTile) {
    for (int left = 0; left < client.right; left += kTile) {
      RECT tile = {left, top, left + kTile, top + kTile};
      HBRUSH brush = CreateSolidBrush(TileColour(left / kTile, top / kTile));
      FillRect(dc, &tile, brush);
      DeleteObject(brush);
    }
  }
  for (int x = 0; x < client.right; ++x) {
    const int level = x * 255 / (client.right > 1 ? client.right - 1 : 1);
    RECT line = {x, 0, x + 1, kRampHeight};
    HBRUSH brush = CreateSolidBrush(RGB(level, level, level));
    FillRect(dc, &line, brush);
    DeleteObject(brush);
  }
  EndPaint(hwnd, &paint);
}

LRESULT CALLBACK PatternProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PatternProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "MvPattern";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(wc.lpszClassName, "Mavrion Test Pattern", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                            GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
