#!/usr/bin/env python3
"""Recordings of the real Mavrion.exe under Wine, read back with ffprobe: the
entire screen with the descriptive texts set in the video description
dialog, a specific area of the screen, and a recording cut short by the
program being killed.

Skipped when the build cannot record (no encoder component)."""

import json
import os
import signal
import subprocess
import time
import unittest
from pathlib import Path

from winebench import Bench, MAIN_CAPTION, wait_until

START, PAUSE_RESUME, OUTPUT_NAME, DESCRIPTION = 5, 3, 1000, 1049
ONLY_VIDEO, SPECIFIC_AREA = 1004, 1027
LEFT, TOP, RIGHT, BOTTOM = 1029, 1028, 1030, 1031
STOP_CAPTURE, SHOW_APPLICATION = 32775, 32772
# The description dialog's fields: author, title, copyright, description.
AUTHOR, TITLE, COPYRIGHT, COMMENT = 1050, 1001, 1002, 1003
SCREEN = (800, 600)
METADATA = {AUTHOR: "Ada Lovelace", TITLE: "Quarterly demo", COPYRIGHT: "(c) Example Ltd",
            COMMENT: "Shows the new report screen"}


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_format", "-show_streams", "-of", "json", str(path)],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def linux_path(bench, wine_name):
    """The Linux file behind a Wine path on drive C: or Z:."""
    drive, rest = wine_name[:2].upper(), wine_name[2:].replace("\\", "/")
    if drive == "Z:":
        return Path(rest)
    if drive == "C:":
        return Path(bench.prefix) / "drive_c" / rest.lstrip("/")
    raise AssertionError("unexpected output name %r" % wine_name)


def padded(size):
    # Video 1 codes 4x4 blocks: a size may be padded to a multiple of 4.
    return (size[0] + 3) // 4 * 4, (size[1] + 3) // 4 * 4


class RecordingTest(unittest.TestCase):
    def record(self, app, main, seconds):
        """Start, wait, Stop by the menu command; answers the wall time
        between the start and the stop taking effect."""
        main.click(START)
        started = wait_until(lambda: "started" if main.is_enabled(PAUSE_RESUME)
                             else [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd],
                             interval=0.05, what="the recording to start")
        if started != "started":
            self.skipTest("this build does not record: %r" % started)
        began = time.monotonic()
        time.sleep(seconds)
        main.command(STOP_CAPTURE)
        wait_until(lambda: main.is_enabled(START), interval=0.05, what="the recording to stop")
        return time.monotonic() - began

    @staticmethod
    def new_file(folder, before):
        """The one recording made since `before` (a set of names)."""
        made = wait_until(lambda: set(folder.glob("*.wmv")) - before, what="the recording")
        assert len(made) == 1, made
        return next(iter(made))

    def video(self, info):
        return next(s for s in info["streams"] if s["codec_type"] == "video")

    def test_recordings(self):
        with Bench("recording", size=SCREEN, audio_device=True) as bench:
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            main.click(ONLY_VIDEO)

            main.click(DESCRIPTION)
            dialog = app.wait_message_box(exclude=[main])
            for field, text in METADATA.items():
                dialog.set_text(field, text)
            dialog.click(1)
            wait_until(lambda: not dialog.exists() or not dialog.is_visible(), what="the description dialog to close")

            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent
            before = set(folder.glob("*.wmv"))

            # The entire screen, with its descriptive texts.
            elapsed = self.record(app, main, 5)
            self.assertFalse(main.is_visible())
            output = self.new_file(folder, before)
            info = probe(output)
            video = self.video(info)
            self.assertEqual(video["codec_name"], "msvideo1")
            self.assertIn((video["width"], video["height"]), {SCREEN, padded(SCREEN)})
            duration = float(info["format"]["duration"])
            self.assertGreaterEqual(duration, elapsed - 1.5, "recorded %.1f s" % elapsed)
            self.assertLessEqual(duration, elapsed + 1.5, "recorded %.1f s" % elapsed)
            tags = {k.lower(): v for k, v in info["format"].get("tags", {}).items()}
            self.assertEqual(tags.get("title"), METADATA[TITLE])
            self.assertEqual(tags.get("author", tags.get("artist")), METADATA[AUTHOR])
            self.assertEqual(tags.get("copyright"), METADATA[COPYRIGHT])
            self.assertEqual(tags.get("comment"), METADATA[COMMENT])

            # A specific area of the screen.
            before = set(folder.glob("*.wmv"))
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            main.click(SPECIFIC_AREA)
            for field, value in ((LEFT, 100), (TOP, 50), (RIGHT, 500), (BOTTOM, 350)):
                main.set_text(field, str(value))
            self.record(app, main, 3)
            video = self.video(probe(self.new_file(folder, before)))
            self.assertEqual((video["codec_name"], video["width"], video["height"]), ("msvideo1", 400, 300))

            # Killed while recording: what was written so far stays readable.
            before = set(folder.glob("*.wmv"))
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            main.click(START)
            main.wait_state(PAUSE_RESUME, "enabled", True)
            time.sleep(4)
            os.kill(app.process.pid, signal.SIGKILL)
            wait_until(lambda: app.process.poll() is not None, what="the killed program to end")
            wait_until(lambda: not app.alive(), what="the killed program's process to end")
            # The file's header is never finished, so it states no duration:
            # its frames must still decode.
            killed = self.new_file(folder, before)
            out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                                  "-show_entries", "stream=codec_name,nb_read_frames", "-of", "json", str(killed)],
                                 capture_output=True, text=True, check=True).stdout
            stream = json.loads(out)["streams"][0]
            self.assertEqual(stream["codec_name"], "msvideo1")
            self.assertGreater(int(stream["nb_read_frames"]), 0)

if __name__ == "__main__":
    unittest.main(verbosity=2)
