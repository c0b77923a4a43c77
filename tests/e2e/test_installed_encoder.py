#!/usr/bin/env python3
"""The path to an installed encoder component, under Wine with its classes
registered in the test's own prefix.

First a stale registration (the encoder's server is gone): Start still
records, with the built-in encoder. Then mvfakeenc.dll, an automation
server of our own registered for the encoder's and the profile's class ids:
a whole Start, Pause, Resume and Stop reaches it as member calls by name,
property puts with the named argument, arguments in order with their
VARIANT types, and property-bag writes, exactly as its log shows; its
refused author shows the program's message, the recording still starts,
and every object it made is given back after Stop. Last, the fake told to
stop by itself soon after Start, as a component whose disk fills does: the
program notices from the component's run state and ends the recording as
after the built-in encoder's full disk, with the idle layout and the box
that names the file."""

import time
import unittest

from winebench import MAIN_CAPTION, Bench, probe_recording, wait_until
from test_full_disk import take_the_stopped_box
from test_main_window import program_boxes
from test_recording import RecordingSteps, linux_path

START, STOP, PAUSE_RESUME, OUTPUT_NAME = 5, 4, 3, 1000
SHOW_APPLICATION = 32772
FLASH_AREA, SPECIFIC_AREA = 1035, 1027
LEFT, TOP, RIGHT, BOTTOM = 1029, 1028, 1030, 1031
HEIGHT_LIST, WIDTH_LIST, FRAME_RATE_LIST, QUALITY_LIST = 1010, 1011, 1014, 1015
ENCODER_CLASS = "{632B606A-BBC6-11D2-A329-006097C4E476}"
PROFILE_CLASS = "{A5AC04E7-3E13-48CE-A43F-9FBA59DB1544}"
FAKE = "mvfakeenc.dll"
# Asked over and over while a recording runs, so left out of the calls compared.
RUN_STATE = "Encoder get RunState()"
MADE = {"Encoder", "Profile", "SourceGroupCollection", "SourceGroup", "AudioSource", "VideoSource", "Audience",
        "DisplayInfo", "File"}


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


def bstr(text):
    return 'BSTR "%s"' % text


def expected_log(output, fps, quality, height, width):
    """Calls of one recording with sound of the area (100, 50) - (800, 600),
    flashed, empty descriptive texts, started, paused, resumed and stopped."""
    stream = "I2 0"
    return [
        "Encoder created",
        "Encoder query IWMEncoder2",
        "Encoder get SourceGroupCollection()",
        "SourceGroupCollection method Add(%s)" % bstr("SourceGroup1"),
        "SourceGroup method AddSource(I4 1)",
        "AudioSource query IWMEncAudioSource",
        "AudioSource method SetInput(%s, %s, %s)" % (bstr("Device://Default_Audio_Device"), bstr(""), bstr("")),
        "SourceGroup method AddSource(I4 2)",
        "VideoSource query IWMEncVideoSource2",
        "VideoSource method SetInput(%s, %s, %s)" % (bstr("ScreenCap://ScreenCapture1"), bstr(""), bstr("")),
        "VideoSource query IPropertyBag",
        "PropertyBag write Screen(BOOL 0)",
        "PropertyBag write Left(I4 100)",
        "PropertyBag write Right(I4 800)",
        "PropertyBag write Top(I4 50)",
        "PropertyBag write Bottom(I4 600)",
        "PropertyBag write FlashRect(BOOL -1)",
        "Profile created",
        "Profile query IWMEncProfile2",
        "Profile put ValidateMode(BOOL -1)",
        "Profile put ProfileName(%s)" % bstr("Custom Screen Capture Profile"),
        "Profile put ProfileDescription(%s)" % bstr("A Custom Video Profile For Screen Capture"),
        "Profile put ContentType(I4 17)",
        "Profile put VBRMode(I4 2, I2 0, I4 1)",
        "Profile method AddAudience(I4 400000)",
        "Profile put ProfileName(%s)" % bstr("Sample MBR Profile"),
        "Profile put ProfileDescription(%s)" % bstr("A video profile with three audiences"),
        "Encoder get DisplayInfo()",
        "DisplayInfo put Author(%s)" % bstr(""),
        "DisplayInfo put Copyright(%s)" % bstr(""),
        "DisplayInfo put Description(%s)" % bstr(""),
        "DisplayInfo put Title(%s)" % bstr(""),
        "Profile method GetCodecIndexFromFourCC(I4 2, I4 %d)" % 0x3253534D,
        "Audience put VideoCodec(%s, I4 2)" % stream,  # the index the component answered
        "Audience put VideoHeight(%s, I4 %d)" % (stream, height),
        "Audience put VideoWidth(%s, I4 %d)" % (stream, width),
        "Audience put VideoBufferSize(%s, I4 5000)" % stream,
        "Audience put VideoFPS(%s, I4 %d)" % (stream, fps * 1000),
        "Audience put VideoImageSharpness(%s, I4 %d)" % (stream, quality),
        "Profile method Validate()",
        "Profile query IWMEncProfile",
        "SourceGroup put Profile(DISPATCH Profile)",
        "Encoder get File()",
        "File put LocalFileName(%s)" % bstr(output),
        "Encoder method PrepareToEncode(BOOL -1)",
        "Encoder method Start()",
        "Encoder method Pause()",
        "Encoder method Start()",
        "Encoder method Stop()",
        "Encoder method PrepareToEncode(BOOL 0)",
        "Encoder method Stop()",
    ]


