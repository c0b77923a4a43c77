#!/usr/bin/env python3
"""Mavrion starts under Wine, shows its main window and ends when closed."""

import subprocess
import unittest

from winebench import MAIN_CAPTION, Bench, MessageBox, wait_until


def mean_brightness(png):
    out = subprocess.run(["convert", str(png), "-colorspace", "Gray", "-format", "%[fx:mean]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return float(out)


def wait_main_window(app):
    """Waits for the main window; a message box shown on the way (a missing
    device, say) is noted and answered with OK, as a user would."""
    answered = set()  # a box pressed once may still be listed while it closes

    def window_or_box():
        if app.windows(MAIN_CAPTION):
            return True
        boxes = app.windows(class_name="#32770")
        for info in boxes:
            if info["text"] != MAIN_CAPTION and info["hwnd"] not in answered:
                if app.pid is None:
                    app.pid = info["pid"]
                box = MessageBox.read(app.driver, info)
                if box is not None:
                    print("start-up message box %r: %r" % (box.caption, box.text))
                    box.press("OK")
                    answered.add(info["hwnd"])
        return False
    wait_until(window_or_box, what="the main window")
    return app.wait_window(MAIN_CAPTION)


class StartupTest(unittest.TestCase):
    def test_main_window_appears_and_close_ends_the_program(self):
        with Bench("startup") as bench:
            app = bench.start()
            main = wait_main_window(app)
            self.assertTrue(main.is_visible())
            self.assertTrue(main.is_enabled())
            shot = bench.settled_screenshot("main")
            # A drawn window, not an empty black display.
            self.assertGreater(mean_brightness(shot), 0.02)
            app.close(main)
            self.assertFalse(main.exists())
            self.assertFalse(app.windows(MAIN_CAPTION, visible=None))

    def test_runs_in_a_virtual_desktop_with_a_notification_area(self):
        with Bench("startup-desktop") as bench:
            app = bench.start(desktop="mavrion")
            main = wait_main_window(app)
            taskbars = [w for w in bench.driver.call("windows")["windows"] if w["class"] == "Shell_TrayWnd"]
            self.assertTrue(taskbars)
            bench.screenshot("desktop")
            app.close(main)
            self.assertFalse(main.exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)
