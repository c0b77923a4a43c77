#!/usr/bin/env python3
"""Keys in the program's own dialogs, pressed as real keys under Wine:

- F6 while the window picker is open does nothing (no second picker, no
  message, no recording), and the picker then closes normally, leaving the
  main window usable;
- F1 in the window picker and in the About box opens the help file, while
  Shift+F1 and Ctrl+F1 do not;
- with the one chosen window closed, Start says so once and opens the
  picker; the next Start finds nothing chosen."""

import time
import unittest

from winebench import WM_CLOSE, Bench, wait_until
from test_main_window import ABOUT_CAPTION, program_boxes, start_without_audio_device
from test_capture import PICKER_CAPTION, Notepad, choose_in_picker

SPECIFIC_APPLICATIONS, START, IDOK, IDCANCEL = 1025, 5, 1, 2
ABOUT_MENU_ITEM = 32777
HELP_CAPTION = "Mavrion Help"
WINDOW_CLOSED = ("The window selected for recording is no longer open. Please select the window which you want "
                 "to record.")
NOTHING_CHOSEN = "Please select the window which you want to record."
# How long a key that should do nothing is given to do something anyway.
SETTLE = 3


def help_viewers(bench):
    return [w["hwnd"] for w in bench.driver.call("windows")["windows"] if w["text"] == HELP_CAPTION and w["visible"]]


class DialogKeysTest(unittest.TestCase):
    def check_help_keys(self, bench, caption):
        """Shift+F1 and Ctrl+F1 in the dialog of this caption open nothing,
        F1 opens the help viewer, which is closed again."""
        for keys in ("shift+F1", "ctrl+F1"):
            bench.key(keys, caption=caption)
        time.sleep(SETTLE)
        self.assertEqual(help_viewers(bench), [], "a modified F1 in %r opened the help" % caption)
        bench.key("F1", caption=caption)
        # Closed by a message, not by keys: keys a closing window leaves
        # unread would reach the next window in front.
        for viewer in wait_until(lambda: help_viewers(bench), what="the help viewer"):
            bench.driver.call("post", viewer, WM_CLOSE, check=False)
        wait_until(lambda: not help_viewers(bench), what="the help viewer to close")

    def check_a_chosen_window_that_closed(self, bench, app, main, notepad):
        choose_in_picker(bench, app, main, notepad.hwnd)
        bench.driver.call("post", notepad.hwnd, WM_CLOSE)
        wait_until(lambda: not bench.driver.call("state", notepad.hwnd, check=False).get("ok"),
                   what="notepad to close")
        for message in (WINDOW_CLOSED, NOTHING_CHOSEN):
            main.click(START)
            box = app.wait_message_box("Error")
            self.assertEqual(box.text, message)
            box.press("OK")
            picker = app.wait_window(PICKER_CAPTION)
            picker.click(IDCANCEL)
            wait_until(lambda: not picker.exists(), what="the picker to close")
        self.assertTrue(main.is_enabled(START))

    def test_keys_in_the_picker_and_the_about_box_and_a_closed_chosen_window(self):
        with Bench("dialog-keys") as bench:
            notepad = Notepad(bench)
            app, main = start_without_audio_device(self, bench)
            notepad.place((600, 300))

            # The picker, opened by its radio outside any recording command.
            main.click(SPECIFIC_APPLICATIONS)
            picker = app.wait_window(PICKER_CAPTION)
            # A key-up first: a key-down seen alone by the next program is lost.
            bench.activate(PICKER_CAPTION)
            bench.xdotool("keyup", "F6")
            bench.key("F6", caption=PICKER_CAPTION)
            time.sleep(SETTLE)
            self.assertEqual([w["hwnd"] for w in app.windows(PICKER_CAPTION)], [picker.hwnd])
            self.assertEqual(program_boxes(app, exclude=[picker.hwnd]), [])
            self.assertTrue(main.is_enabled(START), "F6 started a recording")

            self.check_help_keys(bench, PICKER_CAPTION)
            picker.click(IDCANCEL)
            wait_until(lambda: not picker.exists(), what="the picker to close")
            main.wait_state(None, "enabled", True)

            main.command(ABOUT_MENU_ITEM)
            about = app.wait_window(ABOUT_CAPTION)
            self.check_help_keys(bench, ABOUT_CAPTION)
            about.click(IDOK)
            wait_until(lambda: not about.exists(), what="the About box to close")
            self.assertEqual(program_boxes(app), [])

            self.check_a_chosen_window_that_closed(bench, app, main, notepad)
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
