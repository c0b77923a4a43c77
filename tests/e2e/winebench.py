"""The end-to-end test bench: Mavrion.exe under Wine in a private X display.

    from winebench import Bench, MAIN_CAPTION

    with Bench("startup") as bench:              # Xvfb + openbox + Wine prefix
        app = bench.start()                      # copies Mavrion.exe, starts it
        main = app.wait_window(MAIN_CAPTION)     # a Window, found by caption
        main.click(1001)                         # BM_CLICK on control 1001
        box = app.wait_message_box()             # a MessageBox of the program
        box.press("OK")
        bench.screenshot("main")                 # build/e2e-artifacts/startup/main.png
        main.close()                             # WM_CLOSE
        assert app.wait_exit() == 0

Everything the bench starts (Xvfb, openbox, wine, wineserver, mvdrive) ends
when the `with` block ends, also on failure, by process id: the bench never
kills by name. On failure it keeps a screenshot "failure.png".

Environment:
  MAVRION_WIN32_DIR  the cross build with Mavrion.exe, mvdrive.exe and
                     mvprobe.dll (default <repo>/build/win32)
  MAVRION_E2E_WORK   where the prefix, runs and artifacts live (default
                     <repo>/build)
  MAVRION_E2E_KEEP=1 keeps each run's folder (app copy, prefix copy)
"""

import fcntl
import json
import os
import select
import shutil
import signal
import subprocess
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
MAIN_CAPTION = "Mavrion - Screen Recorder and Presentation Developer"

WM_COMMAND = 0x0111
WM_CLOSE = 0x0010
WM_KEYDOWN = 0x0100
VK_ESCAPE = 0x1B

# Wine's processes run under an emulator on some machines: generous limits.
DEFAULT_TIMEOUT = float(os.environ.get("MAVRION_E2E_TIMEOUT", "90"))


class BenchError(AssertionError):
    pass


def win32_dir():
    return Path(os.environ.get("MAVRION_WIN32_DIR", REPO / "build" / "win32")).resolve()


def work_dir():
    return Path(os.environ.get("MAVRION_E2E_WORK", REPO / "build")).resolve()


