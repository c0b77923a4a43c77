#!/usr/bin/env python3
"""A recording of the real Mavrion.exe under Wine with sound that is not
silence: a PulseAudio server of the test's own, with a null sink whose
monitor is the default source, is Wine's capture device; `paplay` plays a
tone into the sink while the program records. The file's sound is read
back with FFmpeg and GStreamer: its level, its spectrum (the tone
dominates), its length, and where it starts against the time it was played
(the picture's own timing against the sound's is checked where it can be
exact, in the unit tests).

Skipped when the build cannot record (no encoder component)."""

import array
import json
import math
import os
import subprocess
import time
import unittest
from pathlib import Path

from test_recording import (OUTPUT_NAME, SHOW_APPLICATION, START, STOP_CAPTURE, RecordingSteps, linux_path, probe,
                            timed)
from test_recording_audio import AUDIO_AND_VIDEO, FRAME_RATE_INDEX, FRAME_RATE_LIST
from winebench import Bench, MAIN_CAPTION, REPO, wait_until

# GStreamer's reading of a file, as the unit tests use it; run by Debian's
# own interpreter, which has the binding.
GST_READ = REPO / "tests" / "unit" / "encoder" / "builtin" / "gst_read.py"
SCREEN = (640, 480)
RATE = 44100
TONE_HZ = 1000
TONE_SECONDS = 2.0
TONE_AMPLITUDE = 0.5  # of full scale: -6 dB
# Where the tone starts in the file against when it was played: the device
# places each delivery by its arrival, so the tone may come early by about
# a delivery, and late by the way through PulseAudio and Wine.
ONSET_EARLY = 0.1
ONSET_LATE = 0.5
# FFmpeg and GStreamer decode the same sound at the same place.
READERS_AGREE = 0.025


def tone_file(folder):
    """The played signal: TONE_SECONDS of a sine that starts at once."""
    path = folder / "tone.wav"
    subprocess.run(["sox", "-n", "-r", str(RATE), "-c", "2", "-b", "16", str(path), "synth", str(TONE_SECONDS),
                    "sine", str(TONE_HZ), "vol", str(TONE_AMPLITUDE)], check=True)
    return path


class PulseServer:
    """A PulseAudio server of the test's own (run as whoever runs the test),
    its socket under the run's folder; a null sink "rec" whose monitor is the
    default source. Ended by its process id."""

    def __init__(self, folder):
        self.folder = Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        self.socket = self.folder / "native"
        self.env = dict(os.environ, HOME=str(self.folder), XDG_RUNTIME_DIR=str(self.folder),
                        XDG_CONFIG_HOME=str(self.folder), PULSE_SERVER="unix:%s" % self.socket)
        self.process = None

    def __enter__(self):
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--load=module-native-protocol-unix socket=%s auth-anonymous=1" % self.socket,
             "--load=module-null-sink sink_name=rec"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        wait_until(lambda: self.process.poll() is not None or self.pactl("info").returncode == 0,
                   timeout=60, what="the PulseAudio server")
        if self.process.poll() is not None:
            raise AssertionError("PulseAudio did not start")
        self.pactl("set-default-source", "rec.monitor", check=True)
        return self

    def __exit__(self, *exc):
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return False

    def pactl(self, *args, check=False):
        return subprocess.run(["pactl"] + list(args), env=self.env, capture_output=True, text=True, check=check,
                              timeout=60)

    def play(self, path):
        return subprocess.Popen(["paplay", "-d", "rec", str(path)], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)


