#include "win32/encoder/builtin/GdiScreenSource.h"

#include <windows.h>

#include <new>

namespace mavrion::win32 {
namespace {

using encoder::builtin::BgraImage;

class GdiScreenGrabber : public encoder::builtin::ScreenGrabber {
 public:
  explicit GdiScreenGrabber(const ScreenRect& area)
      : area_(area), width_(area.right - area.left), height_(area.bottom - area.top) {}
  GdiScreenGrabber(const GdiScreenGrabber&) = delete;
  GdiScreenGrabber& operator=(const GdiScreenGrabber&) = delete;
  ~GdiScreenGrabber() override {
    if (dc_ != nullptr) {
      if (previous_ != nullptr) SelectObject(dc_, previous_);
      DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }

  bool Make() {
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_ == nullptr || bits_ == nullptr) return false;
    previous_ = SelectObject(dc_, bitmap_);
    return previous_ != nullptr && previous_ != HGDI_ERROR;
  }

  BgraImage Grab() override {
    // The screen's DC is taken and given back on the capturing thread,
    // as the system asks. Without CAPTUREBLT: with desktop composition
    // layered windows are in the picture anyway, and the flag makes the
    // pointer flicker.
    if (HDC screen = GetDC(nullptr)) {
      BitBlt(dc_, 0, 0, width_, height_, screen, area_.left, area_.top, SRCCOPY);
      ReleaseDC(nullptr, screen);
    }
    DrawPointer();
    GdiFlush();
    return BgraImage{static_cast<const std::uint8_t*>(bits_), width_, height_, static_cast<std::ptrdiff_t>(width_) * 4};
  }

 private:
  void DrawPointer() {
    CURSORINFO pointer{};
    pointer.cbSize = sizeof pointer;
    if (!GetCursorInfo(&pointer) || (pointer.flags & CURSOR_SHOWING) == 0) return;
    if (pointer.hCursor != lastCursor_ || shape_ == nullptr) {
      lastCursor_ = pointer.hCursor;
      // Where another program's pointer cannot be read (Wine keeps them
      // to their process), the standard arrow stands in for it.
      shape_ = pointer.hCursor;
      if (shape_ == nullptr || !ReadHotSpot(shape_)) {
        shape_ = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        if (shape_ == nullptr || !ReadHotSpot(shape_)) hotSpot_ = POINT{0, 0};
      }
    }
    if (shape_ == nullptr) return;
    DrawIconEx(dc_, pointer.ptScreenPos.x - hotSpot_.x - area_.left, pointer.ptScreenPos.y - hotSpot_.y - area_.top,
               shape_, 0, 0, 0, nullptr, DI_NORMAL);
  }

  // The hot spot is where the pointer points; the image is drawn from its
  // top left corner.
  bool ReadHotSpot(HCURSOR cursor) {
    ICONINFO icon{};
    if (!GetIconInfo(cursor, &icon)) return false;
    hotSpot_ = POINT{static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
    if (icon.hbmMask != nullptr) DeleteObject(icon.hbmMask);
    if (icon.hbmColor != nullptr) DeleteObject(icon.hbmColor);
    return true;
  }

  ScreenRect area_;
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
  HCURSOR lastCursor_ = nullptr;  // as the system reported it
  HCURSOR shape_ = nullptr;       // what is drawn for it
  POINT hotSpot_{0, 0};
};

}  // namespace

ScreenRect GdiScreenSource::PrimaryScreen() {
  return ScreenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::unique_ptr<encoder::builtin::ScreenGrabber> GdiScreenSource::Open(const ScreenRect& area) {
  if (area.right <= area.left || area.bottom <= area.top) return nullptr;
  auto grabber = std::unique_ptr<GdiScreenGrabber>(new (std::nothrow) GdiScreenGrabber(area));
  if (!grabber || !grabber->Make()) return nullptr;
  return grabber;
}

}  // namespace mavrion::win32
