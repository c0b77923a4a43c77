#!/usr/bin/env python3
"""The bench itself: mvdrive and mvprobe against mvfixture.exe's known
controls, menus and message box, and the end of every process it started,
also when a test fails."""

import os
import unittest

from winebench import Bench, BenchError, wait_until, _processes_with_env

FIXTURE = "Mavrion Bench Fixture"
WM_APP = 0x8000


def leftovers(bench):
    """Processes of the bench's prefix or display, and its Xvfb if alive."""
    found = _processes_with_env("WINEPREFIX", str(bench.prefix))
    found += _processes_with_env("DISPLAY", bench.display)
    if os.path.exists("/proc/%d" % bench.xvfb_pid):
        found.append(bench.xvfb_pid)
    return found


class BenchTest(unittest.TestCase):
    def test_drives_and_reads_every_kind_of_control(self):
        with Bench("bench-fixture") as bench:
            app = bench.start("mvfixture.exe")
            main = app.wait_window(FIXTURE)
            ids = {c["id"] for c in main.controls()}
            self.assertTrue({1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009} <= ids)

            self.assertTrue(main.is_checked(1002))
            self.assertFalse(main.is_checked(1003))
            self.assertTrue(main.is_checked(1004))
            self.assertFalse(main.is_enabled(1009))
            with self.assertRaisesRegex(BenchError, "disabled"):
                main.click(1009)

            self.assertEqual(main.combo(1005), {"ok": True, "items": ["5", "10", "15"], "selected": 1,
                                                "text": "10"})
            main.select(1005, 2)
            main.wait_state(1008, "text", "rate=2")

            rows = main.list_view(1006)
            self.assertEqual(rows["columns"], ["No", "Title"])
            self.assertEqual([r["cells"] for r in rows["rows"]], [["1", "Notepad"], ["2", "Calculator"]])
            self.assertEqual([r["selected"] for r in rows["rows"]], [False, True])

            stop = main.menu_item(2002)
            self.assertEqual((stop["text"], stop["grayed"], stop["enabled"]), ("S&top", True, False))
            self.assertTrue(main.menu_item(2003)["checked"])
            self.assertTrue(main.menu_item(2001)["enabled"])
            main.command(2001)
            main.wait_state(1008, "text", "menu=2001")

            main.set_text(1007, "typed text")
            self.assertEqual(main.text(1007), "typed text")

            main.click(1001)
            box = app.wait_message_box("Fixture Question")
            self.assertEqual(box.text, "Proceed with the fixture?")
            self.assertEqual([b["text"] for b in box.buttons], ["Yes", "No"])
            bench.screenshot("message-box")
            box.press("No")
            main.wait_state(1008, "text", "answer=7")

            main.post(WM_APP + 1)
            popups = wait_until(app.popup_menus, what="the popup menu")
            items = [(i["id"], i["text"], i["enabled"]) for i in popups[0]["items"]]
            self.assertEqual(items, [(3001, "Show", True), (3002, "Exit", False)])
            app.close_popup_menus()
            main.wait_state(1008, "text", "popup=0")

            bench.screenshot("fixture")
            main.close()
            self.assertEqual(app.wait_exit(), 3)
        self.assertEqual(leftovers(bench), [])

    def test_a_failing_test_keeps_a_screenshot_and_ends_everything(self):
        bench = Bench("bench-failure")
        with self.assertRaises(BenchError):
            with bench:
                app = bench.start("mvfixture.exe")
                app.wait_window(FIXTURE)
                app.wait_window("No Such Caption", timeout=2)
        self.assertTrue((bench.artifacts / "failure.png").exists())
        self.assertEqual(leftovers(bench), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
