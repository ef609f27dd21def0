"""Running and closing Juno (from the tray, at start, at exit) and emptying its ads folder (from
the tray menu, at exit, when Juno ends), with the real Pocketry.exe beside the stand-in client
installed under a root whose name has spaces, named in Juno.ini in the Windows folder (or in
the user's VirtualStore).

Directory links under Wine 8.0: a Unix symbolic link to a directory inside the prefix's drive
reads as 0x410 (directory, reparse point), checked through the driver before use; the
driver's `mklink` (CreateSymbolicLinkA) reports success and makes nothing, so it is tried first
and a Unix link stands in. Wine's RemoveDirectoryA removes an empty target of such a link
(Windows removes the link only), so one link points at an empty folder: it must survive too."""

from __future__ import annotations

import os
import shutil
import stat
import subprocess
import time
from pathlib import Path
from typing import Optional

import pocketry as p
import scenarios_tray as t
from e2elib import Bed, scenario

ROOT = "C:\\Program Files\\Juno"
JUNO_EXE = ROOT + "\\bin\\juno.exe"
CONFIRM_TITLE = "Confirm Permanent Delete"
PICTURES = {"normal": p.picture("tray", 16), "waiting": p.picture("tray-wait", 16)}

FOREIGN_NO = 4  # the stand-in's exit code with --foreign-confirm when its question is closed
GRACE_EARLIEST_S = 29.0  # Pocketry's wait for Juno to come back, with Wine's slack
GRACE_LATEST_S = 31.5

# Message boxes: (icon, buttons, default button).
WARNING = ("warning", ["OK"], "OK")
NOTICE = ("information", ["OK"], "OK")
ASK_YES = ("question", ["&Yes", "&No"], "&Yes")
ASK_NO = ("question", ["&Yes", "&No"], "&No")

RUN_QUESTION = "Are you sure you want to run Juno?"
CLOSE_QUESTION = "Are you sure you want to close Juno?"
EMPTY_QUESTION = "Are you sure you want to empty the Juno ads folder?"


# ---- helpers ----------------------------------------------------------------------------------

def local(bed: Bed, windows_path: str) -> Path:
    """The Linux path of a path on the prefix's drive C:."""
    return bed.prefix / "drive_c" / Path(*windows_path[3:].split("\\"))


def install(bed: Bed, *flags: str, root: str = ROOT) -> None:
    """Installs the stand-in as ROOT\\bin\\juno.exe (flags stored for that copy) and names ROOT
    in Juno.ini; installing again replaces the flags."""
    proc = bed.start(p.JUNO_EXE, "--install", root, *flags)
    bed.require_eq(f"exit code of the stand-in's install {' '.join(flags)}", 0,
                   bed.wait_exit(proc, 30))


def write_ini(bed: Bed, root: Optional[str]) -> None:
    """Juno.ini in the Windows folder naming root; None: no Juno.ini at all."""
    ini = bed.prefix / "drive_c" / "windows" / "Juno.ini"
    ini.unlink(missing_ok=True)
    if root is not None:
        ini.write_bytes(f"[Configuration]\r\nRoot Dir={root}\r\n".encode("cp1252"))


