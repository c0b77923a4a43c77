// hodll.dll: reports F6 to F9, pressed anywhere on the desktop, to one window.
//
// A low-level keyboard hook is global without being injected into other
// processes, but the system calls it on the thread that set it, and every key
// of the desktop waits until it returns. The library therefore sets it on a
// thread of its own that does nothing but run the hook: the caller's thread
// may be busy for seconds (starting the encoder) without making the desktop's
// keyboard lag or the system drop the hook for answering too slowly. The hook
// posts its message, so it never waits for the window either.
#include "hodll/hodll.h"

#include <atomic>

#include "hodll/HotkeyFilter.h"

namespace {

HMODULE g_module = nullptr;
SRWLOCK g_lock = SRWLOCK_INIT;  // orders installhook and UnHook calls
HANDLE g_thread = nullptr;      // the hook thread while the hook is in place
DWORD g_threadId = 0;
std::atomic<HWND> g_target{nullptr};  // written by the callers, read by the hook
mavrion::HotkeyFilter g_filter;        // the hook thread's alone

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    const bool keyDown = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const bool keyUp = message == WM_KEYUP || message == WM_SYSKEYUP;
    const unsigned offset = key->vkCode - mavrion::HotkeyFilter::kFirstKey;
    if ((keyDown || keyUp) && offset < mavrion::HotkeyFilter::kKeyCount) {
      // Inside the hook the asynchronous state still shows the key as it was
      // before this event.
      const bool heldBefore = (GetAsyncKeyState(static_cast<int>(key->vkCode)) & 0x8000) != 0;
      const int hotkey = g_filter.OnKey(key->vkCode, keyDown, heldBefore);
      const HWND target = g_target.load();
      if (hotkey != 0 && target != nullptr) {
        PostMessageA(target, mavrion::framework::WM_RECORDER_HOTKEY, static_cast<WPARAM>(hotkey), 0);
      }
    }
  }
  // Never swallow a key: the focused application still gets it.
  return CallNextHookEx(nullptr, code, message, data);
}

struct ThreadStart {
  HANDLE ready = nullptr;
  bool hooked = false;
};

DWORD WINAPI HookThreadMain(void* parameter) {
  auto* start = static_cast<ThreadStart*>(parameter);
  MSG message;
  // Creates this thread's queue so that UnHook can post WM_QUIT to it.
  PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  g_filter.Reset();
  const HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, g_module, 0);
  start->hooked = hook != nullptr;
  SetEvent(start->ready);  // start belongs to the caller again from here
  if (hook == nullptr) return 1;
  // The hook runs while this loop waits for messages.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  UnhookWindowsHookEx(hook);
  return 0;
}

// Called with g_lock held. Answers whether the hook is in place.
bool StartHookThread() {
  ThreadStart start;
  start.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (start.ready == nullptr) return false;
  DWORD threadId = 0;
  HANDLE thread = CreateThread(nullptr, 0, HookThreadMain, &start, 0, &threadId);
  if (thread != nullptr) {
    WaitForSingleObject(start.ready, INFINITE);
    if (start.hooked) {
      g_thread = thread;
      g_threadId = threadId;
    } else {
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
    }
  }
  CloseHandle(start.ready);
  return g_thread != nullptr;
}

}  // namespace

extern "C" {

int __cdecl installhook(HWND window) {
  AcquireSRWLockExclusive(&g_lock);
  g_target.store(window);
  const bool hooked = g_thread != nullptr || StartHookThread();
  ReleaseSRWLockExclusive(&g_lock);
  return hooked ? 1 : 0;
}

void __cdecl UnHook(void) {
  AcquireSRWLockExclusive(&g_lock);
  g_target.store(nullptr);
  if (g_thread != nullptr) {
    PostThreadMessageA(g_threadId, WM_QUIT, 0, 0);
    // The hook thread never waits for anything, so it ends at once; after
    // this no key is reported any more.
    WaitForSingleObject(g_thread, INFINITE);
    CloseHandle(g_thread);
    g_thread = nullptr;
    g_threadId = 0;
  }
  ReleaseSRWLockExclusive(&g_lock);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
    // The hook thread runs this library's code: keep it loaded for the
    // process's life even if a caller frees it.
    HMODULE pinned = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(&KeyboardHook), &pinned);
  }
  return TRUE;
}

}  // extern "C"
