"""Running and closing Juno (from the tray, at start, at exit) and emptying its ads folder (from
the tray menu, at exit, when Juno ends), with the real Pocketry.exe beside the stand-in client
installed under a root whose name has spaces, named in Juno.ini in the Windows folder.

Directory links under Wine 8.0: a Unix symbolic link to a directory inside the prefix's drive
reads as FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT (0x410) through
GetFileAttributesA (checked through the driver before use), so that is what these scenarios
plant. CreateSymbolicLinkA with SYMBOLIC_LINK_FLAG_DIRECTORY (the driver's `mklink`) returns
success under Wine 8.0 but makes nothing (GetFileAttributesA then fails with error 2); it is
tried first and a Unix link stands in when nothing came of it. Wine removes the target of
such a link with RemoveDirectoryA when the target is empty (Windows removes the link only), so
one link here points at an empty folder: it must survive too."""

from __future__ import annotations

import os
import shutil
import stat
import subprocess
import sys
import time
from pathlib import Path
from typing import Optional

import pocketry as p
from e2elib import WM_CLOSE, WM_LBUTTONUP, WM_RBUTTONUP, Bed, scenario

ROOT = "C:\\Program Files\\Juno"
JUNO_EXE = ROOT + "\\bin\\juno.exe"
CONFIRM_TITLE = "Confirm Permanent Delete"
PICTURES = {"normal": p.picture("tray", 16), "waiting": p.picture("tray-wait", 16)}

# Message boxes: (icon, buttons, default button).
WARNING = ("warning", ["OK"], "OK")
NOTICE = ("information", ["OK"], "OK")
ASK_YES = ("question", ["&Yes", "&No"], "&Yes")
ASK_NO = ("question", ["&Yes", "&No"], "&No")

RUN_QUESTION = "Are you sure you want to run Juno?"
CLOSE_QUESTION = "Are you sure you want to close Juno?"
EMPTY_QUESTION = "Are you sure you want to empty the Juno ads folder?"
NOT_RUN = "The Juno client expected could not be run because "


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


def tray_click(bed: Bed, main: int, mouse_message: int = WM_LBUTTONUP) -> None:
    bed.require(bed.tray(main, mouse_message), "could not send the tray callback to Pocketry")


def tray_picture(bed: Bed, name: str) -> str:
    """Which picture the rightmost tray slot shows: "normal", "waiting" or "unknown". The
    driver cannot read an icon out of the shell's tray, so the screen decides."""
    trays = bed.find("Shell_TrayWnd", "*")
    bed.require(trays, "expected Wine's taskbar (Shell_TrayWnd)")
    left, top, right, bottom = bed.info(trays[0])["rect"]
    return p.picture_at(bed, (right - 20, top, right, bottom), name, PICTURES)


def juno_windows(bed: Bed) -> list[dict]:
    return [bed.info(h) for h in bed.find(p.JUNO_CLASS, "*")]


def choose_empty_ads(bed: Bed, main: int, what: str) -> None:
    """The tray menu's "Empty Juno Ads Folder...": the sixth item (only separators are
    skipped by the arrow keys, greyed items are not)."""
    tray_click(bed, main, WM_RBUTTONUP)
    menu = bed.menu(5000)
    bed.require(menu, f"{what}: expected the tray menu on a right click, saw none")
    for _ in range(6):
        bed.require(bed.key(menu["hwnd"], "down"), f"{what}: could not press Down in the menu")
    time.sleep(0.3)
    bed.screenshot(f"juno-{what.replace(' ', '-')}-menu", menu["rect"])
    # Enter ends the menu on its key-down, so the key-up may find no menu window to go to.
    bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                f"{what}: could not press Enter in the menu")


def empty_from_menu(bed: Bed, main: int, what: str, result: str, kind: tuple = NOTICE) -> None:
    choose_empty_ads(bed, main, what)
    if expect_box(bed, f"{what}: question", EMPTY_QUESTION, ASK_NO):
        answer(bed, what, "&Yes")
        if expect_box(bed, f"{what}: result", result, kind, 20000):
            answer(bed, what, "OK")


