#!/usr/bin/env python3
"""What scripts/run does after the build: starts Mavrion.exe under Wine.

With an X display ($DISPLAY), the program runs there until the user closes
it. Without one, it records a short demonstration in a private Xvfb display:
two notepads are moved about and typed into while Mavrion records the whole
screen, started by its Start button and stopped by its "Stop Capture" menu
command. The recording, a screenshot taken while it ran, one of the program
afterwards and a frame read back from the file are copied to build/demo/,
and an ffprobe summary of the file is printed. Everything started ends by
process id.
"""

import os
import shutil
import subprocess
import sys
import threading
import time
import traceback

from winebench import MAIN_CAPTION, Bench, BenchError, probe_recording, set_video_description, wait_until, work_dir
from test_capture import Notepad
from test_recording import linux_path
from test_startup import wait_main_window

START, PAUSE_RESUME, OUTPUT_NAME, ONLY_VIDEO, FRAME_RATE = 5, 3, 1000, 1004, 1014
STOP_CAPTURE, SHOW_APPLICATION = 32775, 32772
SCREEN = (1024, 768)
RECORD_SECONDS = 8
# The list of frame rates holds 1 to 30.
FRAMES_PER_SECOND = 5
NOTEPAD_SIZE = (440, 180)
DESCRIPTION_TEXTS = {1050: "Mavrion", 1001: "Mavrion demonstration", 1002: "(c) Mavrion developers",
                     1003: "Two notepads moving about, recorded under Wine"}


def say(text):
    print(text, flush=True)


def run_on_display(display):
    with Bench("run", display=display) as bench:
        app = bench.start()
        say("Mavrion is running on display %s; close it to end." % display)
        app.process.wait()


class Mover(threading.Thread):
    """Moves the notepads along loops and types into the first one until
    stopped."""

    PATHS = (((40, 420), (520, 420), (520, 560), (40, 560)), ((560, 60), (620, 300), (380, 300), (320, 60)))
    TEXT = "Mavrion records what moves on the screen: these notepads, this text. "
    STEPS_PER_SIDE = 10

    def __init__(self, bench, notepads):
        super().__init__(daemon=True)
        self.bench = bench
        self.notepads = notepads
        self.halt = threading.Event()
        self.error = None

    def position(self, path, step):
        side, part = divmod(step, self.STEPS_PER_SIDE)
        start, end = path[side % 4], path[(side + 1) % 4]
        t = part / self.STEPS_PER_SIDE
        return int(start[0] + (end[0] - start[0]) * t), int(start[1] + (end[1] - start[1]) * t)

    def run(self):
        try:
            # Typed keys go to the window in front (keys sent to a window
            # Wine ignores).
            self.bench.xdotool("windowactivate", self.notepads[0].xid, check=False)
            step = 0
            while not self.halt.is_set():
                for notepad, path in zip(self.notepads, self.PATHS):
                    self.bench.xdotool("windowmove", notepad.xid, *self.position(path, step), check=False)
                at = (step * 2) % len(self.TEXT)
                self.bench.xdotool("type", "--delay", "10", self.TEXT[at:at + 2], check=False)
                step += 1
                self.halt.wait(0.05)
        except Exception as error:  # reported by the caller
            self.error = error


def set_description(app, main):
    """The descriptive texts written into the file, through the video
    description dialog."""
    set_video_description(app, main, DESCRIPTION_TEXTS)


def record(bench, app, main, notepads, demo):
    """Start button, windows moving, "Stop Capture"; answers the file and the
    screenshot taken while recording."""
    main.click(START)
    outcome = wait_until(lambda: "started" if main.is_enabled(PAUSE_RESUME)
                         else [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd],
                         interval=0.1, what="the recording to start")
    if outcome != "started":
        box = app.wait_message_box(exclude=[main])
        raise BenchError("the recording did not start: %r" % box)
    say("Recording for %d s (the program hid itself in the notification area)." % RECORD_SECONDS)
    output = linux_path(bench, main.text(OUTPUT_NAME))
    mover = Mover(bench, notepads)
    mover.start()
    try:
        time.sleep(RECORD_SECONDS / 2)
        during = shutil.copy2(bench.screenshot("recording"), demo / "screen-while-recording.png")
        time.sleep(RECORD_SECONDS / 2)
    finally:
        mover.halt.set()
        mover.join(30)
    if mover.error is not None:
        say("(moving the windows failed: %s)" % mover.error)
    main.command(STOP_CAPTURE)
    wait_until(lambda: main.is_enabled(START), what="the recording to stop")
    return output, during