class InstalledEncoderTest(unittest.TestCase):
    def register(self, bench, server):
        for class_id in (ENCODER_CLASS, PROFILE_CLASS):
            key = r"HKCR\CLSID\%s\InprocServer32" % class_id
            for value in (["/ve", "/d", server], ["/v", "ThreadingModel", "/d", "Apartment"]):
                done = bench.wine("reg", "add", key, *value, "/t", "REG_SZ", "/f")
                self.assertEqual(done.returncode, 0, done.stderr)

    def test_installed_component(self):
        with Bench("installed-encoder", clean_prefix=True, audio_device=True) as bench:
            self.register(bench, wine_path(bench.run_dir / "gone" / FAKE))
            app = bench.start(extra_files=(FAKE,))
            main = app.wait_window(MAIN_CAPTION)
            folder = linux_path(bench, main.text(OUTPUT_NAME)).parent
            before = set(folder.glob("*.wmv"))

            # A stale registration: the built-in encoder records.
            main.click(START)
            wait_until(lambda: main.is_enabled(PAUSE_RESUME) or program_boxes(app),
                       what="the recording to start or a message")
            self.assertEqual(program_boxes(app), [])
            time.sleep(2)
            main.command(STOP)
            main.wait_state(START, "enabled", True)
            info = probe_recording(RecordingSteps.new_file(folder, before))
            self.assertIsNotNone(info["video"])
            self.assertGreater(info["video"]["frames"], 0)

            # The fake component, asked again at this Start.
            log = bench.app_dir / "mvfakeenc.log"
            self.register(bench, wine_path(bench.app_dir / FAKE))
            main.command(SHOW_APPLICATION)
            main.wait_state(None, "visible", True)
            main.click(SPECIFIC_AREA)
            for field, value in ((LEFT, 100), (TOP, 50), (RIGHT, 800), (BOTTOM, 600)):
                main.set_text(field, str(value))
            main.click(FLASH_AREA)
            main.wait_state(FLASH_AREA, "checked", True)
            settings = [int(main.combo(lst)["text"]) for lst in (FRAME_RATE_LIST, QUALITY_LIST, HEIGHT_LIST, WIDTH_LIST)]

            main.click(START)
            box = app.wait_message_box("Error", exclude=[main])
            self.assertEqual(box.text, "Unable to set author name.")
            box.press("OK")
            wait_until(lambda: main.is_enabled(PAUSE_RESUME), what="the recording to start")
            # A second Start of the run takes a fresh name, shown once it runs.
            output = main.text(OUTPUT_NAME)
            main.command(PAUSE_RESUME)
            main.wait_state(PAUSE_RESUME, "text", "Resume [F8]")
            main.command(PAUSE_RESUME)
            main.wait_state(PAUSE_RESUME, "text", "Pause [F7]")
            main.command(STOP)
            main.wait_state(START, "enabled", True)

            def all_freed():
                lines = log.read_text().splitlines() if log.exists() else []
                return lines if sum(line.endswith(" freed") for line in lines) >= len(MADE) else None
            lines = wait_until(all_freed, timeout=30, what="every object of the component to be given back")
            calls = [line for line in lines if not line.endswith(" freed") and line != RUN_STATE]
            self.assertEqual(calls, expected_log(output, *settings))
            freed = [line[:-len(" freed")] for line in lines if line.endswith(" freed")]
            self.assertEqual(sorted(freed), sorted(MADE))
            app.close(main)

    def test_component_that_stops_by_itself(self):
        with Bench("installed-encoder-stops", clean_prefix=True, audio_device=True) as bench:
            app = bench.start(extra_files=(FAKE,))
            main = app.wait_window(MAIN_CAPTION)
            self.register(bench, wine_path(bench.app_dir / FAKE))
            done = bench.wine("reg", "add", r"HKCU\Software\mvfakeenc", "/v", "StopAfterMs", "/t", "REG_DWORD",
                              "/d", "1500", "/f")
            self.assertEqual(done.returncode, 0, done.stderr)
            name = main.text(OUTPUT_NAME)

            main.click(START)
            app.wait_message_box("Error", exclude=[main]).press("OK")  # the fake's refused author
            take_the_stopped_box(self, app, main, name)
            # Stop refused by the stopped component is no failure to show.
            self.assertEqual(program_boxes(app), [])

            lines = (bench.app_dir / "mvfakeenc.log").read_text().splitlines()
            ended = lines[lines.index("Encoder stopped by itself"):]
            self.assertEqual([line for line in ended if line.startswith("Encoder method")],
                             ["Encoder method Stop()", "Encoder method PrepareToEncode(BOOL 0)",
                              "Encoder method Stop()"])
            app.close(main)


if __name__ == "__main__":
    unittest.main(verbosity=2)
