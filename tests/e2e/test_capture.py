#!/usr/bin/env python3
"""Choosing what to record, in the real Mavrion.exe under Wine, beside a
second program (Wine's notepad, placed partly off the screen's right edge):

- the capture-type radios enable and disable the area fields and the finder
  tool without clearing the fields, and Start with an empty field says so;
- the finder tool dragged with the real mouse from the main dialog over
  the desktop and notepad outlines the window under the cursor in red and
  fills the fields with its rectangle (notepad's as it is, not clipped), and
  a release over notepad ends the drag;
- the window picker lists notepad and the main dialog, not itself; OK with
  nothing chosen is refused; ">>>" moves notepad over and shows its
  rectangle clipped to the desktop; its finder tool fills the fields and
  leaves the lists alone; OK hands notepad back;
- the picker opens empty again, Start with nothing chosen says so and opens
  the picker, and Start with notepad chosen passes the capture check.

One program run for all of it: starts are slow where Wine runs emulated.
"""

import subprocess
import time
import unittest

from winebench import MAIN_CAPTION, Bench, BenchError, wait_until

PICKER_CAPTION = "Select Running Program or Window "

START = 5
STOP_CAPTURE, SHOW_APPLICATION = 32775, 32772
SPECIFIC_APPLICATIONS, ENTIRE_SCREEN, SPECIFIC_AREA, WITHOUT_TASKBAR = 1025, 1026, 1027, 1043
FIELDS = (1029, 1028, 1030, 1031)  # left, top, right, bottom
FINDER = 1032
RUNNING_LIST, SELECTED_LIST, MOVE_RIGHT = 1013, 1014, 1044
IDOK, IDCANCEL = 1, 2

STM_GETICON, STM_GETIMAGE = 0x0171, 0x0173
SS_TYPEMASK, SS_ICON = 0x1F, 0x03

SCREEN = (1280, 800)
# Notepad's outer window on the screen, partly past the right edge.
NOTEPAD_AT, NOTEPAD_SIZE = (900, 100), (600, 400)


def fields(window):
    return [window.text(i) for i in FIELDS]


def wait_fields(window, expected, what):
    expected = [str(v) for v in expected]
    try:
        wait_until(lambda: fields(window) == expected, timeout=20, interval=0.2, what=what)
    except BenchError:
        raise AssertionError("%s: fields %s, expected %s" % (what, fields(window), expected))


