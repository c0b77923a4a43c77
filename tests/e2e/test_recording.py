#!/usr/bin/env python3
"""Recordings of the real Mavrion.exe under Wine, read back with ffprobe: the
entire screen with the descriptive texts set in the video description
dialog, a specific area of the screen, and a recording cut short by the
program being killed, which states the length it had recorded.

Skipped when the build cannot record (no encoder component)."""

import json
import os
import signal
import subprocess
import time
import unittest
from fractions import Fraction
from pathlib import Path

from winebench import Bench, MAIN_CAPTION, set_video_description, wait_until

START, PAUSE_RESUME, OUTPUT_NAME = 5, 3, 1000
ONLY_VIDEO, SPECIFIC_AREA = 1004, 1027
HEIGHT_LIST, WIDTH_LIST, FRAME_RATE_LIST = 1010, 1011, 1014
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


def timed(act, seen, what):
    """Does act and waits until seen(); answers (sent, seen), the monotonic
    times between which the program acted."""
    sent = time.monotonic()
    act()
    wait_until(seen, interval=0.02, what=what)
    return sent, time.monotonic()


def recorded_bounds(spans):
    """The least and the most time recorded in spans [(start, end)] of
    (sent, seen) times: the recording runs from start to end of each span."""
    return (sum(end[0] - start[1] for start, end in spans),
            sum(end[1] - start[0] for start, end in spans))


def assert_duration(test, duration, bounds, frame_interval, slack=0.2):
    """A recording plays the recorded time up to one frame interval more
    (its last frame lasts a frame) with slack either way."""
    low, high = bounds
    print("recorded %.2f to %.2f s, frame %.2f s, file plays %s s" % (low, high, frame_interval, duration))
    test.assertIsNotNone(duration, "the file states no duration")
    test.assertGreaterEqual(duration, low - slack, "recorded %.2f to %.2f s" % bounds)
    test.assertLessEqual(duration, high + frame_interval + slack, "recorded %.2f to %.2f s" % bounds)


def padded(size):
    # The encoded size is padded to a multiple of 4.
    return (size[0] + 3) // 4 * 4, (size[1] + 3) // 4 * 4


class RecordingSteps:
    """Steps of a recording test case, shared with other recording tests."""

    @staticmethod
    def describe(app, main):
        """Sets the descriptive texts METADATA in the video description dialog."""
        set_video_description(app, main, METADATA)

    def assert_metadata(self, info):
        tags = {k.lower(): v for k, v in info["format"].get("tags", {}).items()}
        self.assertEqual(tags.get("title"), METADATA[TITLE])
        self.assertEqual(tags.get("author", tags.get("artist")), METADATA[AUTHOR])
        self.assertEqual(tags.get("copyright"), METADATA[COPYRIGHT])
        self.assertEqual(tags.get("comment"), METADATA[COMMENT])

    def start(self, app, main):
        """Start by its button; answers the (sent, seen) times of the start."""
        answer = []

        def seen():
            if main.is_enabled(PAUSE_RESUME):
                answer.append("started")
            else:
                answer.extend(w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd)
            return answer
        span = timed(lambda: main.click(START), seen, "the recording to start")
        if answer != ["started"]:
            self.skipTest("this build does not record: %r" % answer)
        return span

    def record(self, app, main, seconds):
        """Start, wait, Stop by the menu command; answers the least and the
        most time recorded."""
        started = self.start(app, main)
        time.sleep(seconds)
        stopped = timed(lambda: main.command(STOP_CAPTURE), lambda: main.is_enabled(START),
                        "the recording to stop")
        return recorded_bounds([(started, stopped)])

    def record_with_pause(self, app, main, before, pause, after):
        """Start, then the window shown again and the recording paused and
        resumed by the Pause/Resume button, then Stop by the menu command;
        answers the least and the most time recorded."""
        started = self.start(app, main)
        main.command(SHOW_APPLICATION)
        main.wait_state(None, "visible", True)
        time.sleep(max(0.0, before - (time.monotonic() - started[1])))
        paused = timed(lambda: main.click(PAUSE_RESUME), lambda: main.text(PAUSE_RESUME) == "Resume [F8]",
                       "the recording to pause")
        time.sleep(pause)
        resumed = timed(lambda: main.click(PAUSE_RESUME), lambda: main.text(PAUSE_RESUME) == "Pause [F7]",
                        "the recording to resume")
        time.sleep(after)
        stopped = timed(lambda: main.command(STOP_CAPTURE), lambda: main.is_enabled(START),
                        "the recording to stop")
        return recorded_bounds([(started, paused), (resumed, stopped)])

    @staticmethod
    def new_file(folder, before):
        """The one recording made since `before` (a set of names)."""
        made = wait_until(lambda: set(folder.glob("*.wmv")) - before, what="the recording")
        assert len(made) == 1, made
        return next(iter(made))

    def video(self, info):
        return next(s for s in info["streams"] if s["codec_type"] == "video")

    def assert_plays(self, info, bounds):
        """The file plays the time recorded, within a frame interval of the
        frame rate the program's settings chose, plus 0.2 s."""
        frame_interval = 1 / float(Fraction(self.video(info)["r_frame_rate"]))
        assert_duration(self, float(info["format"]["duration"]), bounds, frame_interval)


