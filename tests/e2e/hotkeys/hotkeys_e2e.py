#!/usr/bin/env python3
"""End-to-end test of hodll.dll under Wine.

Runs hooktest.exe as the hook's host and a second hooktest.exe as an
ordinary application that has the keyboard, in a private Xvfb display with
openbox and a private Wine prefix under the build folder, and checks that:
- F6, F7, F8, F9 pressed in the other application reach the host once each
  as codes 1, 2, 3, 4, and still reach the application;
- a held F7 (repeated key-downs, one key-up) is reported once;
- other keys are not reported;
- after UnHook nothing is reported, also after a second UnHook, and
  installing again reports keys again;
- without hodll.dll the host warns once, in a box captioned with its name,
  and carries on without keys.

Everything it starts it ends by process id. Exit code 0 passes, 1 fails,
77 skips (a tool or a build output is missing).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
VIRTUAL_KEYS = {"F6": 0x75, "F7": 0x76, "F8": 0x77, "F9": 0x78, "a": 0x41, "F5": 0x74,
                "F11": 0x7A, "F12": 0x7B}
MISSING_DLL_BOX = ("box hooktest|The global keys F6 to F9 are not available because hodll.dll "
                   "could not be loaded. Use the buttons, the Options menu or the tray icon "
                   "instead.|0x30")


class Failure(Exception):
    pass


class Bench:
    """The display, window manager and Wine prefix, and every process started."""

    def __init__(self, work_dir):
        self.work_dir = work_dir
        self.processes = []
        self.env = dict(os.environ)

    def start(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   **kwargs)
        self.processes.append(process)
        return process

    def start_display(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                 "1280x800x24", "-nolisten", "tcp"],
                                pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise Failure("Xvfb did not start")
                number += chunk
        self.env["DISPLAY"] = ":" + number.decode().strip()
        # Without a window manager Wine windows cannot be activated.
        self.start(["openbox"])
        time.sleep(0.5)

    def prepare_prefix(self):
        prefix = os.path.join(self.work_dir, "prefix")
        home = os.path.join(self.work_dir, "home")
        os.makedirs(home, exist_ok=True)
        self.env.update({"WINEPREFIX": prefix, "HOME": home, "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win32"})
        self.env.pop("WINESERVER", None)
        fresh = not os.path.exists(os.path.join(prefix, "system.reg"))
        os.makedirs(prefix, exist_ok=True)
        # A server of our own, ended by its process id at the end.
        self.start(["wineserver", "--foreground", "--persistent"])
        time.sleep(0.5)
        if fresh:
            # Slow on a busy machine: Wine's first-run setup.
            subprocess.run(["wine", "wineboot", "--init"], env=self.env, timeout=900,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
            if not os.path.exists(os.path.join(prefix, "system.reg")):
                raise Failure("the Wine prefix could not be made")

    def prefix_processes(self):
        """Wine processes of this prefix that Wine started on its own
        (services, the first-run setup): their ids, found by the prefix."""
        prefix = self.env.get("WINEPREFIX")
        found = []
        if not prefix:
            return found
        marker = ("WINEPREFIX=" + prefix).encode()
        for entry in os.listdir("/proc"):
            if entry.isdigit() and int(entry) != os.getpid():
                try:
                    with open("/proc/%s/environ" % entry, "rb") as environ:
                        if marker in environ.read().split(b"\0"):
                            found.append(int(entry))
                except OSError:
                    pass
        return found

    def stop_all(self):
        for pid in self.prefix_processes():
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        deadline = time.monotonic() + 10
        while self.prefix_processes() and time.monotonic() < deadline:
            time.sleep(0.2)
        for pid in self.prefix_processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def screenshot(self, name):
        if shutil.which("import") and "DISPLAY" in self.env:
            path = os.path.join(self.work_dir, name)
            run(["import", "-window", "root", path], self.env, check=False)
            return path
        return None


def run(args, env, check=True, timeout=30):
    result = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                            text=True, timeout=timeout)
    if result.returncode != 0:
        if check:
            raise Failure("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return None
    return result.stdout


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise Failure("timed out waiting for " + what)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Log:
    def __init__(self, path):
        self.path = path
        if os.path.exists(path):
            os.remove(path)

    def lines(self):
        try:
            with open(self.path, encoding="latin-1") as log:
                return [line.rstrip("\n") for line in log]
        except FileNotFoundError:
            return []

    def wait_line(self, line, timeout=15, count=1):
        wait_for(lambda: self.lines().count(line) >= count, timeout,
                 "'%s' in %s (has %s)" % (line, self.path, self.lines()))

    def control(self, suffix):
        open(self.path + suffix, "w").close()


class Keyboard:
    """Keys sent to one window. With the window's log, every key-down is
    waited for until the window has it: it then went past the hook."""

    def __init__(self, bench, window, window_log=None):
        self.bench = bench
        self.window = window
        self.window_log = window_log

    def xdotool(self, *args):
        run(["xdotool"] + list(args), self.bench.env)

    def activate(self):
        self.xdotool("windowactivate", "--sync", self.window)
        time.sleep(0.3)

    def _down_then_wait(self, command, key):
        before = keydowns(self.window_log, key) if self.window_log else 0
        self.xdotool(command, "--window", self.window, key)
        if self.window_log:
            wait_for(lambda: keydowns(self.window_log, key) > before, 20,
                     "%s to reach the focused application (%s)" % (key, self.window_log.lines()))
        else:
            time.sleep(0.2)

    def press(self, *keys):
        for key in keys:
            self._down_then_wait("key", key)

    def hold(self, key, repeats):
        """One key-down, then the repeats a held key makes, then one key-up."""
        for _ in range(1 + repeats):
            self._down_then_wait("keydown", key)
        self.xdotool("keyup", "--window", self.window, key)


def hotkeys(log):
    return [int(line.split()[1]) for line in log.lines() if line.startswith("hotkey ")]


def keydowns(log, key):
    return log.lines().count("keydown %d" % VIRTUAL_KEYS[key])


def settle(log):
    """Waits until the host has handled every message posted to it so far."""
    marks = log.lines().count("mark")
    log.control(".mark")
    log.wait_line("mark", count=marks + 1, timeout=20)


def expect_hotkeys(log, expected, what):
    settle(log)
    got = hotkeys(log)
    if got != expected:
        raise Failure("%s: expected hotkeys %s, got %s" % (what, expected, got))


def expect(condition, message):
    if not condition:
        raise Failure(message)


def find_window(bench, name, timeout=20):
    found = wait_for(lambda: run(["xdotool", "search", "--onlyvisible", "--name", name],
                                 bench.env, check=False), timeout, "window " + name)
    return found.split()[0]


def start_hooktest(bench, exe, args):
    return bench.start(["wine", exe] + args, cwd=os.path.dirname(exe))


def start_receiver_then_host(bench, exe, receiver_log, host_log):
    """The application that will have the keyboard, then the hook's host.
    Answers both processes and the receiver's window."""
    receiver = start_hooktest(bench, exe, ["--receiver", windows_path(receiver_log.path)])
    receiver_log.wait_line("ready", timeout=60)
    receiver_window = find_window(bench, "^Hook test receiver$")
    host = start_hooktest(bench, exe, [windows_path(host_log.path)])
    return receiver, host, receiver_window


