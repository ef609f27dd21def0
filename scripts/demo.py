#!/usr/bin/env python3
"""Runs Pocketry beside the stand-in Juno client in a Wine virtual desktop.

usage: python3 scripts/demo.py --bin DIR --out DIR [--seconds N]

On the user's display (DISPLAY set) it runs until Pocketry exits. Without a display it
starts Xvfb, lets the programs run for --seconds, saves a screenshot and stops them.
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

from e2elib import INSTALL_DIR_WIN, WINE, WINESERVER, wine_env  # noqa: E402
from run_e2e import Xvfb, install_build, make_template  # noqa: E402


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, type=Path)
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--seconds", type=int, default=15)
    args = parser.parse_args()

    xvfb = None if os.environ.get("DISPLAY") else Xvfb(None)
    display = xvfb.display if xvfb else os.environ["DISPLAY"]
    root = args.out.resolve()
    try:
        if not (root / ".ready").exists():
            print("demo: making a Wine prefix (once)", flush=True)
            make_template(root, display)
        install_build(root, args.bin.resolve())
        env = wine_env(root / "prefix", root / "home", root / "tmp", display)

        def wine(*words: str, wait: bool) -> subprocess.Popen:
            proc = subprocess.Popen([WINE, *words], env=env, stdin=subprocess.DEVNULL,
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
            subprocess.run(["import", "-window", "root", str(shot)],
                           env={**os.environ, "DISPLAY": display}, check=False)
            print(f"demo: no display here; a screenshot after {args.seconds} s is in {shot}")
    finally:
        if (root / "prefix").exists():
            subprocess.run([WINESERVER, "-k"], env=wine_env(root / "prefix", root / "home",
                                                           root / "tmp", display),
                           capture_output=True, timeout=60)
        if xvfb:
            xvfb.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
