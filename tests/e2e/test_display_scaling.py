#!/usr/bin/env python3
"""The main window at 96, 120 and 144 DPI (LogPixels of a prefix copy each):
every label fits its control, measured in the control's own font, and the
painted frame lines up with the controls as it does at 96 DPI: the header
strip and its band above the first group, a shadow round each header
button inside the header, the band between the two groups, the side
strips outside the groups and the footer strip under the footer texts.
The screenshots stay as artefacts (build/e2e-artifacts/display-scaling-*)."""

import unittest

from winebench import MAIN_CAPTION, Bench
from test_main_window import BUTTON_FACE, FRAME_BLUE, HEADER_BLUE, pixel, run_of, screen_pixels

SETTINGS = (96, 120, 144)
HEADER_BUTTONS = (5, 4, 3, 6)
FIRST_GROUP, SIZE_NOTE, SECOND_GROUP, COPYRIGHT_LINE, ELAPSED_TIME = 1045, 1054, 1051, 1053, 1048

SS_TYPEMASK, SS_LEFTNOWORDWRAP = 0x1F, 0x0B
BS_TYPEMASK, BS_GROUPBOX, BS_OWNERDRAW = 0x0F, 0x07, 0x0B
CHECK_KINDS = {0x02, 0x03, 0x04, 0x05, 0x06, 0x09}  # check boxes and radio buttons


def cut_labels(fit):
    """(id, text) of every shown label whose text does not fit its control."""
    cut = []
    for control in fit["controls"]:
        kind_of = control["class"].lower()
        if not control["visible"] or not control["text"] or kind_of not in ("static", "button"):
            continue
        style, width = control["style"], control["width"]
        if kind_of == "static":
            kind = style & SS_TYPEMASK
            if kind in (0, 1, 2):  # left, centred, right: words wrap inside the control
                fits = control["wrapped_height"] <= control["height"]
            elif kind == SS_LEFTNOWORDWRAP:
                fits = control["line_width"] <= width
            else:
                continue
        else:
            kind = style & BS_TYPEMASK
            if kind in CHECK_KINDS:
                fits = control.get("ideal_width", control["line_width"] + width) <= width
            elif kind == BS_GROUPBOX:
                # The caption starts a character in and keeps one clear of the right edge.
                fits = control["line_width"] + 2 * control["average_char_width"] <= width
            else:  # push buttons, owner-drawn or not, with room for their edges
                fits = control["line_width"] + 4 <= width
        if not fits:
            cut.append((control["id"], control["text"]))
    return cut


class DisplayScalingTest(unittest.TestCase):
    def test_main_window_at_three_scalings(self):
        for dpi in SETTINGS:
            with self.subTest(dpi=dpi), Bench("display-scaling-%d" % dpi, clean_prefix=True,
                                              audio_device=True) as bench:
                done = bench.wine("reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                                  "REG_DWORD", "/d", str(dpi), "/f")
                self.assertEqual(done.returncode, 0, done.stderr)
                app = bench.start()
                main = app.wait_window(MAIN_CAPTION)
                fit = main.driver.call("textfit", main.hwnd)
                self.assertEqual(fit["dpi"], dpi)
                self.assertEqual(cut_labels(fit), [])
                rects = {c["id"]: main.state(c["id"])["rect"] for c in fit["controls"]
                         if c["id"] in HEADER_BUTTONS + (FIRST_GROUP, SIZE_NOTE, SECOND_GROUP, COPYRIGHT_LINE,
                                                         ELAPSED_TIME)}
                image = screen_pixels(bench.settled_screenshot("main-window"))
                self.check_frame(image, rects, dpi / 96)
                app.close(main)

    def check_frame(self, image, rects, scale):
        band = round(7 * scale)
        first, note, second = rects[FIRST_GROUP], rects[SIZE_NOTE], rects[SECOND_GROUP]
        # Header strip, then its band, then the first group: a column right
        # of the header buttons, from the buttons' top down.
        x = rects[6][2] + round(40 * scale)
        y = rects[6][1]
        header = run_of(image, x, y, 0, -1, HEADER_BLUE) + run_of(image, x, y + 1, 0, 1, HEADER_BLUE)
        self.assertGreater(header, 0)
        band_top = y + run_of(image, x, y + 1, 0, 1, HEADER_BLUE) + 1
        self.assertAlmostEqual(run_of(image, x, band_top, 0, 1, FRAME_BLUE), band, delta=1)
        self.assertLess(band_top + band, first[1], "the header's band ends above the first group")
        # A shadow round each header button, inside the header strip.
        for button in HEADER_BUTTONS:
            left, top, right, bottom = rects[button]
            middle = (top + bottom) // 2
            self.assertEqual(pixel(image, left - 1, middle), FRAME_BLUE, "shadow left of %d" % button)
            self.assertEqual(pixel(image, right, middle), FRAME_BLUE, "shadow right of %d" % button)
            self.assertEqual(pixel(image, (left + right) // 2, bottom), FRAME_BLUE, "shadow under %d" % button)
            self.assertLess(bottom + round(1 * scale), band_top, "button %d stays inside the header" % button)
        self.assertEqual(pixel(image, rects[5][0] + 2, rects[5][1] + 2), BUTTON_FACE)
        # The band between the groups: below the first group's frame, above
        # the second group, and nowhere inside the first group.
        x = (first[0] + first[2]) // 2
        self.assertNotEqual(pixel(image, x, note[3] + 2), FRAME_BLUE, "no band inside the first group")
        top = first[3] - 1
        while pixel(image, x, top) != FRAME_BLUE and top < second[1]:
            top += 1
        self.assertAlmostEqual(run_of(image, x, top, 0, 1, FRAME_BLUE), band, delta=1)
        # As at 96 DPI: 3 rows below the first group, scaled.
        self.assertAlmostEqual(top - first[3], round(3 * scale), delta=1)
        self.assertLess(top + band, second[1])
        # The side strips: outside both groups, as wide as the bands.
        y = (second[1] + second[3]) // 2
        x = first[0] - 1
        while pixel(image, x, y) != FRAME_BLUE and x > first[0] - 20 * scale:
            x -= 1
        self.assertAlmostEqual(run_of(image, x, y, -1, 0, FRAME_BLUE), band, delta=1)
        # The footer strip under the footer texts, its band above them.
        copyright_line, time_rect = rects[COPYRIGHT_LINE], rects[ELAPSED_TIME]
        self.assertEqual(pixel(image, time_rect[0] - 2, (time_rect[1] + time_rect[3]) // 2), HEADER_BLUE)
        x = (copyright_line[0] + copyright_line[2]) // 2
        above = copyright_line[1] - 1 - run_of(image, x, copyright_line[1] - 1, 0, -1, HEADER_BLUE)
        self.assertAlmostEqual(run_of(image, x, above, 0, -1, FRAME_BLUE), band, delta=1)
        self.assertGreater(above - band, second[3], "the footer's band is below the second group")


if __name__ == "__main__":
    unittest.main(verbosity=2)
