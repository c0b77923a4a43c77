#!/usr/bin/env python3
"""User journeys through the real Mavrion.exe under Wine that the other
tests leave out, every recording read back with ffprobe:

- pause and resume from the notification-area icon's menu while the window
  is hidden there: its Pause item is enabled only by a pause or resume of
  the "Options" commands, its Stop item stays greyed for the whole run, and
  the paused time is not in the file; "Show Application" during the
  recording, then the Stop button;
- the entire screen less the taskbar's height, recorded from that menu
  while the window is hidden (that menu's Pause, still enabled from the
  last run, doing nothing before); that menu's Start refused while it runs;
  paused and resumed by the dialog's menu bar, whose items follow, and
  stopped by its Stop command;
- leaving the program with a recording running, through "Exit Application"
  (the menu bar's is greyed then, the icon's is not), Escape and the
  caption's close button: each time the file is finished, stating its
  duration, and its frames decode.

Skipped when the build cannot record (no encoder component)."""

import struct
import time
import unittest
import uuid

from winebench import MAIN_CAPTION, Bench, probe_recording, wait_until
from test_recording import linux_path, padded

START, STOP, PAUSE_RESUME, OUTPUT_NAME, ONLY_VIDEO, WITHOUT_TASKBAR = 5, 4, 3, 1000, 1004, 1043
START_CAPTURE, PAUSE_CAPTURE, RESUME_CAPTURE, STOP_CAPTURE = 32771, 32774, 32776, 32775
SHOW_APPLICATION, EXIT_APPLICATION = 32772, 32773
PAUSE_TEXT, RESUME_TEXT = "Pause [F7]", "Resume [F8]"
TRAY_NOTIFY, WM_RBUTTONDOWN = 0x0401, 0x0204
WM_KEYDOWN, VK_DOWN, VK_RETURN = 0x0100, 0x28, 0x0D
WM_SYSCOMMAND, SC_MINIMIZE, SC_CLOSE = 0x0112, 0xF020, 0xF060
EXIT_QUESTION = "Are you sure to close the application?"
ALREADY_RECORDING = "Please intstall window media encoder."
SCREEN = (800, 600)
ASF_HEADER = uuid.UUID("75B22630-668E-11CF-A6D9-00AA0062CE6C")
ASF_DATA = uuid.UUID("75B22636-668E-11CF-A6D9-00AA0062CE6C")
ASF_SIMPLE_INDEX = uuid.UUID("33000890-E5B1-11CF-89F4-00A0C90349CB")
# How far a file's duration may stray from the recording time seen here:
# commands take effect a moment after they are sent.
SLACK = 2.0


class Tray:
    """The notification-area icon's popup menu of the main window."""

    def __init__(self, app, main):
        self.app = app
        self.main = main

    def open(self):
        self.main.post(TRAY_NOTIFY, 1, WM_RBUTTONDOWN)
        return wait_until(self.app.popup_menus, what="the tray menu")[0]

    def items(self):
        """{id: enabled} of the menu, opened and closed again."""
        popup = self.open()
        self.app.close_popup_menus()
        self.wait_closed()
        return {item["id"]: item["enabled"] for item in popup["items"] if not item.get("separator")}

    def wait_closed(self):
        def closed():
            try:
                return not self.app.popup_menus()
            except AssertionError:  # a menu closing while it is read
                return False
        wait_until(closed, what="the tray menu to close")

    def choose(self, item_id):
        """Chooses an item with the keyboard, as a user can: arrow keys down
        to it, then Return."""
        popup = self.open()
        ids = [item["id"] for item in popup["items"] if not item.get("separator")]
        for _ in range(ids.index(item_id) + 1):
            self.app.driver.call("post", popup["hwnd"], WM_KEYDOWN, VK_DOWN, 0)
        self.app.driver.call("post", popup["hwnd"], WM_KEYDOWN, VK_RETURN, 0)
        self.wait_closed()


def asf_objects(path):
    """The top-level objects of an ASF file, in order, as GUIDs; fails when
    their sizes do not tile the file."""
    data = path.read_bytes()
    objects, at = [], 0
    while at < len(data):
        if at + 24 > len(data):
            raise AssertionError("%s: %d stray bytes at its end" % (path, len(data) - at))
        size = struct.unpack_from("<Q", data, at + 16)[0]
        if size < 24 or at + size > len(data):
            raise AssertionError("%s: object at %d states %d bytes of %d left" % (path, at, size, len(data) - at))
        objects.append(uuid.UUID(bytes_le=data[at:at + 16]))
        at += size
    return objects


def other_boxes(app, main):
    return [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd]


