"""What the e2e scenarios know about Pocketry itself, and the steps many of them share."""

from __future__ import annotations

import subprocess
import sys
import time
from pathlib import Path
from typing import Optional

from e2elib import Bed, WM_CLOSE, parse_records

_RES = Path(__file__).resolve().parents[2] / "src" / "res"
sys.path.insert(0, str(_RES))
from make_icons import read_source, render  # noqa: E402  (draws Pocketry's pictures)

_PICTURES = read_source(_RES / "icons" / "pictures.txt")

EXE = "Pocketry.exe"
JUNO_EXE = "juno-standin.exe"
JUNO_CLASS = "JunoMainWndXQW21"
JUNO_TITLE = "Juno"
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Pocketry\Settings"
MAIN_TITLE = "Pocketry 1.0"
BOX_TITLE = "Pocketry"
TRAY_ICON_ID = 1
FIRST_RUN_NOTICE = (
    "Since this is the first time you are running this version, please be sure to read the "
    "App Notes so you know what to expect of the features offered.  Thanks much.  :-)")


def describe_windows(bed: Bed) -> str:
    """The visible top-level windows, for failure messages."""
    shown = [f"{w['class']} \"{w['title']}\" ({w['exe']})" for w in bed.windows()
             if w.get("visible") and w.get("exe", "").lower() != "explorer.exe"]
    return ", ".join(shown) or "none"


def main_windows(bed: Bed) -> list[dict]:
    """Pocketry's top-level windows captioned like the main window (caption compared whole,
    without regard to case, as FindWindowA does)."""
    found = [bed.info(h) for h in bed.find("*", MAIN_TITLE)]
    return [w for w in found if w and w.get("exe", "").lower() == EXE.lower()]


def main_window(bed: Bed, timeout_ms: int = 30000) -> int:
    """The one main window, waiting for it to exist (shown or not)."""
    bed.wait_window("*", MAIN_TITLE, timeout_ms)
    found = main_windows(bed)
    if len(found) > 1:  # a hidden helper window may share the caption; the form has controls
        found = [w for w in found if bed.children(w["hwnd"])]
    if not found:
        bed.abort(f"expected Pocketry's main window \"{MAIN_TITLE}\" within "
                  f"{timeout_ms // 1000} s, saw none (visible: {describe_windows(bed)})")
    bed.require(len(found) == 1, f"expected one main window, saw {len(found)}")
    return found[0]["hwnd"]


def wait_state(bed: Bed, hwnd: int, key: str, value, seconds: float = 10) -> Optional[dict]:
    """Polls the window until info[key] == value; returns the last info (None: window gone)."""
    deadline = time.monotonic() + seconds
    while True:
        info = bed.info(hwnd)
        if info is None or info.get(key) == value or time.monotonic() > deadline:
            return info
        time.sleep(0.2)


def wait_exit(bed: Bed, proc, seconds: float, what: str) -> Optional[int]:
    """Waits for the process to end; when it does not, says which box (if any) holds it up."""
    rc = bed.wait_exit(proc, seconds)
    if rc is None:
        box = bed.msgbox("*", 0)
        held = f"; a box \"{box['title']}\" says {box['text']!r}" if box else ""
        bed.fail(f"{what}: expected Pocketry to exit within {seconds:.0f} s, "
                 f"it is still running{held}")
    return rc


def start_first_time(bed: Bed, folder=None):
    """Very first start (from C:\\Pocketry, or the prefix's `folder`): answers the notice with
    OK. Returns (process, main window)."""
    proc = bed.start(EXE, folder=folder)
    box = bed.msgbox(BOX_TITLE, 30000)
    if not box:
        bed.abort(f"expected the first-start notice within 30 s, saw none "
                  f"(visible: {describe_windows(bed)})")
    bed.require(bed.answer(BOX_TITLE, "OK", 5000), "the first-start notice did not close on OK")
    return proc, main_window(bed, 5000)


