#include "bench/SyntheticScreen.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mavrion::bench {

namespace {

struct Rng {
  std::uint32_t s;
  std::uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

inline std::uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(std::clamp(r, 0, 255)) << 16) |
         (static_cast<std::uint32_t>(std::clamp(g, 0, 255)) << 8) | static_cast<std::uint32_t>(std::clamp(b, 0, 255));
}

struct Canvas {
  std::uint32_t* p;
  int w, h;
  void Fill(int x0, int y0, int x1, int y1, std::uint32_t c) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w), y1 = std::min(y1, h);
    for (int y = y0; y < y1; ++y) std::fill(p + static_cast<std::size_t>(y) * w + x0, p + static_cast<std::size_t>(y) * w + x1, c);
  }
  void Blend(int x, int y, std::uint32_t c, int alpha) {
    if (x < 0 || y < 0 || x >= w || y >= h || alpha == 0) return;
    std::uint32_t& d = p[static_cast<std::size_t>(y) * w + x];
    auto mix = [&](int shift) {
      int a = (d >> shift) & 255, b = (c >> shift) & 255;
      return static_cast<std::uint32_t>((a * (255 - alpha) + b * alpha) / 255) << shift;
    };
    d = 0xFF000000u | mix(16) | mix(8) | mix(0);
  }
};

// Glyphs: 7 x 13 coverage maps with soft edges, like smoothed screen text.
constexpr int kGlyphW = 7, kGlyphH = 13, kGlyphs = 64;
struct Font {
  std::uint8_t cover[kGlyphs][kGlyphH][kGlyphW] = {};
  Font() {
    Rng rng{12345};
    for (int g = 0; g < kGlyphs; ++g) {
      auto plot = [&](int x, int y, int a) {
        if (x >= 0 && x < kGlyphW && y >= 0 && y < kGlyphH) cover[g][y][x] = static_cast<std::uint8_t>(std::max<int>(cover[g][y][x], a));
      };
      int strokes = 2 + rng.Below(3);
      for (int s = 0; s < strokes; ++s) {
        int kind = rng.Below(4);
        int x = 1 + rng.Below(5), y = 3 + rng.Below(3);
        for (int t = 0; t < 7; ++t) {
          int px = kind == 0 ? x : kind == 1 ? 1 + t * 5 / 6 : kind == 2 ? 1 + t * 5 / 6 : x + (t & 1);
          int py = kind == 0 ? 3 + t : kind == 1 ? y + 2 * (s & 1) + 2 : kind == 2 ? 3 + t : 3 + t;
          plot(px, py, 255);
          plot(px + 1, py, 90);
          plot(px - 1, py, 40);
        }
      }
    }
  }
};
const Font& TheFont() {
  static const Font font;
  return font;
}

void DrawText(Canvas& c, int x, int y, std::uint32_t seed, int chars, std::uint32_t colour) {
  const Font& font = TheFont();
  Rng rng{seed | 1};
  for (int i = 0; i < chars; ++i, x += kGlyphW + 1) {
    int g = rng.Below(kGlyphs + 10);
    if (g >= kGlyphs) continue;  // a space
    for (int gy = 0; gy < kGlyphH; ++gy)
      for (int gx = 0; gx < kGlyphW; ++gx) c.Blend(x + gx, y + gy, colour, font.cover[g][gy][gx]);
  }
}

void DrawWindow(Canvas& c, int x, int y, int w, int h, std::uint32_t seed, int titleHue) {
  c.Fill(x - 1, y - 1, x + w + 1, y + h + 1, Rgb(90, 90, 90));
  for (int row = 0; row < 24; ++row) c.Fill(x, y + row, x + w, y + row + 1, Rgb(20 + titleHue, 60 + row * 3, 160 + row * 3));
  DrawText(c, x + 8, y + 6, seed, std::min(30, w / 8 - 10), Rgb(255, 255, 255));
  c.Fill(x + w - 22, y + 4, x + w - 6, y + 20, Rgb(200, 60, 50));
  c.Fill(x, y + 24, x + w, y + h, Rgb(250, 250, 250));
  c.Fill(x, y + 24, x + w, y + 48, Rgb(236, 236, 240));  // a toolbar
  for (int b = 0; b < 8 && x + 10 + b * 28 + 20 < x + w; ++b)
    c.Fill(x + 10 + b * 28, y + 28, x + 30 + b * 28, y + 44, Rgb(60 + b * 20, 120, 200 - b * 15));
  Rng rng{seed};
  for (int line = 0; y + 56 + line * 16 + kGlyphH < y + h; ++line) {
    int chars = 10 + rng.Below(std::max(1, w / 8 - 14));
    DrawText(c, x + 8, y + 56 + line * 16, rng.Next(), chars, line % 7 == 0 ? Rgb(20, 40, 160) : Rgb(30, 30, 30));
  }
}