# ---- scenarios --------------------------------------------------------------------------------

@scenario("juno.tray_run_close", timeout=240)
def tray_run_close(bed: Bed):
    """Run/Close Juno from the tray ("Tray Left" 3): asked, run, the waiting picture until Juno's
    window shows; asked, closed with its delete confirmation answered by Pocketry; Juno ending
    makes the watcher empty the ads folder ("Empty Ads Juno") with the result notice; a
    confirmation later than Pocketry's one look ends in the close time-out notice."""
    install(bed, "--start-delay-ms", "8000", "--confirm-delete")
    ads = local(bed, ROOT + "\\ads")
    make_files(ads, {"banner.gif": "ad", "Week 12\\offer.htm": "ad"})
    p.set_settings(bed, {"First Run": "False", "Tray Left": "3", "Empty Ads Juno": "True"})
    app, main = p.start_in_tray(bed)
    bed.check_eq("tray picture in the tray", "normal", tray_picture(bed, "juno-tray-normal"))

    # Run: the waiting picture for as long as Juno's window is missing, then the normal one.
    tray_click(bed, main)
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
              f"was missing (the stand-in waits 8 s), saw {samples}")
    after = "unknown"
    while time.monotonic() < shown + 3 and after != "normal":
        after = tray_picture(bed, "juno-run-done")
    bed.check_eq("tray picture once Juno's window shows", "normal", after)
    windows = juno_windows(bed)
    bed.check_eq("Juno's windows: the program", ["juno.exe"], [w["exe"] for w in windows])

    # Close: the stand-in asks at once; Pocketry answers after its two seconds.
    time.sleep(1)  # a watcher tick sees Juno running
    tray_click(bed, main)
    if expect_box(bed, "close from the tray", CLOSE_QUESTION, ASK_NO):
        answer(bed, "close question", "&Yes")
    bed.check(bed.wait_window("#32770", CONFIRM_TITLE, 3000),
              f"close from the tray: expected the stand-in's \"{CONFIRM_TITLE}\" question")
    bed.check(bed.wait_gone(p.JUNO_CLASS, "*", 10000),
              "close from the tray: expected Juno's window gone once Pocketry answered its "
              "delete confirmation, it stays")
    bed.check(not bed.find("#32770", CONFIRM_TITLE),
              f"close from the tray: expected \"{CONFIRM_TITLE}\" answered, it is still open")

    # Juno has ended: the watcher's grace wait, then the ads folder emptied, with the notice.
    time.sleep(2)
    bed.check_eq("tray picture while the watcher waits for Juno", "waiting",
                 tray_picture(bed, "juno-grace-wait"))
    bed.check_eq("ads folder before the watcher's wait ends",
                 ["d Week 12", "f Week 12/offer.htm 2 rw", "f banner.gif 2 rw"], tree(ads))
    if expect_box(bed, "the watcher after Juno ended",
                  "Empty Juno Ads Folder:  Processed 2 ad files in 1 ad folders.", NOTICE, 40000):
        bed.check_eq("ads folder emptied by the watcher", [], tree(ads))
        answer(bed, "the watcher's notice", "OK")
    bed.check_eq("tray picture after the watcher's wait", "normal",
                 tray_picture(bed, "juno-grace-done"))

    # A confirmation that comes after Pocketry's look: unanswered, the wait times out.
    install(bed, "--confirm-delete", "--confirm-delay-ms", "6000")
    tray_click(bed, main)
    if expect_box(bed, "run again", RUN_QUESTION, ASK_YES):
        answer(bed, "run question", "&Yes")
    bed.require(bed.wait_window(p.JUNO_CLASS, "*", 20000),
                "run again: expected Juno's window within 20 s")
    time.sleep(1)
    tray_click(bed, main)
    if expect_box(bed, "close with a late confirmation", CLOSE_QUESTION, ASK_NO):
        answer(bed, "close question", "&Yes")
    asked = time.monotonic()
    if expect_box(bed, "close with a late confirmation",
                  "Juno did not close within the specified 30 second timeout.", NOTICE, 40000):
        took = time.monotonic() - asked
        bed.check(31 <= took <= 36, f"close with a late confirmation: expected the notice 2 s "
                                    f"plus a 30 s wait after the answer, it came after {took:.1f} s")
        bed.check(bed.find("#32770", CONFIRM_TITLE) and bed.find(p.JUNO_CLASS, "*"),
                  f"close with a late confirmation: expected Juno still running, its "
                  f"\"{CONFIRM_TITLE}\" unanswered")
        # While the notice is up the tray watchdog's tick, held back by the wait, may put the
        # normal picture back already; once it is dismissed the normal one is there for sure.
        answer(bed, "the time-out notice", "OK")
        time.sleep(0.5)
        bed.check_eq("tray picture after the time-out notice", "normal",
                     tray_picture(bed, "juno-close-timeout-done"))


