"""Running and closing Juno and emptying its ads folder, with the real Pocketry.exe beside the
stand-in client installed under a root whose name has spaces.

Directory links are Unix symbolic links, which Wine reads as 0x410 (directory, reparse point).
Wine's RemoveDirectoryA removes an empty target of such a link (Windows removes the link only),
so one link points at an empty folder: it must survive too."""

from __future__ import annotations

import os
import shutil
import stat
import time
from pathlib import Path

import pocketry as p
import scenarios_tray as t
from e2elib import Bed, scenario

ROOT = "C:\\Program Files\\Juno"
CONFIRM_TITLE = "Confirm Permanent Delete"
PICTURES = {"normal": p.picture("tray", 16), "waiting": p.picture("tray-wait", 16)}

GRACE_EARLIEST_S = 29.0  # Pocketry's wait for Juno to come back, with Wine's slack
GRACE_LATEST_S = 31.5

RUN_QUESTION = "Are you sure you want to run Juno?"
CLOSE_QUESTION = "Are you sure you want to close Juno?"
EMPTY_QUESTION = "Are you sure you want to empty the Juno ads folder?"


def local(bed: Bed, windows_path: str) -> Path:
    """The Linux path of a path on the prefix's drive C:."""
    return bed.prefix / "drive_c" / Path(*windows_path[3:].split("\\"))


def install(bed: Bed, *flags: str) -> None:
    """The stand-in as ROOT\\bin\\juno.exe (the flags kept for that copy), ROOT in Juno.ini."""
    proc = bed.start(p.JUNO_EXE, "--install", ROOT, *flags)
    bed.require_eq(f"exit code of the stand-in's install {' '.join(flags)}", 0,
                   bed.wait_exit(proc, 30))


def tree(folder: Path) -> list[str]:
    """Everything under folder, links not followed, sorted: "d name", "f name size ro|rw",
    "l name -> target"."""
    def line(path: Path) -> str:
        rel = path.relative_to(folder).as_posix()
        if path.is_symlink():
            return f"l {rel} -> {os.readlink(path)}"
        if path.is_dir():
            return f"d {rel}"
        status = path.stat()
        return f"f {rel} {status.st_size} {'rw' if status.st_mode & stat.S_IWUSR else 'ro'}"
    return sorted(line(path) for path in folder.rglob("*"))


def make_files(folder: Path, files: dict[str, str], read_only: tuple = ()) -> None:
    for rel, content in files.items():
        path = folder / Path(*rel.split("\\"))
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(content)
        if rel in read_only:
            path.chmod(0o444)  # Wine reads a file it may not write as FILE_ATTRIBUTE_READONLY


def tray_picture(bed: Bed, name: str) -> str:
    """Which picture the rightmost tray slot shows: "normal", "waiting" or "unknown". The
    driver cannot read an icon out of the shell's tray, so the screen decides."""
    left, top, right, bottom = t.taskbar(bed)["rect"]
    return p.picture_at(bed, (right - 20, top, right, bottom), name, PICTURES)


def juno_windows(bed: Bed) -> list[dict]:
    return [bed.info(h) for h in bed.find(p.JUNO_CLASS, "*")]