void DrawPointer(Canvas& c, int x, int y) {
  for (int r = 0; r < 16; ++r) {
    for (int k = 0; k <= r / 2 + 1; ++k) c.Blend(x + k, y + r, k == 0 || k == r / 2 + 1 ? Rgb(0, 0, 0) : Rgb(255, 255, 255), 255);
  }
}

}  // namespace

DesktopSequence::DesktopSequence(int width, int height) : w_(width), h_(height) {
  base_.assign(static_cast<std::size_t>(w_) * h_ * 4, 0);
  Canvas c{reinterpret_cast<std::uint32_t*>(base_.data()), w_, h_};
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      double fx = static_cast<double>(x) / w_, fy = static_cast<double>(y) / h_;
      double glow = std::exp(-((fx - 0.7) * (fx - 0.7) + (fy - 0.3) * (fy - 0.3)) * 6.0);
      c.p[static_cast<std::size_t>(y) * w_ + x] = Rgb(static_cast<int>(20 + 60 * fx + 120 * glow),
                                                       static_cast<int>(60 + 80 * fy + 90 * glow),
                                                       static_cast<int>(120 + 100 * (1 - fy)));
    }
  int bar = h_ / 27;
  c.Fill(0, h_ - bar, w_, h_, Rgb(32, 36, 48));
  for (int b = 0; b < 8; ++b) c.Fill(60 + b * 170, h_ - bar + 4, 220 + b * 170, h_ - 4, Rgb(58, 64, 84));
  for (int b = 0; b < 8; ++b) DrawText(c, 90 + b * 170, h_ - bar + bar / 2 - 6, 900 + b, 12, Rgb(230, 230, 230));
  DrawText(c, w_ - 80, h_ - bar + bar / 2 - 6, 77, 8, Rgb(230, 230, 230));
  // A text editor on the left, a document viewer that scrolls on the right.
  DrawWindow(c, w_ / 30, h_ / 20, w_ * 9 / 20, h_ * 3 / 4, 1, 0);
  scrollX_ = w_ / 2 + 20;
  scrollY_ = h_ / 10 + 48;
  scrollW_ = w_ * 2 / 5;
  scrollH_ = h_ * 2 / 3 - 48;
  DrawWindow(c, scrollX_, scrollY_ - 48, scrollW_, scrollH_ + 48, 2, 60);
  pageH_ = scrollH_ * 4;
  scrollText_.assign(static_cast<std::size_t>(scrollW_) * pageH_ * 4, 0);
  Canvas page{reinterpret_cast<std::uint32_t*>(scrollText_.data()), scrollW_, pageH_};
  page.Fill(0, 0, scrollW_, pageH_, Rgb(255, 255, 255));
  Rng rng{99};
  for (int line = 0; line * 18 + kGlyphH < pageH_; ++line) {
    if (line % 12 == 11) {
      page.Fill(12, line * 18, scrollW_ / 2, line * 18 + 16, Rgb(180 + rng.Below(60), 120, 90));  // a picture
      continue;
    }
    DrawText(page, 12, line * 18 + 2, rng.Next(), 12 + rng.Below(std::max(1, scrollW_ / 8 - 16)), Rgb(20, 20, 20));
  }
  draggedW_ = w_ / 4;
  draggedH_ = h_ / 4;
  dragged_.assign(static_cast<std::size_t>(draggedW_) * draggedH_ * 4, 0);
  Canvas win{reinterpret_cast<std::uint32_t*>(dragged_.data()), draggedW_, draggedH_};
  DrawWindow(win, 1, 1, draggedW_ - 2, draggedH_ - 2, 3, 120);
}

void DesktopSequence::Render(int frame, Frame* out) const {
  *out = base_;
  Canvas c{reinterpret_cast<std::uint32_t*>(out->data()), w_, h_};
  // The viewer scrolls three lines with every other wheel step.
  int scroll = ((frame / 3) * 54) % (pageH_ - scrollH_);
  for (int y = 0; y < scrollH_; ++y) {
    std::memcpy(&c.p[static_cast<std::size_t>(scrollY_ + y) * w_ + scrollX_],
                &scrollText_[(static_cast<std::size_t>(scroll + y) * scrollW_) * 4], static_cast<std::size_t>(scrollW_) * 4);
  }
  // Typing in the editor, with a blinking caret.
  int typed = frame / 2;
  int line = typed / 40, col = typed % 40;
  int ex = w_ / 30 + 8, ey = h_ / 20 + 56 + 16 * (3 + line % 20);
  c.Fill(ex, ey, ex + 40 * 8, ey + 14, Rgb(250, 250, 250));
  DrawText(c, ex, ey, 555 + static_cast<std::uint32_t>(line), col, Rgb(30, 30, 30));
  if ((frame / 8) % 2 == 0) c.Fill(ex + col * 8, ey, ex + col * 8 + 1, ey + 14, Rgb(0, 0, 0));
  // A window dragged along a slanted path.
  int dx = (w_ / 20 + frame * 14) % (w_ - draggedW_), dy = (h_ / 3 + frame * 5) % (h_ - draggedH_ - 40);
  for (int y = 0; y < draggedH_; ++y) {
    std::memcpy(&c.p[static_cast<std::size_t>(dy + y) * w_ + dx], &dragged_[static_cast<std::size_t>(y) * draggedW_ * 4],
                static_cast<std::size_t>(draggedW_) * 4);
  }
  DrawPointer(c, dx + draggedW_ / 2, dy + 10);
}