@scenario("juno.run_failures_and_start", timeout=300)
def run_failures_and_start(bed: Bed):
    """Each way the tray's run can fail, in its own words: no Juno.ini, a root that does not
    exist, no bin\\juno.exe under it (a "Root Dir" with a trailing "\\" gets a single "\\"
    before bin), a Juno whose window never appears (the 120-second wait with the waiting
    picture, the normal one after the warning; C:\\Program.exe is never started in its
    place). Then "Run Juno" runs Juno at start."""
    p.set_settings(bed, {"First Run": "False", "Tray Left": "3"})
    write_ini(bed, None)
    app, main = p.start_in_tray(bed)
    root_slash = ROOT + "\\"
    failures = [
        ("no Juno.ini", None,
         NOT_RUN + "it does not appear to be installed on your system."),
        ("a root that does not exist", root_slash,
         NOT_RUN + f"the '{root_slash}' folder specified in the Juno.ini file does not exist."),
        ("no bin\\juno.exe", root_slash,
         NOT_RUN + f"the '{JUNO_EXE}' file does not exist."),
    ]
    for what, root, text in failures:
        write_ini(bed, root)
        if what == "no bin\\juno.exe":
            (local(bed, ROOT) / "bin").mkdir(parents=True)
        tray_click(bed, main)
        if expect_box(bed, f"{what}: question", RUN_QUESTION, ASK_YES):
            answer(bed, what, "&Yes")
        if expect_box(bed, f"{what}: warning", text, WARNING):
            answer(bed, what, "OK")
        bed.check(not bed.find(p.JUNO_CLASS, "*"), f"{what}: expected no Juno, one runs")

    # A client that runs but never shows its window; it makes ads\started.mark when it starts,
    # so that a C:\Program.exe started in its place (given the rest of an unquoted path as
    # its arguments) cannot pass for it.
    install(bed, "--no-window-ms", "140000", "--hold-ads-file", "started.mark")
    shutil.copy(bed.install_dir / p.JUNO_EXE, bed.prefix / "drive_c" / "Program.exe")
    tray_click(bed, main)
    if expect_box(bed, "window never shows: question", RUN_QUESTION, ASK_YES):
        answer(bed, "window never shows", "&Yes")
    asked = time.monotonic()
    time.sleep(2)
    bed.check((local(bed, ROOT) / "ads" / "started.mark").is_file(),
              f"window never shows: expected {JUNO_EXE} started (it makes ads\\started.mark), "
              f"the mark is missing")
    bed.check_eq("tray picture while Pocketry waits for the window", "waiting",
                 tray_picture(bed, "juno-no-window-wait"))
    text = (f"The '{JUNO_EXE}' application was run successfully, however the Juno window "
            f"expected was not detected within the specified 120 second timeout.")
    if expect_box(bed, "window never shows: warning", text, WARNING, 130000):
        took = time.monotonic() - asked
        bed.check(119 <= took <= 124, f"window never shows: expected the warning 120 s after "
                                      f"the answer, it came after {took:.1f} s")
        bed.check_eq("window never shows: Juno's windows (C:\\Program.exe not started)", [],
                     juno_windows(bed))
        answer(bed, "window never shows", "OK")  # the watchdog may restore it sooner
        time.sleep(0.5)
        bed.check_eq("tray picture after the warning", "normal",
                     tray_picture(bed, "juno-no-window-done"))
    p.stop(bed, app, main, "closing Pocketry after the run failures")
    bed.kill_all()

    # "Run Juno": started with Pocketry, without a question.
    install(bed)
    p.set_settings(bed, {"Run Juno": "True"})
    app, main = p.start_in_tray(bed)
    bed.check(bed.wait_window(p.JUNO_CLASS, "*", 20000),
              "Run Juno: expected Juno's window within 20 s of Pocketry's start, saw none")
    bed.check_eq("Run Juno: Juno's windows, the program", ["juno.exe"],
                 [w["exe"] for w in juno_windows(bed)])
    no_box(bed, "Run Juno", 0)


