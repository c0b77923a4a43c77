#pragma once
// Made-up screen contents for the codec benchmark, the same on every run.
#include <cstdint>
#include <vector>

namespace mavrion::bench {

using Frame = std::vector<std::uint8_t>;  // BGRA, top-down, width * 4 bytes a row

// A desktop: wallpaper, a taskbar, windows full of text, one window dragged
// across the screen, one whose text scrolls, a typing caret and a moving
// mouse pointer.
class DesktopSequence {
 public:
  DesktopSequence(int width, int height);
  void Render(int frame, Frame* out) const;

 private:
  int w_, h_;
  Frame base_;
  Frame dragged_;  // the dragged window's own pixels
  int draggedW_, draggedH_;
  Frame scrollText_;  // a tall page of text that scrolls through a window
  int scrollX_, scrollY_, scrollW_, scrollH_, pageH_;
};

// Full motion: a camera panning and zooming over a detailed, colourful
// landscape-like texture, with a moving light.
class MotionSequence {
 public:
  MotionSequence(int width, int height);
  void Render(int frame, Frame* out) const;

 private:
  int w_, h_;
  int texSize_;
  std::vector<std::uint32_t> texture_;
};

}  // namespace mavrion::bench
