#include "win32/framework/UiTasks.h"

#include <memory>

#include "win32/framework/PrivateMessages.h"

namespace mavrion::framework {

using Task = std::function<void()>;

void WindowTaskDispatcher::Attach(HWND window) {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
}

void WindowTaskDispatcher::Detach() {
  HWND window;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window = window_;
    window_ = nullptr;
  }
  if (window == nullptr) return;
  // Nothing can be posted any more; free what is still queued.
  MSG message;
  while (PeekMessageA(&message, window, WM_UI_TASK, WM_UI_TASK, PM_REMOVE)) {
    delete reinterpret_cast<Task*>(message.lParam);
  }
}

void WindowTaskDispatcher::Post(std::function<void()> task) {
  auto owned = std::make_unique<Task>(std::move(task));
  // The lock keeps Detach from draining between the check and the post.
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_ == nullptr) return;
  if (PostMessageA(window_, WM_UI_TASK, 0, reinterpret_cast<LPARAM>(owned.get()))) owned.release();
}

void WindowTaskDispatcher::RunPosted(LPARAM lParam) {
  std::unique_ptr<Task> task(reinterpret_cast<Task*>(lParam));
  if (!task || !*task) return;
  try {
    (*task)();
  } catch (...) {
    // A failing task must not unwind into the system's message loop.
  }
}

}  // namespace mavrion::framework
