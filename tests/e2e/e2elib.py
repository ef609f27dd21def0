"""The e2e test bed: scenario registry and the helpers a scenario uses.

A scenario is a function taking a Bed, registered with @scenario in a file named
tests/e2e/scenarios_*.py. Each scenario runs in its own copy of a fresh Wine prefix joined
to one virtual desktop, and everything Wine started is killed when it ends.

    from e2elib import scenario

    @scenario("startup.something", timeout=90)
    def something(bed):
        bed.start("Pocketry.exe")
        found = bed.wait_window("*", "Pocketry 1.0", 20000)
        bed.require(found, "expected the main window within 20 s, saw none")
        bed.check_eq("caption", "Pocketry 1.0", bed.info(found[0])["title"])

bed.check*/bed.fail record a failure and go on (all failures are reported); bed.require*
and bed.abort stop the scenario at once. Messages say what was expected and what was seen.
"""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Optional

from winemode import WineMode

WINESERVER = shutil.which("wineserver") or "wineserver"
DESKTOP_SIZE = (1024, 768)
INSTALL_DIR_WIN = "C:\\Pocketry"
INSTALL_DIR_REL = "drive_c/Pocketry"

# Messages and values the scenarios send.
WM_CLOSE = 0x0010
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
ENDSESSION_LOGOFF = 0x80000000
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020
SC_CLOSE = 0xF060
WM_LBUTTONUP = 514
WM_LBUTTONDBLCLK = 515
WM_RBUTTONUP = 517
VK_RETURN = 13
VK_ESCAPE = 27


@dataclass
class Scenario:
    name: str
    func: Callable[["Bed"], None]
    timeout: int


SCENARIOS: list[Scenario] = []


def scenario(name: Optional[str] = None, timeout: int = 120):
    """Registers a scenario; name defaults to module.function, timeout is in seconds."""

    def register(func):
        module = func.__module__.removeprefix("scenarios_")
        SCENARIOS.append(Scenario(name or f"{module}.{func.__name__}", func, timeout))
        return func

    return register


class ScenarioAbort(Exception):
    """Stops a scenario; the failures recorded so far explain why."""


class ScenarioTimeout(BaseException):
    """Raised from the runner's alarm; a BaseException so no scenario code swallows it."""


# Driver output: lines of tab-separated key=value fields, values escaped.
_INT_KEYS = {"hwnd", "pid", "tid", "id", "owner", "parent", "count", "pos", "result", "dpi",
             "target", "hmenu", "default_item", "foreground_window"}
_HEX_KEYS = {"style", "exstyle", "state"}
_FLAG_KEYS = {"visible", "iconic", "zoomed", "enabled", "topmost", "foreground", "default",
              "present", "separator", "checked", "ready", "hook"}
_RECT_KEYS = {"rect", "workarea"}
_PAIR_KEYS = {"client", "screen", "origin"}


def _unescape(value: str) -> str:
    r"""The driver's escapes: \\ \t \r \n, and \uXXXX (UTF-16 units, pairs joined) in the
    fields it reads through wide calls."""
    text = re.sub(r"\\(u[0-9A-Fa-f]{4}|.)",
                  lambda m: (chr(int(m[1][1:], 16)) if len(m[1]) == 5
                             else {"t": "\t", "r": "\r", "n": "\n"}.get(m[1], m[1])), value)
    return text.encode("utf-16", "surrogatepass").decode("utf-16")


def _convert(key: str, value: str):
    if key in _INT_KEYS:
        return int(value)
    if key in _HEX_KEYS:
        return int(value, 16)
    if key in _FLAG_KEYS:
        return value == "1"
    if key in _RECT_KEYS or key in _PAIR_KEYS:
        return tuple(int(v) for v in value.split(","))
    return _unescape(value)


def parse_records(text: str) -> list[dict]:
    records = []
    for line in text.splitlines():
        if not line.strip():
            continue
        record = {}
        for item in line.split("\t"):
            key, _, value = item.partition("=")
            record[key] = _convert(key, value)
        records.append(record)
    return records


def wine_env(mode: WineMode, prefix: Path, home: Path, tmp: Path, display: str) -> dict:
    """The environment of every Wine command of one prefix; its WINELOADER is the loader to
    run them with (see winemode.py)."""
    return mode.env(prefix, home, tmp, display)


