#!/usr/bin/env python3
"""What scripts/run does after the build: starts Mavrion.exe under Wine.

With an X display ($DISPLAY), the program runs there until the user closes
it. Without one, it runs in a private Xvfb display: the script waits for the
main window, saves a screenshot under build/ and says where, then closes the
program and ends everything it started.
"""

import os
import shutil
import sys

from winebench import MAIN_CAPTION, Bench, wait_until, work_dir


def run_on_display(display):
    with Bench("run", display=display) as bench:
        app = bench.start()
        print("Mavrion is running on display %s; close it to end." % display)
        app.process.wait()


def run_headless():
    with Bench("run") as bench:
        app = bench.start()
        main = app.wait_window(MAIN_CAPTION)
        wait_until(lambda: main.is_visible(), what="the main window to show")
        shot = work_dir() / "mavrion-screenshot.png"
        shutil.copy2(bench.screenshot("main"), shot)
        print("No display: Mavrion ran in a private Xvfb display. Screenshot: %s" % shot)
        app.close(main)


def main():
    display = os.environ.get("DISPLAY")
    if display:
        run_on_display(display)
    else:
        run_headless()
    return 0


if __name__ == "__main__":
    sys.exit(main())