def start_at(bed: Bed, windows_path: str, *args: str) -> subprocess.Popen:
    """Starts a program by its Windows path (bed.start only starts C:\\Pocketry's)."""
    out = open(bed.workdir / f"{Path(windows_path.replace(chr(92), '/')).stem}-"
                             f"{len(bed.procs)}.out", "wb")
    bed.log(f"start {windows_path} {' '.join(args)}")
    proc = subprocess.Popen([bed.wine, windows_path, *args], env=bed.env, cwd=bed.prefix,
                            stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    out.close()
    bed.procs.append(proc)
    return proc


def tree(folder: Path) -> list[str]:
    """Everything under folder, sorted: "d name", "f name size ro|rw", "l name -> target"."""
    lines = []
    for dirpath, dirnames, filenames in os.walk(folder):
        for name in dirnames + filenames:
            path = Path(dirpath) / name
            rel = path.relative_to(folder).as_posix()
            if path.is_symlink():
                lines.append(f"l {rel} -> {os.readlink(path)}")
            elif path.is_dir():
                lines.append(f"d {rel}")
            else:
                writable = path.stat().st_mode & stat.S_IWUSR
                lines.append(f"f {rel} {path.stat().st_size} {'rw' if writable else 'ro'}")
    return sorted(lines)


def make_files(folder: Path, files: dict[str, str], read_only: tuple = ()) -> None:
    for rel, content in files.items():
        path = folder / Path(*rel.split("\\"))
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(content)
        if rel in read_only:
            path.chmod(0o444)  # Wine reads a file it may not write as FILE_ATTRIBUTE_READONLY


def expect_box(bed: Bed, what: str, text: str, kind: tuple, timeout_ms: int = 10000) -> bool:
    """Pocketry's message box, compared whole: text, icon, buttons, default, system-modal.
    True when a box came (so that it can be answered), whatever it said."""
    box = bed.msgbox(p.BOX_TITLE, timeout_ms)
    if not box:
        bed.fail(f"{what}: expected the box {text!r} within {timeout_ms // 1000} s, saw none "
                 f"(visible: {p.describe_windows(bed)})")
        return False
    icon, buttons, default = kind
    seen = {"text": box["text"], "icon": box["icon"], "buttons": [b["text"] for b in box["buttons"]],
            "default": [b["text"] for b in box["buttons"] if b["default"]],
            "topmost": box["topmost"]}
    expected = {"text": text, "icon": icon, "buttons": buttons, "default": [default],
                "topmost": True}
    bed.check_eq(f"{what}: the box", expected, seen)
    return True


def answer(bed: Bed, what: str, button: str) -> None:
    bed.require(bed.answer(p.BOX_TITLE, button, 5000),
                f"{what}: the box did not close on {button}")


def no_box(bed: Bed, what: str, wait_ms: int) -> None:
    box = bed.msgbox(p.BOX_TITLE, wait_ms)
    bed.check(box is None, f"{what}: expected no box from Pocketry, saw {box and box['text']!r}")


def tray_picture(bed: Bed, name: str) -> str:
    """Which picture the rightmost tray slot shows: "normal", "waiting" or "unknown". The
    driver cannot read an icon out of the shell's tray, so the screen decides."""
    trays = bed.find("Shell_TrayWnd", "*")
    bed.require(trays, "expected Wine's taskbar (Shell_TrayWnd)")
    left, top, right, bottom = bed.info(trays[0])["rect"]
    return p.picture_at(bed, (right - 20, top, right, bottom), name, PICTURES)


def juno_windows(bed: Bed) -> list[dict]:
    return [bed.info(h) for h in bed.find(p.JUNO_CLASS, "*")]


def empty_from_menu(bed: Bed, main: int, what: str, result: str, kind: tuple = NOTICE) -> None:
    # The sixth item: only separators are skipped by the arrow keys, greyed items are not.
    t.choose(bed, main, ["down"] * 6, f"{what}: \"Empty Juno Ads Folder...\"")
    if expect_box(bed, f"{what}: question", EMPTY_QUESTION, ASK_NO):
        answer(bed, what, "&Yes")
        if expect_box(bed, f"{what}: result", result, kind, 20000):
            answer(bed, what, "OK")


# ---- scenarios --------------------------------------------------------------------------------

@scenario("juno.run_close_and_watcher", timeout=180)
def run_close_and_watcher(bed: Bed):
    """Run/Close Juno from the tray ("Tray Left" 3): asked, run by its full path (not the
    C:\\Program.exe an unquoted path would start), the waiting picture until Juno's window
    shows; asked, closed with its delete confirmation answered by Pocketry. Juno gone, the
    watcher waits with the waiting picture and then, with "Empty Ads Juno" and "Exit No Juno",
    empties the ads folder and ends Pocketry, once, about 30 s after Juno's window went."""
    install(bed, "--start-delay-ms", "3000", "--confirm-delete")
    shutil.copy(bed.install_dir / p.JUNO_EXE, bed.prefix / "drive_c" / "Program.exe")
    ads = local(bed, ROOT + "\\ads")
    make_files(ads, {"banner.gif": "ad", "Week 12\\offer.htm": "ad"})
    p.set_settings(bed, {"First Run": "False", "Tray Left": "3", "Empty Ads Juno": "True",
                         "Exit No Juno": "True"})
    app, main = p.start_in_tray(bed)
    bed.check_eq("tray picture in the tray", "normal", tray_picture(bed, "juno-tray-normal"))

    # Run: the waiting picture for as long as Juno's window is missing, then the normal one.
    t.click(bed, main)
    if expect_box(bed, "run from the tray", RUN_QUESTION, ASK_YES):
        answer(bed, "run question", "&Yes")
    samples, shown = [], None
    deadline = time.monotonic() + 20
    while not shown and time.monotonic() < deadline:
        if bed.find(p.JUNO_CLASS, "*"):
            shown = time.monotonic()
            break
        picture = tray_picture(bed, f"juno-run-wait-{len(samples)}")
        if not bed.find(p.JUNO_CLASS, "*"):  # still no window: the picture was of the wait
            samples.append(picture)
    bed.require(shown, "run from the tray: expected Juno's window within 20 s, saw none")
    bed.check(len(samples) >= 2 and set(samples) == {"waiting"},
              f"run from the tray: expected the waiting tray picture all the while Juno's window "
              f"was missing (the stand-in waits 3 s), saw {samples}")
    after = "unknown"
    while time.monotonic() < shown + 3 and after != "normal":
        after = tray_picture(bed, "juno-run-done")
    bed.check_eq("tray picture once Juno's window shows", "normal", after)
    bed.check_eq("Juno's windows: the program", ["juno.exe"],
                 [w["exe"] for w in juno_windows(bed)])

    # Close: the stand-in asks at once; Pocketry answers after its two seconds.
    time.sleep(1)  # a watcher tick sees Juno running
    t.click(bed, main)
    if expect_box(bed, "close from the tray", CLOSE_QUESTION, ASK_NO):
        answer(bed, "close question", "&Yes")
    bed.check(bed.wait_window("#32770", CONFIRM_TITLE, 3000),
              f"close from the tray: expected the stand-in's \"{CONFIRM_TITLE}\" question")
    bed.require(bed.wait_gone(p.JUNO_CLASS, "*", 10000),
                "close from the tray: expected Juno's window gone once Pocketry answered its "
                "delete confirmation, it stays")
    gone = time.monotonic()
    bed.check(not bed.find("#32770", CONFIRM_TITLE),
              f"close from the tray: expected \"{CONFIRM_TITLE}\" answered, it is still open")

    # Juno has ended: the watcher's wait, then the ads folder emptied and Pocketry gone.
    time.sleep(1)
    bed.check_eq("tray picture while the watcher waits for Juno", "waiting",
                 tray_picture(bed, "juno-grace-wait"))
    bed.check_eq("ads folder while the watcher waits",
                 ["d Week 12", "f Week 12/offer.htm 2 rw", "f banner.gif 2 rw"], tree(ads))
    rc = bed.wait_exit(app, GRACE_EARLIEST_S - (time.monotonic() - gone))
    if not bed.check(rc is None, f"expected Pocketry to wait at least {GRACE_EARLIEST_S} s for "
                                 f"Juno, it exited after {time.monotonic() - gone:.1f} s"):
        return
    rc = p.wait_exit(bed, app, GRACE_LATEST_S + 1 - (time.monotonic() - gone),
                     "Exit No Juno after the watcher's wait")
    took = time.monotonic() - gone
    bed.log(f"Pocketry exited {took:.2f} s after Juno's window went")
    if rc is not None:
        bed.check_eq("Pocketry's exit code, the time after Juno's window went within "
                     f"{GRACE_EARLIEST_S}-{GRACE_LATEST_S} s", (0, True),
                     (rc, took <= GRACE_LATEST_S))
    bed.check_eq("ads folder emptied by the watcher", [], tree(ads))


@scenario("juno.close_at_exit", timeout=150)
def close_at_exit(bed: Bed):
    """"Run Juno" runs Juno with Pocketry, without a question. The tray menu's Exit with
    "Close Juno", "Close Juno Ask" and "Empty Ads App": "Close Juno now?" answered Yes closes
    Juno; its own "Confirm Permanent Delete" is answered although another program's, topmost,
    is found first by class and title and is left alone; Pocketry waits for Juno to go (it keeps
    its window 3 s) and empties the ads folder without a notice."""
    install(bed, "--confirm-delete", "--exit-delay-ms", "3000")
    ads = local(bed, ROOT + "\\ads")
    make_files(ads, {"ad.gif": "ad", "Sub\\ad.htm": "ad"})
    p.set_settings(bed, {"First Run": "False", "Run Juno": "True", "Close Juno": "True",
                         "Close Juno Ask": "True", "Empty Ads App": "True"})
    other = bed.start(p.JUNO_EXE, "--foreign-confirm")
    other_dialog = bed.wait_window("#32770", CONFIRM_TITLE, 20000)
    bed.require(other_dialog, f"setup: the other program's \"{CONFIRM_TITLE}\" did not appear")
    app, main = p.start_in_tray(bed)
    bed.require(bed.wait_window(p.JUNO_CLASS, "*", 20000),
                "Run Juno: expected Juno's window within 20 s of Pocketry's start, saw none")
    windows = juno_windows(bed)
    bed.check_eq("Run Juno: Juno's windows, the program", ["juno.exe"], [w["exe"] for w in windows])
    no_box(bed, "Run Juno", 0)
    juno_pid = windows[0]["pid"]

    t.choose(bed, main, ["down"], "Exit")
    if expect_box(bed, "Exit", "Close Juno now?", ASK_YES):
        answer(bed, "Exit", "&Yes")
    deadline, found = time.monotonic() + 1.8, []
    while len(found) < 2 and time.monotonic() < deadline:
        found = [w for w in (bed.info(h) for h in bed.find("#32770", CONFIRM_TITLE)) if w]
    bed.check_eq("the questions in search order (ours the process of Juno's window)",
                 ["other", "Juno's"], ["Juno's" if w["pid"] == juno_pid else "other"
                                       for w in found])
    bed.check_eq("Pocketry's exit code", 0, p.wait_exit(bed, app, 20, "Exit closing Juno"))
    bed.check_eq("after Exit: Juno's windows, the ads folder", ([], []),
                 (juno_windows(bed), tree(ads)))
    rc = bed.wait_exit(other, 0.5)
    bed.check(rc is None and bed.find("#32770", CONFIRM_TITLE),
              f"expected the other program's question left open, it ended with {rc}")
    if rc is None:
        bed.require(bed.close_window(other_dialog[0]), "could not close the other question")
        bed.check_eq("the other program's exit code once its question is closed", FOREIGN_NO,
                     bed.wait_exit(other, 10))


@scenario("juno.empty_ads", timeout=180)
def empty_ads(bed: Bed):
    """"Empty Juno Ads Folder..." from the tray menu, twice in one start. An ads folder that is
    a directory link is refused with the "could not be confirmed" warning, and the whole tree
    behind it stays. Then, with Juno.ini in the user's VirtualStore naming the real root (the
    one in the Windows folder names none that exists), both copies of the ads folder are
    emptied, the counts added up: every file at every depth, read-only ones and names outside
    the ANSI code page too (CJK; full-width "．．＼" that best fit turns into "..\\"), and each
    folder without sub-folders. A file held open by a running Juno copy (no window, so
    Pocketry may empty) stays; directory links and everything behind them stay, and so does
    the file beside the ads folder that "..\\x.txt" would name."""
    install(bed)
    p.set_settings(bed, {"First Run": "False"})
    app, main = p.start_in_tray(bed)
    ads = local(bed, ROOT + "\\ads")
    drive = bed.prefix / "drive_c"

    # The ads folder as a link to a tree elsewhere: refused, nothing behind it touched.
    precious = drive / "Precious"
    make_files(precious, {"thesis.docx": "mine", "Photos\\cat.jpg": "mine", "Empty\\.keep": ""},
               read_only=("Photos\\cat.jpg",))
    shutil.rmtree(ads)
    ads.symlink_to(precious)
    rc, recs = bed.driver("attrs", ROOT + "\\ads")
    bed.require(rc == 0 and recs and recs[0].get("reparse") == "1",
                f"setup: expected the ads folder to read as a reparse point, saw {recs}")
    before = tree(precious)
    empty_from_menu(bed, main, "ads folder a link",
                    f"It could not be confirmed that the '{ROOT}\\ads' folder is really the Juno "
                    f"ads folder.  Perhaps the Juno.ini file was mischievously edited.", WARNING)
    bed.check_eq("ads folder a link: the link and the tree behind it", (True, before),
                 (ads.is_symlink(), tree(precious)))
    ads.unlink()

    # The real ads folder, with links to folders outside it, and its VirtualStore copy.
    outside, empty, outside2 = drive / "Outside", drive / "Empty", drive / "Outside 2"
    make_files(outside, {"kept.gif": "keep", "Inner\\kept.htm": "keep"})
    empty.mkdir()
    make_files(ads, {"top.gif": "ad", "locked.gif": "ad", "held.dat": "held", "A\\a.gif": "ad",
                     "A\\A1\\deep.gif": "ad", "B\\b.htm": "ad", "日本.gif": "ad",
                     "．．＼x.txt": "ad", "[広告]\\広告.htm": "ad"},
               read_only=("locked.gif", "A\\A1\\deep.gif"))
    sentinel = local(bed, ROOT) / "x.txt"
    sentinel.write_text("sentinel")
    (ads / "Link").symlink_to(outside)
    (ads / "EmptyLink").symlink_to(empty)
    # A directory link made the Windows way where the system makes one; Wine 8.0's
    # CreateSymbolicLinkA reports success and makes nothing, so a Unix link stands in.
    make_files(outside2, {"also kept.gif": "keep"})
    rc, recs = bed.driver("mklink", ROOT + "\\ads\\B\\WinLink", "C:\\Outside 2")
    made = bed.driver("attrs", ROOT + "\\ads\\B\\WinLink")[0] == 0
    bed.log(f"CreateSymbolicLinkA (directory): exit {rc} {recs}, link made: {made}")
    if not made:
        (ads / "B" / "WinLink").symlink_to(outside2)
    for name, wanted in (("Link", "reparse"), ("EmptyLink", "reparse"), ("B\\WinLink", "reparse"),
                         ("locked.gif", "readonly"), ("A\\A1\\deep.gif", "readonly")):
        rc, recs = bed.driver("attrs", f"{ROOT}\\ads\\{name}")
        bed.require(rc == 0 and recs and recs[0].get(wanted) == "1",
                    f"setup: expected {name} to read as {wanted} through GetFileAttributesA, "
                    f"saw {recs}")
    links = [line for line in tree(ads) if line.startswith("l ")]
    bed.require(len(links) == 3, f"setup: expected three links in the ads folder, saw {links}")
    behind = {"Link": outside, "B\\WinLink": outside2, "EmptyLink": empty}
    behind_before = {name: (folder.is_dir(), tree(folder)) for name, folder in behind.items()}

    users = [d for d in (drive / "users").iterdir()
             if d.name != "Public" and (d / "AppData" / "Local").is_dir()]
    bed.require(len(users) == 1, f"setup: expected one user profile in the prefix, saw {users}")
    store = users[0] / "AppData" / "Local" / "VirtualStore"
    write_ini(bed, "C:\\Program Files\\Not Installed")
    (store / "windows").mkdir(parents=True)
    (store / "windows" / "Juno.ini").write_bytes(
        f"[Configuration]\r\nRoot Dir={ROOT}\r\n".encode("cp1252"))
    virtual_ads = store / "Program Files" / "Juno" / "ads"
    make_files(virtual_ads, {"v1.gif": "ad", "V\\v2.gif": "ad"})
    bed.log("ads folder planted:\n" + "\n".join(tree(ads)))

    holder = start_at(bed, JUNO_EXE, "--no-window-ms", "600000", "--hold-ads-file", "held.dat")
    time.sleep(3)
    bed.require(bed.wait_exit(holder, 0) is None, "setup: the holding stand-in ended")
    # Listed: 9 files and A, A1, B, [広告] in the real folder, 2 files and V in the copy. A and
    # B keep a sub-folder (A1, the link) when their turn comes; held.dat is held open.
    empty_from_menu(bed, main, "Juno's ads folder",
                    "Empty Juno Ads Folder:  Processed 11 ad files in 5 ad folders.")
    bed.check_eq("the ads folder, its VirtualStore copy, the file beside it",
                 (sorted(["d A", "d B", "f held.dat 4 rw", *links]), [], True),
                 (tree(ads), tree(virtual_ads), sentinel.is_file()))
    bed.check_eq("the folders behind the links", behind_before,
                 {name: (folder.is_dir(), tree(folder)) for name, folder in behind.items()})
