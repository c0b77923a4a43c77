#!/usr/bin/env python3
"""codec_bench on a recording: a small lossless one made here (a still
picture, a moving one, another still), coded by the native build, by the
Windows build under Wine and by FFmpeg's three encoders, each measured
against the recording's frames. Figures are not judged, only that every
row is there and that the measurement sees what the recording holds."""

import os
import re
import subprocess
import tempfile
import unittest
from pathlib import Path

from winebench import work_dir

REPO = Path(__file__).resolve().parents[2]
WIDTH, HEIGHT, FPS = 320, 240, 15
ROWS = ("Mavrion 95", "Mavrion 95 Windows", "FFmpeg mpeg4", "Xvid", "x264 medium")


def picture(shift, seed):
    """Coloured stripes and blocks, like text on a page, moved right by shift."""
    rows = []
    for y in range(HEIGHT):
        row = bytearray()
        for x in range(WIDTH):
            u = x - shift
            ink = (u // 3 + y // 8 * seed) % 7 == 0 and y % 8 < 6
            row += bytes((40, 40, 40, 255)) if ink else bytes(((u * 2 + seed) % 256, (y * 3) % 256, 230, 255))
        rows.append(bytes(row))
    return b"".join(rows)


class CodecBenchTest(unittest.TestCase):
    def test_every_encoder_is_measured_on_the_recordings_frames(self):
        native = work_dir() / "native" / "bench" / "codec_bench"
        if not native.exists():
            native = REPO / "build" / "native" / "bench" / "codec_bench"
        with tempfile.TemporaryDirectory(dir=work_dir()) as folder:
            # 2 s still, 1 s of motion, 3 s still.
            first, second = picture(0, 1), picture(0, 3)
            frames = [first] * 30 + [picture(4 * i, 1) for i in range(1, 16)] + [second] * 45
            record = subprocess.run(
                ["ffmpeg", "-v", "error", "-f", "rawvideo", "-pix_fmt", "bgra", "-s", "%dx%d" % (WIDTH, HEIGHT),
                 "-r", str(FPS), "-i", "-", "-c:v", "libx264rgb", "-qp", "0", os.path.join(folder, "page.mkv")],
                input=b"".join(frames))
            self.assertEqual(record.returncode, 0)

            windows = "python3 '%s'" % (REPO / "bench" / "wine_codec_bench.py")
            run = subprocess.run([str(native), "--screens", folder, "--quality", "95", "--windows", windows],
                                 capture_output=True, text=True, timeout=1500)
            self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
            figures = {}
            for line in run.stdout.splitlines():
                match = re.match(r"page\s+(.+?)\s+(\d+)\s+([\d.]+)\s+([\d.]+)\s+(\d+)/(\d+)", line)
                if match:
                    figures[match.group(1)] = [float(v) for v in match.groups()[1:]]
            self.assertEqual(sorted(figures), sorted(ROWS), run.stdout)
            for who, (kbps, psnr, worst, reached, stills) in figures.items():
                # Both still pictures are found; every encoder writes bits,
                # and no frame is measured against another frame's picture.
                self.assertEqual(stills, 2, who)
                self.assertGreater(kbps, 10, who)
                self.assertGreater(worst, 20, who)
                self.assertGreaterEqual(psnr, worst, who)
            # At this size 400 kbit/s is plenty: x264 brings both pages to 38 dB.
            self.assertEqual(figures["x264 medium"][3], 2, run.stdout)
            self.assertFalse(list(Path(folder).glob("*.bgra")), "the raw frames are left behind")


if __name__ == "__main__":
    unittest.main(verbosity=2)
