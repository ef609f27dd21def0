#!/usr/bin/env python3
"""Runs Pocketry beside the stand-in Juno client in a Wine virtual desktop.

usage: python3 scripts/demo.py [--build DIR] --out DIR [--seconds N] [--display N]

The first line says which Wine runs it (tests/e2e/winemode.py): the 32-bit programs of
DIR/win-i686/bin in a 32-bit prefix where Wine's 32-bit loader runs here, else the 64-bit ones
of DIR/win-x86_64/bin in a 64-bit prefix (POCKETRY_WINE_BITS=64 forces that). On the user's
display (DISPLAY set) it runs until Pocketry exits. Without a display it starts Xvfb, lets
the programs run for --seconds, saves a screenshot and stops them.
"""

from __future__ import annotations

import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))

from e2elib import INSTALL_DIR_WIN, WINESERVER, wine_env  # noqa: E402
from run_e2e import Xvfb, install_build, make_template, template_ready  # noqa: E402
from winemode import mode_for_tool  # noqa: E402


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=Path("build"),
                        help="build folder holding win-i686/ and win-x86_64/ (default: build)")
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--seconds", type=int, default=15)
    parser.add_argument("--display", type=int,
                        help="Xvfb display number when there is no display (default: a free one)")
    args = parser.parse_args()

    found = mode_for_tool(args.build, ["Pocketry.exe"], "demo")
    if found is None:
        return 1
    mode, bin_dir = found

    xvfb = None if os.environ.get("DISPLAY") else Xvfb(args.display)
    display = xvfb.display if xvfb else os.environ["DISPLAY"]
    root = args.out.resolve()
    env = wine_env(mode, root / "prefix", root / "home", root / "tmp", display)
    try:
        if not template_ready(root, mode):
            print("demo: making a Wine prefix (once)", flush=True)
            make_template(root, display, mode)
        install_build(root, bin_dir)

        def wine(*words: str, wait: bool) -> subprocess.Popen:
            proc = subprocess.Popen([mode.loader, *words], env=env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if wait:
                proc.wait(timeout=120)
            return proc

        wine(f"{INSTALL_DIR_WIN}\\juno-standin.exe", "--install", "C:\\Juno", wait=True)
        wine("C:\\Juno\\bin\\juno.exe", "--mail-dialog", "new", "--retopmost-ms", "2000",
             wait=False)
        pocketry = wine(f"{INSTALL_DIR_WIN}\\Pocketry.exe", wait=False)
        if xvfb is None:
            print("demo: Pocketry and the stand-in Juno run on your display; "
                  "exit Pocketry to end", flush=True)
            pocketry.wait()
        else:
            time.sleep(args.seconds)
            shot = root / "demo.png"
            r = subprocess.run(["import", "-window", "root", str(shot)],
                               env={**os.environ, "DISPLAY": display}, check=False)
            if r.returncode != 0 or not shot.is_file():
                print(f"demo: the screenshot failed (import: {r.returncode})", flush=True)
                return 1
            print(f"demo: no display here; a screenshot after {args.seconds} s is in {shot}")
    finally:
        if (root / "prefix").exists():
            subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=60)
        if xvfb:
            xvfb.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