@scenario("juno.run_close_and_watcher", timeout=300)
def run_close_and_watcher(bed: Bed):
    """Two starts beside the stand-in, which asks "Confirm Permanent Delete" when told to close
    and keeps its window 3 s. "Run Juno" runs Juno without a question; the menu's Exit with
    "Close Juno" (asked) and "Empty Ads App" closes it, answering its question although another
    program's, topmost, comes first by class and title and is left alone, waits for it to go and
    empties the ads folder. Then from the tray ("Tray Left" 3), asked each time, Juno is run by
    its full path (not the C:\\Program.exe an unquoted path would start) and closed; the watcher
    waits with the waiting picture, then, with "Empty Ads Juno" and "Exit No Juno", empties the
    ads folder and ends Pocketry, once, about 30 s after Juno's window went."""
    install(bed, "--start-delay-ms", "3000", "--exit-delay-ms", "3000", "--confirm-delete")
    shutil.copy(bed.install_dir / p.JUNO_EXE, bed.prefix / "drive_c" / "Program.exe")
    ads = local(bed, ROOT + "\\ads")
    make_files(ads, {"ad.gif": "ad", "Sub\\ad.htm": "ad"})
    p.set_settings(bed, {"Run Juno": "True", "Close Juno": "True",
                         "Close Juno Ask": "True", "Empty Ads App": "True"})
    other = bed.start(p.JUNO_EXE, "--foreign-confirm")
    bed.require(bed.wait_window("#32770", CONFIRM_TITLE, 20000),
                f"setup: the other program's \"{CONFIRM_TITLE}\" did not appear")
    app, main = p.start_in_tray(bed)
    bed.require(bed.wait_window(p.JUNO_CLASS, "*", 20000),
                "Run Juno: expected Juno's window within 20 s of Pocketry's start, saw none")
    juno_pid = juno_windows(bed)[0]["pid"]

    t.choose(bed, main, ["down"], "Exit")
    t.box(bed, "Exit", "Close Juno now?", t.ASK_YES, "&Yes")
    deadline, found = time.monotonic() + 1.8, []
    while len(found) < 2 and time.monotonic() < deadline:
        found = [w for w in (bed.info(h) for h in bed.find("#32770", CONFIRM_TITLE)) if w]
    bed.check_eq("the questions in search order (ours the process of Juno's window)",
                 ["other", "Juno's"], ["Juno's" if w["pid"] == juno_pid else "other"
                                       for w in found])
    rc = p.wait_exit(bed, app, 20, "Exit closing Juno")
    bed.check_eq("after Exit: Pocketry's exit code, Juno's windows, the ads folder, the other "
                 "program's exit code (None: its question still open)", (0, [], [], None),
                 (rc, juno_windows(bed), tree(ads), bed.wait_exit(other, 0.5)))

    bed.kill_all()
    bed.reg_delete(p.SETTINGS_KEY)
    make_files(ads, {"banner.gif": "ad", "Week 12\\offer.htm": "ad"})
    p.set_settings(bed, {"Tray Left": "3", "Empty Ads Juno": "True", "Exit No Juno": "True"})
    app, main = p.start_in_tray(bed)
    bed.check_eq("tray picture in the tray", "normal", tray_picture(bed, "juno-tray-normal"))

    t.click(bed, main)
    t.box(bed, "run from the tray", RUN_QUESTION, t.ASK_YES, "&Yes")
    bed.require(bed.wait_window(p.JUNO_CLASS, "*", 20000),
                "run from the tray: expected Juno's window within 20 s, saw none")
    bed.check_eq("Juno's windows: the program", ["juno.exe"],
                 [w["exe"] for w in juno_windows(bed)])

    # Close: the stand-in asks at once; Pocketry answers after its two seconds.
    time.sleep(1)  # a watcher tick sees Juno running
    t.click(bed, main)
    t.box(bed, "close from the tray", CLOSE_QUESTION, t.ASK_NO, "&Yes")
    bed.check(bed.wait_window("#32770", CONFIRM_TITLE, 3000),
              f"close from the tray: expected the stand-in's \"{CONFIRM_TITLE}\" question")
    bed.require(bed.wait_gone(p.JUNO_CLASS, "*", 10000),
                "close from the tray: expected Juno's window gone once Pocketry answered its "
                "delete confirmation, it stays")
    gone = time.monotonic()
    bed.check(not bed.find("#32770", CONFIRM_TITLE),
              f"close from the tray: expected \"{CONFIRM_TITLE}\" answered, it is still open")

    time.sleep(1)
    bed.check_eq("tray picture while the watcher waits for Juno", "waiting",
                 tray_picture(bed, "juno-grace-wait"))
    rc = p.wait_exit(bed, app, GRACE_LATEST_S + 1 - (time.monotonic() - gone),
                     "Exit No Juno after the watcher's wait")
    took = time.monotonic() - gone
    bed.check_eq(f"Pocketry's exit code, its exit {GRACE_EARLIEST_S}-{GRACE_LATEST_S} s after "
                 f"Juno's window went (it took {took:.1f} s), the ads folder", (0, True, []),
                 (rc, GRACE_EARLIEST_S <= took <= GRACE_LATEST_S, tree(ads)))