def summary(path, info):
    video, audio = info["video"], info["audio"]
    lines = ["ffprobe of %s:" % path,
             "  container  %s, %d bytes, duration %s s" % (
                 info["format"], info["size"], "%.2f" % info["duration"] if info["duration"] is not None else "?")]
    if video:
        lines.append("  video      %s %dx%d, %d frames decoded" % (video["codec"], video["width"], video["height"],
                                                                   video["frames"]))
    if audio:
        lines.append("  audio      %s %s Hz, %s channel(s)" % (audio["codec"], audio["sample_rate"], audio["channels"]))
    for name, value in sorted(info["tags"].items()):
        lines.append("  %-10s %s" % (name, value))
    return "\n".join(lines)


def middle_frame(path, duration, target):
    """One frame from the middle of the recording as a PNG, or None."""
    at = "%.2f" % max(0.0, (duration or 0) / 2)
    result = subprocess.run(["ffmpeg", "-v", "error", "-y", "-ss", at, "-i", str(path), "-frames:v", "1", str(target)],
                            capture_output=True, timeout=300)
    return target if result.returncode == 0 and target.exists() else None


def run_headless():
    demo = work_dir() / "demo"
    shutil.rmtree(demo, ignore_errors=True)
    demo.mkdir(parents=True)
    say("No display: recording a demonstration in a private Xvfb display (slow where Wine runs emulated).")
    with Bench("demo", size=SCREEN, audio_device=True) as bench:
        # The second notepad starts once the first is placed, so each
        # window is told apart from the other by being the new one.
        first = Notepad(bench)
        app = bench.start()
        main = wait_main_window(app)
        first.place((40, 420), NOTEPAD_SIZE)
        notepads = [first, Notepad(bench).place((560, 60), NOTEPAD_SIZE, others=[first])]
        main.click(ONLY_VIDEO)
        main.select(FRAME_RATE, FRAMES_PER_SECOND - 1)
        set_description(app, main)
        output, during = record(bench, app, main, notepads, demo)
        main.command(SHOW_APPLICATION)
        main.wait_state(None, "visible", True)
        after = shutil.copy2(bench.screenshot("after"), demo / "mavrion-after-recording.png")
        app.close(main)
    wait_until(lambda: output.exists() and output.stat().st_size > 0, timeout=30, what="the recording's file")
    recording = demo / ("mavrion-demo" + output.suffix)
    shutil.copy2(output, recording)
    info = probe_recording(recording)
    frame = middle_frame(recording, info["duration"], demo / "frame-from-recording.png")
    say("")
    say("Recording:   %s (written by Mavrion as %s)" % (recording, output))
    say("Screenshot:  %s (while recording)" % during)
    say("             %s (Mavrion after the stop)" % after)
    if frame:
        say("Frame:       %s (decoded from the middle of the recording)" % frame)
    say(summary(recording, info))
    if not info["video"] or not info["video"]["frames"]:
        say("The recording holds no decodable frame.")
        return 1
    return 0


def main():
    display = os.environ.get("DISPLAY")
    if display:
        run_on_display(display)
        return 0
    try:
        return run_headless()
    except Exception as failure:
        traceback.print_exc()
        say("The demonstration failed: %s" % failure)
        shot = work_dir() / "e2e-artifacts" / "demo" / "failure.png"
        if shot.exists():
            say("Screenshot of the moment it failed: %s" % shot)
        return 1


if __name__ == "__main__":
    sys.exit(main())
