#!/usr/bin/env python3
"""Records real programs at work on a private 1920x1080 X screen, losslessly,
for codec_bench: a browser reading and scrolling a documentation page, typing
in a terminal, a document viewer paging through a PDF, windows dragged over a
photo, a video playing in a 1280x720 frame of a browser window, a program
listing paged through in a pager, and an article with a photo zoomed and
scrolled in a browser.

    bench/record_screens.py [--out build/screens] [--seconds 20] [--only NAME,...] [--force]

Each recording is OUT/NAME.mkv: FFmpeg's x11grab at 15 fps, without the
mouse pointer, coded losslessly (libx264rgb -qp 0). Recordings already there
are kept unless --force. Everything shown is made here, as nothing may come
from the network: the bash manual page becomes the web page and the PDF,
FFmpeg draws the photo and the video, and windows are moved as a drag moves
them. Every program started here ends by its process id."""

import argparse
import html
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
SIZE = (1920, 1080)
FPS = 15
NAMES = ("browser", "terminal", "viewer", "windows", "video", "listing", "article")


class RecordError(RuntimeError):
    pass


def run(args, **kwargs):
    return subprocess.run(args, check=True, stdin=subprocess.DEVNULL, **kwargs)


class Screen:
    """Xvfb with openbox, the programs started on it, and x11grab."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.display = None

    def __enter__(self):
        try:
            self._start_xvfb()
            self.start(["openbox", "--sm-disable"])
            self.wait(lambda: "window id" in self.output(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]),
                      "openbox")
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start_xvfb(self):
        # Xvfb picks a free display and writes its number to its output.
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % SIZE, "-nolisten", "tcp", "-noreset"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
        self.processes.append(process)
        ready = select.select([process.stdout], [], [], 30)[0]
        number = process.stdout.readline().strip() if ready else b""
        if not number.isdigit():
            raise RecordError("Xvfb did not start")
        self.display = ":" + number.decode()

    def env(self):
        home = self.work / "home"
        home.mkdir(parents=True, exist_ok=True)
        return dict(os.environ, DISPLAY=self.display, HOME=str(home), LC_ALL="C.UTF-8", LANG="C.UTF-8",
                    XDG_CONFIG_HOME=str(home / ".config"), XDG_CACHE_HOME=str(home / ".cache"))

    def start(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env(), cwd=self.work, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGTERM)
                process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(5)
            except ProcessLookupError:
                pass
        if process in self.processes:
            self.processes.remove(process)

    def close(self):
        for process in reversed(list(self.processes)):
            self.stop(process)

    def output(self, args):
        return subprocess.run(args, env=self.env(), capture_output=True, text=True,
                              stdin=subprocess.DEVNULL).stdout

    def xdo(self, *args):
        run(["xdotool"] + [str(a) for a in args], env=self.env(), stdout=subprocess.DEVNULL)

    @staticmethod
    def wait(condition, what, timeout=120):
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.monotonic() > deadline:
                raise RecordError("timed out waiting for " + what)
            time.sleep(0.2)

    def window(self, *search):
        """The id of the first visible window that xdotool search finds."""
        def found():
            ids = self.output(["xdotool", "search", "--onlyvisible"] + list(search)).split()
            return ids[0] if ids else None
        return self.wait(found, "a window: %s" % " ".join(search))

    def place(self, window, x, y, width, height):
        self.xdo("windowsize", window, width, height)
        self.xdo("windowmove", window, x, y)

    def wallpaper(self, image=None):
        """The root window shows image (a photo), or a plain blue."""
        source = str(image) if image else "xc:#3a6ea5"
        self.start(["display", "-size", "%dx%d" % SIZE, "-window", "root", source]).wait(60)

    def record(self, path, seconds, script):
        """Records the whole screen while script(elapsed) drives it: script
        is called with a function answering seconds since recording began."""
        partial = path.with_suffix(".part.mkv")
        grab = self.start(["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-draw_mouse", "0", "-framerate",
                           str(FPS), "-video_size", "%dx%d" % SIZE, "-i", self.display + ".0", "-t",
                           str(seconds), "-c:v", "libx264rgb", "-qp", "0", "-preset", "ultrafast",
                           str(partial)])
        began = time.monotonic()
        script(lambda: time.monotonic() - began)
        try:
            grab.wait(seconds + 60)
        finally:
            self.stop(grab)
        if grab.returncode != 0 or not partial.exists():
            raise RecordError("x11grab failed for " + path.name)
        partial.rename(path)


def until(elapsed, second):
    """Sleeps until the recording is second seconds old."""
    wait = second - elapsed()
    if wait > 0:
        time.sleep(wait)


def at_times(screen, steps):
    """A recording's script that runs each xdotool command of steps, a list
    of (second, arguments), once the recording is that old."""
    def script(elapsed):
        for second, args in steps:
            until(elapsed, second)
            screen.xdo(*args)
    return script


# -- what the programs show ---------------------------------------------------


def make_page(material):
    """A documentation page: the bash manual as HTML with a contents column."""
    page = material / "manual.html"
    if page.exists():
        return page
    text = subprocess.run(["man", "-P", "cat", "bash"], capture_output=True, text=True,
                          env=dict(os.environ, MANWIDTH="100", MAN_KEEP_FORMATTING="0")).stdout
    if len(text) < 100000:
        # Minimal systems leave manual pages out: the shell's own help then.
        text = "\n" + subprocess.run(["bash", "-c", "help -m $(compgen -b | sort -u)"], capture_output=True,
                                     text=True).stdout + "\n"
        text = re.sub(r"(?m)^    ", "       ", text)
    text = re.sub(r".\x08", "", text)
    sections, body = [], []
    paragraph = []

    def flush():
        if paragraph:
            joined = " ".join(line.strip() for line in paragraph)
            code = all(line.startswith(" " * 14) for line in paragraph)
            body.append("<pre>%s</pre>" % html.escape("\n".join(paragraph)) if code
                        else "<p>%s</p>" % html.escape(joined))
            paragraph.clear()

    for line in text.splitlines()[1:-1]:
        if not line.strip():
            flush()
        elif not line.startswith(" "):
            flush()
            sections.append(line.strip())
            body.append('<h2 id="s%d">%s</h2>' % (len(sections), html.escape(line.strip().title())))
        elif line.startswith("   ") and not line.startswith("       "):
            flush()
            body.append("<h3>%s</h3>" % html.escape(line.strip()))
        else:
            paragraph.append(line)
    flush()
    contents = "".join('<li><a href="#s%d">%s</a></li>' % (i + 1, html.escape(s.title()))
                       for i, s in enumerate(sections))
    page.write_text(
        "<!DOCTYPE html><html><head><meta charset='utf-8'><title>Bash Reference</title><style>"
        "body{margin:0;font:16px/1.55 'DejaVu Sans',sans-serif;color:#222;background:#fff}"
        "nav{position:fixed;top:0;left:0;bottom:0;width:260px;overflow:auto;background:#f4f5f7;"
        "border-right:1px solid #ddd;padding:16px;font-size:14px}nav a{color:#0645ad;text-decoration:none}"
        "nav ul{list-style:none;padding:0}nav li{margin:4px 0}header{margin-left:293px;padding:10px 40px;"
        "background:#2b3a55;color:#fff;font-size:22px}main{margin-left:293px;padding:10px 40px;max-width:900px}"
        "h2{border-bottom:2px solid #2b3a55;padding-top:10px}h3{color:#2b3a55;margin-bottom:4px}"
        "pre{background:#f6f8fa;border:1px solid #e1e4e8;padding:8px;font:14px 'DejaVu Sans Mono',monospace}"
        "</style></head><body><nav><b>Contents</b><ul>%s</ul></nav><header>Bash Reference Manual</header>"
        "<main>%s</main></body></html>" % (contents, "\n".join(body)))
    return page


def chromium_args(profile):
    return ["chromium", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-quic", "--disable-translate",
            "--disable-features=Translate,MediaRouter", "--password-store=basic",
            "--user-data-dir=" + str(profile)]


def make_pdf(material, page):
    """The same manual as a PDF, printed by Chromium."""
    pdf = material / "manual.pdf"
    if pdf.exists():
        return pdf
    profile = material / "print-profile"
    shutil.rmtree(profile, ignore_errors=True)
    run(chromium_args(profile) + ["--headless", "--no-pdf-header-footer", "--print-to-pdf=" + str(pdf),
                                  page.as_uri()], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        timeout=300)
    shutil.rmtree(profile, ignore_errors=True)
    if not pdf.exists():
        raise RecordError("Chromium printed no PDF")
    return pdf


def make_photo(material):
    """A detailed, colourful picture standing in for a photo."""
    photo = material / "photo.png"
    if not photo.exists():
        run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
             "mandelbrot=s=%dx%d:start_x=-0.745:start_y=0.11:start_scale=0.06:maxiter=400" % SIZE,
             "-vf", "gblur=sigma=1.2,noise=alls=14:allf=u,eq=saturation=0.7:gamma=1.1",
             "-frames:v", "1", str(photo)])
    return photo


def make_video(material, photo):
    """Full motion: a camera panning and zooming over the photo, with grain,
    as a WebM file, which Chromium plays."""
    video = material / "motion.webm"
    if not video.exists():
        run(["ffmpeg", "-v", "error", "-y", "-i", str(photo), "-vf",
             "zoompan=z='1.5+0.4*sin(on/12)':x='(iw-iw/zoom)*(0.5+0.5*sin(on/10))'"
             ":y='(ih-ih/zoom)*(0.5+0.5*cos(on/8))':d=450:s=1280x720:fps=15,noise=alls=10:allf=t+u,"
             "hue=h='40*sin(t)'",
             "-c:v", "libvpx", "-deadline", "realtime", "-cpu-used", "8", "-b:v", "6M", str(video)])
    return video


# -- the recordings -----------------------------------------------------------


def open_page(screen, page, pointer):
    """Chromium showing page over the whole screen, the pointer at pointer
    (where the wheel scrolls); answers its window."""
    profile = screen.work / "browser-profile"
    shutil.rmtree(profile, ignore_errors=True)
    screen.wallpaper()
    screen.start(chromium_args(profile) + ["--window-position=0,0", "--window-size=%d,%d" % SIZE,
                                           "--new-window", page.as_uri()])
    window = screen.window("--class", "chromium")
    time.sleep(8)  # the page is laid out and painted
    screen.xdo("mousemove", *pointer)
    return window


def browser(screen, out, seconds, material):
    window = open_page(screen, make_page(material), (1100, 600))
    step = seconds / 6
    screen.record(out, seconds, at_times(screen, [
        (step, ("key", "--window", window, "Next")),
        (2 * step, ("click", "--repeat", 6, "--delay", 60, 5)),  # the wheel, as a reader scrolls
        (3 * step, ("key", "--window", window, "Next")),
        (3.5 * step, ("key", "--window", window, "Next")),
        (4.5 * step, ("click", "--repeat", 10, "--delay", 40, 4))]))


def terminal(screen, out, seconds, material):
    screen.wallpaper()
    home = screen.work / "home"
    (home / ".bashrc").write_text("PS1='user@desk:\\w$ '\n")
    screen.start(["xterm", "-fa", "DejaVu Sans Mono", "-fs", "11", "-geometry", "170x48+60+40",
                  "-bg", "#1e1e1e", "-fg", "#d0d0d0", "-e", "bash"])
    window = screen.window("--class", "xterm")
    time.sleep(2)

    def typed(text):
        screen.xdo("type", "--window", window, "--delay", 90, text)

    def script(elapsed):
        step = seconds / 5
        until(elapsed, 1)
        typed("ls -l /usr/share/doc | head -30\n")
        until(elapsed, step + 1)
        typed("cat > notes.txt\nThe recording keeps its rate while the page stays sharp.\n")
        until(elapsed, 2.5 * step)
        screen.xdo("key", "--window", window, "ctrl+d")
        typed("grep -n -i 'buffer' /usr/share/doc/*/README* 2>/dev/null | head -25\n")
        until(elapsed, 4 * step)
        typed("clear; uname -a; df -h\n")
    screen.record(out, seconds, script)


def viewer(screen, out, seconds, material):
    pdf = make_pdf(material, make_page(material))
    screen.wallpaper()
    screen.start(["mupdf", "-r", "110", str(pdf)])
    window = screen.window("--class", "mupdf")
    screen.place(window, 160, 0, 1600, 1080)
    time.sleep(3)
    screen.xdo("mousemove", 960, 540)
    step = seconds / 6
    screen.record(out, seconds, at_times(screen, [
        (step, ("key", "--window", window, "Next")),
        (2 * step, ("click", "--repeat", 8, "--delay", 80, 5)),
        (3 * step, ("key", "--window", window, "plus")),
        (4 * step, ("key", "--window", window, "Next")),
        (5 * step, ("key", "--window", window, "minus"))]))


def drag(screen, window, to, steps=30):
    """Moves window to the point to in steps, at 30 moves a second."""
    geometry = screen.output(["xdotool", "getwindowgeometry", window])
    x, y = map(int, re.search(r"Position: (-?\d+),(-?\d+)", geometry).groups())
    for i in range(1, steps + 1):
        screen.xdo("windowmove", window, x + (to[0] - x) * i // steps, y + (to[1] - y) * i // steps)
        time.sleep(1 / 30)


def windows(screen, out, seconds, material):
    photo = make_photo(material)
    pdf = make_pdf(material, make_page(material))
    screen.wallpaper(photo)
    screen.start(["xterm", "-fa", "DejaVu Sans Mono", "-fs", "11", "-geometry", "100x30+100+100", "-e",
                  "sh", "-c", "man -P cat bash | head -40; exec bash"])
    term = screen.window("--class", "xterm")
    screen.start(["mupdf", "-r", "80", str(pdf)])
    doc = screen.window("--class", "mupdf")
    screen.place(doc, 900, 200, 800, 760)
    time.sleep(3)

    def script(elapsed):
        step = seconds / 5
        until(elapsed, step)
        drag(screen, term, (700, 400))
        until(elapsed, 2 * step)
        drag(screen, doc, (200, 120), steps=45)
        until(elapsed, 3 * step)
        drag(screen, term, (1000, 600))
        until(elapsed, 4 * step)
        drag(screen, doc, (1000, 250), steps=20)
    screen.record(out, seconds, script)


def video(screen, out, seconds, material):
    clip = make_video(material, make_photo(material))
    page = material / "video.html"
    page.write_text("<!DOCTYPE html><html><head><title>Video</title></head><body style='margin:0;background:#202124'>"
                    "<video src='%s' autoplay loop muted style='position:absolute;left:320px;top:150px;"
                    "width:1280px;height:720px'></video></body></html>" % clip.name)
    profile = screen.work / "browser-profile"
    screen.start(chromium_args(profile) + ["--window-position=0,0", "--window-size=%d,%d" % SIZE,
                                           "--autoplay-policy=no-user-gesture-required", page.as_uri()])
    screen.window("--class", "chromium")
    time.sleep(8)  # playing
    screen.record(out, seconds, lambda elapsed: None)


def listing(screen, out, seconds, material):
    # The listing is this script: every checkout has it.
    screen.wallpaper()
    screen.start(["xterm", "-fa", "DejaVu Sans Mono", "-fs", "12", "-geometry", "150x44+200+60",
                  "-bg", "#fdfdf6", "-fg", "#202020", "-e", "less", "-N", str(Path(__file__).resolve())])
    window = screen.window("--class", "xterm")
    time.sleep(2)

    def script(elapsed):
        # A page forward, then a dozen lines read on, in turn.
        step = seconds / 7
        for i in range(1, 7):
            until(elapsed, i * step)
            if i % 2:
                screen.xdo("key", "--window", window, "space")
            else:
                for _ in range(12):
                    screen.xdo("key", "--window", window, "j")
                    time.sleep(0.07)
    screen.record(out, seconds, script)


def article(screen, out, seconds, material):
    page = material / "article.html"
    page.write_text(make_page(material).read_text().replace(
        "<body>", "<body><img src='%s' style='float:right;width:900px;margin:10px'>" % make_photo(material).name, 1))
    window = open_page(screen, page, (700, 600))
    step = seconds / 5
    screen.record(out, seconds, at_times(screen, [
        (0.75 * step, ("key", "--window", window, "ctrl+plus")),
        (1.75 * step, ("click", "--repeat", 4, "--delay", 80, 5)),
        (2.75 * step, ("key", "--window", window, "Next")),
        (3.75 * step, ("key", "--window", window, "ctrl+minus"))]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=Path, default=REPO / "build" / "screens")
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--only", default=",".join(NAMES))
    parser.add_argument("--force", action="store_true")
    options = parser.parse_args()
    out = options.out.resolve()
    material = out / "material"
    material.mkdir(parents=True, exist_ok=True)
    recorders = {"browser": browser, "terminal": terminal, "viewer": viewer, "windows": windows,
                 "video": video, "listing": listing, "article": article}
    for name in options.only.split(","):
        target = out / (name + ".mkv")
        if target.exists() and not options.force:
            continue
        print("recording %s (%g s)" % (name, options.seconds), flush=True)
        work = out / "work" / name
        shutil.rmtree(work, ignore_errors=True)
        work.mkdir(parents=True)
        with Screen(work) as screen:
            recorders[name](screen, target, options.seconds, material)
        shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(out / "work", ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
