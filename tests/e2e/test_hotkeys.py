#!/usr/bin/env python3
"""The global keys F6 to F9 of the real Mavrion.exe under Wine, pressed as
real keys while another program (notepad) has the keyboard: F6 starts when
idle, F7 pauses, F8 resumes, F9 stops, and each does nothing where it does
not apply. Without hodll.dll the program warns once and still records by
its buttons.

Skipped when the build cannot record (no encoder component)."""

import json
import os
import shutil
import subprocess
import time
import unittest

from winebench import Bench, MAIN_CAPTION, wait_until, win32_dir, MessageBox
from test_capture import Notepad
from test_recording import linux_path

START, PAUSE_RESUME, OUTPUT_NAME = 5, 3, 1000
ONLY_VIDEO = 1004
STOP_CAPTURE = 32775
SCREEN = (800, 600)
# How long a key that should do nothing is given to do something anyway.
SETTLE = 3


def probe_duration(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_format", "-of", "json", str(path)],
                         capture_output=True, text=True, check=True).stdout
    return float(json.loads(out)["format"]["duration"])


def other_boxes(app, main):
    return [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd]


class HotkeysTest(unittest.TestCase):
    def press(self, bench, notepad, key):
        # A key-up first: a key-down seen alone by the next program is lost.
        bench.xdotool("keyup", "--window", notepad.xid, key)
        bench.xdotool("key", "--window", notepad.xid, key)

    def layout(self, main):
        return main.is_enabled(START), main.is_enabled(PAUSE_RESUME), main.text(PAUSE_RESUME)

    def test_keys_while_another_program_has_the_keyboard(self):
        with Bench("hotkeys", size=SCREEN, audio_device=True) as bench:
            notepad = Notepad(bench)
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            notepad.place((20, 300), (400, 200))
            main.click(ONLY_VIDEO)
            output = linux_path(bench, main.text(OUTPUT_NAME))
            self.assertEqual(other_boxes(app, main), [])

            # Idle: F7 and F9 do nothing.
            notepad.activate()
            idle = self.layout(main)
            self.assertTrue(idle[0])
            for key in ("F7", "F9"):
                self.press(bench, notepad, key)
            time.sleep(SETTLE)
            self.assertEqual(self.layout(main), idle)
            self.assertTrue(main.is_visible())

            # F6 starts.
            self.press(bench, notepad, "F6")
            how = wait_until(lambda: "started" if main.is_enabled(PAUSE_RESUME) else other_boxes(app, main),
                             what="F6 to start a recording")
            if how != "started":
                self.skipTest("this build does not record: %r" % how)
            wait_until(lambda: not main.is_visible(), what="the main dialog to hide")
            self.assertEqual(main.text(PAUSE_RESUME), "Pause [F7]")
            notepad.activate()
            time.sleep(1)

            # Recording: F6 does nothing; F7 pauses, F8 resumes.
            self.press(bench, notepad, "F6")
            time.sleep(SETTLE)
            self.assertEqual(self.layout(main), (False, True, "Pause [F7]"))
            self.press(bench, notepad, "F7")
            main.wait_state(PAUSE_RESUME, "text", "Resume [F8]")
            time.sleep(1)
            self.press(bench, notepad, "F8")
            main.wait_state(PAUSE_RESUME, "text", "Pause [F7]")
            time.sleep(1)

            # F9 stops; the file is finished.
            self.press(bench, notepad, "F9")
            main.wait_state(START, "enabled", True)
            self.assertGreater(probe_duration(output), 0)
            self.assertEqual(other_boxes(app, main), [])
            app.close(main)

    def test_without_the_key_library(self):
        with Bench("hotkeys-missing", size=SCREEN, audio_device=True) as bench:
            # The build's programs without the key library.
            build = bench.run_dir / "build-without-hodll"
            build.mkdir()
            for item in win32_dir().iterdir():
                if item.is_file() and item.suffix.lower() in (".exe", ".dll") and item.name.lower() != "hodll.dll":
                    shutil.copy2(item, build / item.name)
            before = os.environ.get("MAVRION_WIN32_DIR")
            os.environ["MAVRION_WIN32_DIR"] = str(build)
            try:
                app = bench.start()
            finally:
                if before is None:
                    del os.environ["MAVRION_WIN32_DIR"]
                else:
                    os.environ["MAVRION_WIN32_DIR"] = before
            self.assertFalse((bench.app_dir / "hodll.dll").exists())
            first = app.wait_window("Mavrion", class_name="#32770")
            box = MessageBox(app.driver, {"hwnd": first.hwnd, "pid": first.pid})
            self.assertTrue(box.text.startswith("The global keys F6 to F9 are not available"), box)
            box.press("OK")
            main = app.wait_window(MAIN_CAPTION)
            time.sleep(1)
            self.assertEqual(other_boxes(app, main), [])

            main.click(ONLY_VIDEO)
            output = linux_path(bench, main.text(OUTPUT_NAME))
            main.click(START)
            how = wait_until(lambda: "started" if main.is_enabled(PAUSE_RESUME) else other_boxes(app, main),
                             what="the recording to start")
            if how != "started":
                self.skipTest("this build does not record: %r" % how)
            time.sleep(2)
            main.command(STOP_CAPTURE)
            main.wait_state(START, "enabled", True)
            self.assertGreater(probe_duration(output), 0)
            self.assertEqual(other_boxes(app, main), [])
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