class RecordingTest(RecordingSteps, unittest.TestCase):
    def test_recordings(self):
        with Bench("recording", size=SCREEN, audio_device=True) as bench:
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            main.click(ONLY_VIDEO)

            self.describe(app, main)
            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent
            before = set(folder.glob("*.wmv"))

            # The entire screen, with its descriptive texts.
            bounds = self.record(app, main, 5)
            self.assertFalse(main.is_visible())
            output = self.new_file(folder, before)
            info = probe(output)
            video = self.video(info)
            self.assertEqual(video["codec_name"], "mpeg4")
            self.assertIn((video["width"], video["height"]), {SCREEN, padded(SCREEN)})
            self.assert_plays(info, bounds)
            self.assert_metadata(info)

            # A specific area of the screen.
            before = set(folder.glob("*.wmv"))
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            main.click(SPECIFIC_AREA)
            for field, value in ((LEFT, 100), (TOP, 50), (RIGHT, 500), (BOTTOM, 350)):
                main.set_text(field, str(value))
            bounds = self.record(app, main, 3)
            info = probe(self.new_file(folder, before))
            video = self.video(info)
            self.assertEqual((video["codec_name"], video["width"], video["height"]), ("mpeg4", 400, 300))
            self.assert_plays(info, bounds)

            # Killed while recording: what was written so far stays readable.
            before = set(folder.glob("*.wmv"))
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            main.select(FRAME_RATE_LIST, 9)  # 10 frames a second
            started = self.start(app, main)
            time.sleep(4)
            killed_at = time.monotonic()
            os.kill(app.process.pid, signal.SIGKILL)
            wait_until(lambda: app.process.poll() is not None, what="the killed program to end")
            wait_until(lambda: not app.alive(), what="the killed program's process to end")
            # The header of the last checkpoint, at most a second of
            # recording before the kill, states what was written up to it,
            # and its frames decode.
            killed = self.new_file(folder, before)
            out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-count_packets", "-select_streams", "v:0",
                                  "-show_entries", "stream=codec_name,nb_read_frames,nb_read_packets:format=duration",
                                  "-of", "json", str(killed)], capture_output=True, text=True, check=True).stdout
            info = json.loads(out)
            stream = info["streams"][0]
            self.assertEqual(stream["codec_name"], "mpeg4")
            duration = info["format"].get("duration")
            duration = float(duration) if duration not in (None, "N/A") else None
            low, high = killed_at - started[1], killed_at - started[0]
            assert_duration(self, duration, (low - 1.0, high), 0.1)
            # Ten frames a second in the file's timing: the frames of the
            # stated duration (a still screen's repeats are frames marked
            # not coded, which decoders show without outputting a new one),
            # and they decode.
            self.assertGreaterEqual(int(stream["nb_read_packets"]), round(duration * 10) - 1)
            self.assertGreater(int(stream["nb_read_frames"]), 0)

if __name__ == "__main__":
    unittest.main(verbosity=2)
