#!/usr/bin/env python3
"""A recording onto a drive that fills up (a small tmpfs mapped as Wine's
drive Q:): the recording ends by itself, the program is idle again exactly
as after Stop, a message box owned by the main window names the file that
could not be written any further, and the file is finished and playable.

Needs root for the mount; skipped without it."""

import os
import subprocess
import unittest

from winebench import Bench, probe_recording, wait_until
from test_main_window import APP_NAME, program_boxes, start_without_audio_device

START, STOP, PAUSE_RESUME, OUTPUT_NAME, ONLY_VIDEO = 5, 4, 3, 1000, 1004
SCREEN = (800, 600)
DRIVE_BYTES = 4 << 20
# What is left free for the recording's start.
FREE_BYTES = 256 << 10
STOPPED_BEFORE = "The recording has stopped because the video file \""
STOPPED_AFTER = ("\" could not be written any further. The disk may be full or the drive may no longer be "
                 "available. What was recorded until then is kept in the file.")


class SmallDrive:
    """A tmpfs of DRIVE_BYTES with a folder "videos" and all but FREE_BYTES
    taken, as drive Q: of the bench's own prefix. On leaving, the bench's
    programs end first (they hold the file), then the drive goes."""

    def __init__(self, bench):
        self.bench = bench
        self.mount = bench.run_dir / "drive-q"
        self.link = bench.prefix / "dosdevices" / "q:"

    def __enter__(self):
        self.mount.mkdir()
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % DRIVE_BYTES, "tmpfs", str(self.mount)],
                       check=True, timeout=60)
        try:
            (self.mount / "videos").mkdir()
            (self.mount / "filler.bin").write_bytes(b"\0" * (DRIVE_BYTES - FREE_BYTES))
            self.link.symlink_to(self.mount)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def fill(self):
        """Takes every byte still free."""
        free = os.statvfs(self.mount)
        try:
            with open(self.mount / "filler-2.bin", "wb") as filler:
                filler.write(b"\0" * (free.f_bavail * free.f_frsize))
        except OSError:  # full already
            pass

    def linux_path(self, wine_name):
        return self.mount / wine_name[3:].replace("\\", "/")

    def __exit__(self, kind, value, traceback):
        try:
            if kind is not None:
                self.bench.screenshot("failure")
        finally:
            self.bench.close()
            if self.link.is_symlink():
                self.link.unlink()
            if subprocess.run(["umount", str(self.mount)], timeout=60).returncode != 0:
                subprocess.run(["umount", "-l", str(self.mount)], check=True, timeout=60)
        return False


@unittest.skipUnless(os.geteuid() == 0, "mounting the small drive needs root")
class FullDiskTest(unittest.TestCase):
    def test_a_recording_onto_a_drive_that_fills(self):
        with Bench("full-disk", size=SCREEN, clean_prefix=True) as bench, SmallDrive(bench) as drive:
            (bench.app_dir / "Mavrion.ini").write_bytes(b"[MavrionPROPERTIES]\r\nFILE_PATH=Q:\\videos\r\n")
            app, main = start_without_audio_device(self, bench)
            name = main.text(OUTPUT_NAME)
            self.assertTrue(name.upper().startswith("Q:\\VIDEOS\\"), name)
            main.click(ONLY_VIDEO)
            main.wait_state(ONLY_VIDEO, "checked", True)

            # As soon as the first part of the recording (its first picture)
            # can be read from the drive, the rest of the drive is taken, as
            # another program might: the recording is cut after a second or
            # two. How fast it grows depends on what the screen shows.
            main.click(START)
            path = drive.linux_path(name)
            def recorded_some():
                try:
                    return path.exists() and (probe_recording(path)["duration"] or 0) > 0
                except subprocess.CalledProcessError:  # read while a part is being written
                    return False
            wait_until(recorded_some, what="a first part of the recording on the drive")
            drive.fill()
            box = app.wait_message_box(APP_NAME, exclude=[main])
            self.assertEqual(box.text, STOPPED_BEFORE + name + STOPPED_AFTER)
            self.assertEqual(box.state()["owner"], main.hwnd)
            # Idle as after Stop: the idle layout, the window still in the tray.
            self.assertEqual([main.is_enabled(i) for i in (START, STOP, PAUSE_RESUME)], [True, False, False])
            self.assertEqual(main.text(PAUSE_RESUME), "Pause [F7]")
            self.assertFalse(main.is_visible())
            box.press("OK")
            wait_until(lambda: not box.exists(), what="the message to close")

            recording = probe_recording(path)
            self.assertEqual(recording["format"], "asf")
            self.assertGreater(recording["duration"] or 0, 0)
            self.assertGreater(recording["video"]["frames"], 0)
            self.assertEqual(program_boxes(app), [])
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