@scenario("juno.close_at_exit", timeout=180)
def close_at_exit(bed: Bed):
    """Shutdown with "Close Juno": with "Close Juno Ask" it asks "Close Juno now?"; Yes closes
    Juno (its delete confirmation answered) and, with "Empty Ads App", waits for it to go and
    empties the ads folder without a notice; No leaves Juno and its ads alone. Without the
    question and without "Empty Ads App" Juno is closed and the ads stay."""
    # Juno keeps its window 3 s after the close goes ahead: only a real wait sees it go.
    install(bed, "--confirm-delete", "--exit-delay-ms", "3000")
    ads = local(bed, ROOT + "\\ads")
    p.set_settings(bed, {"First Run": "False"})
    phases = [
        ("Exit, asked, Yes, Empty Ads App", {"Close Juno": "True", "Close Juno Ask": "True",
                                             "Empty Ads App": "True"}, "&Yes"),
        ("WM_CLOSE, not asked, no Empty Ads App", {"Close Juno Ask": "False",
                                                   "Empty Ads App": "False"}, None),
        ("Exit, asked, No, Empty Ads App", {"Close Juno Ask": "True", "Empty Ads App": "True"},
         "&No"),
    ]
    for what, settings, reply in phases:
        make_files(ads, {"ad.gif": "ad", "Sub\\ad.htm": "ad"})
        before = tree(ads)
        p.set_settings(bed, settings)
        juno = start_at(bed, JUNO_EXE)
        bed.require(bed.wait_window(p.JUNO_CLASS, "*", 20000), f"{what}: Juno did not start")
        app, main = p.start_in_tray(bed)
        if what.startswith("Exit"):
            tray_click(bed, main, WM_RBUTTONUP)
            menu = bed.menu(5000)
            bed.require(menu, f"{what}: expected the tray menu, saw none")
            bed.require(bed.key(menu["hwnd"], "down"), f"{what}: could not press Down")
            bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                        f"{what}: could not press Enter")
        else:
            bed.require(bed.post(main, WM_CLOSE), f"{what}: could not post WM_CLOSE")
        if reply:
            if expect_box(bed, what, "Close Juno now?", ASK_YES):
                answer(bed, what, reply)
        rc = p.wait_exit(bed, app, 20, what)
        bed.check_eq(f"{what}: Pocketry's exit code", 0, rc)
        if reply == "&No":
            bed.check(bed.wait_exit(juno, 3) is None and bed.find(p.JUNO_CLASS, "*")
                      and not bed.find("#32770", CONFIRM_TITLE),
                      f"{what}: expected Juno still running, not asked to close")
            bed.check_eq(f"{what}: the ads folder", before, tree(ads))
            continue
        bed.check_eq(f"{what}: Juno's exit code (its delete confirmation answered)", 0,
                     bed.wait_exit(juno, 10))
        emptied = settings.get("Empty Ads App") == "True"
        bed.check_eq(f"{what}: the ads folder", [] if emptied else before, tree(ads))
    bed.kill_all()