def decoded_sound(path):
    """The file's sound as FFmpeg decodes it, mono, on the file's timeline
    from 0 (whatever the first packet's time)."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", str(path), "-map", "0:a", "-af",
                          "aresample=async=1:first_pts=0", "-ac", "1", "-ar", str(RATE), "-f", "s16le", "-"],
                         capture_output=True, check=True, timeout=600).stdout
    return array.array("h", out)


def power_at(samples, hz):
    """Goertzel: the power of samples at one frequency, as a share of all."""
    coefficient = 2 * math.cos(2 * math.pi * hz / RATE)
    a = b = 0.0
    for x in samples:
        a, b = x + coefficient * a - b, a
    tone = a * a + b * b - coefficient * a * b
    total = sum(x * x for x in samples) * len(samples) / 2
    return tone / total if total else 0.0


class RecordedSoundTest(RecordingSteps, unittest.TestCase):
    def test_a_played_tone_is_recorded_at_its_level_and_place(self):
        with Bench("recorded_sound", size=SCREEN, clean_prefix=True) as bench, \
                PulseServer(bench.run_dir / "pulse") as pulse:
            # Wine's PulseAudio driver, only in this test's own prefix.
            bench.env["PULSE_SERVER"] = pulse.env["PULSE_SERVER"]
            result = bench.wine("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio", "/t", "REG_SZ",
                                "/d", "pulse", "/f")
            self.assertEqual(result.returncode, 0, result.stderr)
            tone = tone_file(bench.run_dir)
            app = bench.start()
            main = app.wait_window(MAIN_CAPTION)
            self.assertTrue(main.is_checked(AUDIO_AND_VIDEO))
            main.select(FRAME_RATE_LIST, FRAME_RATE_INDEX)
            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent
            before = set(folder.glob("*.wmv"))
            started = self.start(app, main)
            # The recording is under way once its first second is in the file.
            wait_until(lambda: any(p.stat().st_size > 20000 for p in set(folder.glob("*.wmv")) - before),
                       what="the recording's first checkpoint")
            time.sleep(1)
            played = time.monotonic()
            player = pulse.play(tone)
            wait_until(lambda: player.poll() is not None, what="the tone to end")
            time.sleep(1)
            timed(lambda: main.command(STOP_CAPTURE), lambda: main.is_enabled(START), "the recording to stop")
            path = self.new_file(folder, before)
            self.assertEqual(probe(path)["streams"][1]["codec_name"], "wmav2")

            sound = decoded_sound(path)
            peak = TONE_AMPLITUDE * 32767
            loud = next((i for i, v in enumerate(sound) if abs(v) > peak / 2), None)
            self.assertIsNotNone(loud, "the tone is not in the file (loudest %d)" % max(map(abs, sound), default=0))
            sound_at = loud / RATE
            # The recording's time 0 is between the Start's click and its
            # being seen; the tone reaches the device a little after it is
            # played.
            earliest, latest = played - started[1], played - started[0] + ONSET_LATE
            print("sound from %.3f s, played at %.3f to %.3f s of the recording" % (sound_at, earliest, latest))
            self.assertGreaterEqual(sound_at, earliest - ONSET_EARLY)
            self.assertLessEqual(sound_at, latest)

            # The tone's middle: its level and its frequency.
            middle = sound[loud + RATE // 4:loud + RATE // 4 + RATE]
            rms = math.sqrt(sum(x * x for x in middle) / len(middle))
            level = 20 * math.log10(rms / (peak / math.sqrt(2)))
            # The clock may stretch the sound by a few in a thousand: the
            # strongest frequency near the tone's, in a tenth of a second.
            window = middle[:RATE // 10]
            share, hz = max((power_at(window, f), f) for f in range(TONE_HZ - 20, TONE_HZ + 21))
            print("level %.2f dB of the played, %.3f of the power at %d Hz" % (level, share, hz))
            self.assertLess(abs(level), 1.5)
            self.assertGreater(share, 0.9)
            self.assertLessEqual(abs(hz - TONE_HZ), TONE_HZ * 0.006)
            ended = next(i for i in range(len(sound) - 1, 0, -1) if abs(sound[i]) > peak / 2) / RATE
            self.assertAlmostEqual(ended - sound_at, TONE_SECONDS, delta=0.1)

            # GStreamer finds the tone at the same place.
            report = json.loads(subprocess.run(["/usr/bin/python3", str(GST_READ), str(path)], capture_output=True,
                                               text=True, check=True, timeout=600).stdout)
            self.assertEqual(report["errors"], [])
            self.assertAlmostEqual(report["sound_onset_ms"] / 1000, sound_at, delta=READERS_AGREE)

            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