def quit_all(*logs_and_processes):
    for log, process in logs_and_processes:
        log.control(".quit")
        process.wait(timeout=20)


def check_hook(bench, win32_dir, logs):
    host_exe = os.path.join(win32_dir, "hooktest.exe")
    receiver_log = Log(os.path.join(logs, "receiver.log"))
    host_log = Log(os.path.join(logs, "host.log"))

    receiver, host, receiver_window = start_receiver_then_host(bench, host_exe, receiver_log,
                                                                host_log)
    host_log.wait_line("ready", timeout=60)
    expect("installed 1" in host_log.lines(), "the hook was not installed: %s" % host_log.lines())
    find_window(bench, "^Hook test host$")

    # The other application has the keyboard, not the host.
    keyboard = Keyboard(bench, receiver_window, receiver_log)
    keyboard.activate()
    active = run(["xdotool", "getactivewindow"], bench.env).strip()
    expect(active == receiver_window, "the receiver is not active (%s)" % active)

    keyboard.press("F6", "F7", "F8", "F9")
    expect_hotkeys(host_log, [1, 2, 3, 4], "one press each")

    keyboard.hold("F7", 4)
    expect_hotkeys(host_log, [1, 2, 3, 4, 2], "F7 held")

    keyboard.press("a", "F5", "F11", "F12")
    expect_hotkeys(host_log, [1, 2, 3, 4, 2], "other keys")

    host_log.control(".unhook")
    host_log.wait_line("unhooked")
    keyboard.press("F6", "F7", "F8", "F9")
    expect_hotkeys(host_log, [1, 2, 3, 4, 2], "after UnHook")

    host_log.control(".unhook")
    host_log.wait_line("unhooked", count=2)
    host_log.control(".install")
    host_log.wait_line("installed 1", count=2)
    keyboard.press("F9", "F6")
    expect_hotkeys(host_log, [1, 2, 3, 4, 2, 4, 1], "installed again")

    host_log.control(".unhook")
    host_log.wait_line("unhooked", count=3)
    keyboard.press("F8")
    expect_hotkeys(host_log, [1, 2, 3, 4, 2, 4, 1], "after the last UnHook")

    quit_all((host_log, host), (receiver_log, receiver))


