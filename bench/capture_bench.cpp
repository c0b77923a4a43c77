// What one capture of the whole primary screen costs: the recorder's own GDI
// grabber (BitBlt into a DIB section, the pointer drawn in) taken N times,
// after a few captures that warm it up. A console program of the Windows
// build; bench/wine_capture_bench.py runs it under Wine at two screen sizes.
//
//   capture_bench [--frames N]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "win32/encoder/builtin/GdiScreenSource.h"

namespace {

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A checksum of a few pixels: the compiler cannot drop the captures, and
// the output shows the picture was really read.
unsigned Sample(const mavrion::encoder::builtin::BgraImage& image) {
  unsigned sum = 0;
  for (int y = 0; y < image.height; y += 97) {
    const std::uint8_t* row = image.pixels + y * image.strideBytes;
    for (int x = 0; x < image.width; x += 89) sum = sum * 31 + row[x * 4] + row[x * 4 + 1] + row[x * 4 + 2];
  }
  return sum;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = 100;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: %s [--frames N]\n", argv[0]);
      return 2;
    }
  }
  if (frames < 1) frames = 1;
  // Physical pixels, as in the program, whose manifest says so.
  SetProcessDPIAware();

  mavrion::win32::GdiScreenSource source;
  const mavrion::ScreenRect screen = source.PrimaryScreen();
  std::unique_ptr<mavrion::encoder::builtin::ScreenGrabber> grabber = source.Open(screen);
  if (!grabber) {
    std::fprintf(stderr, "cannot capture the screen %dx%d\n", screen.right, screen.bottom);
    return 1;
  }
  unsigned sum = 0;
  for (int i = 0; i < 5; ++i) sum += Sample(grabber->Grab());
  const double start = Seconds();
  for (int i = 0; i < frames; ++i) sum += Sample(grabber->Grab());
  const double elapsed = Seconds() - start;
  std::printf("capture %dx%d: %.2f ms per frame (%d frames, checksum %08x)\n", screen.right - screen.left,
              screen.bottom - screen.top, elapsed * 1000.0 / frames, frames, sum);
  return 0;
}
