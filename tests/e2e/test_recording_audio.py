#!/usr/bin/env python3
"""Recordings with sound of the real Mavrion.exe under Wine, read back with
ffprobe: with "Record Audio and Video" the file holds the picture and a WMA
sound track from the chosen input (the default one, then the device by its
name), both as long as the time recorded less the pause, and ending
within a frame of each other, also when the recording goes on long after
a long pause. The bench's audio input is ALSA's null device, which Wine
lists as one input and which delivers silence faster than real time: the
recording must not believe its pace.

Skipped when the build cannot record (no encoder component)."""

import subprocess
import unittest

from test_recording import OUTPUT_NAME, SHOW_APPLICATION, RecordingSteps, linux_path, probe
from winebench import Bench, MAIN_CAPTION

AUDIO_AND_VIDEO, AUDIO_DEVICE_LIST, FRAME_RATE_LIST = 1003, 1017, 1014
FRAME_RATE_INDEX = 9  # 10 frames a second
FRAME_INTERVAL = 0.1
SCREEN = (800, 600)
# Sound and picture end within a frame of each other (and the ms the
# packets' times are rounded to).
IN_STEP = FRAME_INTERVAL + 0.01


def played_lengths(path):
    """How long each stream plays, from its packets (the header states one
    duration for both): each to the end of its last packet."""
    out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "packet=codec_type,pts_time,duration_time",
                          "-of", "csv=p=0", str(path)], capture_output=True, text=True, check=True).stdout
    ends = {"audio": 0.0, "video": 0.0}
    for line in out.split():
        kind, pts, duration = line.split(",")[:3]
        length = FRAME_INTERVAL if kind == "video" else float(duration)
        ends[kind] = max(ends[kind], float(pts) + length)
    return ends


class RecordingAudioTest(RecordingSteps, unittest.TestCase):
    def check(self, path, bounds):
        info = probe(path)
        streams = {s["codec_type"]: s for s in info["streams"]}
        self.assertEqual(sorted(streams), ["audio", "video"])
        audio, video = streams["audio"], streams["video"]
        self.assertEqual((audio["codec_name"], audio["sample_rate"], audio["channels"]), ("wmav2", "44100", 2))
        self.assertEqual(video["codec_name"], "mpeg4")
        self.assert_plays(info, bounds)
        lengths = played_lengths(path)
        self.assertLess(abs(lengths["audio"] - lengths["video"]), IN_STEP,
                        "sound %(audio).2f s, picture %(video).2f s" % lengths)

    def test_sound_and_picture_in_step(self):
        with Bench("recording_audio", size=SCREEN, audio_device=True) as bench:
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            self.assertTrue(main.is_checked(AUDIO_AND_VIDEO))
            main.select(FRAME_RATE_LIST, FRAME_RATE_INDEX)
            devices = main.combo(AUDIO_DEVICE_LIST)
            self.assertGreaterEqual(len(devices["items"]), 2, "the null device is listed: %r" % devices)
            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent

            # The default input, with a long pause by the Pause/Resume
            # button and more after it than the media clock keeps pauses for.
            before = set(folder.glob("*.wmv"))
            bounds = self.record_with_pause(app, main, before=2, pause=5, after=11)
            self.check(self.new_file(folder, before), bounds)

            # The input chosen by its name.
            main.select(AUDIO_DEVICE_LIST, 1)
            self.assertNotEqual(main.combo(AUDIO_DEVICE_LIST)["text"], "Default Audio Input Device")
            before = set(folder.glob("*.wmv"))
            bounds = self.record(app, main, 4)
            self.check(self.new_file(folder, before), bounds)

            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
