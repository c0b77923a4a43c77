#include "win32/framework/PlatformPorts.h"

#include <system_error>
#include <thread>

#include "win32/framework/Dialog.h"

namespace mavrion::framework {

int Win32MessageBoxes::Show(WindowHandle owner, const std::string& text, const std::string& caption,
                            unsigned style) {
  const ModalWindows::Scope counted(ProgramModalWindows());
  return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

std::uint32_t Win32Clock::TickCount() { return GetTickCount(); }

LocalTime Win32Clock::Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::string Win32ExecutableLocation::ExecutablePath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A cut path (the buffer was too small) names no real file.
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(path, length);
}

bool Win32ThreadStarter::Start(std::function<void()> body) {
  try {
    std::thread([work = std::move(body)] {
      try {
        work();
      } catch (...) {
        // Nothing may leave a thread's entry.
      }
    }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace mavrion::framework