def red_pixels(png, rect):
    """#FF0000 pixels inside rect (left, top, right, bottom) of a screenshot."""
    left, top, right, bottom = rect
    text = subprocess.run(["convert", str(png), "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                           "txt:-"], capture_output=True, text=True, check=True).stdout
    return sum(1 for line in text.splitlines() if "#FF0000" in line)


def has_icon(box):
    """Whether a message box shows an icon (Wine keeps an empty icon
    control in a box without one)."""
    return any(c["class"] == "Static" and c["visible"] and (c["style"] & SS_TYPEMASK) == SS_ICON
               and box.driver.call("send", c["hwnd"], STM_GETICON, 0)["result"] != 0
               for c in box.controls())


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


class Finder:
    """The finder tool of one host dialog, dragged with the real mouse."""

    def __init__(self, bench, host):
        self.bench = bench
        self.host = host
        picture = host.state(FINDER)
        self.picture_hwnd = picture["hwnd"]
        self.at = centre(picture["rect"])
        self.cursor = self.at
        self.while_dragging = None

    def picture(self):
        """The bitmap control 1032 shows (at rest and while dragging differ;
        the template's own bitmap at the start is a third handle)."""
        return self.host.driver.call("send", self.picture_hwnd, STM_GETIMAGE, 0)["result"]

    def press(self):
        # Wine's cursor position is stale until the pointer has moved over
        # one of its windows.
        self.bench.xdotool("mousemove", self.at[0] - 20, self.at[1] - 20)
        time.sleep(0.2)
        self.bench.xdotool("mousemove", self.at[0], self.at[1])
        time.sleep(0.2)
        at_rest = self.picture()
        self.bench.xdotool("mousedown", 1)
        self.while_dragging = wait_until(lambda: (lambda p: p if p != at_rest else None)(self.picture()),
                                         timeout=20, interval=0.2, what="the drag to begin")
        self.cursor = self.at

    def move(self, point, steps=4):
        x0, y0 = self.cursor
        for i in range(1, steps + 1):
            self.bench.xdotool("mousemove", x0 + (point[0] - x0) * i // steps, y0 + (point[1] - y0) * i // steps)
            time.sleep(0.1)
        self.cursor = point

    def release(self):
        self.bench.xdotool("mouseup", 1)
        wait_until(lambda: self.picture() != self.while_dragging, timeout=20, interval=0.2, what="the drag to end")


class Notepad:
    """Wine's notepad beside the program: started at once (it comes up while
    the program does), placed on the screen once its window is there."""

    def __init__(self, bench):
        self.bench = bench
        bench.spawn(["wine", "notepad"])
        self.hwnd = self.xid = self.rect = self.edit = None

    def place(self, at, size=NOTEPAD_SIZE, others=()):
        """Moves the window to `at`; others: notepads placed before."""
        bench = self.bench
        known = {n.hwnd for n in others}

        def new_one():
            for info in bench.driver.call("windows")["windows"]:
                if info["class"] == "Notepad" and info["visible"] and info["hwnd"] not in known:
                    return info
            return None
        self.hwnd = wait_until(new_one, what="a new notepad")["hwnd"]
        taken = {n.xid for n in others}

        def x_window():
            found = bench.xdotool("search", "--onlyvisible", "--name", "^Untitled - Notepad$", check=False).split()
            return next((x for x in found if x not in taken), None)
        self.xid = wait_until(x_window, what="notepad's X window")
        bench.xdotool("windowsize", self.xid, *size)
        bench.xdotool("windowmove", self.xid, *at)
        self.rect = wait_until(lambda: (lambda r: r if abs(r[0] - at[0]) < 10 else None)(
            bench.driver.call("state", self.hwnd)["rect"]), what="notepad in place")
        self.edit = next(c["rect"] for c in bench.driver.call("children", self.hwnd)["controls"]
                         if c["class"] == "Edit")
        return self

    @property
    def clipped(self):
        """Its window rectangle clipped to the screen."""
        left, top, right, bottom = self.rect
        return [max(left, 0), max(top, 0), min(right, SCREEN[0]), min(bottom, SCREEN[1])]

    def activate(self):
        """Brings it to the front, as the program sees it."""
        self.bench.xdotool("windowactivate", self.xid)
        wait_until(lambda: self.bench.driver.call("foreground")["hwnd"] == self.hwnd, timeout=30,
                   what="notepad in front")


def select_row(bench, picker, hwnd):
    """Selects the running list's row of a window as a user does: a click on
    the first row, then the arrow key down to it."""
    header = next(c for c in picker.controls() if c["class"] == "SysHeader32"
                  and c["parent"] == picker.state(RUNNING_LIST)["hwnd"])
    bench.xdotool("mousemove", header["rect"][0] + 60, header["rect"][3] + 7)
    time.sleep(0.2)
    bench.xdotool("click", 1)
    xid = bench.x_window(PICKER_CAPTION)
    for _ in range(12):
        rows = picker.list_view(RUNNING_LIST)["rows"]
        chosen = [int(row["cells"][2]) for row in rows if row["selected"]]
        if chosen == [hwnd]:
            return
        if chosen:
            bench.xdotool("key", "--window", xid, "Down")
        time.sleep(0.3)
    raise AssertionError("could not select window %d in the running list: %s" % (hwnd, rows))


def choose_in_picker(bench, app, main, hwnd):
    """Opens the picker, moves the window's row right and hands it back."""
    main.click(SPECIFIC_APPLICATIONS)
    picker = app.wait_window(PICKER_CAPTION)
    select_row(bench, picker, hwnd)
    picker.click(MOVE_RIGHT)
    wait_until(lambda: picker.list_view(SELECTED_LIST)["rows"], what="the window moved right")
    picker.click(IDOK)
    wait_until(lambda: not picker.exists(), what="the picker to close")


def other_dialog(app, main):
    """A dialog of the program other than the main one (a message box), or None."""
    return app.find_message_box(exclude=[main])


def start_beside_notepad(bench):
    """Starts notepad and the program together (both come up at once),
    places notepad partly off the screen; answers the program, its main
    window and notepad."""
    notepad = Notepad(bench)
    app = bench.start()
    main = app.wait_window(MAIN_CAPTION)
    notepad.place(NOTEPAD_AT)
    if notepad.clipped == notepad.rect:
        raise AssertionError("notepad should reach past the screen's edge: %s" % notepad.rect)
    return app, main, notepad


class CaptureTest(unittest.TestCase):
    def test_capture_types_finder_and_window_picker(self):
        with Bench("capture", size=SCREEN, audio_device=True) as bench:
            app, main, notepad = start_beside_notepad(bench)
            # Clipped to the desktop: what the picker shows.
            clipped = notepad.clipped

            self.check_capture_types(bench, app, main)
            self.check_finder_in_main_dialog(bench, main, notepad)
            self.check_window_picker(bench, app, main, notepad, clipped)
            self.check_start_without_a_chosen_application(app, main)
            self.check_start_with_a_chosen_application(bench, app, main, notepad)

            app.close(main)

    # -- steps ----------------------------------------------------------------

    def check_capture_types(self, bench, app, main):
        # A fresh start records the entire screen; area fields and finder off.
        self.assertTrue(main.is_checked(ENTIRE_SCREEN))
        self.assertEqual([main.is_enabled(i) for i in FIELDS + (FINDER,)], [False] * 5)

        main.click(SPECIFIC_AREA)
        main.wait_state(FINDER, "enabled", True)
        self.assertEqual([main.is_enabled(i) for i in FIELDS], [True] * 4)
        typed = ["100", "50", "800", "600"]
        for control, text in zip(FIELDS, typed):
            main.set_text(control, text)

        for other in (ENTIRE_SCREEN, WITHOUT_TASKBAR):
            main.click(other)
            main.wait_state(FINDER, "enabled", False)
            self.assertTrue(main.is_checked(other))
            self.assertEqual([main.is_enabled(i) for i in FIELDS], [False] * 4)
            self.assertEqual(fields(main), typed, "choosing another type cleared the fields")

        # The finder tool, disabled, does not react to a press.
        finder = Finder(bench, main)
        before = finder.picture()
        bench.xdotool("mousemove", *finder.at)
        bench.xdotool("mousedown", 1)
        time.sleep(0.5)
        self.assertEqual(finder.picture(), before, "the disabled finder tool began a drag")
        bench.xdotool("mouseup", 1)

        main.click(SPECIFIC_AREA)
        main.wait_state(FINDER, "enabled", True)
        self.assertEqual(fields(main), typed)

        # Start with one field empty: told, nothing starts, the text stays.
        main.set_text(1030, "")
        main.click(START)
        box = app.wait_message_box(exclude=[main])
        self.assertEqual((box.caption, box.text), ("Error", "Please select area"))
        self.assertTrue(has_icon(box))
        box.press("OK")
        wait_until(lambda: not box.exists(), what="the box to close")
        self.assertTrue(main.is_visible())
        self.assertTrue(main.is_enabled(START))
        self.assertEqual(fields(main), ["100", "50", "", "600"])

    def check_finder_in_main_dialog(self, bench, main, notepad):
        edit, rect = notepad.edit, notepad.rect
        finder = Finder(bench, main)
        finder.press()
        # Over the dialog's own controls nothing is picked.
        finder.move(centre(main.state(START)["rect"]))
        time.sleep(0.5)
        self.assertEqual(fields(main), ["100", "50", "", "600"])

        # Over the bare screen: the desktop window, outlined in red around
        # the screen's edge (the outline stays: Wine does not repaint its
        # root window; other processes' windows do not show an outline drawn
        # by another process at all).
        finder.move((SCREEN[0] // 2 + 100, SCREEN[1] - 60))
        wait_fields(main, [0, 0, SCREEN[0], SCREEN[1]], "the finder over the desktop")
        bottom_edge = [SCREEN[0] // 2, SCREEN[1] - 4, SCREEN[0] - 10, SCREEN[1]]
        self.assertGreater(red_pixels(bench.screenshot("finder-over-desktop"), bottom_edge), 500,
                           "no red outline around the desktop")

        # Over notepad's edit, a child window of another program.
        finder.move(centre(edit))
        wait_fields(main, edit, "the finder over notepad's edit")

        # Over notepad's menu bar: notepad's window itself, not clipped.
        finder.move(((edit[0] + SCREEN[0]) // 2, edit[1] - 6))
        wait_fields(main, rect, "the finder over notepad's menu bar")

        # Released over notepad: the drag ends there and the fields stay.
        finder.release()
        time.sleep(0.5)
        self.assertEqual(fields(main), [str(v) for v in rect])

        # A new drag can pick the same window, released over the dialog.
        main.set_text(1029, "")
        finder.press()
        finder.move(((edit[0] + SCREEN[0]) // 2, edit[1] - 6))
        wait_fields(main, rect, "a second drag over notepad")
        # Straight back (one jump, no window between) and released over the
        # dialog: notepad's rectangle stays.
        finder.move(finder.at, steps=1)
        time.sleep(0.3)
        finder.release()
        self.assertEqual(fields(main), [str(v) for v in rect])

    def check_window_picker(self, bench, app, main, notepad, clipped):
        main.click(SPECIFIC_APPLICATIONS)
        picker = app.wait_window(PICKER_CAPTION)
        bench.screenshot("picker")
        running = picker.list_view(RUNNING_LIST)
        titles = [row["cells"][1] for row in running["rows"]]
        self.assertIn("Untitled - Notepad", titles)
        self.assertIn(MAIN_CAPTION, titles)
        self.assertNotIn(PICKER_CAPTION, titles)
        self.assertFalse(any("Program Manager" in t for t in titles))
        self.assertEqual([row["cells"][0] for row in running["rows"]], [str(i + 1) for i in range(len(titles))])
        notepad_row = next(row["cells"] for row in running["rows"] if row["cells"][1] == "Untitled - Notepad")
        self.assertEqual(int(notepad_row[2]), notepad.hwnd)
        self.assertEqual(picker.list_view(SELECTED_LIST)["rows"], [])
        self.assertEqual(fields(picker), [""] * 4)

        # OK with nothing chosen: refused, the picker stays.
        picker.click(IDOK)
        box = app.wait_message_box("Screen Recorder")
        self.assertEqual(box.text, "Please select atleast one application to record its desktop activities.")
        self.assertFalse(has_icon(box))
        box.press("OK")
        wait_until(lambda: not box.exists(), what="the box to close")
        self.assertTrue(picker.exists())

        # Notepad's row chosen with the real mouse and keys, then ">>>".
        select_row(bench, picker, notepad.hwnd)
        picker.click(MOVE_RIGHT)
        wait_until(lambda: picker.list_view(SELECTED_LIST)["rows"], what="notepad moved right")
        selected = [row["cells"] for row in picker.list_view(SELECTED_LIST)["rows"]]
        self.assertEqual(selected, [["1"] + notepad_row[1:]])
        left = [row["cells"] for row in picker.list_view(RUNNING_LIST)["rows"]]
        self.assertEqual([row[1] for row in left], [t for t in titles if t != "Untitled - Notepad"])
        self.assertEqual([row[0] for row in left], [str(i + 1) for i in range(len(left))])
        wait_fields(picker, clipped, "the picker's area of notepad")
        bench.screenshot("picker-moved")

        # The picker's finder tool fills the fields with notepad's rectangle
        # as it is and leaves the lists as they were.
        finder = Finder(bench, picker)
        finder.press()
        finder.move(centre(picker.state(IDOK)["rect"]))
        time.sleep(0.5)
        self.assertEqual(fields(picker), [str(v) for v in clipped], "the picker's own button was picked")
        finder.move(((max(notepad.edit[0], picker.state()["rect"][2]) + SCREEN[0]) // 2, notepad.edit[1] - 6))
        wait_fields(picker, notepad.rect, "the picker's finder over notepad")
        finder.release()
        self.assertEqual([row["cells"] for row in picker.list_view(SELECTED_LIST)["rows"]], selected)
        self.assertEqual([row["cells"] for row in picker.list_view(RUNNING_LIST)["rows"]], left)

        # OK hands notepad back: the picker closes on "Specific programs".
        picker.click(IDOK)
        wait_until(lambda: not picker.exists(), what="the picker to close")
        self.assertTrue(main.is_checked(SPECIFIC_APPLICATIONS))
        self.assertEqual([main.is_enabled(i) for i in FIELDS + (FINDER,)], [False] * 5)

    def check_start_without_a_chosen_application(self, app, main):
        # Choosing again starts from nothing; Cancel leaves nothing chosen.
        main.click(SPECIFIC_APPLICATIONS)
        picker = app.wait_window(PICKER_CAPTION)
        self.assertEqual(picker.list_view(SELECTED_LIST)["rows"], [])
        self.assertEqual(fields(picker), [""] * 4)
        picker.click(IDCANCEL)
        wait_until(lambda: not picker.exists(), what="the picker to close")

        main.click(START)
        box = app.wait_message_box("Error")
        self.assertEqual(box.text, "Please select the window which you want to record.")
        self.assertTrue(has_icon(box))
        box.press("OK")
        picker = app.wait_window(PICKER_CAPTION)
        picker.click(IDCANCEL)
        wait_until(lambda: not picker.exists(), what="the picker to close")
        self.assertTrue(main.is_visible())
        self.assertTrue(main.is_enabled(START))

    def check_start_with_a_chosen_application(self, bench, app, main, notepad):
        """Notepad chosen: Start passes the capture check (what the encoder
        does next is test_capture_recording's)."""
        choose_in_picker(bench, app, main, notepad.hwnd)
        main.click(START)
        answered = []

        def started_or_answered():
            if not main.is_visible():
                return "started"
            box = other_dialog(app, main)
            if box is not None:
                answered.append(box.text)
                box.press("OK")
                return None
            return "answered" if answered else None
        how = wait_until(started_or_answered, what="Start to record or to answer")
        self.assertNotIn("Please select the window which you want to record.", answered)
        self.assertFalse(app.windows(PICKER_CAPTION), "Start opened the picker")
        if how == "started":
            main.command(STOP_CAPTURE)
            main.wait_state(START, "enabled", True)
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
