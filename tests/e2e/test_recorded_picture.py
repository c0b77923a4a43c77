#!/usr/bin/env python3
"""What Mavrion.exe records is what was on the screen: with mvpattern.exe's
known picture covering the screen (and then gone), frames decoded from the recording are
compared with screenshots of the display taken while recording (PSNR with
ffmpeg). A picture recorded shifted by a pixel, mirrored, with red and blue
swapped, or frozen after the screen changed scores far below the bar.

Skipped when the build cannot record (no encoder component)."""

import re
import subprocess
import time
import unittest

from winebench import Bench, MAIN_CAPTION, wait_until
from test_recording import linux_path

START, PAUSE_RESUME, OUTPUT_NAME = 5, 3, 1000
ONLY_VIDEO, SPECIFIC_AREA = 1004, 1027
LEFT, TOP, RIGHT, BOTTOM = 1029, 1028, 1030, 1031
STOP_CAPTURE, SHOW_APPLICATION = 32775, 32772
SCREEN = (800, 600)
PATTERN_CAPTION = "Mavrion Test Pattern"
# The pointer is drawn into the frames but not into screenshots: it waits in
# the bottom right corner, which the comparison leaves out.
POINTER = (790, 590)
COMPARED = "crop=760:560:0:0"
# Same picture: about 40 dB here (the codec's error). One pixel off: about
# 20 dB.
SAME_PICTURE_DB = 30.0


def psnr(first, second, first_filter="null", second_filter="null"):
    """PSNR in dB of the brightness of two pictures (or first frames), each
    first put through its ffmpeg filter. Brightness only: the codec keeps
    colour at half the resolution, which the pattern's one-pixel colour
    edges would make count for more than a frame recorded wrong. (Red and
    blue swapped still change the brightness.)"""
    graph = "[0:v]%s,format=gray[a];[1:v]%s,format=gray[b];[a][b]psnr" % (first_filter, second_filter)
    err = subprocess.run(["ffmpeg", "-v", "info", "-i", str(first), "-i", str(second), "-lavfi", graph,
                          "-f", "null", "-"], capture_output=True, text=True, check=True).stderr
    found = re.search(r"PSNR .*average:(\S+)", err)
    assert found, err
    return float("inf") if found.group(1) == "inf" else float(found.group(1))


def last_frame(recording, path):
    """The recording's last frame as a PNG: every frame written over the one
    file, the last one stays. (From the start: a still screen's last seconds
    may hold frames marked not coded only, which decode to no new picture.)"""
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", str(recording), "-update", "1", str(path)], check=True)
    return path


def pictures(recording, folder):
    """Every picture the recording shows, in order, as PNGs (frames marked
    not coded decode to none)."""
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", str(recording), "-vsync", "passthrough",
                    str(folder / "picture%03d.png")], check=True)
    return sorted(folder.glob("picture*.png"))


class RecordedPictureTest(unittest.TestCase):
    def start_recording(self, app, main):
        main.click(START)
        how = wait_until(lambda: "started" if main.is_enabled(PAUSE_RESUME)
                         else [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd],
                         interval=0.05, what="the recording to start")
        if how != "started":
            self.skipTest("this build does not record: %r" % how)
        wait_until(lambda: not main.is_visible(), what="the window to hide")

    def stop_recording(self, main, folder, before):
        main.command(STOP_CAPTURE)
        main.wait_state(START, "enabled", True)
        made = wait_until(lambda: set(folder.glob("*.wmv")) - before, what="the recording")
        self.assertEqual(len(made), 1, made)
        return next(iter(made))

    def test_frames_match_the_screen(self):
        with Bench("recorded-picture", size=SCREEN, audio_device=True) as bench:
            pattern = bench.start("mvpattern.exe", copy=False)
            bench.x_window(PATTERN_CAPTION)
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            main.click(ONLY_VIDEO)
            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent
            bench.xdotool("mousemove", *POINTER)
            # The frames' own check: one pixel off scores below the bar.
            shot = bench.screenshot("screen")
            self.assertLess(psnr(shot, shot, COMPARED, "crop=760:560:1:1"), SAME_PICTURE_DB)

            # The entire screen; half-way the pattern goes, and the last
            # frame shows the screen without it.
            before = set(folder.glob("*.wmv"))
            self.start_recording(app, main)
            time.sleep(2)
            still = bench.screenshot("still")
            pattern.process.kill()
            wait_until(lambda: not bench.xdotool("search", "--onlyvisible", "--name", "^%s$" % PATTERN_CAPTION,
                                                 check=False), what="the pattern to go")
            time.sleep(2)
            changed = bench.screenshot("changed")
            time.sleep(1)
            recording = self.stop_recording(main, folder, before)
            # The last picture before the pattern went, found by its
            # content: frames are taken at their times also while one is
            # coded, so how long the first ones show the main window (which
            # hides just after Start) depends on the machine's speed.
            shown = pictures(recording, bench.artifacts)
            with_pattern = [p for p in shown if psnr(p, changed, COMPARED, COMPARED) < SAME_PICTURE_DB]
            self.assertTrue(with_pattern, "no picture before the pattern went")
            early = with_pattern[-1]
            last = last_frame(recording, bench.artifacts / "last.png")
            self.assertGreater(psnr(early, still, COMPARED, COMPARED), SAME_PICTURE_DB)
            self.assertGreater(psnr(last, changed, COMPARED, COMPARED), SAME_PICTURE_DB)
            self.assertLess(psnr(last, still, COMPARED, COMPARED), SAME_PICTURE_DB, "the picture froze")

            # A specific area at odd offsets, the pattern back: the frames
            # are that part of the screen.
            bench.start("mvpattern.exe", copy=False)
            bench.x_window(PATTERN_CAPTION)
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            main.click(SPECIFIC_AREA)
            for field, value in ((LEFT, 103), (TOP, 47), (RIGHT, 503), (BOTTOM, 347)):
                main.set_text(field, str(value))
            before = set(folder.glob("*.wmv"))
            self.start_recording(app, main)
            time.sleep(2)
            area = bench.screenshot("area")
            recording = self.stop_recording(main, folder, before)
            last = last_frame(recording, bench.artifacts / "area-last.png")
            self.assertGreater(psnr(last, area, "null", "crop=400:300:103:47"), SAME_PICTURE_DB)

            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
