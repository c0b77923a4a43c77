#!/usr/bin/env python3
"""The settings file "Mavrion.ini" and the output file name of the real
Mavrion.exe under Wine: first run, "Save Settings", the next run reading the
file back (also unusual contents), the Save-As dialog of "...", and two
recordings in one run writing two files."""

import re
import time
import unittest
from datetime import datetime, timedelta

from winebench import Bench, wait_until
from test_main_window import program_boxes, start_without_audio_device

SECTION = "MavrionPROPERTIES"
KEYS = ["FILE_PATH", "VIDEOFRAMERATE", "IMAGEQUALITY", "RECORDINGTYPE", "VIDEO_FLASH", "VIDEO_HEIGHT",
        "VIDEO_WIDTH"]
STAMP = re.compile(r"^(?P<dir>.*)\\(?P<stamp>\d{14})\.wmv$")
# A recording's name: the default one, or a later one numbered within its second.
RECORDED = re.compile(r"^(?P<dir>.*)\\(?P<file>\d{14}(-\d+)?\.wmv)$")

FRAME_RATES = [str(i) for i in range(1, 31)]
QUALITIES = [str(i) for i in range(1, 101)]
HEIGHTS = ["0"] + [str(200 + 100 * k) for k in range(18)]
WIDTHS = ["0"] + [str(200 + 50 * k) for k in range(36)]


