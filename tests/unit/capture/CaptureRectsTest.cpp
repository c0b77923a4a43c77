#include "core/capture/CaptureRects.h"

#include <gtest/gtest.h>

#include "CaptureFakes.h"

namespace mavrion {
namespace {

using testing::FakeWindows;

constexpr WindowHandle kTaskbar = 0x20;
constexpr WindowHandle kApp = 0x30;

TEST(CaptureRects, DesktopWithoutTaskbarTakesTheTaskbarHeightOffTheBottom) {
  FakeWindows windows;
  windows.taskbar = kTaskbar;

  windows.windows[kTaskbar].rect = {0, 1040, 1920, 1080};  // docked at the bottom
  EXPECT_EQ(DesktopWithoutTaskbar(windows), (CaptureRect{0, 1920, 0, 1040}));

  windows.windows[kTaskbar].rect = {0, 0, 1920, 40};  // docked at the top: still the bottom rows go
  EXPECT_EQ(DesktopWithoutTaskbar(windows), (CaptureRect{0, 1920, 0, 1040}));

  windows.windows[kTaskbar].rect = {0, 0, 60, 1080};  // docked at the left: its full height goes
  EXPECT_EQ(DesktopWithoutTaskbar(windows), (CaptureRect{0, 1920, 0, 0}));

  windows.windows[FakeWindows::kDesktop].rect = {-1280, 0, 1920, 1024};
  windows.windows[kTaskbar].rect = {0, 994, 1920, 1024};
  EXPECT_EQ(DesktopWithoutTaskbar(windows), (CaptureRect{-1280, 1920, 0, 994}));
}

TEST(CaptureRects, DesktopWithoutTaskbarWithoutATaskbarIsTheWholeDesktop) {
  FakeWindows windows;
  EXPECT_EQ(DesktopWithoutTaskbar(windows), (CaptureRect{0, 1920, 0, 1080}));

  // A taskbar found but gone before its rectangle is read takes nothing off.
  windows.taskbar = kTaskbar;
  EXPECT_EQ(DesktopWithoutTaskbar(windows), (CaptureRect{0, 1920, 0, 1080}));
}

TEST(CaptureRects, ClipToDesktopClipsEachEdgeByItself) {
  FakeWindows windows;
  windows.windows[kApp].rect = {100, 50, 800, 600};
  EXPECT_EQ(ClipToDesktop(windows, kApp), (CaptureRect{100, 800, 50, 600}));

  windows.windows[kApp].rect = {-8, -30, 2000, 1100};  // past every edge
  EXPECT_EQ(ClipToDesktop(windows, kApp), (CaptureRect{0, 1920, 0, 1080}));

  windows.windows[kApp].rect = {1800, 1000, 2100, 1200};  // past the right and bottom edges
  EXPECT_EQ(ClipToDesktop(windows, kApp), (CaptureRect{1800, 1920, 1000, 1080}));

  // Wholly outside: Right < Left and Bottom < Top, left as they come.
  windows.windows[kApp].rect = {2000, 1200, 2400, 1500};
  EXPECT_EQ(ClipToDesktop(windows, kApp), (CaptureRect{2000, 1920, 1200, 1080}));
  windows.windows[kApp].rect = {-700, -500, -100, -50};
  EXPECT_EQ(ClipToDesktop(windows, kApp), (CaptureRect{0, -100, 0, -50}));
}

TEST(CaptureRects, ComputeApplicationsRect) {
  FakeWindows windows;
  windows.taskbar = kTaskbar;
  windows.windows[kTaskbar].rect = {0, 1040, 1920, 1080};
  windows.windows[kApp].rect = {-10, 100, 900, 1200};

  // Several applications, wherever their windows are: the desktop less the taskbar.
  EXPECT_EQ(ComputeApplicationsRect(windows, 0), (CaptureRect{0, 1920, 0, 1040}));

  // One application: its window clipped to the desktop (not less the taskbar).
  EXPECT_EQ(ComputeApplicationsRect(windows, kApp), (CaptureRect{0, 900, 100, 1080}));

  // The one window has closed since it was chosen: no rectangle at all.
  windows.windows.erase(kApp);
  EXPECT_EQ(ComputeApplicationsRect(windows, kApp), std::nullopt);
}

}  // namespace
}  // namespace mavrion
