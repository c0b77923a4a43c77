#!/usr/bin/env python3
"""Recording a chosen application, in the real Mavrion.exe under Wine: with
one notepad chosen (placed partly off the screen's right edge) the recording
covers notepad's window clipped to the screen; it pauses while another
program (a second notepad) is in front and resumes when the chosen one comes
back.

Skipped when the build cannot record (no encoder component)."""

import subprocess
import time
import unittest
from pathlib import Path

from winebench import Bench, wait_until
from test_capture import SCREEN, START, STOP_CAPTURE, SHOW_APPLICATION, Notepad, choose_in_picker, other_dialog, \
    start_beside_notepad

PAUSE_RESUME = 3
ONLY_VIDEO = 1004
RESUME_CAPTURE = 32776
# Below the picker, which must stay clear to be used.
OTHER_AT, OTHER_SIZE = (20, 665), (400, 110)


def video_size(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                          "stream=width,height", "-of", "csv=p=0", str(path)],
                         capture_output=True, text=True, check=True).stdout.strip()
    width, height = out.split(",")[:2]
    return int(width), int(height)


class CaptureRecordingTest(unittest.TestCase):
    def test_chosen_application_is_recorded_and_followed(self):
        with Bench("capture-recording", size=SCREEN, audio_device=True) as bench:
            app, main, chosen = start_beside_notepad(bench)
            other = Notepad(bench).place(OTHER_AT, OTHER_SIZE, others=[chosen])
            clipped = chosen.clipped

            main.click(ONLY_VIDEO)
            choose_in_picker(bench, app, main, chosen.hwnd)
            before = set(Path(bench.app_dir).glob("*.wmv"))

            # The chosen notepad in front from the start.
            chosen.activate()
            main.click(START)
            how = wait_until(lambda: "started" if not main.is_visible() else other_dialog(app, main),
                             what="the recording to start")
            if how != "started":
                self.skipTest("this build does not record: %r" % how.text)
            chosen.activate()
            main.wait_state(PAUSE_RESUME, "text", "Pause [F7]")
            time.sleep(2)

            # Another program in front: paused; the chosen one back: resumed.
            other.activate()
            main.wait_state(PAUSE_RESUME, "text", "Resume [F8]")
            self.assertTrue(main.menu_item(RESUME_CAPTURE)["enabled"])
            chosen.activate()
            main.wait_state(PAUSE_RESUME, "text", "Pause [F7]")
            self.assertFalse(main.menu_item(RESUME_CAPTURE)["enabled"])
            time.sleep(2)

            main.command(STOP_CAPTURE)
            main.wait_state(START, "enabled", True)
            made = wait_until(lambda: set(Path(bench.app_dir).glob("*.wmv")) - before, what="the recording")
            self.assertEqual(len(made), 1)
            width, height = clipped[2] - clipped[0], clipped[3] - clipped[1]
            # The encoded size is padded to a multiple of 4.
            padded = ((width + 3) // 4 * 4, (height + 3) // 4 * 4)
            self.assertIn(video_size(next(iter(made))), {(width, height), padded})

            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