def wine_path(path):
    """The DOS path Wine gives a Linux path (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")


def ini_bytes(values):
    """The file the private-profile functions write for these values, keys
    in the order of a first save: a section line and key=value lines, CRLF."""
    lines = ["[%s]" % SECTION] + ["%s=%s" % (key, values[key]) for key in KEYS]
    return "".join(line + "\r\n" for line in lines).encode()


def stamp_time(name):
    return datetime.strptime(STAMP.match(name).group("stamp"), "%Y%m%d%H%M%S")


def selections(main):
    return {list_id: main.combo(list_id)["selected"] for list_id in (1014, 1015, 1010, 1011)}


class SettingsFileTest(unittest.TestCase):
    def assert_default_name(self, name, directory, not_before, not_after):
        match = STAMP.match(name)
        self.assertIsNotNone(match, name)
        self.assertEqual(match.group("dir"), directory)
        # The local time of the start-up, to the second.
        self.assertTrue(not_before - timedelta(seconds=2) <= stamp_time(name) <= not_after + timedelta(seconds=2),
                        "%s is not the start-up time %s" % (name, not_before))

    def wait_ini(self, bench, expected):
        """Save Settings writes the file at once; polled, as the click is posted."""
        ini = bench.app_dir / "Mavrion.ini"
        wait_until(lambda: ini.exists() and ini.read_bytes() == expected, timeout=20,
                   what="Mavrion.ini to hold %r" % expected)

    def choose_output_name(self, app, main, typed, existing=False):
        """"..." and the Save-As dialog: the name is typed into its file-name
        field and Save is pressed; an existing file is to be replaced."""
        main.click(1001)
        dialog = app.wait_message_box("Save As", exclude=[main])
        controls = dialog.controls()
        edit = next(c for c in controls if c["class"] == "Edit" and c["id"] == 1148)
        self.assertEqual(next(c["text"] for c in controls if c["id"] == 1136), "Media File (*.wmv;)")
        self.assertFalse(next(c["visible"] for c in controls if c["id"] == 1040))  # no read-only box
        dialog.driver.call("settext", edit["parent"], 1148, typed)
        dialog.press("Save")
        if existing:
            question = app.wait_message_box(exclude=[main, dialog])
            self.assertIn("already exists", question.text)
            question.press("Yes")
        wait_until(lambda: not dialog.exists(), what="the Save-As dialog to close")

    def test_first_run_save_restart_and_unusual_contents(self):
        with Bench("settings-file") as bench:
            app_dir = wine_path(bench.app_dir)
            clips = bench.app_dir / "clips"
            clips.mkdir()

            # ---- First run: no settings file.
            before = datetime.now().replace(microsecond=0)
            app, main = start_without_audio_device(self, bench)
            self.assert_default_name(main.text(1000), app_dir, before, datetime.now())
            self.assertEqual([main.combo(i)["items"] for i in (1014, 1015, 1010, 1011)],
                             [FRAME_RATES, QUALITIES, HEIGHTS, WIDTHS])
            # Stored index defaults "1" and "95" select 2 per second and 96.
            self.assertEqual(selections(main), {1014: 1, 1015: 95, 1010: 0, 1011: 0})
            self.assertFalse(main.is_checked(1035))

            main.click(6)
            first = {"FILE_PATH": app_dir, "VIDEOFRAMERATE": "1", "IMAGEQUALITY": "95", "RECORDINGTYPE": "0",
                     "VIDEO_FLASH": "0", "VIDEO_HEIGHT": "0", "VIDEO_WIDTH": "0"}
            self.wait_ini(bench, ini_bytes(first))

            # Changed choices, saved.
            main.select(1014, 4)
            main.select(1015, 49)
            main.select(1010, 3)
            main.select(1011, 5)
            main.click(1035)
            main.click(1004)
            main.wait_state(1004, "checked", True)
            self.assertTrue(main.is_checked(1035))
            main.click(6)
            changed = dict(first, VIDEOFRAMERATE="4", IMAGEQUALITY="49", RECORDINGTYPE="1", VIDEO_FLASH="1",
                           VIDEO_HEIGHT="3", VIDEO_WIDTH="5")
            self.wait_ini(bench, ini_bytes(changed))

            # "...": a name typed without extension gets ".wmv"; saving then
            # keeps its folder.
            (clips / "old.wmv").write_bytes(b"kept")
            self.choose_output_name(app, main, wine_path(clips / "old.wmv"), existing=True)
            self.assertEqual(main.text(1000), wine_path(clips / "old.wmv"))
            self.choose_output_name(app, main, wine_path(clips / "take"))
            self.assertEqual(main.text(1000), wine_path(clips / "take") + ".wmv")
            main.click(6)
            changed["FILE_PATH"] = wine_path(clips)
            self.wait_ini(bench, ini_bytes(changed))

            # The OK command (the hidden "Close" button) ends without a question.
            main.command(1)
            self.assertEqual(app.wait_exit(), 0)
            self.assertEqual(program_boxes(app), [])

            # ---- Next run: every choice comes back but the audio mode.
            before = datetime.now().replace(microsecond=0)
            app, main = start_without_audio_device(self, bench)
            self.assertEqual(selections(main), {1014: 4, 1015: 49, 1010: 3, 1011: 5})
            self.assertEqual([main.combo(i)["text"] for i in (1014, 1015, 1010, 1011)], ["5", "50", "400", "400"])
            self.assertTrue(main.is_checked(1035))
            self.assertTrue(main.is_checked(1003))
            self.assertFalse(main.is_checked(1004))
            self.assert_default_name(main.text(1000), wine_path(clips), before, datetime.now())
            main.command(1)
            self.assertEqual(app.wait_exit(), 0)

            # ---- Unusual contents.
            unusual = dict(changed, FILE_PATH="Z:", VIDEOFRAMERATE="45", IMAGEQUALITY="0", RECORDINGTYPE="1",
                           VIDEO_FLASH="yes", VIDEO_HEIGHT="x", VIDEO_WIDTH="-3")
            (bench.app_dir / "Mavrion.ini").write_bytes(ini_bytes(unusual))
            before = datetime.now().replace(microsecond=0)
            app, main = start_without_audio_device(self, bench)
            # 45 and -3 are no entries: no selection. "0" keeps the initial
            # quality 95; "x" reads as 0.
            self.assertEqual(selections(main), {1014: -1, 1015: 94, 1010: 0, 1011: -1})
            self.assertTrue(main.is_checked(1035))
            self.assertTrue(main.is_checked(1003))
            # A bare drive is no folder: the executable's one is used.
            self.assert_default_name(main.text(1000), app_dir, before, datetime.now())
            main.click(6)
            self.wait_ini(bench, ini_bytes(dict(FILE_PATH=app_dir, VIDEOFRAMERATE="-1", IMAGEQUALITY="94",
                                                RECORDINGTYPE="0", VIDEO_FLASH="1", VIDEO_HEIGHT="0",
                                                VIDEO_WIDTH="-1")))
            main.command(1)
            self.assertEqual(app.wait_exit(), 0)

    def test_two_recordings_in_one_run_keep_both_files(self):
        with Bench("settings-two-recordings") as bench:
            app, main = start_without_audio_device(self, bench, desktop="mavrion-rec")
            main.click(1004)  # no audio device here: video only
            main.wait_state(1004, "checked", True)

            def record():
                """One recording of a second or two, started and stopped from
                the window; answers the name it was written to."""
                main.click(5)

                def running_or_refused():
                    boxes = program_boxes(app, exclude=[main.hwnd])
                    if boxes:
                        return boxes
                    return main.is_enabled(4)
                outcome = wait_until(running_or_refused, what="the recording to start")
                if outcome is not True:
                    box = app.wait_message_box(exclude=[main])
                    text = box.text
                    box.press("OK")
                    self.skipTest("the program records nothing here yet: %r %r" % (box.caption, text))
                name = main.text(1000)
                time.sleep(2)
                main.command(32775)  # "Stop Capture"
                main.wait_state(5, "enabled", True)
                main.command(32772)  # "Show Application"
                main.wait_state(None, "visible", True)
                return name

            first = record()
            first_path = bench.app_dir / RECORDED.match(first).group("file")
            wait_until(lambda: first_path.exists() and first_path.stat().st_size > 0, timeout=30,
                       what="the first recording's file")
            first_size = first_path.stat().st_size

            second = record()
            self.assertNotEqual(second, first)
            self.assertEqual(RECORDED.match(second).group("dir"), RECORDED.match(first).group("dir"))
            second_path = bench.app_dir / RECORDED.match(second).group("file")
            wait_until(lambda: second_path.exists() and second_path.stat().st_size > 0, timeout=30,
                       what="the second recording's file")
            self.assertEqual(first_path.stat().st_size, first_size)
            main.command(1)
            self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
