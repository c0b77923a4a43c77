#pragma once
// The small platform ports over plain kernel and user calls.
#include <windows.h>

#include "core/platform/Clock.h"
#include "core/platform/ExecutableLocation.h"
#include "core/platform/MessageBoxes.h"
#include "core/platform/Threads.h"

namespace mavrion::framework {

class Win32MessageBoxes : public MessageBoxes {
 public:
  int Show(WindowHandle owner, const std::string& text, const std::string& caption, unsigned style) override;
};

class Win32Clock : public Clock {
 public:
  std::uint32_t TickCount() override;
  LocalTime Now() override;
  void Sleep(std::uint32_t milliseconds) override;
};

class Win32ExecutableLocation : public ExecutableLocation {
 public:
  std::string ExecutablePath() override;
};

// Threads run detached; the body's exceptions end the thread quietly.
class Win32ThreadStarter : public ThreadStarter {
 public:
  bool Start(std::function<void()> body) override;
};

}  // namespace mavrion::framework
