#!/usr/bin/env python3
"""Mavrion starts under Wine, shows its main window and ends when closed."""

import subprocess
import unittest

from winebench import MAIN_CAPTION, Bench, wait_until


def mean_brightness(png):
    out = subprocess.run(["convert", str(png), "-colorspace", "Gray", "-format", "%[fx:mean]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return float(out)


def close_and_confirm(app, main):
    """Closes the main window; answers a confirmation box with Yes or OK."""
    main.close()

    def ended_or_asked():
        if not app.alive():
            return "ended"
        boxes = [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd]
        return "asked" if boxes else None
    if wait_until(ended_or_asked, what="the program to end or ask") == "asked":
        box = app.wait_message_box(exclude=[main])
        box.press("Yes" if any(b["text"] == "Yes" for b in box.buttons) else "OK")
    return app.wait_exit()


def wait_main_window(app):
    """Waits for the main window; a message box shown on the way (a missing
    device, say) is noted and answered with OK, as a user would."""
    def window_or_box():
        if app.windows(MAIN_CAPTION):
            return True
        boxes = app.windows(class_name="#32770")
        for info in boxes:
            if info["text"] != MAIN_CAPTION:
                if app.pid is None:
                    app.pid = info["pid"]
                box = app.wait_message_box(info["text"])
                print("start-up message box %r: %r" % (box.caption, box.text))
                box.press("OK")
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
            shot = bench.screenshot("main")
            # A drawn window, not an empty black display.
            self.assertGreater(mean_brightness(shot), 0.02)
            close_and_confirm(app, main)
            self.assertFalse(main.exists())
            self.assertFalse(app.windows(MAIN_CAPTION, visible=None))


if __name__ == "__main__":
    unittest.main(verbosity=2)