@scenario("juno.empty_ads_menu", timeout=180)
def empty_ads_menu(bed: Bed):
    """"Empty Juno Ads Folder..." from the tray menu. A root without bin\\juno.exe is refused
    and nothing of it changes. Juno's own ads folder loses every file at every depth, read-only
    ones too, and each folder without sub-folders; a file held open by a running Juno copy
    (no window, so Pocketry may empty) stays; directory links and everything behind them stay.
    The notice gives the counts listed; a second run takes the rest."""
    install(bed)
    p.set_settings(bed, {"First Run": "False"})

    # Refused: ads beside no bin\juno.exe.
    other = "C:\\Program Files\\Not Juno"
    make_files(local(bed, other), {"ads\\ad.gif": "ad", "ads\\Sub\\ad.htm": "ad",
                                   "bin\\other.exe": "x"})
    before = tree(local(bed, other))
    write_ini(bed, other)
    app, main = p.start_in_tray(bed)
    empty_from_menu(bed, main, "refused root",
                    f"It could not be confirmed that the '{other}\\ads' folder is really the Juno "
                    f"ads folder.  Perhaps the Juno.ini file was mischievously edited.", WARNING)
    bed.check_eq("refused root: the whole tree", before, tree(local(bed, other)))

    # Juno's ads folder, with links to folders outside it.
    write_ini(bed, ROOT)
    ads = local(bed, ROOT + "\\ads")
    outside, empty = bed.prefix / "drive_c" / "Outside", bed.prefix / "drive_c" / "Empty"
    outside2 = bed.prefix / "drive_c" / "Outside 2"
    make_files(outside, {"kept.gif": "keep", "Inner\\kept.htm": "keep"})
    empty.mkdir()
    make_files(ads, {"top.gif": "ad", "locked.gif": "ad", "held.dat": "held", "A\\a.gif": "ad",
                     "A\\A1\\deep.gif": "ad", "B\\b.htm": "ad"},
               read_only=("locked.gif", "A\\A1\\deep.gif"))
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
    bed.log("ads folder planted:\n" + "\n".join(tree(ads)))
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
    holder = start_at(bed, JUNO_EXE, "--no-window-ms", "600000", "--hold-ads-file", "held.dat")
    time.sleep(3)
    bed.require(bed.wait_exit(holder, 0) is None, "setup: the holding stand-in ended")

    # A and B keep a sub-folder (A1, the link) when their turn comes; held.dat is held open.
    empty_from_menu(bed, main, "first run",
                    "Empty Juno Ads Folder:  Processed 6 ad files in 3 ad folders.")
    bed.check_eq("first run: the ads folder", sorted(["d A", "d B", "f held.dat 4 rw", *links]),
                 tree(ads))
    bed.check_eq("first run: the folders behind the links", behind_before,
                 {name: (folder.is_dir(), tree(folder)) for name, folder in behind.items()})

    holder.kill()  # lets go of held.dat
    holder.wait(timeout=10)
    time.sleep(1)
    empty_from_menu(bed, main, "second run",
                    "Empty Juno Ads Folder:  Processed 1 ad files in 2 ad folders.")
    bed.check_eq("second run: the ads folder", sorted(["d B", *links]), tree(ads))
    bed.check_eq("second run: the folders behind the links", behind_before,
                 {name: (folder.is_dir(), tree(folder)) for name, folder in behind.items()})


