#!/usr/bin/env python3
"""The screen capture's cost under Wine: capture_bench.exe of the Windows
build, run in a private X display of 1920x1080 and of 1280x720 covered by
mvpattern.exe's coloured tiles, prints the milliseconds one capture of the
whole screen takes at each size.

    bench/wine_capture_bench.py [--frames N]

Uses the end-to-end bench (tests/e2e/winebench.py) and its environment:
MAVRION_WIN32_DIR (the build with capture_bench.exe), MAVRION_E2E_WORK."""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))

from winebench import Bench, BenchError, win32_dir  # noqa: E402

SIZES = ((1920, 1080), (1280, 720))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--frames", type=int, default=100)
    frames = parser.parse_args().frames
    exe = win32_dir() / "capture_bench.exe"
    if not exe.exists():
        raise BenchError("%s is missing: build the win32 tree" % exe)
    for width, height in SIZES:
        with Bench("capture_bench_%dx%d" % (width, height), size=(width, height)) as bench:
            # A screen with a picture on it, so the checksum shows it was read.
            bench.start("mvpattern.exe", copy=False)
            bench.x_window("Mavrion Test Pattern")
            result = bench.wine(str(exe), "--frames", str(frames))
            if result.returncode != 0:
                raise BenchError("capture_bench at %dx%d failed: %s" % (width, height, result.stderr.strip()))
            lines = [line for line in result.stdout.splitlines() if line.startswith("capture ")]
            if not lines:
                raise BenchError("capture_bench printed no figure: %r" % result.stdout)
            print("Wine " + lines[-1], flush=True)


if __name__ == "__main__":
    main()
