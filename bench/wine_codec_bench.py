#!/usr/bin/env python3
"""The Windows build's codec_bench.exe under Wine, in a private X display:
codes raw frames with the built-in encoder as the shipped program's compiler
made it, for the native codec_bench to measure (codec_bench --screens FOLDER
--windows "bench/wine_codec_bench.py").

    bench/wine_codec_bench.py --encode RAW --size WxH --out FILE.wmv [...]

The paths of --encode and --out are Unix paths; every other argument is
passed as it is. Prints what codec_bench.exe printed and answers its exit
code. Uses the end-to-end bench (tests/e2e/winebench.py) and its
environment: MAVRION_WIN32_DIR (the build with codec_bench.exe),
MAVRION_E2E_WORK."""

import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))

from winebench import Bench, BenchError, win32_dir  # noqa: E402

PATH_OPTIONS = ("--encode", "--out")


def windows_path(path):
    """Wine's Z: drive is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main(args):
    exe = win32_dir() / "codec_bench.exe"
    if not exe.exists():
        raise BenchError("%s is missing: build the win32 tree" % exe)
    args = [windows_path(a) if i > 0 and args[i - 1] in PATH_OPTIONS else a for i, a in enumerate(args)]
    with Bench("codec_bench", openbox=False, size=(640, 480)) as bench:
        # Minutes where 32-bit code runs emulated.
        result = bench.wine(str(exe), *args, timeout=6 * 3600)
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr)
    return result.returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
