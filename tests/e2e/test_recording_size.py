#!/usr/bin/env python3
"""Recordings of the real Mavrion.exe under Wine at a size chosen in the
height and width lists, read back with ffprobe: the picture size (padded to
a multiple of 4, so a width of 550 becomes 552), the duration against
the time recorded, with and without a pause, and the descriptive texts.

Skipped when the build cannot record (no encoder component)."""

import unittest

from test_recording import (FRAME_RATE_LIST, HEIGHT_LIST, ONLY_VIDEO, OUTPUT_NAME, SHOW_APPLICATION, WIDTH_LIST,
                            RecordingSteps, linux_path, probe)
from winebench import Bench, MAIN_CAPTION

SCREEN = (800, 600)
HEIGHT_INDEX, WIDTH_INDEX = 3, 8  # entries "400" and "550"
FRAME_RATE_INDEX = 9  # 10 frames a second
ENCODED = (552, 400)  # the width padded to a multiple of 4


class RecordingSizeTest(RecordingSteps, unittest.TestCase):
    def check(self, info, bounds):
        video = self.video(info)
        self.assertEqual((video["codec_name"], video["width"], video["height"]), ("mpeg4",) + ENCODED)
        self.assertEqual(video["r_frame_rate"], "10/1")
        self.assert_plays(info, bounds)
        self.assert_metadata(info)

    def test_profile_size_and_pause(self):
        with Bench("recording_size", size=SCREEN, audio_device=True) as bench:
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            main.click(ONLY_VIDEO)
            main.select(HEIGHT_LIST, HEIGHT_INDEX)
            main.select(WIDTH_LIST, WIDTH_INDEX)
            main.select(FRAME_RATE_LIST, FRAME_RATE_INDEX)
            self.assertEqual(main.combo(HEIGHT_LIST)["text"], "400")
            self.assertEqual(main.combo(WIDTH_LIST)["text"], "550")
            self.assertEqual(main.combo(FRAME_RATE_LIST)["text"], "10")

            self.describe(app, main)
            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent

            # The chosen size, recorded without a pause.
            before = set(folder.glob("*.wmv"))
            bounds = self.record(app, main, 4)
            self.check(probe(self.new_file(folder, before)), bounds)

            # Paused through the dialog's Pause/Resume button: the pause is
            # not in the file.
            before = set(folder.glob("*.wmv"))
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            bounds = self.record_with_pause(app, main, before=2, pause=3, after=2)
            self.check(probe(self.new_file(folder, before)), bounds)


if __name__ == "__main__":
    unittest.main(verbosity=2)
