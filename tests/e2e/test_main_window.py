#!/usr/bin/env python3
"""The main window of the real Mavrion.exe under Wine: its controls, menus,
system menu, start-up warning and painted frame, the video description
dialog, help on F1, the notification-area icon, and the ways the window
ends.

Program starts are slow under Wine here, so each test groups every check
that one start allows."""

import subprocess
import time
import unittest

from winebench import MAIN_CAPTION, Bench, BenchError, wait_until

WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020
SC_CLOSE = 0xF060
WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_SYSMENU = 0x00080000

APP_NAME = "Mavrion"
NO_DEVICE_WARNING = ("It seems that audio input device is not attached. Before starting audio + screen "
                     "capturing, you must attached the microphone or any audio input device.")
EXIT_QUESTION = "Are you sure to close the application?"
DESCRIPTION_CAPTION = "Video file Properties"

HEADER_BLUE = (186, 210, 234)
FRAME_BLUE = (90, 122, 160)
BUTTON_FACE = (92, 160, 212)
BUTTON_FACE_DISABLED = (178, 200, 233)

WM_TRAY_NOTIFY = 0x0401
WM_LBUTTONDBLCLK = 0x0203
WM_RBUTTONDOWN = 0x0204
ABOUT_COMMAND = 16
ABOUT_CAPTION = "About Mavrion"
TRAY_MENU = [
    (32771, "Start &Capture          F6", True),
    (32774, "Pause Capture        F7", False),
    (32776, "Resume Capture    F8", False),
    (32775, "Stop Capture          F9", False),
    (32772, "Show Application", True),
    (32773, "Exit Application", True),
]

CONTROL_TEXTS = {
    5: "Start     [F6]",
    4: "Stop     [F9]",
    3: "Pause [F7]",
    6: "Save Settings",
    1: "Close",
    1045: "Audio and Video Settings",
    1051: "Screen Recording Options",
    1054: "To keep default video size  similar to desktop, Height and Width should be Zero",
    1046: "Output Video File Name :",
    1001: "...",
    1003: "Record Audio and Video :",
    1004: "Record Only Video :",
    1035: "Flash Recording Area :",
    1049: "Click to Set video author and copyright",
    1025: "Record only specific program(s) or Application(s).    Click to select the program",
    1043: "Record Entire Screen leaving the taskbar",
    1026: "Record Entire Screen.",
    1027: "Record Specific Area of screen.",
    1047: "Press the left-mouse button on the Finder Tool and drag it over a region or window you want "
          "to record.",
    1048: "Time: 00 : 00 : 00",
}

MENU_BAR = [
    ("Options", TRAY_MENU),
    ("Help", [
        (57670, "Help     F1", True),
        (32777, "About", True),
    ]),
]


def program_boxes(app, exclude=()):
    return [w for w in app.windows(class_name="#32770") if w["text"] != MAIN_CAPTION and w["hwnd"] not in exclude]


def start_and_take_the_warning(test, bench, app):
    """The program's first window is the warning about the missing audio
    device, owned by the main window that is not shown yet; after OK the
    main window appears and no second warning follows."""
    def first_box():
        for info in app.driver.call("windows")["windows"]:
            if info["class"] == "#32770" and info["visible"] and info["text"] == APP_NAME:
                return info
        return None
    info = wait_until(first_box, what="the start-up warning")
    app.pid = info["pid"]
    box = app.wait_message_box(APP_NAME)
    test.assertEqual(box.text, NO_DEVICE_WARNING)
    test.assertEqual([b["text"] for b in box.buttons], ["OK"])
    box.press("OK")
    main = app.wait_window(MAIN_CAPTION)
    # Long enough for a second box to show if the start-up had one.
    time.sleep(2)
    test.assertEqual(program_boxes(app), [])
    return main


def start_without_audio_device(test, bench, desktop=None):
    """Starts the program in a bench without an audio input device and takes
    the warning; answers the program and its main window."""
    app = bench.start(desktop=desktop)
    return app, start_and_take_the_warning(test, bench, app)


