#pragma once
// Running work on other threads and handing work back to the dialog's thread.
#include <functional>

namespace mavrion {

class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;
  // Starts body on a new thread at normal priority with the default stack.
  // Answers false when no thread could be made.
  virtual bool Start(std::function<void()> body) = 0;
};

// Queues a task for the dialog's (user-interface) thread; it runs there when
// that thread next handles messages. Safe to call from any thread. A task
// posted after the window is gone is dropped, never run.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace mavrion