def check_missing_library(bench, win32_dir, logs):
    # A copy of the host without the library beside it.
    alone = os.path.join(logs, "without-library")
    os.makedirs(alone, exist_ok=True)
    exe = os.path.join(alone, "hooktest.exe")
    shutil.copy2(os.path.join(win32_dir, "hooktest.exe"), exe)
    expect(not os.path.exists(os.path.join(alone, "hodll.dll")), "hodll.dll beside the copy")
    receiver_log = Log(os.path.join(logs, "receiver2.log"))
    host_log = Log(os.path.join(logs, "host-without-library.log"))

    receiver, host, receiver_window = start_receiver_then_host(bench, exe, receiver_log, host_log)
    host_log.wait_line(MISSING_DLL_BOX, timeout=60)
    box = find_window(bench, "^hooktest$")
    # The box holds the host until it is answered.
    expect("ready" not in host_log.lines(), "the warning box did not wait for an answer")
    Keyboard(bench, box).activate()
    Keyboard(bench, box).press("Return")
    host_log.wait_line("ready")
    expect(host_log.lines() == [MISSING_DLL_BOX, "installed 0", "ready"],
           "unexpected host log: %s" % host_log.lines())
    expect(host.poll() is None, "the host ended")

    keyboard = Keyboard(bench, receiver_window, receiver_log)
    keyboard.activate()
    keyboard.press("F6", "F9")
    host_log.control(".unhook")
    host_log.wait_line("unhooked")
    host_log.control(".install")
    host_log.wait_line("installed 0", count=2)
    expect_hotkeys(host_log, [], "without the library")
    expect(host_log.lines().count(MISSING_DLL_BOX) == 1, "the warning was shown again")

    quit_all((host_log, host), (receiver_log, receiver))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(os.path.dirname(os.path.dirname(here)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--win32-dir", default=os.path.join(repo, "build", "win32"),
                        help="the cross build's folder holding hodll.dll and hooktest.exe")
    parser.add_argument("--work-dir", help="folder for the prefix and logs "
                        "(default: WIN32_DIR/e2e-hotkeys)")
    options = parser.parse_args()

    win32_dir = os.path.abspath(options.win32_dir)
    for needed in ("hodll.dll", "hooktest.exe"):
        if not os.path.exists(os.path.join(win32_dir, needed)):
            print("SKIP: %s not built in %s" % (needed, win32_dir))
            return SKIP
    for tool in ("Xvfb", "openbox", "wine", "wineserver", "xdotool"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed" % tool)
            return SKIP

    work_dir = os.path.abspath(options.work_dir or os.path.join(win32_dir, "e2e-hotkeys"))
    os.makedirs(work_dir, exist_ok=True)
    logs = tempfile.mkdtemp(prefix="run-", dir=work_dir)
    bench = Bench(work_dir)
    try:
        bench.start_display()
        bench.prepare_prefix()
        check_hook(bench, win32_dir, logs)
        check_missing_library(bench, win32_dir, logs)
    except (Failure, subprocess.TimeoutExpired) as failure:
        shot = bench.screenshot(os.path.join(logs, "failure.png"))
        print("FAIL: %s" % failure)
        if shot:
            print("screenshot: %s" % shot)
        print("logs: %s" % logs)
        return 1
    finally:
        bench.stop_all()
    shutil.rmtree(logs, ignore_errors=True)
    print("PASS: hodll.dll end to end")
    return 0


if __name__ == "__main__":
    sys.exit(main())
