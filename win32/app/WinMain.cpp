// Program entry: the application object and the instance mutex live as
// global objects, constructed in this order before WinMain and destroyed in
// the reverse order after it (the mutex handle is closed first).
#include <windows.h>

#include "win32/app/CTovaskApp.h"

namespace {

class InstanceMutex {
 public:
  InstanceMutex() : handle_(CreateMutexA(nullptr, FALSE, mavrion::kInstanceMutexName)) {}
  ~InstanceMutex() {
    if (handle_ != nullptr) {
      CloseHandle(handle_);
      handle_ = nullptr;
    }
  }
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

 private:
  HANDLE handle_;
};

mavrion::CTovaskApp theApp;
InstanceMutex theInstanceMutex;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  theApp.InitInstance();
  return 0;
}