class JourneysTest(unittest.TestCase):
    def start_recording(self, app, main, how):
        """how() starts a recording; answers when it runs, or skips the test
        when this build cannot record."""
        how()
        outcome = wait_until(lambda: "started" if main.is_enabled(STOP) else other_boxes(app, main), interval=0.1,
                             what="the recording to start")
        if outcome != "started":
            self.skipTest("this build does not record: %r" % outcome)
        return time.monotonic()

    def output(self, bench, main, before):
        """The file a running recording goes to: its output name, which no
        earlier recording (`before`) used."""
        path = linux_path(bench, main.text(OUTPUT_NAME))
        self.assertNotIn(path, before)
        return path

    def check_file(self, path, recorded=None):
        """A finished recording: its header, data and the index written last
        fill the file; ffprobe reads its duration (near `recorded` seconds
        when given) and decodes frames."""
        wait_until(lambda: path.exists() and path.stat().st_size > 0, timeout=30, what="the recording's file")
        self.assertEqual(asf_objects(path), [ASF_HEADER, ASF_DATA, ASF_SIMPLE_INDEX], "%s is not finished" % path)
        info = probe_recording(path)
        self.assertEqual(info["format"], "asf", path)
        self.assertIsNotNone(info["duration"], "%s states no duration: never finished" % path)
        self.assertGreater(info["duration"], 0.5, path)
        self.assertEqual(info["video"]["codec"], "mpeg4")
        self.assertGreater(info["video"]["frames"], 0, "%s: no frame decodes" % path)
        if recorded is not None:
            self.assertGreaterEqual(info["duration"], recorded - SLACK, "recorded %.1f s" % recorded)
            self.assertLessEqual(info["duration"], recorded + SLACK, "recorded %.1f s" % recorded)
        return info

    def wait_toggle(self, main, text):
        main.wait_state(PAUSE_RESUME, "text", text)
        return time.monotonic()

    def test_tray_pause_resume_and_stops(self):
        with Bench("journeys-tray", size=SCREEN, audio_device=True) as bench:
            app = bench.start(desktop="mavrion-journeys")
            main = app.wait_window(MAIN_CAPTION)
            tray = Tray(app, main)
            main.click(ONLY_VIDEO)
            main.wait_state(ONLY_VIDEO, "checked", True)
            before = set(linux_path(bench, main.text(OUTPUT_NAME)).parent.glob("*.wmv"))

            # Start button: the window goes to the tray. The icon's Pause
            # and Resume start greyed, its Stop is greyed for the whole run.
            began = self.start_recording(app, main, lambda: main.click(START))
            first = self.output(bench, main, before)
            main.wait_state(None, "visible", False)
            self.assertTrue(bench.driver.call("trayicon", main.hwnd, 1)["shown"])
            self.assertEqual(tray.items(), {START_CAPTURE: True, PAUSE_CAPTURE: False, RESUME_CAPTURE: False,
                                            STOP_CAPTURE: False, SHOW_APPLICATION: True, EXIT_APPLICATION: True})
            time.sleep(2)

            # The Options command pauses and enables the icon's Resume.
            main.command(PAUSE_CAPTURE)
            paused_at = self.wait_toggle(main, RESUME_TEXT)
            items = tray.items()
            self.assertEqual((items[PAUSE_CAPTURE], items[RESUME_CAPTURE], items[STOP_CAPTURE]), (False, True, False))
            time.sleep(3)

            # Resume, pause and resume again from the icon's menu.
            tray.choose(RESUME_CAPTURE)
            resumed_at = self.wait_toggle(main, PAUSE_TEXT)
            paused = resumed_at - paused_at
            items = tray.items()
            self.assertEqual((items[PAUSE_CAPTURE], items[RESUME_CAPTURE], items[STOP_CAPTURE]), (True, False, False))
            time.sleep(2)
            tray.choose(PAUSE_CAPTURE)
            paused_at = self.wait_toggle(main, RESUME_TEXT)
            self.assertFalse(main.is_visible(), "pausing keeps the window in the tray")
            time.sleep(3)
            tray.choose(RESUME_CAPTURE)
            paused += self.wait_toggle(main, PAUSE_TEXT) - paused_at
            time.sleep(2)

            # "Show Application" leaves the recording running; the Stop
            # button ends it and the window stays.
            tray.choose(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            self.assertEqual((main.is_enabled(START), main.is_enabled(STOP)), (False, True))
            main.click(STOP)
            main.wait_state(START, "enabled", True)
            recorded = time.monotonic() - began - paused
            self.assertTrue(main.is_visible())
            self.assertEqual(main.text(PAUSE_RESUME), PAUSE_TEXT)
            self.check_file(first, recorded)
            self.assertGreater(paused, 4)

            # The entire screen less the taskbar's height, hidden in the
            # tray and started from the icon's menu: the window stays
            # hidden; the menu bar's Stop ends it.
            before.add(first)
            main.click(WITHOUT_TASKBAR)
            main.wait_state(WITHOUT_TASKBAR, "checked", True)
            taskbar = next(w for w in bench.driver.call("windows")["windows"] if w["class"] == "Shell_TrayWnd")
            taskbar_rect = bench.driver.call("state", taskbar["hwnd"])["rect"]
            expected = (SCREEN[0], SCREEN[1] - (taskbar_rect[3] - taskbar_rect[1]))
            self.assertLess(expected[1], SCREEN[1], "the desktop has a taskbar: %s" % taskbar_rect)
            main.post(WM_SYSCOMMAND, SC_MINIMIZE)
            main.wait_state(None, "visible", False)
            # The icon's Pause, left enabled by the last resume, does nothing
            # while idle.
            self.assertTrue(tray.items()[PAUSE_CAPTURE])
            tray.choose(PAUSE_CAPTURE)
            time.sleep(1)
            self.assertEqual((main.is_enabled(START), main.text(PAUSE_RESUME), other_boxes(app, main)),
                             (True, PAUSE_TEXT, []))
            began = self.start_recording(app, main, lambda: tray.choose(START_CAPTURE))
            second = self.output(bench, main, before)
            time.sleep(2)
            self.assertFalse(main.is_visible())
            self.assertFalse(tray.items()[STOP_CAPTURE])

            # The icon's Start, still enabled, is refused while recording;
            # the recording goes on.
            tray.choose(START_CAPTURE)
            box = app.wait_message_box("Mavrion", exclude=[main])
            self.assertEqual(box.text, ALREADY_RECORDING)
            box.press("OK")
            wait_until(lambda: not box.exists(), what="the message to close")
            self.assertEqual((main.is_enabled(STOP), linux_path(bench, main.text(OUTPUT_NAME))), (True, second))

            # Pause and resume from the menu bar, whose items follow.
            main.command(PAUSE_CAPTURE)
            paused_at = self.wait_toggle(main, RESUME_TEXT)
            self.assertEqual([main.menu_item(i)["grayed"] for i in (PAUSE_CAPTURE, RESUME_CAPTURE, STOP_CAPTURE)],
                             [True, False, False])
            time.sleep(3)
            main.command(RESUME_CAPTURE)
            paused = self.wait_toggle(main, PAUSE_TEXT) - paused_at
            self.assertEqual([main.menu_item(i)["grayed"] for i in (PAUSE_CAPTURE, RESUME_CAPTURE, STOP_CAPTURE)],
                             [False, True, False])
            time.sleep(1)
            main.command(STOP_CAPTURE)
            main.wait_state(START, "enabled", True)
            video = self.check_file(second, time.monotonic() - began - paused)["video"]
            self.assertIn((video["width"], video["height"]), {expected, padded(expected)})
            self.assertEqual(other_boxes(app, main), [])

            tray.choose(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            self.assertEqual(app.close(main), 0)

    def test_leaving_while_recording_finishes_the_file(self):
        with Bench("journeys-leaving", size=SCREEN, audio_device=True) as bench:
            def exit_application(app, main):
                # The menu bar's Exit is greyed while recording; the icon's
                # is not, and asks first.
                self.assertTrue(main.menu_item(EXIT_APPLICATION)["grayed"])
                Tray(app, main).choose(EXIT_APPLICATION)
                box = app.wait_message_box("Mavrion", exclude=[main])
                self.assertEqual(box.text, EXIT_QUESTION)
                box.press("Yes")

            def escape(app, main):
                main.command(SHOW_APPLICATION)
                main.wait_state(None, "visible", True)
                bench.key("Escape")

            def close_button(app, main):
                main.command(SHOW_APPLICATION)
                main.wait_state(None, "visible", True)
                main.post(WM_SYSCOMMAND, SC_CLOSE)
                box = app.wait_message_box("Mavrion", exclude=[main])
                self.assertEqual(box.text, EXIT_QUESTION)
                box.press("Yes")

            made = set()
            for leave in (exit_application, escape, close_button):
                app = bench.start()
                main = app.wait_window(MAIN_CAPTION)
                main.click(ONLY_VIDEO)
                main.wait_state(ONLY_VIDEO, "checked", True)
                self.start_recording(app, main, lambda: main.click(START))
                path = self.output(bench, main, made)
                made.add(path)
                time.sleep(3)
                try:
                    leave(app, main)
                    self.assertEqual(app.wait_exit(), 0)
                    self.check_file(path)
                except AssertionError as failure:
                    raise AssertionError("leaving by %s: %s" % (leave.__name__, failure)) from failure

if __name__ == "__main__":
    unittest.main(verbosity=2)