@scenario("juno.empty_ads_hostile", timeout=240)
def empty_ads_hostile(bed: Bed):
    """"Empty Juno Ads Folder..." against an ads folder made to reach outside itself, in one
    start of Pocketry. An ads folder that is a directory link is refused with the "could not be
    confirmed" warning, and the whole tree behind it stays. Names outside the ANSI code page
    (CJK; full-width "．．＼" that best fit turns into "..\\") are listed by their real names
    and deleted, and the file that "..\\x.txt" would name beside the ads folder stays. A copy of
    Juno.ini in the user's VirtualStore is the one read, and the VirtualStore copy of the ads
    folder is emptied with the real one, the counts added up."""
    install(bed)
    p.set_settings(bed, {"First Run": "False"})
    app, main = p.start_in_tray(bed)
    ads = local(bed, ROOT + "\\ads")
    refused = (f"It could not be confirmed that the '{ROOT}\\ads' folder is really the Juno ads "
               f"folder.  Perhaps the Juno.ini file was mischievously edited.")

    # The ads folder as a link to a tree elsewhere: refused, nothing behind it touched.
    precious = bed.prefix / "drive_c" / "Precious"
    make_files(precious, {"thesis.docx": "mine", "Photos\\cat.jpg": "mine", "Empty\\.keep": ""},
               read_only=("Photos\\cat.jpg",))
    shutil.rmtree(ads)
    ads.symlink_to(precious)
    rc, recs = bed.driver("attrs", ROOT + "\\ads")
    bed.require(rc == 0 and recs and recs[0].get("reparse") == "1",
                f"setup: expected the ads folder to read as a reparse point, saw {recs}")
    before = tree(precious)
    empty_from_menu(bed, main, "ads folder a link", refused, WARNING)
    bed.check_eq("ads folder a link: the tree behind it", before, tree(precious))
    bed.check(ads.is_symlink(), "ads folder a link: expected the link itself to stay")

    # Names outside the code page, in the real ads folder; "..\x.txt" beside it must stay.
    ads.unlink()
    make_files(ads, {"日本.gif": "ad", "．．＼x.txt": "ad", "[広告]\\広告.htm": "ad"})
    sentinel = local(bed, ROOT) / "x.txt"
    sentinel.write_text("sentinel")
    empty_from_menu(bed, main, "hostile names",
                    "Empty Juno Ads Folder:  Processed 3 ad files in 1 ad folders.")
    bed.check_eq("hostile names: the ads folder", [], tree(ads))
    bed.check(sentinel.is_file(), "hostile names: expected the file beside the ads folder "
                                  "(what best fit makes of \"．．＼x.txt\") to stay, it is gone")

    # VirtualStore: Juno.ini there names the real root (the real one names none that exists);
    # the VirtualStore copy of the ads folder is emptied with the real one.
    users = [d for d in (bed.prefix / "drive_c" / "users").iterdir()
             if d.name != "Public" and (d / "AppData" / "Local").is_dir()]
    bed.require(len(users) == 1, f"setup: expected one user profile in the prefix, saw {users}")
    store = users[0] / "AppData" / "Local" / "VirtualStore"
    write_ini(bed, "C:\\Program Files\\Not Installed")
    (store / "windows").mkdir(parents=True)
    (store / "windows" / "Juno.ini").write_bytes(
        f"[Configuration]\r\nRoot Dir={ROOT}\r\n".encode("cp1252"))
    virtual_ads = store / "Program Files" / "Juno" / "ads"
    make_files(virtual_ads, {"v1.gif": "ad", "V\\v2.gif": "ad"})
    make_files(ads, {"real.gif": "ad"})
    empty_from_menu(bed, main, "virtual store",
                    "Empty Juno Ads Folder:  Processed 3 ad files in 1 ad folders.")
    bed.check_eq("virtual store: the real ads folder", [], tree(ads))
    bed.check_eq("virtual store: its VirtualStore copy", [], tree(virtual_ads))
    bed.check(sentinel.is_file(), "virtual store: expected the file beside the ads folder to stay")
