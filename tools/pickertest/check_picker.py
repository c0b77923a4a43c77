#!/usr/bin/env python3
"""Checks the window picker and its finder tool under Wine.

Starts a private Xvfb display with openbox, a Wine prefix under the build
folder, Wine's notepad as a second running program, and pickertest.exe, then:
- the picker lists notepad, numbered rows, not itself nor "Program Manager";
- OK with nothing chosen shows the "Screen Recorder" box and stays open;
- notepad moves right, the running list is renumbered, the area fields show
  its rectangle;
- dragging the finder tool over a child window of the host fills the fields
  and outlines it, dragging over the picker's own controls changes nothing, the
  release erases the outline, ends the drag and leaves both lists as they
  were, and a new drag
  picks the same window again;
- OK hands notepad's handle back in slot 0 and zeros after it;
- the next opening starts with an empty selected list and empty fields, and
  Cancel keeps the earlier hand-back.
Everything it starts it ends by process id. Exit code 0 passes, 1 fails, 77
skips (a tool or pickertest.exe is missing).

  check_picker.py [--build DIR] [--keep]
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

SKIP = 77


class Failure(Exception):
    pass


def run(args, env, check=True, timeout=30):
    result = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=timeout)
    if result.returncode != 0 and check:
        raise Failure("%s failed: %s" % (" ".join(args), result.stderr.strip()))
    return result.stdout if result.returncode == 0 else None


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise Failure("timed out waiting for " + what)


def work_dir_marker(prefix):
    return prefix + ".ready"


class Bench:
    def __init__(self, work_dir):
        self.work_dir = work_dir
        self.processes = []
        self.env = dict(os.environ)

    def start(self, args):
        process = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def start_display(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x800x24",
                                 "-nolisten", "tcp"], pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
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
        self.start(["openbox"])
        time.sleep(0.5)

    def prepare_prefix(self):
        prefix = os.path.join(self.work_dir, "prefix")
        home = os.path.join(self.work_dir, "home")
        os.makedirs(home, exist_ok=True)
        self.env.update({"WINEPREFIX": prefix, "HOME": home, "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win32"})
        self.env.pop("WINESERVER", None)
        # A prefix is ready once its marker is written; a half-made one is made again.
        marker = work_dir_marker(prefix)
        if not os.path.exists(marker):
            shutil.rmtree(prefix, ignore_errors=True)
        os.makedirs(prefix, exist_ok=True)
        self.start(["wineserver", "--foreground", "--persistent"])
        time.sleep(0.5)
        if not os.path.exists(marker):
            # Wine's own services keep any pipe open: their output goes nowhere.
            quiet = dict(env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL, timeout=900)
            subprocess.run(["wine", "wineboot", "--init"], **quiet)
            # Calibri's metric twin, so the dialogs lay out as intended.
            subprocess.run(["wine", "reg", "add", "HKCU\\Software\\Wine\\Fonts\\Replacements", "/v",
                            "Calibri", "/t", "REG_SZ", "/d", "Carlito", "/f"], **quiet)
            if not os.path.exists(os.path.join(prefix, "system.reg")):
                raise Failure("the Wine prefix could not be made")
            open(marker, "w").close()

    def stop_all(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    def screenshot(self, name):
        path = os.path.join(self.work_dir, name)
        run(["import", "-window", "root", path], self.env, check=False)
        return path

    def xdotool(self, *args):
        return run(["xdotool"] + [str(a) for a in args], self.env)


class Host:
    """pickertest.exe, driven through its command file."""

    def __init__(self, log_path):
        self.log_path = log_path
        for path in (log_path, log_path + ".cmd"):
            if os.path.exists(path):
                os.remove(path)

    def lines(self):
        try:
            with open(self.log_path, encoding="latin-1") as log:
                return [line.rstrip("\n") for line in log]
        except FileNotFoundError:
            return []

    def wait_line(self, predicate, what, timeout=15):
        return wait_for(lambda: next((l for l in self.lines() if predicate(l)), None), timeout, what)

    def command(self, text, settle=0.3):
        done = "done " + text
        count = self.lines().count(done)
        with open(self.log_path + ".cmd.tmp", "w") as command:
            command.write(text + "\n")
        os.replace(self.log_path + ".cmd.tmp", self.log_path + ".cmd")
        wait_for(lambda: self.lines().count(done) > count, 15, done)
        time.sleep(settle)
        return self.lines()

    def dump(self):
        start = len(self.lines())
        self.command("dump", settle=0)
        lines = self.lines()[start:]
        rows = {"running": [], "selected": []}
        result = {"rows": rows}
        for line in lines:
            name = line.split("|")[0]
            if name in rows:
                rows[name].append(line.split("|")[1:])
            elif line.startswith("fields"):
                result["fields"] = [f.strip("[]") for f in line.split()[1:]]
            elif line.startswith("picture "):
                result["picture"] = [int(v) for v in line.split()[1:]]
            elif line.startswith("picker "):
                result["picker"] = [int(v) for v in line.split()[2:]]
            elif line.startswith("finder "):
                words = line.split()
                result["dragging"], result["highlighted"] = int(words[2]), int(words[4])
        return result


def expect(condition, what):
    if not condition:
        raise Failure(what)


def check(bench, host, picker_exe):
    notepad = bench.start(["wine", "notepad"])
    wait_for(lambda: run(["xdotool", "search", "--onlyvisible", "--name", "Notepad"], bench.env, check=False),
             90, "notepad's window")
    bench.start(["wine", picker_exe, os.path.basename(host.log_path)])
    host.wait_line(lambda l: l == "ready", "the host")
    time.sleep(1.0)

    # The first opening lists notepad, numbered, without the picker itself.
    first = host.dump()
    running = first["rows"]["running"]
    titles = [row[1] for row in running]
    expect(any("Notepad" in t for t in titles), "notepad is not listed: %s" % titles)
    expect(not any("Program Manager" in t for t in titles), "Program Manager listed")
    expect(not any(t.startswith("Select Running Program") for t in titles), "the picker lists itself")
    expect([row[0] for row in running] == [str(i + 1) for i in range(len(running))], "row numbers %s" % running)
    expect(first["rows"]["selected"] == [] and first["fields"] == ["", "", "", ""], "a fresh picker is not empty")
    notepad_row = next(row for row in running if "Notepad" in row[1])
    bench.screenshot("picker-open.png")

    # OK with nothing chosen: told, and the picker stays.
    host.command("ok", settle=1.0)
    lines = host.command("box Screen Recorder")
    expect("box Screen Recorder|Please select atleast one application to record its desktop activities.|icon 0"
           in lines, "the empty-OK box: %s" % lines[-3:])
    expect(not any(l.startswith("result") for l in host.lines()), "the picker closed on an empty OK")

    # Moving notepad right renumbers the left and shows its area.
    host.command("select Notepad")
    host.command("right")
    moved = host.dump()
    expect([row[1] for row in moved["rows"]["selected"]] == [notepad_row[1]], "selected %s" % moved["rows"])
    expect(moved["rows"]["selected"][0][0] == "1" and moved["rows"]["selected"][0][2] == notepad_row[2],
           "the moved row %s" % moved["rows"]["selected"])
    left = moved["rows"]["running"]
    expect([row[0] for row in left] == [str(i + 1) for i in range(len(left))], "renumbering %s" % left)
    expect(len(left) == len(running) - 1, "the running list did not lose notepad")
    expect(all(f.lstrip("-").isdigit() for f in moved["fields"]), "area fields %s" % moved["fields"])
    area = [int(f) for f in moved["fields"]]
    expect(area[0] >= 0 and area[1] >= 0 and area[2] <= 1280 and area[3] <= 800 and area[2] > area[0],
           "notepad's area is not clipped to the desktop: %s" % area)
    bench.screenshot("picker-moved.png")

    # The finder: over the picker's own controls nothing changes; over the
    # host's target (a child window) the fields fill and the window is outlined. (Wine
    # routes a captured mouse only over the capturing process's own windows
    # once the cursor has been moved by the program, so the drop target is
    # the host's window, not notepad.)
    target = next(l for l in host.lines() if l.startswith("target ")).split()[1:]
    target_handle, target_rect = int(target[0]), target[1:]
    picker_window = bench.xdotool("search", "--onlyvisible", "--name", "Select Running Program").split()[0]
    bench.xdotool("windowactivate", "--sync", picker_window)
    time.sleep(0.5)
    picture = moved["picture"]
    x, y = (picture[0] + picture[2]) // 2, (picture[1] + picture[3]) // 2
    tx, ty = (int(target_rect[0]) + int(target_rect[2])) // 2, (int(target_rect[1]) + int(target_rect[3])) // 2

    def drag_to_target(first):
        bench.xdotool("mousemove", x, y)
        time.sleep(0.3)
        bench.xdotool("mousedown", 1)
        time.sleep(0.5)
        expect(host.dump()["dragging"] == 1, "the press on the finder did not begin a drag")
        if first:
            bench.xdotool("mousemove", x - 100, y + 20)  # over the picker's own group box
            time.sleep(0.5)
            expect(host.dump()["fields"] == moved["fields"], "the picker's own window was picked")
        for step in range(1, 6):
            bench.xdotool("mousemove", x + (tx - x) * step // 5, y + (ty - y) * step // 5)
            time.sleep(0.2)
        time.sleep(0.5)
        over = host.dump()
        expect(over["dragging"] == 1 and over["highlighted"] == target_handle,
               "the target is not outlined: %s" % over)
        expect(over["fields"] == target_rect, "the fields %s are not the target's %s" % (over["fields"], target_rect))
        return over

    def red_pixels(picture_path):
        left, top, right, bottom = [int(v) for v in target_rect]
        pixels = run(["convert", picture_path, "-crop", "%dx%d+%d+%d" % (right - left + 4, bottom - top + 4,
                                                                          left - 2, top - 2), "txt:-"], bench.env)
        return sum(1 for line in pixels.splitlines() if "#FF0000" in line)

    over = drag_to_target(True)
    outlined = red_pixels(bench.screenshot("finder-over-target.png"))
    expect(outlined > 100, "no red outline on the target (%d red pixels)" % outlined)
    bench.xdotool("mousemove", tx + 10, ty + 5)
    time.sleep(0.3)
    bench.xdotool("mouseup", 1)
    time.sleep(0.5)
    erased = red_pixels(bench.screenshot("finder-released.png"))
    expect(erased == 0, "the outline stayed after the release (%d red pixels)" % erased)
    released = host.dump()
    expect(released["dragging"] == 0 and released["highlighted"] == 0, "the release did not end the drag")
    expect(released["fields"] == over["fields"], "the release changed the fields")
    expect(released["rows"] == moved["rows"], "the finder changed the lists")
    # A new drag can pick the window the last one picked.
    drag_to_target(False)
    bench.xdotool("mouseup", 1)
    time.sleep(0.5)
    expect(host.dump()["dragging"] == 0, "the second release did not end the drag")

    # OK hands notepad back in slot 0.
    host.command("ok")
    result = host.wait_line(lambda l: l.startswith("chosen"), "the hand-back")
    expect("result 1" in host.lines(), "the picker did not end with OK")
    handle = int(notepad_row[2]) & 0xFFFFFFFF
    expect(result.split()[1:] == [str(handle)] + ["0"] * 9, "hand-back %s, notepad %d" % (result, handle))

    # The next opening starts empty; Cancel keeps the earlier hand-back.
    time.sleep(1.0)
    again = host.dump()
    expect(again["rows"]["selected"] == [] and again["fields"] == ["", "", "", ""], "the reopened picker kept %s"
           % again)
    expect(any("Notepad" in row[1] for row in again["rows"]["running"]), "notepad missing at the reopening")
    host.command("cancel", settle=1.0)
    chosen = [l for l in host.lines() if l.startswith("chosen")]
    expect(len(chosen) == 2 and chosen[1] == chosen[0], "Cancel changed the hand-back: %s" % chosen)
    expect(host.lines().count("result 2") == 1, "the second opening did not end with Cancel")

    time.sleep(1.0)
    host.command("quit")
    host.wait_line(lambda l: l == "quit", "the host's end")
    notepad.send_signal(signal.SIGTERM)


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(root, "build", "h7", "win32"))
    parser.add_argument("--work", default=None)
    args = parser.parse_args()
    picker_exe = os.path.join(args.build, "pickertest.exe")
    for tool in ("Xvfb", "openbox", "wine", "wineserver", "xdotool", "import", "convert"):
        if not shutil.which(tool):
            print("skipped: %s is missing" % tool)
            return SKIP
    if not os.path.exists(picker_exe):
        print("skipped: %s is missing" % picker_exe)
        return SKIP
    work_dir = args.work or os.path.join(args.build, "pickertest-work")
    os.makedirs(work_dir, exist_ok=True)
    bench = Bench(work_dir)
    host = Host(os.path.join(args.build, "pickertest.log"))
    try:
        bench.start_display()
        bench.prepare_prefix()
        os.chdir(args.build)
        check(bench, host, picker_exe)
        print("passed")
        return 0
    except Failure as failure:
        print("FAILED: %s (screenshot %s)" % (failure, bench.screenshot("failure.png")))
        print("\n".join(host.lines()[-30:]))
        return 1
    finally:
        bench.stop_all()


if __name__ == "__main__":
    sys.exit(main())