@scenario("juno.empty_ads", timeout=180)
def empty_ads(bed: Bed):
    """"Empty Juno Ads Folder..." from the tray menu, with Juno.ini in the user's VirtualStore
    naming the real root (the one in the Windows folder names none that exists): both copies of
    the ads folder are emptied, the counts added up: every file at every depth, read-only ones
    and names outside the ANSI code page too (CJK; full-width "．．＼" that best fit turns into
    "..\\"), and each folder without sub-folders. A file held open by a running Juno copy (no
    window, so Pocketry may empty) stays; directory links and everything behind them stay, and
    so does the file beside the ads folder that "..\\x.txt" would name."""
    install(bed)
    _, main = p.start_in_tray(bed)
    ads = local(bed, ROOT + "\\ads")
    drive = bed.prefix / "drive_c"

    behind = {"Link": drive / "Outside", "EmptyLink": drive / "Empty",
              "B\\WinLink": drive / "Outside 2"}
    make_files(behind["Link"], {"kept.gif": "keep", "Inner\\kept.htm": "keep"})
    make_files(behind["B\\WinLink"], {"also kept.gif": "keep"})
    behind["EmptyLink"].mkdir()
    make_files(ads, {"top.gif": "ad", "locked.gif": "ad", "held.dat": "held", "A\\a.gif": "ad",
                     "A\\A1\\deep.gif": "ad", "B\\b.htm": "ad", "日本.gif": "ad",
                     "．．＼x.txt": "ad", "[広告]\\広告.htm": "ad"},
               read_only=("locked.gif", "A\\A1\\deep.gif"))
    sentinel = local(bed, ROOT) / "x.txt"
    sentinel.write_text("sentinel")
    for name, folder in behind.items():
        (ads / Path(*name.split("\\"))).symlink_to(folder)
    links = [line for line in tree(ads) if line.startswith("l ")]
    behind_before = {name: (folder.is_dir(), tree(folder)) for name, folder in behind.items()}

    store = t.user_folder(bed) / "AppData" / "Local" / "VirtualStore"
    for folder, root in ((drive, "C:\\Program Files\\Not Installed"), (store, ROOT)):
        make_files(folder / "windows", {"Juno.ini": f"[Configuration]\r\nRoot Dir={root}\r\n"})
    virtual_ads = store / "Program Files" / "Juno" / "ads"
    make_files(virtual_ads, {"v1.gif": "ad", "V\\v2.gif": "ad"})
    bed.log("ads folder planted:\n" + "\n".join(tree(ads)))

    holder = bed.start("juno.exe", "--no-window-ms", "600000", "--hold-ads-file", "held.dat",
                       folder=local(bed, ROOT + "\\bin"))
    time.sleep(3)
    bed.require(bed.wait_exit(holder, 0) is None, "setup: the holding stand-in ended")
    # Listed: 9 files and A, A1, B, [広告] in the real folder, 2 files and V in the copy. A and
    # B keep a sub-folder (A1, the link) when their turn comes; held.dat is held open.
    t.choose(bed, main, ["down"] * 6, "\"Empty Juno Ads Folder...\"")  # the sixth item
    if t.box(bed, "emptying: question", EMPTY_QUESTION, t.ASK_NO, "&Yes"):
        t.box(bed, "emptying: result",
              "Empty Juno Ads Folder:  Processed 11 ad files in 5 ad folders.", timeout_ms=20000)
    bed.check_eq("the ads folder, its VirtualStore copy, the file beside it",
                 (sorted(["d A", "d B", "f held.dat 4 rw", *links]), [], True),
                 (tree(ads), tree(virtual_ads), sentinel.is_file()))
    bed.check_eq("the folders behind the links", behind_before,
                 {name: (folder.is_dir(), tree(folder)) for name, folder in behind.items()})