@dataclass
class Watch:
    """A running `e2e-driver watch`: records windows created or shown meanwhile."""

    bed: "Bed"
    proc: subprocess.Popen
    path: Path
    events: list = field(default_factory=list)

    def stop(self, settle: float = 0.5) -> list[dict]:
        time.sleep(settle)  # let events already sent reach the watcher
        self.proc.kill()
        self.proc.wait(timeout=15)
        out = self.path.read_bytes().decode("cp1252", "replace")
        self.events = [e for e in parse_records(out) if "event" in e]
        self.bed.log("watch events:\n" + out)
        return self.events

    def shown(self, exe: Optional[str] = None) -> list[dict]:
        return [e for e in self.events if e.get("event") == "shown"
                and (exe is None or e.get("exe", "").lower() == exe.lower())]


class Bed:
    """One scenario's Wine prefix, processes, driver and checks."""

    def __init__(self, name: str, workdir: Path, prefix: Path, env: dict, display: str,
                 screenshots: Path, deadline: float):
        self.name = name
        self.workdir = workdir
        self.prefix = prefix
        self.env = env
        self.wine = env["WINELOADER"]  # the loader that runs Windows programs here
        self.display = display
        self.screenshots = screenshots
        self.deadline = deadline
        self.install_dir = prefix / INSTALL_DIR_REL
        self.driver_exe = self.install_dir / "e2e-driver.exe"
        self.failures: list[str] = []
        self.procs: list[subprocess.Popen] = []
        self._log = open(workdir / "log.txt", "a", encoding="utf-8")

    # ---- bookkeeping -------------------------------------------------------------------

    def log(self, text: str) -> None:
        self._log.write(f"[{time.strftime('%H:%M:%S')}] {text.rstrip()}\n")
        self._log.flush()

    def fail(self, message: str) -> None:
        self.log("FAILURE: " + message)
        self.failures.append(message)

    def abort(self, message: str):
        self.fail(message)
        raise ScenarioAbort(message)

    def check(self, condition: bool, message: str) -> bool:
        if not condition:
            self.fail(message)
        return bool(condition)

    def check_eq(self, what: str, expected, seen) -> bool:
        return self.check(expected == seen, f"{what}: expected {expected!r}, saw {seen!r}")

    def require(self, condition, message: str):
        if not condition:
            self.abort(message)
        return condition

    def require_eq(self, what: str, expected, seen) -> None:
        if expected != seen:
            self.abort(f"{what}: expected {expected!r}, saw {seen!r}")

    def _time_left(self, wanted: float) -> float:
        return max(1.0, min(wanted, self.deadline - time.monotonic() + 5))

    # ---- processes ---------------------------------------------------------------------

    def windows_path(self, path: Path) -> str:
        """The Windows name of a path inside the prefix's drive C."""
        return "C:\\" + str(path.relative_to(self.prefix / "drive_c")).replace("/", "\\")

    def start(self, exe: str, *args: str, folder: Optional[Path] = None) -> subprocess.Popen:
        """Starts C:\\Pocketry\\<exe> (or <exe> in another folder of drive C) in the
        background, working directory its folder."""
        folder = folder or self.install_dir
        path = folder / exe
        self.require(path.is_file(), f"{exe} is not in {folder}")
        out = open(self.workdir / f"{Path(exe).stem}-{len(self.procs)}.out", "wb")
        cmd = [self.wine, self.windows_path(path), *args]
        self.log("start " + " ".join(cmd))
        proc = subprocess.Popen(cmd, env=self.env, cwd=folder, stdout=out,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        out.close()
        self.procs.append(proc)
        return proc

    def wait_exit(self, proc: subprocess.Popen, seconds: float) -> Optional[int]:
        """The exit code, or None when the process is still running after `seconds`."""
        try:
            rc = proc.wait(timeout=self._time_left(seconds))
        except subprocess.TimeoutExpired:
            return None
        self.log(f"process {proc.args[1]} exited with {rc}")
        return rc

    def kill_all(self) -> None:
        """Ends every Wine process of this prefix; used between phases and at the end."""
        subprocess.run([WINESERVER, "-k"], env=self.env, capture_output=True, timeout=30)
        for proc in self.procs:
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=5)
        self.procs.clear()
        subprocess.run([WINESERVER, "-w"], env=self.env, capture_output=True, timeout=30)

    def close(self) -> None:
        try:
            self.kill_all()
        finally:
            self._log.close()

    # ---- the driver --------------------------------------------------------------------

    def _run(self, cmd: list, seconds: float) -> tuple[Optional[int], str, str]:
        """Runs a Wine command to its end: (exit code or None on time-out, stdout, stderr).
        Output goes through files, not pipes: a Wine process may start long-lived helpers
        (the desktop's explorer.exe) that inherit its output handles and would hold a pipe
        open long after the command itself ended."""
        with tempfile.TemporaryFile(dir=self.workdir) as out, \
                tempfile.TemporaryFile(dir=self.workdir) as err:
            proc = subprocess.Popen(cmd, env=self.env, stdout=out, stderr=err,
                                    stdin=subprocess.DEVNULL)
            try:
                rc = proc.wait(timeout=self._time_left(seconds))
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                rc = None
            out.seek(0)
            err.seek(0)
            return (rc, out.read().decode("cp1252", "replace"),
                    err.read().decode("cp1252", "replace"))

    def driver(self, *args, wait_ms: int = 0) -> tuple[int, list[dict]]:
        """Runs one driver command: (exit code, records). Exit code 2 (usage) aborts."""
        words = " ".join(map(str, args))
        rc, out, err = self._run([self.wine, str(self.driver_exe), *(str(a) for a in args)],
                                 wait_ms / 1000 + 30)
        self.log(f"driver {words} -> {rc}\n{out}" + (err if rc else ""))
        if rc is None:
            self.abort(f"driver {words} did not return")
        if rc == 2:
            self.abort(f"driver usage error: {words}")
        return rc, parse_records(out)

    def find(self, cls: str, title: str, prefix: bool = False) -> list[int]:
        args = ["find"] + (["--prefix"] if prefix else []) + [cls, title]
        return [rec["hwnd"] for rec in self.driver(*args)[1]]

    def wait_window(self, cls: str, title: str, timeout_ms: int, prefix: bool = False) -> list[int]:
        """Handles of the matching top-level windows once there is one; [] after the timeout."""
        args = ["wait"] + (["--prefix"] if prefix else []) + [cls, title, timeout_ms]
        return [rec["hwnd"] for rec in self.driver(*args, wait_ms=timeout_ms)[1]]

    def wait_gone(self, cls: str, title: str, timeout_ms: int) -> bool:
        return self.driver("wait-gone", cls, title, timeout_ms, wait_ms=timeout_ms)[0] == 0

    def info(self, hwnd: int) -> Optional[dict]:
        rc, recs = self.driver("info", hwnd)
        return recs[0] if rc == 0 and recs else None

    def windows(self) -> list[dict]:
        return self.driver("list")[1]

    def children(self, hwnd: int) -> list[dict]:
        return self.driver("children", hwnd)[1]

    def text(self, hwnd: int) -> Optional[str]:
        rc, recs = self.driver("text", hwnd)
        return recs[0]["text"] if rc == 0 and recs else None

    def screen(self) -> dict:
        return self.driver("screen")[1][0]

    def msgbox(self, title: str = "Pocketry", timeout_ms: int = 0) -> Optional[dict]:
        """The box as a dict with its 'buttons' list, or None when none came."""
        rc, recs = self.driver("msgbox", title, timeout_ms, wait_ms=timeout_ms)
        if rc != 0 or not recs:
            return None
        box = recs[0]
        box["buttons"] = [r for r in recs[1:] if r.get("kind") == "button"]
        return box

    def answer(self, title: str, button: str, timeout_ms: int = 5000) -> bool:
        return self.driver("answer", title, button, timeout_ms, wait_ms=timeout_ms)[0] == 0

    def post(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> bool:
        return self.driver("post", hwnd, msg, wparam, lparam)[0] == 0

    def send(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> Optional[int]:
        rc, recs = self.driver("send", hwnd, msg, wparam, lparam)
        return recs[0]["result"] if rc == 0 and recs else None

    def tray(self, hwnd: int, mouse_message: int) -> bool:
        return self.driver("tray", hwnd, mouse_message)[0] == 0

    def tray_icon(self, hwnd: int, icon_id: int = 1, wait_ms: int = 0) -> bool:
        """Whether the shell holds the icon (waiting up to wait_ms for it to appear)."""
        return self.driver("tray-icon", hwnd, icon_id, wait_ms, wait_ms=wait_ms)[0] == 0

    def tray_delete(self, hwnd: int, icon_id: int = 1) -> bool:
        return self.driver("tray-delete", hwnd, icon_id)[0] == 0

    def tray_tip(self, slot: int = 0, timeout_ms: int = 4000) -> Optional[str]:
        """The tip of the tray icon in `slot` (0 = rightmost), read by resting the mouse on it.
        Wine's taskbar puts icons right to left in 20-pixel slots, the first added rightmost."""
        trays = self.find("Shell_TrayWnd", "*")
        if not trays:
            return None
        left, top, right, bottom = self.info(trays[0])["rect"]
        rc, recs = self.driver("tooltip", right - 10 - 20 * slot, (top + bottom) // 2, timeout_ms,
                               wait_ms=timeout_ms)
        return recs[0]["text"] if rc == 0 and recs else None

    def key(self, hwnd: int, vk, through_input: bool = False) -> bool:
        args = ["key"] + (["--input"] if through_input else []) + [hwnd, vk]
        return self.driver(*args)[0] == 0

    def click(self, hwnd: int, button_text: str) -> bool:
        return self.driver("click", hwnd, button_text)[0] == 0

    def close_window(self, hwnd: int) -> bool:
        return self.driver("close", hwnd)[0] == 0

    def show(self, hwnd: int, cmd) -> bool:
        return self.driver("show", hwnd, cmd)[0] == 0

    def foreground(self, hwnd: int) -> bool:
        return self.driver("foreground", hwnd)[0] == 0

    def menu(self, timeout_ms: int = 0) -> Optional[dict]:
        """The open pop-up menu: its window, rect and (when readable) its 'items'."""
        rc, recs = self.driver("menu", timeout_ms, wait_ms=timeout_ms)
        if rc != 0 or not recs:
            return None
        menu = recs[0]
        menu["items"] = [r for r in recs[1:] if r.get("kind") == "item"]
        return menu

    def menu_close(self) -> bool:
        return self.driver("menu-close")[0] == 0

    def watch(self, timeout_ms: int = 120000) -> Watch:
        """Starts watching for windows; returns once the watcher is ready."""
        path = self.workdir / f"watch-{time.monotonic_ns()}.out"
        with open(path, "wb") as out:
            proc = subprocess.Popen([self.wine, str(self.driver_exe), "watch", str(timeout_ms)],
                                    env=self.env, stdout=out, stderr=subprocess.DEVNULL,
                                    stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while b"ready=1" not in path.read_bytes():
            if proc.poll() is not None or time.monotonic() > deadline:
                proc.kill()
                proc.wait()
                self.abort("the driver's window watcher did not start")
            time.sleep(0.05)
        return Watch(self, proc, path)

    # ---- registry ------------------------------------------------------------------------

    def _reg(self, *args) -> tuple[Optional[int], str]:
        rc, out, _ = self._run([self.wine, "reg", *args], 60)
        self.log(f"reg {' '.join(args)} -> {rc}")
        return rc, out

    def reg_query(self, key: str) -> Optional[dict[str, tuple[str, str]]]:
        """{value name: (type, data)} of one key, or None when the key does not exist."""
        rc, out = self._reg("query", key)
        if rc != 0:
            return None
        values = {}
        for line in out.splitlines():
            m = re.match(r"^    (.+?)    (REG_[A-Z_]+)(?:    (.*))?$", line)
            if m:
                values[m[1]] = (m[2], m[3] or "")
        return values

    def reg_get(self, key: str, name: str) -> Optional[tuple[str, str]]:
        values = self.reg_query(key)
        return None if values is None else values.get(name)

    def reg_set(self, key: str, name: str, data: str, kind: str = "REG_SZ") -> None:
        rc, _ = self._reg("add", key, "/v", name, "/t", kind, "/d", data, "/f")
        self.require(rc == 0, f"could not write {key}\\{name}")

    def reg_delete(self, key: str, name: Optional[str] = None) -> None:
        self._reg("delete", key, *(["/v", name] if name is not None else []), "/f")

    # ---- pictures ------------------------------------------------------------------------

    def pixels(self, png: Path, rect: tuple) -> list[list[str]]:
        """Colours (RRGGBB) of rect (l, t, r, b) of a picture, row by row."""
        left, top, right, bottom = rect
        r = subprocess.run(["convert", str(png), "-crop", f"{right - left}x{bottom - top}"
                            f"+{left}+{top}", "+repage", "txt:-"],
                           capture_output=True, text=True, timeout=self._time_left(30))
        grid = [[""] * (right - left) for _ in range(bottom - top)]
        for m in re.finditer(r"^(\d+),(\d+):.*?#([0-9A-Fa-f]{6})", r.stdout, re.MULTILINE):
            x, y = int(m[1]), int(m[2])
            if y < len(grid) and x < len(grid[y]):
                grid[y][x] = m[3].upper()
        return grid

    def clipped_labels(self, hwnd: int, shot: Path) -> list[str]:
        """Labels of the window whose text is cut off sideways, judged from shot (a screenshot
        of the window's rect): text drawn into the edge a label's alignment keeps clear (the
        right edge of a left-aligned label, the left of a right-aligned one) did not fit.
        The label's font cannot be asked for across processes under Wine, so pixels decide.
        Wrapping labels (SS_LEFT/CENTER/RIGHT) break lines at spaces, so only a text without
        one can run out sideways there; a text that touches the edge exactly (no pixel to
        spare) reads as cut off too. Lines wrapped out of sight below are not seen."""
        win = self.info(hwnd)
        dx = win["origin"][0] - win["rect"][0]
        dy = win["origin"][1] - win["rect"][1]
        # SS_LEFT, SS_CENTER, SS_RIGHT wrap; SS_SIMPLE and SS_LEFTNOWORDWRAP do not.
        clear_edges = {0x0: ("right",), 0x1: ("left", "right"), 0x2: ("left",),
                       0xB: ("right",), 0xC: ("right",)}
        found = []
        for c in self.children(hwnd):
            kind = c["style"] & 0x1F  # SS_TYPEMASK
            bordered = c["style"] & 0x00801000 or c["exstyle"] & 0x00020200  # border, sunken
            text = c["text"].strip()
            if (c["class"].lower() != "static" or not c["visible"] or not text
                    or kind not in clear_edges or bordered or c["parent"] != hwnd
                    or (kind <= 0x2 and " " in text)):
                continue
            left, top, right, bottom = c["rect"]
            grid = self.pixels(shot, (left + dx, top + dy, right + dx, bottom + dy))
            colours = [p for row in grid for p in row]
            if not colours:
                continue
            background = max(set(colours), key=colours.count)
            for edge in clear_edges[kind]:
                column = 0 if edge == "left" else -1
                if any(row[column] != background for row in grid):
                    found.append(f"expected label \"{c['text']}\" to fit its "
                                 f"{right - left}x{bottom - top} px box, its text runs into "
                                 f"the {edge} edge (cut off)")
        return found


    def screenshot(self, name: str, rect: Optional[tuple] = None) -> Optional[Path]:
        """Saves screenshots/<name>.png: the virtual desktop, or the rect (l, t, r, b) of it."""
        self.screenshots.mkdir(parents=True, exist_ok=True)
        raw = self.workdir / f"{name}-root.png"
        out = self.screenshots / f"{name}.png"
        r = subprocess.run(["import", "-display", self.display, "-window", "root", str(raw)],
                           capture_output=True, timeout=self._time_left(30))
        if r.returncode != 0:
            self.fail(f"screenshot {name} failed: {r.stderr.decode(errors='replace').strip()}")
            return None
        # The virtual desktop sits at the top left of the X screen.
        left, top, right, bottom = rect or (0, 0, *DESKTOP_SIZE)
        geometry = f"{right - left}x{bottom - top}+{left}+{top}"
        subprocess.run(["convert", str(raw), "-crop", geometry, "+repage", str(out)],
                       capture_output=True, timeout=self._time_left(30))
        raw.unlink(missing_ok=True)
        self.log(f"screenshot {out}")
        return out
