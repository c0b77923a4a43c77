// mvpattern.exe: a borderless window over the whole primary screen, painted
// with coloured tiles 30 pixels wide (not a multiple of the codec's 4-pixel
// blocks, so a picture recorded a few pixels off, mirrored or with its red
// and blue swapped differs clearly from a screenshot) and a grey ramp along
// the top. With --ticker, a small square below the ramp takes a new colour
// every 1/30 s (for measuring how many different frames a recording
// holds). With --scroll, the whole picture also moves every 1/30 s, as a
// video or a page scrolled all the time would. Any key or click ends it.
#include <windows.h>

namespace {

constexpr int kTile = 30;
constexpr int kRampHeight = 20;
constexpr RECT kTicker = {40, 40, 104, 104};
constexpr UINT_PTR kTickerTimer = 1;

bool gTicker = false;
bool gScroll = false;
DWORD gTickerStep = 0;  // the 1/30 s the square shows
// The picture is drawn once, this much larger than the window, and shown
// from a position that moves 3 pixels across and 2 down each step.
constexpr int kScrollReach = 300;
HDC gPicture = nullptr;

COLORREF TickerColour(DWORD step) {
  return RGB((step * 67) % 256, (step * 151 + 80) % 256, (step * 29 + 160) % 256);
}

void PaintTicker(HDC dc) {
  HBRUSH brush = CreateSolidBrush(TickerColour(gTickerStep));
  FillRect(dc, &kTicker, brush);
  DeleteObject(brush);
}

COLORREF TileColour(int column, int row) {
  return RGB((column * 37 + row * 11) % 256, (row * 53 + 40) % 256, (column * 97 + row * 71 + 90) % 256);
}

void DrawPattern(HDC dc, const RECT& client) {
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
}

void ShowScrolled(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  if (gPicture == nullptr) {
    RECT large = {0, 0, client.right + kScrollReach, client.bottom + kScrollReach};
    gPicture = CreateCompatibleDC(dc);
    SelectObject(gPicture, CreateCompatibleBitmap(dc, large.right, large.bottom));
    DrawPattern(gPicture, large);
  }
  const int x = static_cast<int>(gTickerStep * 3 % kScrollReach), y = static_cast<int>(gTickerStep * 2 % kScrollReach);
  BitBlt(dc, 0, 0, client.right, client.bottom, gPicture, x, y, SRCCOPY);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  if (gScroll) {
    ShowScrolled(hwnd, dc);
  } else {
    DrawPattern(dc, client);
  }
  if (gTicker) PaintTicker(dc);
  EndPaint(hwnd, &paint);
}

LRESULT CALLBACK PatternProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_TIMER: {
      // The timer runs faster than 30 Hz; the square changes when the
      // 1/30 s it shows has passed.
      const DWORD step = GetTickCount() * 3 / 100;
      if (step != gTickerStep) {
        gTickerStep = step;
        HDC dc = GetDC(hwnd);
        if (gScroll) ShowScrolled(hwnd, dc);
        PaintTicker(dc);
        ReleaseDC(hwnd, dc);
      }
      return 0;
    }
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  gScroll = commandLine != nullptr && lstrcmpA(commandLine, "--scroll") == 0;
  gTicker = gScroll || (commandLine != nullptr && lstrcmpA(commandLine, "--ticker") == 0);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PatternProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "MvPattern";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(wc.lpszClassName, "Mavrion Test Pattern", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                            GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  if (gTicker) SetTimer(hwnd, kTickerTimer, 5, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