def screen_pixels(png):
    """The screenshot as (width, height, bytes of RGB rows)."""
    size = subprocess.run(["identify", "-format", "%w %h", str(png)], capture_output=True, text=True,
                          check=True).stdout.split()
    rgb = subprocess.run(["convert", str(png), "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return int(size[0]), int(size[1]), rgb


def pixel(image, x, y):
    width, _, rgb = image
    at = (y * width + x) * 3
    return tuple(rgb[at:at + 3])


def run_of(image, x, y, dx, dy, colour):
    """How many pixels from (x, y) on, stepping (dx, dy), have `colour`."""
    width, height, _ = image
    count = 0
    while 0 <= x < width and 0 <= y < height and pixel(image, x, y) == colour:
        count += 1
        x += dx
        y += dy
    return count


def open_popups(app):
    """The program's open popup menus; a menu closing while it is read
    counts as still open."""
    try:
        return app.popup_menus()
    except BenchError:
        return [None]


def has_pixel(image, rect, test):
    """Whether any pixel inside the screen rectangle passes test(r, g, b)."""
    return any(test(*pixel(image, x, y)) for y in range(rect[1], rect[3]) for x in range(rect[0], rect[2]))


def menu_summary(items):
    return [(top["text"], [(i["id"], i["text"], i["enabled"]) for i in top.get("items", [])]) for top in items]


class MainWindowTest(unittest.TestCase):
    def check_controls(self, main):
        self.assertEqual(main.text(), MAIN_CAPTION)
        style = main.state()["style"]
        self.assertTrue(style & WS_SYSMENU and style & WS_MINIMIZEBOX)
        self.assertFalse(style & WS_MAXIMIZEBOX)
        for control_id, text in CONTROL_TEXTS.items():
            self.assertEqual(main.text(control_id), text, "text of control %d" % control_id)
        self.assertFalse(main.is_visible(1))

        self.assertTrue(main.is_enabled(5))
        self.assertFalse(main.is_enabled(4))
        self.assertFalse(main.is_enabled(3))
        self.assertTrue(main.is_enabled(6))
        self.assertTrue(main.is_enabled(1001))
        checked = {i: main.is_checked(i) for i in (1025, 1043, 1026, 1027, 1003, 1004, 1035)}
        self.assertEqual(checked, {1025: False, 1043: False, 1026: True, 1027: False, 1003: True, 1004: False,
                                   1035: False})
        for area_field in (1029, 1028, 1030, 1031):
            self.assertFalse(main.is_enabled(area_field), "area field %d" % area_field)
        devices = main.combo(1017)
        self.assertEqual((devices["items"], devices["selected"]), (["Default Audio Input Device"], 0))
        self.assertTrue(main.is_enabled(1017))

    def check_menus(self, main):
        bar = main.menu()
        self.assertEqual(menu_summary(bar), [(name, list(items)) for name, items in MENU_BAR])
        # Greyed, not merely disabled, as the menu resource says.
        for item_id in (32774, 32776, 32775):
            self.assertTrue(main.menu_item(item_id)["grayed"], "item %d" % item_id)

        system = main.driver.call("sysmenu", main.hwnd)["items"]
        self.assertTrue(system[-2]["separator"])
        self.assertEqual((system[-1]["id"], system[-1]["text"]), (16, "&About Tovask..."))

    def check_look(self, bench, main):
        shot = bench.settled_screenshot("main-window")
        image = screen_pixels(shot)
        save = main.state(6)["rect"]
        # Right of "Save Settings" and its shadow the header strip runs down
        # to the frame band of 7 rows.
        x = save[2] + 40
        y = save[1] + 2
        self.assertEqual(pixel(image, x, y), HEADER_BLUE)
        header_rows = run_of(image, x, y, 0, 1, HEADER_BLUE)
        self.assertEqual(run_of(image, x, y + header_rows, 0, 1, FRAME_BLUE), 7)
        # The left strip, 7 columns wide, beside the capture options.
        radio = main.state(1026)["rect"]
        row = (radio[1] + radio[3]) // 2
        left = main.state()["rect"][0]
        x = left
        while x < radio[0] and pixel(image, x, row) != FRAME_BLUE:
            x += 1
        self.assertEqual(run_of(image, x, row, 1, 0, FRAME_BLUE), 7)
        # The footer strip under the elapsed time.
        time_rect = main.state(1048)["rect"]
        self.assertEqual(pixel(image, time_rect[0] - 3, (time_rect[1] + time_rect[3]) // 2), HEADER_BLUE)
        # Owner-drawn header buttons: idle, Start has the normal face, Stop
        # and Pause the pale one; "Save Settings" is always normal.
        for button, face in ((5, BUTTON_FACE), (4, BUTTON_FACE_DISABLED), (3, BUTTON_FACE_DISABLED),
                             (6, BUTTON_FACE)):
            rect = main.state(button)["rect"]
            self.assertEqual(pixel(image, rect[0] + 2, rect[1] + 2), face, "face of button %d" % button)
        # Footer texts on the strip, smoothed: the elapsed time in violet,
        # the copyright line in blue (black text would have neither).
        self.assertTrue(has_pixel(image, time_rect, lambda r, g, b: r > 200 and g < 150 and b > 240))
        self.assertTrue(has_pixel(image, main.state(1053)["rect"], lambda r, g, b: r < 120 and g < 130 and b > 240))

    def check_video_description(self, app, main):
        def open_description():
            main.click(1049)
            return app.wait_window(DESCRIPTION_CAPTION)

        texts = {1050: "Ann Author", 1001: "First Title", 1002: "(c) 2024 Ann",
                 1003: "A description of the clip"}
        description = open_description()
        self.assertEqual([description.text(i) for i in texts], ["", "", "", ""])
        for control_id, text in texts.items():
            description.set_text(control_id, text)
        description.click(1)
        wait_until(lambda: not description.exists(), what="the description dialog to close")

        description = open_description()
        self.assertEqual({i: description.text(i) for i in texts}, texts)
        description.set_text(1001, "Second Title")
        description.set_text(1050, "Bob")
        description.click(2)
        wait_until(lambda: not description.exists(), what="the description dialog to close")

        description = open_description()
        self.assertEqual({i: description.text(i) for i in texts}, texts)
        description.click(2)
        wait_until(lambda: not description.exists(), what="the description dialog to close")

    def check_about_box(self, app, main):
        for open_about in (lambda: main.post(WM_SYSCOMMAND, ABOUT_COMMAND), lambda: main.command(32777)):
            open_about()
            about = app.wait_window(ABOUT_CAPTION)
            self.assertIn("Mavrion - Screen Recorder Version 1.3", [c["text"] for c in about.controls()])
            about.click(1)
            wait_until(lambda: not about.exists(), what="the About box to close")

    def check_help(self, bench):
        # F1 opens help.chm beside the program in Wine's HTML Help viewer,
        # whose caption is the help file's title. (The viewer's page pane
        # stays blank here: the bench's Wine has no HTML engine.)
        bench.key("F1")
        bench.x_window("Mavrion Help")
        # Closed again, so that the keys that follow reach the main window.
        bench.key("alt+F4", caption="Mavrion Help")
        wait_until(lambda: not bench.xdotool("search", "--onlyvisible", "--name", "^Mavrion Help$", check=False),
                   what="the help viewer to close")

    def test_window_menus_look_description_and_escape(self):
        with Bench("main-window") as bench:
            app, main = start_without_audio_device(self, bench)
            self.check_controls(main)
            self.check_menus(main)
            self.check_look(bench, main)
            self.check_video_description(app, main)
            self.check_about_box(app, main)
            self.check_help(bench)

            # Escape ends the program at once, without a question.
            bench.key("Escape")

            def ended_without_question():
                if program_boxes(app):
                    raise BenchError("a box came on Escape: %r" % program_boxes(app))
                return not app.alive()
            wait_until(ended_without_question, what="the program to end on Escape")
            self.assertEqual(app.wait_exit(), 0)

    def test_tray_and_closing(self):
        with Bench("main-window-tray") as bench:
            app, main = start_without_audio_device(self, bench, desktop="mavrion-tray")

            def tray_icon_shown():
                return bench.driver.call("trayicon", main.hwnd, 1)["shown"]

            self.assertFalse(tray_icon_shown())
            # "Show Application" while the window is shown does nothing.
            main.command(32772)
            time.sleep(1)
            self.assertTrue(main.is_visible())
            self.assertFalse(tray_icon_shown())

            # Minimise: the window hides into the notification area.
            main.post(WM_SYSCOMMAND, SC_MINIMIZE)
            main.wait_state(None, "visible", False)
            self.assertTrue(tray_icon_shown())
            bench.screenshot("in-tray")

            # A right click on the icon shows the "Options" items; from the
            # second opening on the first item is the default.
            for opening in (1, 2):
                main.post(WM_TRAY_NOTIFY, 1, WM_RBUTTONDOWN)
                popups = wait_until(app.popup_menus, what="the tray menu")
                items = popups[0]["items"]
                self.assertEqual([(i["id"], i["text"], i["enabled"]) for i in items], TRAY_MENU)
                self.assertEqual([i["default"] for i in items], [opening == 2] + [False] * 5)
                app.close_popup_menus()
                wait_until(lambda: not open_popups(app), what="the tray menu to close")
            # A callback for another icon is refused.
            self.assertEqual(main.send(WM_TRAY_NOTIFY, 2, WM_RBUTTONDOWN), -1)

            # A double click on the icon brings the window back.
            main.post(WM_TRAY_NOTIFY, 1, WM_LBUTTONDBLCLK)
            main.wait_state(None, "visible", True)
            self.assertFalse(tray_icon_shown())

            # "Show Application" brings it back and takes the icon away.
            main.post(WM_SYSCOMMAND, SC_MINIMIZE)
            main.wait_state(None, "visible", False)
            main.command(32772)
            main.wait_state(None, "visible", True)
            self.assertFalse(tray_icon_shown())

            # "Exit Application" and the caption's close button both ask;
            # No keeps the window.
            for ask in (lambda: main.command(32773), lambda: main.post(WM_SYSCOMMAND, SC_CLOSE)):
                ask()
                box = app.wait_message_box(APP_NAME, exclude=[main])
                self.assertEqual(box.text, EXIT_QUESTION)
                self.assertEqual([b["text"] for b in box.buttons], ["Yes", "No"])
                box.press("No")
                wait_until(lambda: not box.exists(), what="the question to close")
                time.sleep(1)
                self.assertTrue(app.alive())
                self.assertTrue(main.is_visible())

            # Yes to "Exit Application" ends the program.
            main.command(32773)
            box = app.wait_message_box(APP_NAME, exclude=[main])
            self.assertEqual(box.text, EXIT_QUESTION)
            box.press("Yes")
            self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
