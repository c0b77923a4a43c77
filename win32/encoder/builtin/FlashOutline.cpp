#include "win32/encoder/builtin/FlashOutline.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "core/encoder/builtin/model/OutlineBars.h"

namespace mavrion::win32 {
namespace {

using encoder::builtin::OutlineBar;

constexpr const char* kOutlineClass = "MavrionAreaOutline";
constexpr DWORD kExcludeFromCapture = 0x11;  // WDA_EXCLUDEFROMCAPTURE
constexpr UINT kBlinkMs = 500;
constexpr COLORREF kOutlineColour = RGB(255, 0, 0);

LRESULT CALLBACK OutlineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      SetBkColor(dc, kOutlineColour);
      ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &paint.rcPaint, nullptr, 0, nullptr);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterOutlineClass() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = OutlineProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.lpszClassName = kOutlineClass;
  return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Asks the system to keep a window out of screen captures; false where it
// cannot (before Windows 10 2004, or no such call at all).
bool ExcludeFromCapture(HWND window) {
  using SetAffinity = BOOL(WINAPI*)(HWND, DWORD);
  HMODULE user = GetModuleHandleA("user32.dll");
  auto set = user ? reinterpret_cast<SetAffinity>(reinterpret_cast<void*>(GetProcAddress(user, "SetWindowDisplayAffinity")))
                  : nullptr;
  return set != nullptr && set(window, kExcludeFromCapture) != 0;
}

// What the outline's thread and the dialog's thread share.
struct OutlineState {
  std::atomic<bool> quit{false};
  std::atomic<DWORD> threadId{0};  // 0 until the thread has its queue
};

void RunOutline(const std::shared_ptr<OutlineState>& state, const std::vector<OutlineBar>& bars) {
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
  state->threadId.store(GetCurrentThreadId());
  std::vector<HWND> windows;
  if (RegisterOutlineClass()) {
    for (const OutlineBar& bar : bars) {
      const ScreenRect& r = bar.rect;
      HWND window = CreateWindowExA(
          WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE, kOutlineClass, "",
          WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr),
          nullptr);
      if (window == nullptr) continue;
      if (bar.inside && !ExcludeFromCapture(window)) {
        DestroyWindow(window);
        continue;
      }
      SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
      ShowWindow(window, SW_SHOWNOACTIVATE);
      windows.push_back(window);
    }
  }
  const UINT_PTR timer = SetTimer(nullptr, 0, kBlinkMs, nullptr);
  bool lit = true;
  while (!state->quit.load() && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) {
      lit = !lit;
      for (HWND window : windows) SetLayeredWindowAttributes(window, 0, lit ? 255 : 0, LWA_ALPHA);
      continue;
    }
    DispatchMessageA(&message);
  }
  if (timer != 0) KillTimer(nullptr, timer);
  for (HWND window : windows) DestroyWindow(window);
}

class OutlineOnScreen : public encoder::builtin::FlashingOutline {
 public:
  explicit OutlineOnScreen(std::shared_ptr<OutlineState> state) : state_(std::move(state)) {}
  ~OutlineOnScreen() override {
    // Its thread also looks at the flag at every blink, should it not
    // have had a queue for the message yet.
    state_->quit.store(true);
    if (const DWORD thread = state_->threadId.load()) PostThreadMessageA(thread, WM_QUIT, 0, 0);
  }

 private:
  std::shared_ptr<OutlineState> state_;
};

}  // namespace

std::unique_ptr<encoder::builtin::FlashingOutline> Win32AreaOutline::Show(const ScreenRect& area) {
  const ScreenRect desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                           GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  std::vector<OutlineBar> bars = encoder::builtin::OutlineBars(area, desktop);
  if (bars.empty()) return nullptr;
  auto state = std::make_shared<OutlineState>();
  try {
    std::thread thread([state, bars = std::move(bars)] {
      try {
        RunOutline(state, bars);
      } catch (...) {
      }
    });
    thread.detach();
  } catch (...) {
    return nullptr;
  }
  auto outline = std::unique_ptr<OutlineOnScreen>(new (std::nothrow) OutlineOnScreen(state));
  if (!outline) state->quit.store(true);
  return outline;
}

}  // namespace mavrion::win32
