#!/usr/bin/env python3
"""How many different frames a recording holds: Mavrion.exe of the Windows
build records the whole 1920x1080 screen at 30 frames per second under Wine
while mvpattern.exe --ticker changes a small square 30 times a second, and
again while mvpattern.exe --scroll moves the whole picture 30 times a
second; prints the different pictures per second of the recording (at most
30; the goals are at least 29 for the square and 25 for the whole screen).

    bench/wine_recording_bench.py [--seconds S]

Uses the end-to-end bench (tests/e2e/winebench.py) and its environment:
MAVRION_WIN32_DIR, MAVRION_E2E_WORK."""

import argparse
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))

from winebench import Bench, BenchError, MAIN_CAPTION, wait_until  # noqa: E402
from test_recording import (FRAME_RATE_LIST, ONLY_VIDEO, OUTPUT_NAME, START, STOP_CAPTURE,  # noqa: E402
                            linux_path)

SIZE = (1920, 1080)
FRAME_RATE_INDEX = 29  # 30 frames a second
# What mvpattern.exe is asked to do, what is said of it, and the part of
# the picture compared.
CASES = (("--ticker", "a square changing 30 times a second", "crop=48:48:48:48"),  # inside the square
         ("--scroll", "the whole screen moving 30 times a second", "crop=960:540:480:270"))


def distinct_pictures(recording, crop):
    """The decoded frames whose part crop differs from the frame before, and
    the recording's duration."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", str(recording), "-map", "0:v:0", "-vsync", "passthrough",
                          "-vf", crop, "-f", "framemd5", "-"], capture_output=True, text=True, check=True).stdout
    sums = [line.split(",")[-1].strip() for line in out.splitlines() if line and not line.startswith("#")]
    changes = sum(1 for before, now in zip(sums, sums[1:]) if before != now) + (1 if sums else 0)
    duration = float(subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                     str(recording)], capture_output=True, text=True, check=True).stdout)
    return changes, duration


def record(mode, what, crop, seconds):
    with Bench("recording_bench", size=SIZE, audio_device=True) as bench:
        bench.start("mvpattern.exe", args=(mode,), copy=False)
        bench.x_window("Mavrion Test Pattern")
        app = bench.start()
        main_window = app.wait_window(MAIN_CAPTION)
        main_window.click(ONLY_VIDEO)
        main_window.select(FRAME_RATE_LIST, FRAME_RATE_INDEX)
        folder = linux_path(bench, main_window.text(OUTPUT_NAME)).parent
        before = set(folder.glob("*.wmv"))
        main_window.click(START)
        wait_until(lambda: not main_window.is_visible(), what="the recording to start")
        time.sleep(seconds)
        main_window.command(STOP_CAPTURE)
        main_window.wait_state(START, "enabled", True)
        made = wait_until(lambda: set(folder.glob("*.wmv")) - before, what="the recording")
        if len(made) != 1:
            raise BenchError("expected one recording, found %r" % made)
        changes, duration = distinct_pictures(next(iter(made)), crop)
        print("Wine recording %dx%d at 30 fps of %s: %.1f different frames per second (%d in %.2f s)"
              % (SIZE[0], SIZE[1], what, changes / duration, changes, duration), flush=True)
        app.close(main_window)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=6.0)
    seconds = parser.parse_args().seconds
    for mode, what, crop in CASES:
        record(mode, what, crop, seconds)


if __name__ == "__main__":
    main()