MotionSequence::MotionSequence(int width, int height) : w_(width), h_(height), texSize_(2048) {
  // Value noise in several octaves, coloured like terrain.
  const int n = texSize_;
  std::vector<float> elevation(static_cast<std::size_t>(n) * n, 0.0f);
  Rng rng{4242};
  for (int octave = 0, cell = 256; cell >= 2; ++octave, cell /= 2) {
    int cells = n / cell;
    std::vector<float> lattice(static_cast<std::size_t>(cells) * cells);
    for (float& v : lattice) v = static_cast<float>(rng.Below(1000)) / 1000.0f;
    float amp = 1.0f / static_cast<float>(1 << octave) * (octave > 4 ? 1.6f : 1.0f);
    for (int y = 0; y < n; ++y) {
      int cy = y / cell;
      float fy = static_cast<float>(y % cell) / cell;
      fy = fy * fy * (3 - 2 * fy);
      for (int x = 0; x < n; ++x) {
        int cx = x / cell;
        float fx = static_cast<float>(x % cell) / cell;
        fx = fx * fx * (3 - 2 * fx);
        auto at = [&](int i, int j) { return lattice[static_cast<std::size_t>(j % cells) * cells + (i % cells)]; };
        float top = at(cx, cy) + (at(cx + 1, cy) - at(cx, cy)) * fx;
        float bottom = at(cx, cy + 1) + (at(cx + 1, cy + 1) - at(cx, cy + 1)) * fx;
        elevation[static_cast<std::size_t>(y) * n + x] += amp * (top + (bottom - top) * fy);
      }
    }
  }
  texture_.resize(elevation.size());
  for (std::size_t i = 0; i < elevation.size(); ++i) {
    float v = elevation[i] / 2.2f;
    int r, g, b;
    if (v < 0.35f) r = 30, g = 70 + static_cast<int>(200 * v), b = 160 + static_cast<int>(150 * v);
    else if (v < 0.55f) r = 60 + static_cast<int>(200 * (v - 0.35f)), g = 130 + static_cast<int>(300 * (v - 0.35f)), b = 40;
    else r = 120 + static_cast<int>(250 * (v - 0.55f)), g = 100 + static_cast<int>(150 * (v - 0.55f)), b = 70 + static_cast<int>(250 * (v - 0.55f));
    texture_[i] = Rgb(r, g, b);
  }
}

void MotionSequence::Render(int frame, Frame* out) const {
  out->resize(static_cast<std::size_t>(w_) * h_ * 4);
  auto* p = reinterpret_cast<std::uint32_t*>(out->data());
  const int n = texSize_;
  // Pan and a slow zoom, in 16.16 fixed point.
  double zoom = 0.9 + 0.15 * std::sin(frame / 25.0);
  auto step = static_cast<std::int64_t>(zoom * 65536.0 * 1024.0 / std::max(w_, 1024));
  std::int64_t ox = static_cast<std::int64_t>(frame) * 9 << 16, oy = static_cast<std::int64_t>(frame) * 4 << 16;
  double lx = w_ * (0.3 + 0.4 * std::sin(frame / 17.0)), ly = h_ * (0.5 + 0.3 * std::cos(frame / 23.0));
  for (int y = 0; y < h_; ++y) {
    int ty = static_cast<int>(((oy + y * step) >> 16) & (n - 1));
    for (int x = 0; x < w_; ++x) {
      int tx = static_cast<int>(((ox + x * step) >> 16) & (n - 1));
      std::uint32_t t = texture_[static_cast<std::size_t>(ty) * n + tx];
      double d2 = ((x - lx) * (x - lx) + (y - ly) * (y - ly)) / (w_ * w_ * 0.08);
      int light = 160 + static_cast<int>(110.0 / (1.0 + d2));
      std::uint32_t noise = (static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u ^
                             static_cast<std::uint32_t>(frame) * 83492791u) >> 28;
      int r = static_cast<int>(((t >> 16) & 255) * light >> 8) + static_cast<int>(noise) - 8;
      int g = static_cast<int>(((t >> 8) & 255) * light >> 8) + static_cast<int>(noise) - 8;
      int b = static_cast<int>((t & 255) * light >> 8) + static_cast<int>(noise) - 8;
      p[static_cast<std::size_t>(y) * w_ + x] = Rgb(r, g, b);
    }
  }
}

}  // namespace mavrion::bench
