#!/usr/bin/env python3
"""A recording the encoder refuses to start (its output folder does not
exist) shows no message box, leaves the dialog idle, and is written to
today's activity log beside the program."""

import re
import time
import unittest
from datetime import date

from winebench import Bench, wait_until
from test_main_window import program_boxes, start_without_audio_device

START, OUTPUT_NAME, ONLY_VIDEO = 5, 1000, 1004
MISSING_FOLDER = "C:\\nonexistent\\dir"


class RefusedStartTest(unittest.TestCase):
    def test_refused_start_is_logged_without_a_message_box(self):
        with Bench("refused-start") as bench:
            (bench.app_dir / "Mavrion.ini").write_bytes(
                b"[MavrionPROPERTIES]\r\nFILE_PATH=" + MISSING_FOLDER.encode() + b"\r\n")
            app, main = start_without_audio_device(self, bench)
            self.assertTrue(main.text(OUTPUT_NAME).startswith(MISSING_FOLDER + "\\"), main.text(OUTPUT_NAME))
            main.click(ONLY_VIDEO)
            main.wait_state(ONLY_VIDEO, "checked", True)

            log = bench.app_dir / date.today().strftime("Screen-%Y%m%d.log")
            main.click(START)
            wait_until(lambda: log.exists() and log.read_text(errors="replace"), timeout=60,
                       what="the activity log entry")
            # Long enough for a message box to show if the refusal had one.
            time.sleep(2)
            self.assertEqual(program_boxes(app), [])
            self.assertTrue(main.is_enabled(START), "the dialog stays idle")
            self.assertTrue(main.is_visible(), "the window is not hidden to the tray")
            self.assertRegex(log.read_text(errors="replace"),
                             re.compile(r"^\d\d:\d\d:\d\d Unable to Start Encoding Process$"))
            app.close(main)


if __name__ == "__main__":
    unittest.main()
