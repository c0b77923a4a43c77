#pragma once
// A window known only by its handle. The object never owns the window: the
// window's life is the system's (or its dialog's) business.
#include <windows.h>

#include <string>

namespace mavrion::framework {

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window() = default;

  HWND Handle() const { return handle_; }
  bool Exists() const { return handle_ != nullptr && IsWindow(handle_) != FALSE; }

  void Show(int command) const { ShowWindow(handle_, command); }
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
  void Enable(bool enabled) const { EnableWindow(handle_, enabled ? TRUE : FALSE); }
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }

  std::string Text() const {
    const int length = GetWindowTextLengthA(handle_);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
  }
  void SetText(const std::string& text) const { SetWindowTextA(handle_, text.c_str()); }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageA(handle_, message, wParam, lParam);
  }
  bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return PostMessageA(handle_, message, wParam, lParam) != FALSE;
  }

 protected:
  void SetHandle(HWND handle) { handle_ = handle; }

 private:
  HWND handle_ = nullptr;
};

}  // namespace mavrion::framework
