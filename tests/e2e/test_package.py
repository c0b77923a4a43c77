#!/usr/bin/env python3
"""The release zip made by scripts/package, as a Windows user meets it: it
holds Mavrion.exe, hodll.dll, help.chm and a readme with CRLF line ends;
unpacked into "C:\\Program Files\\Mavrion" of a Wine prefix made fresh for
this test (with its own Wine home), the program starts without the warning
that the key library is missing, F1 opens the help file, the About box
shows the version the executable's version resource and the zip's name
carry, and a recording of a few seconds reads back with ffprobe.

The zip is looked for beside the win32 build folder (where scripts/package
writes it); the test is skipped, saying how to make it, when it is not
there."""

import os
import re
import shutil
import struct
import time
import unittest
import zipfile

from winebench import MAIN_CAPTION, REPO, Bench, MessageBox, Program, probe_recording, wait_until, win32_dir, \
    work_dir
from test_journeys import ASF_DATA, ASF_HEADER, ASF_SIMPLE_INDEX, asf_objects
from test_recording import linux_path

START, STOP, OUTPUT_NAME, ONLY_VIDEO = 5, 4, 1000, 1004
ABOUT, STOP_CAPTURE = 32777, 32775
ABOUT_CAPTION = "About Mavrion"
CONTENTS = ["Mavrion.exe", "hodll.dll", "help.chm", "readme.txt"]
NO_DEVICE_WARNING = "It seems that audio input device is not attached."
NO_KEYS_WARNING = "The global keys F6 to F9 are not available"
VS_FIXEDFILEINFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def project_version():
    text = (REPO / "CMakeLists.txt").read_text()
    return re.search(r"project\(\s*Mavrion\s+VERSION\s+([0-9.]+)", text).group(1)


def version_resource(exe):
    """(file version as "a.b.c.d", the "ProductVersion" text) of a Windows
    executable's version resource, read from its bytes."""
    data = exe.read_bytes()
    at = data.find(VS_FIXEDFILEINFO_SIGNATURE)
    if at < 0:
        raise AssertionError("%s has no version resource" % exe)
    most, least = struct.unpack_from("<2I", data, at + 8)
    file_version = "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)
    # A String entry: its key, NUL, padding to 32 bits, its value, NUL.
    key = "ProductVersion\0".encode("utf-16-le")
    at = data.find(key, at)
    if at < 0:
        raise AssertionError("%s has no ProductVersion text" % exe)
    at += len(key)
    while data[at:at + 2] == b"\0\0":
        at += 2
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return file_version, data[at:end].decode("utf-16-le")


class PackageTest(unittest.TestCase):
    def setUp(self):
        self.version = project_version()
        self.zip = win32_dir().parent / ("Mavrion-%s.zip" % self.version)
        if not self.zip.exists():
            self.skipTest("no release zip %s: make it with scripts/package %s" % (self.zip, win32_dir().parent))

    def test_zip_contents(self):
        with zipfile.ZipFile(self.zip) as archive:
            self.assertEqual(sorted(archive.namelist()), sorted(CONTENTS))
            readme = archive.read("readme.txt")
            self.assertTrue(readme.strip())
            # Every line ends CRLF, for Notepad.
            self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"))
            self.assertTrue(readme.endswith(b"\r\n"))
            self.assertEqual(archive.read("Mavrion.exe")[:2], b"MZ")

    def test_runs_from_a_fresh_prefix(self):
        # A prefix of its own, made by wineboot now (under half a minute
        # even where Wine runs emulated), not a copy of the shared one.
        fresh = work_dir() / "e2e-runs" / "package-wine"
        shutil.rmtree(fresh, ignore_errors=True)
        try:
            self.run_unpacked(fresh)
        finally:
            if not os.environ.get("MAVRION_E2E_KEEP"):
                shutil.rmtree(fresh, ignore_errors=True)

    def run_unpacked(self, fresh):
        with Bench("package", size=(800, 600), prefix_root=fresh) as bench:
            folder = bench.prefix / "drive_c" / "Program Files" / "Mavrion"
            folder.mkdir(parents=True)
            with zipfile.ZipFile(self.zip) as archive:
                archive.extractall(folder)
            for name in CONTENTS:
                self.assertTrue((folder / name).is_file(), name)
            exe = folder / "Mavrion.exe"
            file_version, product_version = version_resource(exe)
            self.assertEqual(file_version.split(".")[:3], self.version.split("."))
            self.assertEqual(product_version, "%s.%s" % tuple(self.version.split(".")[:2]))

            bench.desktop = None
            app = Program(bench, bench.spawn(["wine", str(exe)], cwd=folder), "Mavrion.exe")
            main = self.wait_main_window(app)

            # F1 opens the help file from the zip.
            bench.key("F1")
            bench.x_window("Mavrion Help")

            main.command(ABOUT)
            about = app.wait_window(ABOUT_CAPTION)
            self.assertIn("Mavrion - Screen Recorder Version %s" % product_version,
                          [c["text"] for c in about.controls()])
            about.click(1)
            wait_until(lambda: not about.exists(), what="the About box to close")

            main.click(ONLY_VIDEO)
            main.wait_state(ONLY_VIDEO, "checked", True)
            main.click(START)
            outcome = wait_until(lambda: "started" if main.is_enabled(STOP) else self.boxes(app, main),
                                 interval=0.1, what="the recording to start")
            if outcome != "started":
                self.fail("the unpacked program does not record: %r" % outcome)
            output = linux_path(bench, main.text(OUTPUT_NAME))
            time.sleep(3)
            main.command(STOP_CAPTURE)
            main.wait_state(START, "enabled", True)
            self.assertEqual(self.boxes(app, main), [])
            self.assertEqual(app.close(main), 0)

            wait_until(lambda: output.exists() and output.stat().st_size > 0, timeout=30, what="the recording")
            self.assertEqual(asf_objects(output), [ASF_HEADER, ASF_DATA, ASF_SIMPLE_INDEX])
            info = probe_recording(output)
            self.assertIsNotNone(info["duration"])
            self.assertGreater(info["duration"], 1)
            self.assertEqual(info["video"]["codec"], "mpeg4")
            self.assertGreater(info["video"]["frames"], 0)

    @staticmethod
    def boxes(app, main):
        return [w for w in app.windows(class_name="#32770") if w["hwnd"] != main.hwnd]

    def wait_main_window(self, app):
        """The main window; on the way only the missing audio device may be
        reported (the prefix may have none), never a missing key library."""
        answered = set()  # a box pressed once may still be listed while it closes

        def window_or_box():
            for info in app.driver.call("windows")["windows"]:
                if not info["visible"] or info["hwnd"] in answered:
                    continue
                if info["text"] == MAIN_CAPTION:
                    return info
                box = MessageBox.read(app.driver, info) if info["class"] == "#32770" and info["text"] == "Mavrion" \
                    else None
                if box is not None:
                    self.assertNotIn(NO_KEYS_WARNING, box.text)
                    self.assertTrue(box.text.startswith(NO_DEVICE_WARNING), box)
                    box.press("OK")
                    answered.add(info["hwnd"])
            return None
        info = wait_until(window_or_box, what="the main window")
        app.pid = info["pid"]
        main = app.wait_window(MAIN_CAPTION)
        time.sleep(1)
        self.assertEqual(self.boxes(app, main), [])
        return main


if __name__ == "__main__":
    unittest.main(verbosity=2)