def wait_until(condition, timeout=DEFAULT_TIMEOUT, interval=0.25, what="a condition"):
    """Polls condition() until it answers something true, which it returns."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise BenchError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _stop_group(process, grace=3.0):
    """Ends a process started in its own session, and its process group."""
    if process is None or process.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5.0)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            return
        try:
            process.wait(timeout=wait)
            return
        except subprocess.TimeoutExpired:
            continue


def _processes_with_env(name, value):
    """Process ids whose environment holds name=value (our prefix, display)."""
    needle = ("%s=%s" % (name, value)).encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as f:
                if needle in f.read().split(b"\0"):
                    found.append(int(entry))
        except OSError:
            continue
    return found


class Prefix:
    """The Wine prefix template under the work folder, made once and reused.

    Made with HOME under the work folder (so Wine's Desktop and Documents
    links stay there), no Mono or Gecko prompts, Calibri replaced by the
    metrically equal Carlito, no crash dialog and no menu builder."""

    REGISTRY = [
        (r"HKCU\Software\Wine\Fonts\Replacements", "Calibri", "REG_SZ", "Carlito"),
        (r"HKCU\Software\Wine\WineDbg", "ShowCrashDialog", "REG_DWORD", "0"),
        (r"HKCU\Software\Wine\DllOverrides", "winemenubuilder.exe", "REG_SZ", ""),
    ]

    def __init__(self, root):
        self.root = Path(root)
        self.template = self.root / "wineprefix-template"
        self.home = self.root / "wine-home"
        self.lock_path = self.root / "wineprefix-template.lock"

    def base_env(self, prefix, display):
        env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
        env.update(HOME=str(self.home), WINEPREFIX=str(prefix), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", DISPLAY=display,
                   XDG_CONFIG_HOME=str(self.home / ".config"), LC_ALL="C", LANG="C")
        return env

    def ensure(self, display):
        """Creates the template when missing (under a lock), else does nothing."""
        self.root.mkdir(parents=True, exist_ok=True)
        with open(self.lock_path, "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if (self.template / ".mavrion-ready").exists():
                return
            shutil.rmtree(self.template, ignore_errors=True)
            self.home.mkdir(parents=True, exist_ok=True)
            env = self.base_env(self.template, display)
            try:
                subprocess.run(["wineboot", "--init"], env=env, check=True, timeout=900,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
                for key, value, kind, data in self.REGISTRY:
                    subprocess.run(["wine", "reg", "add", key, "/v", value, "/t", kind, "/d", data, "/f"],
                                   env=env, check=True, timeout=300, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True)
            finally:
                # The registry reaches the disk when the server ends.
                subprocess.run(["wineserver", "-w"], env=env, timeout=300)
                _kill_pids(_processes_with_env("WINEPREFIX", str(self.template)))
            (self.template / ".mavrion-ready").touch()


def _kill_pids(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


class Driver:
    """mvdrive.exe in serve mode: one command a line, one JSON answer a line."""

    def __init__(self, bench):
        self.bench = bench
        self._buffer = b""
        exe = win32_dir() / "mvdrive.exe"
        if not exe.exists():
            raise BenchError("%s is missing: build the win32 tree" % exe)
        self.desktop = bench.desktop
        desktop = ["--desktop", self.desktop] if self.desktop else []
        self.process = bench.spawn(["wine", str(exe)] + desktop + ["--serve"], stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        first = self._read(DEFAULT_TIMEOUT * 2)
        if not first.get("ready"):
            raise BenchError("mvdrive did not start: %r" % first)

    def _read(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                raise BenchError("mvdrive did not answer in %.0f s" % timeout)
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise BenchError("mvdrive ended")
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return json.loads(line.decode())

    @staticmethod
    def _word(value):
        if isinstance(value, bool):
            return "1" if value else "0"
        if isinstance(value, int):
            return str(value)
        text = str(value)
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    def call(self, command, *args, check=True, timeout=60):
        """Runs one mvdrive command; answers its JSON object as a dict."""
        line = " ".join([command] + [self._word(a) for a in args]) + "\n"
        self.process.stdin.write(line.encode())
        self.process.stdin.flush()
        answer = self._read(timeout)
        if check and not answer.get("ok"):
            raise BenchError("mvdrive %s: %s" % (line.strip(), answer.get("error")))
        return answer

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                pass
        _stop_group(self.process)
        for pipe in (self.process.stdin, self.process.stdout):
            pipe.close()


class Window:
    """A window of the program, addressed by handle; controls by their ids."""

    def __init__(self, driver, info):
        self.driver = driver
        self.hwnd = info["hwnd"]
        self.pid = info["pid"]
        self.caption = info.get("text", "")
        self.class_name = info.get("class", "")

    def __repr__(self):
        return "Window(%#x %r)" % (self.hwnd, self.caption)

    def state(self, control_id=None):
        """hwnd, id, class, text, visible, enabled, style, rect and, for
        buttons, checked: of the window itself or of one control."""
        args = [self.hwnd] + ([control_id] if control_id is not None else [])
        return self.driver.call("state", *args)

    def controls(self):
        """Every child control, each as a dict like state()."""
        return self.driver.call("children", self.hwnd)["controls"]

    def text(self, control_id=None):
        return self.state(control_id)["text"]

    def is_visible(self, control_id=None):
        return self.state(control_id)["visible"]

    def is_enabled(self, control_id=None):
        return self.state(control_id)["enabled"]

    def is_checked(self, control_id):
        """Check box or radio button state."""
        return self.state(control_id).get("checked", False)

    def exists(self):
        answer = self.driver.call("state", self.hwnd, check=False)
        return answer.get("ok", False)

    def gone_or_hidden(self):
        """One question, so a window that closes meanwhile answers True."""
        answer = self.driver.call("state", self.hwnd, check=False)
        return not answer.get("ok", False) or not answer.get("visible", False)

    def click(self, control_id):
        """Clicks a button as a user would: fails on a hidden or disabled one."""
        self.driver.call("click", self.hwnd, control_id)

    def command(self, command_id, code=0):
        """Posts WM_COMMAND, as a menu item or accelerator does."""
        self.driver.call("command", self.hwnd, command_id, code)

    def post(self, message, wparam=0, lparam=0):
        self.driver.call("post", self.hwnd, message, wparam, lparam)

    def send(self, message, wparam=0, lparam=0):
        return self.driver.call("send", self.hwnd, message, wparam, lparam)["result"]

    def set_text(self, control_id, text):
        """WM_SETTEXT on a control (an edit's EN_CHANGE follows)."""
        self.driver.call("settext", self.hwnd, control_id, text)

    def combo(self, control_id):
        """{"items": [...], "selected": index or -1, "text": shown text}."""
        return self.driver.call("combo", self.hwnd, control_id)

    def select(self, control_id, index):
        """Chooses a combo-box entry as a user does (CBN_SELCHANGE follows)."""
        self.driver.call("select", self.hwnd, control_id, index)

    def list_view(self, control_id):
        """{"columns": [...], "rows": [{"cells", "selected", "focused",
        "checked"}]}, read inside the program's process."""
        return self.driver.call("listview", self.hwnd, control_id)

    def menu(self):
        """The menu bar as a tree: items with pos, id (-1 for a submenu), text,
        separator, grayed, disabled, enabled, checked, radio, default, items."""
        return self.driver.call("menu", self.hwnd)["items"]

    def menu_item(self, item_id):
        """One item of the menu bar (searched in every submenu) by its id."""
        found = find_menu_item(self.menu(), item_id)
        if found is None:
            raise BenchError("no menu item %d in %r" % (item_id, self))
        return found

    def close(self):
        """Posts WM_CLOSE."""
        self.post(WM_CLOSE)

    def wait_state(self, control_id, key, expected, timeout=DEFAULT_TIMEOUT):
        """Waits until state(control_id)[key] == expected; posted messages
        take effect later than the post returns."""
        wait_until(lambda: self.state(control_id).get(key) == expected, timeout,
                   what="%r control %s %s == %r" % (self, control_id, key, expected))


def find_menu_item(items, item_id):
    for item in items:
        if item.get("id") == item_id:
            return item
        found = find_menu_item(item.get("items", []), item_id)
        if found is not None:
            return found
    return None


class MessageBox(Window):
    """A message box (class #32770): caption, texts and buttons."""

    def __init__(self, driver, info, details=None):
        super().__init__(driver, info)
        if details is None:
            details = driver.call("dialog", self.hwnd)
        self.caption = details["caption"]
        self.texts = details["texts"]
        self.text = "\n".join(details["texts"])
        self.buttons = details["buttons"]

    @classmethod
    def read(cls, driver, info):
        """The box of a window listing, or None when it has closed since."""
        details = driver.call("dialog", info["hwnd"], check=False)
        return cls(driver, info, details) if details.get("ok") else None

    def __repr__(self):
        return "MessageBox(%r, %r)" % (self.caption, self.text)

    def press(self, button):
        """Presses a button by id (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7) or text."""
        self.driver.call("press", self.hwnd, button)


class Program:
    """One started program: its windows are found through mvdrive."""

    def __init__(self, bench, process, exe_name):
        self.bench = bench
        self.process = process
        self.exe_name = exe_name
        self.pid = None  # the Windows process id, known once a window is found

    @property
    def driver(self):
        return self.bench.driver

    def windows(self, caption=None, class_name=None, visible=True):
        """Top-level windows (of this program once its pid is known)."""
        found = []
        for info in self.driver.call("windows")["windows"]:
            if self.pid is not None and info["pid"] != self.pid:
                continue
            if caption is not None and info["text"] != caption:
                continue
            if class_name is not None and info["class"] != class_name:
                continue
            if visible is not None and info["visible"] != visible:
                continue
            found.append(info)
        return found

    def wait_window(self, caption=MAIN_CAPTION, class_name=None, visible=True, timeout=DEFAULT_TIMEOUT):
        """Waits for a top-level window by caption; the first one found also
        fixes the program's Windows process id."""
        info = wait_until(lambda: (self.windows(caption, class_name, visible) or [None])[0], timeout,
                          what="window %r" % caption)
        if self.pid is None:
            self.pid = info["pid"]
        return Window(self.driver, info)

    def find_message_box(self, caption=None, exclude=()):
        """A visible #32770 dialog of the program other than the `exclude`
        windows (e.g. the main dialog), optionally by caption; None when
        there is none, also when one closes while it is read."""
        if self.pid is None:
            raise BenchError("wait for a window of the program first")
        skip = {w.hwnd if isinstance(w, Window) else w for w in exclude}
        for info in self.windows(caption, "#32770"):
            if info["hwnd"] in skip:
                continue
            box = MessageBox.read(self.driver, info)
            if box is not None:
                return box
        return None

    def wait_message_box(self, caption=None, exclude=(), timeout=DEFAULT_TIMEOUT):
        """Waits for a message box as find_message_box() finds it."""
        return wait_until(lambda: self.find_message_box(caption, exclude), timeout,
                          what="a message box %r" % (caption or ""))

    def popup_menus(self):
        """The program's open popup menus (e.g. the tray menu), outermost
        first, each {"hwnd", "items"} like Window.menu()."""
        return self.driver.call("popup", self.pid)["popups"]

    def close_popup_menus(self):
        for popup in self.popup_menus():
            self.driver.call("post", popup["hwnd"], WM_KEYDOWN, VK_ESCAPE, 0, check=False)

    def close(self, window, answer=("Yes", "OK"), timeout=DEFAULT_TIMEOUT):
        """Posts WM_CLOSE to `window`, answers a confirmation box that comes
        with the first of the `answer` buttons it has, and waits for the
        program to end; answers its exit code."""
        window.close()

        def ended_or_asked():
            if not self.alive():
                return "ended"
            boxes = [w for w in self.windows(class_name="#32770") if w["hwnd"] != window.hwnd]
            return "asked" if boxes else None
        if wait_until(ended_or_asked, timeout, what="%s to end or ask" % self.exe_name) == "asked":
            box = self.wait_message_box(exclude=[window])
            texts = [b["text"] for b in box.buttons]
            box.press(next((a for a in answer if a in texts), texts[0] if texts else "OK"))
        return self.wait_exit(timeout)

    def alive(self):
        if self.pid is not None:
            return self.driver.call("process", self.pid)["alive"]
        return self.process.poll() is None

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """Waits until the program has ended; answers its exit code."""
        if self.pid is None:
            return self.process.wait(timeout=timeout)
        answer = wait_until(lambda: (lambda a: a if not a["alive"] else None)(
            self.driver.call("process", self.pid)), timeout, what="%s to end" % self.exe_name)
        return answer.get("exit_code")


class Bench:
    """One test's private display, Wine prefix and programs; a context manager."""

    def __init__(self, name, *, openbox=True, size=(1280, 800), clean_prefix=False, audio_device=False,
                 display=None, prefix_root=None):
        """display: an X display to use instead of a private Xvfb (scripts/run
        on a desktop); the bench then starts no display and no openbox.
        prefix_root: a folder whose own prefix template (and Wine home) is
        used, made there when missing, instead of the work folder's."""
        self.name = name
        self.own_display = display is None
        self.size = size
        self.use_openbox = openbox
        self.clean_prefix = clean_prefix
        self.audio_device = audio_device
        self.work = work_dir()
        self.prefix_root = Path(prefix_root) if prefix_root is not None else self.work
        self.artifacts = self.work / "e2e-artifacts" / name
        self.run_dir = self.work / "e2e-runs" / name
        self.app_dir = self.run_dir / "app"
        self._processes = []
        self._driver = None
        self._prefix_lock = None
        self.xvfb_pid = None
        self.desktop = None
        self.display = display
        self.prefix = None
        self.env = None

    # -- life cycle -----------------------------------------------------------

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, kind, value, traceback):
        if kind is not None:
            try:
                self.screenshot("failure")
            except Exception:
                pass
        self.close()
        return False

    def _start(self):
        shutil.rmtree(self.run_dir, ignore_errors=True)
        self.app_dir.mkdir(parents=True)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        self.artifacts.mkdir(parents=True)
        if self.own_display:
            self._start_xvfb()
            if self.use_openbox:
                self._start_openbox()
        store = Prefix(self.prefix_root)
        store.ensure(self.display)
        if self.clean_prefix:
            self.prefix = self.run_dir / "prefix"
            subprocess.run(["cp", "-a", str(store.template), str(self.prefix)], check=True)
        else:
            # One test at a time uses the shared template; the lock is held
            # until close(), so the server of one test never meets another.
            self._prefix_lock = open(store.lock_path, "w")
            fcntl.flock(self._prefix_lock, fcntl.LOCK_EX)
            self.prefix = store.template
        self.env = store.base_env(self.prefix, self.display)
        self._set_audio_device(self.audio_device)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        width, height = self.size
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        self._processes.append(process)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or not select.select([read_end], [], [], 5)[0]:
                os.close(read_end)
                raise BenchError("Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            raise BenchError("Xvfb did not tell its display")
        self.display = ":" + number.decode().strip()
        self.xvfb_pid = process.pid

    def _start_openbox(self):
        env = dict(os.environ, DISPLAY=self.display, HOME=str(self.run_dir))
        self._processes.append(subprocess.Popen(
            ["openbox", "--sm-disable"], env=env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True))
        wait_until(lambda: subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                                          capture_output=True, text=True).stdout.find("window id") >= 0,
                   timeout=30, interval=0.1, what="openbox")

    def _set_audio_device(self, present):
        """ALSA's null device as the one audio input, or no input at all.
        The Wine home is shared by all tests: each says which it wants."""
        asoundrc = Path(self.env["XDG_CONFIG_HOME"]) / "alsa" / "asoundrc"
        if present:
            asoundrc.parent.mkdir(parents=True, exist_ok=True)
            asoundrc.write_text("pcm.!default { type null }\nctl.!default { type hw card 0 }\n")
        elif asoundrc.exists():
            asoundrc.unlink()

    def close(self):
        """Ends everything this bench started; safe to call twice."""
        if self._driver is not None:
            self._driver.close()
            self._driver = None
        if self.env is not None:
            try:
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=30,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass
        if self.own_display and self.display is not None:
            # Anything still drawing on our display is ours (e.g. a helper a
            # program started); end it before the display goes.
            _kill_pids(p for p in _processes_with_env("DISPLAY", self.display)
                       if p not in {q.pid for q in self._processes})
        for process in reversed(self._processes):
            _stop_group(process)
        self._processes = []
        if self.prefix is not None:
            # Wine programs and the wineserver are not our children: find them
            # by the prefix in their environment and end them by id.
            pids = _processes_with_env("WINEPREFIX", str(self.prefix))
            if pids:
                _kill_pids(pids)
                wait_until(lambda: not _processes_with_env("WINEPREFIX", str(self.prefix)),
                           timeout=10, what="the prefix's processes to end")
        if self._prefix_lock is not None:
            self._prefix_lock.close()
            self._prefix_lock = None
        if self.clean_prefix and self.prefix is not None and not os.environ.get("MAVRION_E2E_KEEP"):
            shutil.rmtree(self.prefix, ignore_errors=True)
        self.env = None

    # -- programs -------------------------------------------------------------

    def spawn(self, args, cwd=None, **kwargs):
        """Starts a process with the bench's environment in its own process
        group, ended by close()."""
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        kwargs.setdefault("stderr", subprocess.DEVNULL)
        process = subprocess.Popen(args, cwd=cwd or self.app_dir, env=self.env, start_new_session=True,
                                   **kwargs)
        self._processes.append(process)
        return process

    def wine(self, *args, timeout=DEFAULT_TIMEOUT * 2):
        """Runs a Wine command to its end (e.g. "reg", "add", ...)."""
        return subprocess.run(["wine"] + list(args), env=self.env, cwd=self.app_dir, timeout=timeout,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              start_new_session=True)

    @property
    def driver(self):
        """The bench's mvdrive, started on first use, on the desktop of the
        last program started."""
        if self._driver is not None and self._driver.desktop != self.desktop:
            self._driver.close()
            self._driver = None
        if self._driver is None:
            self._driver = Driver(self)
        return self._driver

    def start(self, exe_name="Mavrion.exe", args=(), desktop=None, copy=True, extra_files=()):
        """Starts a program of the win32 build under Wine and answers a Program.

        copy: run a copy in the run's app folder (bench.app_dir), where a test
        puts its INI file before the start; hodll.dll and help.chm are copied
        beside it when built. desktop: a name to run it in Wine's virtual
        desktop of the display's size (it has a notification area)."""
        source = win32_dir() / exe_name
        if not source.exists():
            raise BenchError("%s is missing: build the win32 tree" % source)
        exe = source
        if copy:
            exe = self.app_dir / exe_name
            shutil.copy2(source, exe)
            for name in ("hodll.dll", "help.chm") + tuple(extra_files):
                if (win32_dir() / name).exists():
                    shutil.copy2(win32_dir() / name, self.app_dir / name)
        command = ["wine"]
        self.desktop = desktop
        if desktop:
            command += ["explorer", "/desktop=%s,%dx%d" % (desktop, self.size[0], self.size[1])]
        command += [str(exe)] + list(args)
        return Program(self, self.spawn(command, cwd=exe.parent), exe_name)

    # -- screen, keys and mouse -------------------------------------------------

    def screenshot(self, name):
        """Saves the whole display as <artifacts>/<name>.png and answers the path."""
        path = self.artifacts / (name + ".png")
        subprocess.run(["import", "-window", "root", str(path)], env={**os.environ, "DISPLAY": self.display},
                       check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def settled_screenshot(self, name, timeout=DEFAULT_TIMEOUT):
        """A screenshot once two taken in a row show the same pixels: a
        window that has just appeared may still be painting."""
        def pixels():
            return subprocess.run(["import", "-window", "root", "rgb:-"], env={**os.environ, "DISPLAY": self.display},
                                  capture_output=True, check=True, timeout=60).stdout
        last = [pixels()]

        def same_again():
            time.sleep(0.3)
            now = pixels()
            same, last[0] = now == last[0], now
            return same
        wait_until(same_again, timeout, interval=0, what="the screen to settle")
        return self.screenshot(name)

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env={**os.environ, "DISPLAY": self.display},
                                capture_output=True, text=True, timeout=60)
        if check and result.returncode != 0:
            raise BenchError("xdotool %s failed: %s" % (" ".join(map(str, args)), result.stderr.strip()))
        return result.stdout

    def x_window(self, caption, timeout=DEFAULT_TIMEOUT):
        """The X window id of a visible Wine window (not in a virtual desktop)."""
        def search():
            out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % caption, check=False)
            return out.split()[0] if out.split() else None
        return wait_until(search, timeout, what="X window %r" % caption)

    def activate(self, caption, timeout=DEFAULT_TIMEOUT):
        """Brings the visible window of that caption to the front and waits
        until both X and Wine have it there; answers its X window id. The
        window is searched anew each round: it may have been replaced."""
        seen = {}

        def in_front():
            found = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % caption, check=False).split()
            seen.update(found=found, active=None, foreground=None)
            if not found:
                return None
            xid = found[0]
            seen["active"] = self.xdotool("getactivewindow", check=False).strip()
            if seen["active"] != xid:
                self.xdotool("windowactivate", xid, check=False)
                return None
            foreground = self.driver.call("foreground")["hwnd"]
            seen["foreground"] = self.driver.call("state", foreground, check=False).get("text")
            return xid if seen["foreground"] == caption else None
        try:
            return wait_until(in_front, timeout, what="window %r in front" % caption)
        except BenchError as failure:
            raise BenchError("%s (last seen: %r)" % (failure, seen)) from None

    def key(self, *keys, caption=MAIN_CAPTION):
        """Real key presses (XTEST) to the window of that caption, once it is
        seen in front. Not with xdotool's --window: a key that closes the
        window (alt+F4) would leave the key-ups unsent and the modifier down
        for the next program."""
        self.activate(caption)
        self.xdotool("key", *keys)

    def drag(self, start, end, steps=10, button=1):
        """A real mouse drag from start (x, y) to end (x, y), screen pixels."""
        self.xdotool("mousemove", start[0] + 1, start[1] + 1)
        self.xdotool("mousemove", start[0], start[1])
        self.xdotool("mousedown", button)
        for i in range(1, steps + 1):
            self.xdotool("mousemove", start[0] + (end[0] - start[0]) * i // steps,
                         start[1] + (end[1] - start[1]) * i // steps)
            time.sleep(0.05)
        self.xdotool("mouseup", button)


# -- recordings ------------------------------------------------------------------

DESCRIPTION_BUTTON = 1049


def set_video_description(app, main, texts):
    """Types texts ({field id: text}) into the main window's video
    description dialog and answers OK: the file's descriptive texts."""
    main.click(DESCRIPTION_BUTTON)
    dialog = app.wait_message_box(exclude=[main])
    for field, text in texts.items():
        dialog.set_text(field, text)
    dialog.click(1)
    wait_until(dialog.gone_or_hidden, what="the description dialog to close")


def probe_recording(path):
    """What ffprobe reads of a recording: {"format": name, "duration":
    seconds or None (a file whose header was never finished states none),
    "size": bytes, "tags": {lower-case name: text}, "video": {"codec",
    "width", "height", "frames" (decoded one by one)} or None, "audio":
    {"codec", "sample_rate", "channels"} or None}."""
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_format", "-show_streams", "-of", "json",
                          str(path)], capture_output=True, text=True, check=True, timeout=600).stdout
    info = json.loads(out)
    fmt = info.get("format", {})
    streams = info.get("streams", [])
    video = next((s for s in streams if s.get("codec_type") == "video"), None)
    audio = next((s for s in streams if s.get("codec_type") == "audio"), None)
    duration = fmt.get("duration")
    return {
        "format": fmt.get("format_name"),
        "duration": float(duration) if duration not in (None, "N/A") else None,
        "size": int(fmt.get("size", 0)),
        "tags": {k.lower(): v for k, v in fmt.get("tags", {}).items()},
        "video": None if video is None else {
            "codec": video.get("codec_name"), "width": video.get("width"), "height": video.get("height"),
            "frames": int(video.get("nb_read_frames", 0) or 0)},
        "audio": None if audio is None else {
            "codec": audio.get("codec_name"), "sample_rate": audio.get("sample_rate"),
            "channels": audio.get("channels")},
    }