def start_in_tray(bed: Bed):
    """A start with "First Run" already stored: waits for the tray icon. (process, window)"""
    bed.reg_set(SETTINGS_KEY, "First Run", "False")
    proc = bed.start(EXE)
    hwnd = main_window(bed)
    bed.require(bed.tray_icon(hwnd, TRAY_ICON_ID, 15000),
                "expected Pocketry's tray icon within 15 s, saw none")
    return proc, hwnd


def set_settings(bed: Bed, values: dict[str, str]) -> None:
    """Stores settings as Pocketry keeps them (REG_SZ); Pocketry reads them when it starts."""
    for name, data in values.items():
        bed.reg_set(SETTINGS_KEY, name, data)


def stop(bed: Bed, proc, hwnd: int, what: str) -> None:
    """Ends Pocketry as the window manager would (WM_CLOSE) and checks it went cleanly."""
    bed.require(bed.post(hwnd, WM_CLOSE), f"{what}: could not post WM_CLOSE to Pocketry")
    rc = wait_exit(bed, proc, 15, what)
    if rc is not None:
        bed.check_eq(f"{what}: Pocketry's exit code", 0, rc)


class Track:
    """A running `e2e-driver track`: one window's states over time on the driver's clock."""

    def __init__(self, bed: Bed, cls: str, title: str, timeout_ms: int):
        self.bed, self.timeout_ms = bed, timeout_ms
        self.path = bed.workdir / f"track-{time.monotonic_ns()}.out"
        with open(self.path, "wb") as out:
            self.proc = subprocess.Popen([bed.wine, str(bed.driver_exe), "track", cls, title,
                                          str(timeout_ms)], env=bed.env, stdout=out,
                                         stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while b"t=" not in self.path.read_bytes():  # the first state is printed at once
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.proc.kill()
                self.proc.wait()
                bed.abort(f"the driver's tracker of {cls} \"{title}\" did not start")
            time.sleep(0.05)

    def records(self) -> list[dict]:
        """Waits for the tracker to finish; its records, each with t (ms) and the state."""
        try:
            self.proc.wait(timeout=self.timeout_ms / 1000 + 30)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        out = self.path.read_bytes().decode("cp1252", "replace")
        self.bed.log("track:\n" + out)
        records = [r for r in parse_records(out) if "t" in r]
        for r in records:  # keys the generic parser does not know
            r["t"], r["exists"] = int(r["t"]), r["exists"] == "1"
        return records


def picture(name: str, size: int) -> list:
    """One of Pocketry's pictures as drawn into its icons: rows of (r, g, b, alpha)."""
    return render(_PICTURES[name], size)


def picture_at(bed: Bed, rect: tuple, name: str, pictures: dict) -> str:
    """Which of `pictures` (name: image) the screen shows inside rect (l, t, r, b), placed
    anywhere in it: the first whose opaque pixels are all there within 8 levels a channel, else
    "unknown". Edges that let the background through are not compared. The screenshot is kept
    as screenshots/<name>.png."""
    shot = bed.screenshot(name, rect)
    bed.require(shot, f"could not take screenshot {name}")
    grid = [[bytes.fromhex(c or "000000") for c in row]
            for row in bed.pixels(shot, (0, 0, rect[2] - rect[0], rect[3] - rect[1]))]
    for found, image in pictures.items():
        opaque = [(x, y, px[:3]) for y, row in enumerate(image) for x, px in enumerate(row)
                  if px[3] == 255]
        for dy in range(len(grid) - len(image) + 1):
            for dx in range(len(grid[0]) - len(image[0]) + 1):
                if all(max(abs(a - b) for a, b in zip(grid[y + dy][x + dx], rgb)) <= 8
                       for x, y, rgb in opaque):
                    return found
    bed.log(f"{name}: none of {list(pictures)} is on the screen there")
    return "unknown"

