#include "core/capture/Finder.h"

#include <gtest/gtest.h>

#include "CaptureFakes.h"

namespace mavrion {
namespace {

using namespace testing;
using Lines = std::vector<std::string>;

constexpr WindowHandle kHost = 0x500;
constexpr WindowHandle kControlOfHost = 0x501;
constexpr WindowHandle kWindowA = 0x700;
constexpr WindowHandle kButtonOfB = 0x801;  // a child window of 0x800

class FinderTest : public ::testing::Test {
 protected:
  FinderTest() {
    windows.windows[kHost].rect = {100, 100, 500, 400};
    windows.windows[kControlOfHost] = {{110, 110, 200, 130}, "", true, 1, kHost};
    windows.windows[kWindowA].rect = {-30, 20, 610, 500};
    windows.windows[0x800].rect = {0, 0, 1000, 800};
    windows.windows[kButtonOfB] = {{40, 60, 140, 90}, "", true, 1, 0x800};
    FinderPrepare(ports);
    surface.log.clear();
  }

  void Begin() { FinderHandleEvent(ports, kHost, FinderEvent::PictureClicked); }
  void MoveOver(WindowHandle window) {
    windows.underCursor = window;
    FinderHandleEvent(ports, kHost, FinderEvent::MouseMoved);
  }
  void Release() { FinderHandleEvent(ports, kHost, FinderEvent::ButtonReleased); }
  Lines TakeLog() {
    Lines log;
    log.swap(surface.log);
    return log;
  }

