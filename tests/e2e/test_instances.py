#!/usr/bin/env python3
"""Two copies of Mavrion.exe side by side under Wine: each has its own main
window and, once minimised, its own notification-area icon; while either
runs, another process can open the named instance mutex, and once the last
copy has ended it no longer exists."""

import unittest

from winebench import Bench, wait_until
from test_main_window import start_without_audio_device, start_and_take_the_warning

MUTEX_NAME = "Global\\{// {655C45D5-7ECD-464e-A4EC-87CA7CF4AD29}}"
WM_SYSCOMMAND, SC_MINIMIZE = 0x0112, 0xF020
DESKTOP = "mavrion-instances"


class InstancesTest(unittest.TestCase):
    def test_two_copies_run_side_by_side_and_share_the_mutex(self):
        with Bench("instances") as bench:
            def mutex_exists():
                return bench.driver.call("mutex", MUTEX_NAME)["exists"]

            first, first_main = start_without_audio_device(self, bench, desktop=DESKTOP)
            self.assertTrue(mutex_exists())
            # The running copy's files are left alone: the second runs from
            # the build itself.
            second = bench.start(desktop=DESKTOP, copy=False)
            second_main = start_and_take_the_warning(self, bench, second)
            self.assertNotEqual(second_main.hwnd, first_main.hwnd)
            self.assertTrue(first_main.is_visible() and second_main.is_visible())

            for main in (first_main, second_main):
                main.post(WM_SYSCOMMAND, SC_MINIMIZE)
                main.wait_state(None, "visible", False)
            for main in (first_main, second_main):
                self.assertTrue(bench.driver.call("trayicon", main.hwnd, 1)["shown"], main)

            self.assertEqual(first.close(first_main), 0)
            self.assertTrue(mutex_exists(), "the second copy still holds it")
            self.assertEqual(second.close(second_main), 0)
            wait_until(lambda: not mutex_exists(), what="the mutex to go with the last copy")


if __name__ == "__main__":
    unittest.main(verbosity=2)
