#!/usr/bin/env python3
"""hodll.dll on its own under Wine, hosted by hooktest.exe (which loads it
through the program's own binding) while a second hooktest.exe, the
"receiver", has the keyboard: F6 to F9 reach the host once each as 1 to 4
and still reach the receiver; a held F7 is reported once; other keys are
not reported; after UnHook nothing is reported, a second UnHook is harmless,
and installing again reports keys again.

hooktest.exe writes what it gets to a log file, one line each, and obeys
control files made beside the log (see tools/hooktest/hooktest.cpp)."""

import time
import unittest

from winebench import Bench, wait_until

VIRTUAL_KEYS = {"F6": 0x75, "F7": 0x76, "F8": 0x77, "F9": 0x78, "a": 0x41, "F5": 0x74, "F11": 0x7A,
                "F12": 0x7B}


class HookLog:
    """A hooktest log, and the control files that drive its writer."""

    def __init__(self, path):
        self.path = path

    def lines(self):
        try:
            return self.path.read_text(encoding="latin-1").splitlines()
        except FileNotFoundError:
            return []

    def wait_line(self, line, count=1):
        wait_until(lambda: self.lines().count(line) >= count, interval=0.1,
                   what="%r in %s (has %s)" % (line, self.path.name, self.lines()))

    def control(self, suffix):
        self.path.with_name(self.path.name + suffix).touch()

    def hotkeys(self):
        """The codes received, once every message posted so far is handled:
        the host handles posted messages before its timer answers "mark"."""
        marks = self.lines().count("mark")
        self.control(".mark")
        self.wait_line("mark", count=marks + 1)
        return [int(line.split()[1]) for line in self.lines() if line.startswith("hotkey ")]

    def keydowns(self, key):
        return self.lines().count("keydown %d" % VIRTUAL_KEYS[key])


class HookLibraryTest(unittest.TestCase):
    def start(self, bench, *args):
        log = HookLog(bench.app_dir / (args[-1] + ".log"))
        process = bench.start("hooktest.exe", args=args[:-1] + ("Z:" + str(log.path).replace("/", "\\"),),
                              copy=False).process
        log.wait_line("ready")
        return process, log

    def keys(self, bench, window, log, *keys, hold=0):
        """Key-downs sent to the receiver, each waited for until the receiver
        has it (it then went past the hook); hold repeats the key-down as a
        held key does, then sends one key-up."""
        for key in keys:
            for _ in range(1 + hold):
                before = log.keydowns(key)
                bench.xdotool("keydown" if hold else "key", "--window", window, key)
                wait_until(lambda: log.keydowns(key) > before, interval=0.1,
                           what="%s to reach the receiver" % key)
            if hold:
                bench.xdotool("keyup", "--window", window, key)

    def test_keys_reach_the_host_once_and_stop_after_unhook(self):
        with Bench("hook-library") as bench:
            receiver, receiver_log = self.start(bench, "--receiver", "receiver")
            window = bench.x_window("Hook test receiver")
            host, host_log = self.start(bench, "host")
            self.assertIn("installed 1", host_log.lines())
            bench.x_window("Hook test host")
            bench.xdotool("windowactivate", "--sync", window)
            time.sleep(0.3)
            self.assertEqual(bench.xdotool("getactivewindow").strip(), window)

            self.keys(bench, window, receiver_log, "F6", "F7", "F8", "F9")
            self.assertEqual(host_log.hotkeys(), [1, 2, 3, 4])
            self.keys(bench, window, receiver_log, "F7", hold=4)
            self.assertEqual(host_log.hotkeys(), [1, 2, 3, 4, 2], "a held F7")
            self.keys(bench, window, receiver_log, "a", "F5", "F11", "F12")
            self.assertEqual(host_log.hotkeys(), [1, 2, 3, 4, 2], "other keys")

            host_log.control(".unhook")
            host_log.wait_line("unhooked")
            self.keys(bench, window, receiver_log, "F6", "F7", "F8", "F9")
            self.assertEqual(host_log.hotkeys(), [1, 2, 3, 4, 2], "after UnHook")
            host_log.control(".unhook")
            host_log.wait_line("unhooked", count=2)
            host_log.control(".install")
            host_log.wait_line("installed 1", count=2)
            self.keys(bench, window, receiver_log, "F9", "F6")
            self.assertEqual(host_log.hotkeys(), [1, 2, 3, 4, 2, 4, 1], "installed again")
            host_log.control(".unhook")
            host_log.wait_line("unhooked", count=3)
            self.keys(bench, window, receiver_log, "F8")
            self.assertEqual(host_log.hotkeys(), [1, 2, 3, 4, 2, 4, 1], "after the last UnHook")

            for log, process in ((host_log, host), (receiver_log, receiver)):
                log.control(".quit")
                process.wait(timeout=60)


if __name__ == "__main__":
    unittest.main(verbosity=2)