  FinderState state;
  FakeSurface surface;
  FakeWindows windows;
  FinderPorts ports{state, surface, windows};
};

TEST_F(FinderTest, PrepareLoadsTheResourcesOnce) {
  FinderState fresh;
  FakeSurface freshSurface;
  FinderPorts freshPorts{fresh, freshSurface, windows};
  FinderPrepare(freshPorts);
  EXPECT_EQ(freshSurface.log, (Lines{"load cursor 138", "pen 5", "load bitmap 136", "load bitmap 137"}));
  EXPECT_EQ(fresh.ResourceModule, 0x400000u);
  EXPECT_EQ(fresh.DragCursor, 0xC000u + 138);
  EXPECT_EQ(fresh.HighlightPen, 0xEEu);
  EXPECT_EQ(fresh.PictureAtRest, 0xB000u + 136);
  EXPECT_EQ(fresh.PictureWhileDragging, 0xB000u + 137);
  EXPECT_EQ(fresh.Dragging, 0);

  // The picker prepares again at every opening: nothing more is made.
  freshSurface.log.clear();
  FinderPrepare(freshPorts);
  EXPECT_TRUE(freshSurface.log.empty());

  // A cursor that failed to load is tried again.
  FinderState noCursor;
  freshSurface.cursorLoads = false;
  FinderPorts noCursorPorts{noCursor, freshSurface, windows};
  FinderPrepare(noCursorPorts);
  EXPECT_EQ(noCursor.DragCursor, 0u);
  freshSurface.log.clear();
  FinderPrepare(noCursorPorts);
  EXPECT_EQ(freshSurface.log, (Lines{"load cursor 138"}));
}

TEST_F(FinderTest, BeginDragLiftsTheTargetOntoTheCursor) {
  Begin();
  EXPECT_EQ(state.Dragging, 1);
  EXPECT_EQ(TakeLog(), (Lines{"picture 137", "cursor to 115,218", "set cursor " + std::to_string(0xC000 + 138),
                              "capture " + std::to_string(kHost), "follow " + std::to_string(kHost)}));
  EXPECT_EQ(state.SavedCursor, 0x1u);

  // Without the picture control the cursor stays; without a drag cursor the
  // cursor is not changed and nothing is saved.
  Release();
  TakeLog();
  surface.hasPicture = false;
  state.DragCursor = 0;
  Begin();
  EXPECT_EQ(TakeLog(), (Lines{"picture 137", "capture " + std::to_string(kHost), "follow " + std::to_string(kHost)}));
  EXPECT_EQ(state.SavedCursor, 0u);
  Release();
  EXPECT_EQ(TakeLog(), (Lines{"picture 136", "stop following " + std::to_string(kHost), "release capture"}));
}

TEST_F(FinderTest, EventsAtRestAreIgnored) {
  MoveOver(kWindowA);
  Release();
  FinderHandleEvent(ports, kHost, FinderEvent::CaptureLost);
  EXPECT_TRUE(surface.log.empty());
  EXPECT_EQ(state.HighlightedWindow, 0u);
}

TEST_F(FinderTest, TrackPicksOnlyOtherWindows) {
  Begin();
  TakeLog();

  MoveOver(0);              // nothing under the cursor
  MoveOver(0x999);          // not a window
  MoveOver(kHost);          // the host itself
  MoveOver(kControlOfHost); // one of the host's controls
  EXPECT_TRUE(surface.log.empty());
  EXPECT_EQ(state.HighlightedWindow, 0u);

  // A window partly off the screen: its unclipped rectangle, signed.
  MoveOver(kWindowA);
  EXPECT_EQ(TakeLog(), (Lines{"field 1029=-30", "field 1028=20", "field 1030=610", "field 1031=500",
                              "outline 1792 pen 238 640x480"}));
  EXPECT_EQ(state.HighlightedWindow, kWindowA);

  // Staying over the same window rewrites and redraws nothing.
  MoveOver(kWindowA);
  EXPECT_TRUE(surface.log.empty());

  // Over the host between two windows: nothing changes.
  MoveOver(kControlOfHost);
  EXPECT_TRUE(surface.log.empty());
  EXPECT_EQ(state.HighlightedWindow, kWindowA);
}

TEST_F(FinderTest, PassingToAnotherWindowErasesTheFirstOutlineBeforeDrawingTheNext) {
  Begin();
  MoveOver(kWindowA);
  TakeLog();

  // A child window is picked itself, not its top-level window.
  MoveOver(kButtonOfB);
  EXPECT_EQ(TakeLog(), (Lines{"field 1029=40", "field 1028=60", "field 1030=140", "field 1031=90", "repaint 1792",
                              "outline 2049 pen 238 100x30"}));

  // Erasing a child repaints its parent.
  MoveOver(kWindowA);
  EXPECT_EQ(TakeLog()[4], "repaint 2048");
}

TEST_F(FinderTest, ReleaseEndsTheDragAndKeepsTheFields) {
  Begin();
  MoveOver(kWindowA);
  MoveOver(kHost);
  TakeLog();

  Release();
  EXPECT_EQ(TakeLog(), (Lines{"set cursor 1", "repaint 1792", "picture 136", "stop following " + std::to_string(kHost),
                              "release capture"}));
  EXPECT_EQ(state.Dragging, 0);
  EXPECT_EQ(state.HighlightedWindow, 0u);
  EXPECT_EQ(surface.fields[1029], -30);
  EXPECT_EQ(surface.fields[1031], 500);

  // Moves after the release are ignored; a new drag can pick the same window.
  MoveOver(kButtonOfB);
  EXPECT_TRUE(surface.log.empty());
  Begin();
  MoveOver(kWindowA);
  EXPECT_EQ(state.HighlightedWindow, kWindowA);
  EXPECT_EQ(TakeLog().back(), "outline 1792 pen 238 640x480");
}

TEST_F(FinderTest, ReleasingTheCaptureDoesNotEndTheDragTwice) {
  // Releasing the capture tells the host at once that it lost it.
  surface.onRelease = [&] { FinderHandleEvent(ports, kHost, FinderEvent::CaptureLost); };
  Begin();
  MoveOver(kWindowA);
  TakeLog();
  Release();
  EXPECT_EQ(TakeLog(), (Lines{"set cursor 1", "repaint 1792", "picture 136", "stop following " + std::to_string(kHost),
                              "release capture"}));
  EXPECT_EQ(state.Dragging, 0);
}

TEST_F(FinderTest, LosingTheCaptureWhileTheButtonIsHeldKeepsTheDrag) {
  Begin();
  MoveOver(kWindowA);
  TakeLog();

  // The timer goes on following the drag.
  FinderHandleEvent(ports, kHost, FinderEvent::CaptureLost);
  EXPECT_TRUE(surface.log.empty());
  EXPECT_EQ(state.Dragging, 1);
  EXPECT_EQ(state.HighlightedWindow, kWindowA);

  // With the button already up, the loss ends the drag without taking the
  // capture back.
  surface.buttonDown = false;
  FinderHandleEvent(ports, kHost, FinderEvent::CaptureLost);
  EXPECT_EQ(TakeLog(), (Lines{"set cursor 1", "repaint 1792", "picture 136", "stop following " + std::to_string(kHost)}));
  EXPECT_EQ(state.Dragging, 0);
  EXPECT_EQ(state.HighlightedWindow, 0u);
  EXPECT_EQ(surface.fields[1030], 610);

  // The release that follows elsewhere finds nothing to end.
  Release();
  MoveOver(kButtonOfB);
  EXPECT_TRUE(surface.log.empty());
}

TEST_F(FinderTest, TheTimerFollowsADragOverWindowsThatSendTheHostNoMouseMessages) {
  Begin();
  TakeLog();

  // No mouse message reaches the host: only the timer sees the cursor.
  windows.underCursor = kWindowA;
  FinderFollow(ports, kHost);
  EXPECT_EQ(TakeLog(), (Lines{"field 1029=-30", "field 1028=20", "field 1030=610", "field 1031=500",
                              "outline 1792 pen 238 640x480"}));
  FinderFollow(ports, kHost);
  EXPECT_TRUE(surface.log.empty());
  windows.underCursor = kControlOfHost;
  FinderFollow(ports, kHost);
  EXPECT_TRUE(surface.log.empty());
  windows.underCursor = kButtonOfB;
  FinderFollow(ports, kHost);
  EXPECT_EQ(TakeLog(), (Lines{"field 1029=40", "field 1028=60", "field 1030=140", "field 1031=90", "repaint 1792",
                              "outline 2049 pen 238 100x30"}));

  // The button released anywhere: the next tick ends the drag as a release
  // on the host does, fields kept; it does not track first.
  surface.buttonDown = false;
  windows.underCursor = kWindowA;
  FinderFollow(ports, kHost);
  EXPECT_EQ(TakeLog(), (Lines{"set cursor 1", "repaint 2048", "picture 136", "stop following " + std::to_string(kHost),
                              "release capture"}));
  EXPECT_EQ(state.Dragging, 0);
  EXPECT_EQ(state.HighlightedWindow, 0u);
  EXPECT_EQ(surface.fields[1029], 40);

  // A tick already queued when the drag ended stops the timer and does
  // nothing else, with the button up or down.
  FinderFollow(ports, kHost);
  surface.buttonDown = true;
  FinderFollow(ports, kHost);
  EXPECT_EQ(TakeLog(), (Lines{"stop following " + std::to_string(kHost), "stop following " + std::to_string(kHost)}));
  EXPECT_EQ(surface.fields[1029], 40);

  // A release message first and a tick after it: one end only.
  Begin();
  MoveOver(kWindowA);
  Release();
  TakeLog();
  FinderFollow(ports, kHost);
  EXPECT_EQ(TakeLog(), (Lines{"stop following " + std::to_string(kHost)}));
}

TEST_F(FinderTest, APressDuringADragBeginsAgainAndKeepsTheFirstCursor) {
  constexpr WindowHandle kPicker = 0x600;
  Begin();
  MoveOver(kWindowA);
  TakeLog();

  // The first host went away mid-drag (its timer with it); a press on the
  // other host's picture takes the drag over.
  FinderHandleEvent(ports, kPicker, FinderEvent::PictureClicked);
  EXPECT_EQ(TakeLog(), (Lines{"picture 137", "cursor to 115,218", "set cursor " + std::to_string(0xC000 + 138),
                              "capture " + std::to_string(kPicker), "follow " + std::to_string(kPicker)}));
  EXPECT_EQ(state.Dragging, 1);

  // The cursor of before the first press comes back at the release.
  FinderHandleEvent(ports, kPicker, FinderEvent::ButtonReleased);
  EXPECT_EQ(TakeLog().front(), "set cursor 1");
  EXPECT_EQ(surface.current, 0x1u);
  EXPECT_EQ(state.Dragging, 0);
}

}  // namespace
}  // namespace mavrion
