#pragma once
// Handing work to a dialog's thread: a task is posted to the dialog window
// as WM_UI_TASK and run by its dialog procedure.
#include <windows.h>

#include <functional>
#include <mutex>

#include "core/platform/Threads.h"

namespace mavrion::framework {

class WindowTaskDispatcher : public UiDispatcher {
 public:
  WindowTaskDispatcher() = default;
  WindowTaskDispatcher(const WindowTaskDispatcher&) = delete;
  WindowTaskDispatcher& operator=(const WindowTaskDispatcher&) = delete;
  ~WindowTaskDispatcher() override { Detach(); }

  // From the window's creation on, posted tasks reach it.
  void Attach(HWND window);
  // Called on the window's thread while it is destroyed: later tasks are
  // dropped at once, and tasks still queued for the window are freed unrun.
  void Detach();

  // Any thread. A task posted while no window is attached is dropped.
  void Post(std::function<void()> task) override;

  // The dialog procedure's side: runs and frees the task a WM_UI_TASK
  // carries. Exceptions stay inside.
  static void RunPosted(LPARAM lParam);

 private:
  std::mutex mutex_;
  HWND window_ = nullptr;
};

}  // namespace mavrion::framework
