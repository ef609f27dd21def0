"""Pocketry in the tray beside the stand-in Juno client, answering or hung, and the steps the
other scenario files share (Pocketry's message boxes, the stand-in, Wine's taskbar, the tray
menu)."""

from __future__ import annotations

import statistics
import time
from collections import Counter
from itertools import groupby
from pathlib import Path
from typing import Optional

import pocketry as p
from e2elib import WM_ENDSESSION, WM_LBUTTONUP, WM_QUERYENDSESSION, WM_RBUTTONUP, Bed, scenario

MAIL_TITLE = "Get New Mail"

# The tray menu from top to bottom ("-" a separator), and the items whose caption carries the
# mouse shortcut after a tab.
MENU_LAYOUT = ["Exit", "-", "Restore Window", "Options...", "-", "Activate Screen Saver",
               "Clear Clipboard", "-", "Empty Juno Ads Folder...", "Run/Close Juno...", "-",
               "Hide/Show Juno", "Minimize/Restore Juno", "Switch to Juno"]
WITH_SHORTCUT = {"Exit", "Restore Window", "Options...", "Run/Close Juno...", "Hide/Show Juno",
                 "Minimize/Restore Juno"}

# Pocketry's watchers and their slack under Wine.
CHECKER_MS = 500
UNTOP_LIMIT_MS = 1000  # one watcher period, plus a period's worth of slack
HUNG_LIMIT_MS = 2000  # beside a hung client, on the driver's clock (its Wine start not counted)


# Pocketry's message boxes: (icon, buttons, default button).
NOTICE = ("information", ["OK"], "OK")
WARNING = ("warning", ["OK"], "OK")
ASK_YES = ("question", ["&Yes", "&No"], "&Yes")
ASK_NO = ("question", ["&Yes", "&No"], "&No")


def box(bed: Bed, what: str, text: str, kind: tuple = NOTICE, answer: Optional[str] = "OK",
        timeout_ms: int = 10000) -> Optional[dict]:
    """Pocketry's message box compared whole (text, icon, buttons, default, system-modal), then
    answered with `answer` (None: left open). The box, or None when none came."""
    seen = bed.msgbox(p.BOX_TITLE, timeout_ms)
    if not seen:
        bed.fail(f"{what}: expected the box {text!r} within {timeout_ms // 1000} s, saw none "
                 f"(visible: {p.describe_windows(bed)})")
        return None
    buttons = seen["buttons"]
    bed.check_eq(f"{what}: the box (text, icon, buttons, default, topmost)",
                 (text, *kind, True),
                 (seen["text"], seen["icon"], [b["text"] for b in buttons],
                  next((b["text"] for b in buttons if b["default"]), None), seen["topmost"]))
    if answer:
        bed.require(bed.answer(p.BOX_TITLE, answer, 5000),
                    f"{what}: the box did not close on {answer}")
    return seen


def start_juno(bed: Bed, *flags: str) -> int:
    """Starts the stand-in with flags; its main window."""
    bed.start(p.JUNO_EXE, *flags)
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    return juno[0]


def taskbar(bed: Bed) -> dict:
    """Wine's taskbar (its right end is the tray, icons in 20-pixel slots)."""
    trays = bed.find("Shell_TrayWnd", "*")
    bed.require(trays, "expected Wine's taskbar (Shell_TrayWnd) on the virtual desktop")
    return bed.info(trays[0])


def user_folder(bed: Bed) -> Path:
    """The one user's profile folder in the prefix."""
    users = [u for u in (bed.prefix / "drive_c/users").iterdir()
             if u.name not in ("Public", "Default") and not u.is_symlink()]
    bed.require(len(users) == 1, f"setup: expected one user folder in the prefix, saw {users}")
    return users[0]


def taskbar_button(bed: Bed, hwnd: int, expected: bool, seconds: float = 3) -> bool:
    """Whether Wine's taskbar shows a button for the window, polled until it is as expected
    (the taskbar catches up a moment after the window changes). The taskbar keeps one Button
    child per top-level window, its control id the window's handle, visible while shown."""
    bar = taskbar(bed)["hwnd"]
    deadline = time.monotonic() + seconds
    while True:
        shown = any(c["class"].lower() == "button" and c["id"] == hwnd and c["visible"]
                    for c in bed.children(bar))
        if shown == expected or time.monotonic() > deadline:
            return shown
        time.sleep(0.2)


def click(bed: Bed, main: int, mouse_message: int = WM_LBUTTONUP) -> None:
    bed.require(bed.tray(main, mouse_message),
                f"could not post the tray callback {mouse_message} to Pocketry's window")


def luminance(colour: str) -> float:
    r, g, b = (int(colour[i:i + 2], 16) for i in (0, 2, 4))
    return 0.299 * r + 0.587 * g + 0.114 * b


def read_menu(grid: list[list[str]]) -> list:
    """The rows of a pop-up menu read from its picture (the menu's items cannot be read
    across processes under Wine). Bands of rows that differ from the menu's background are
    items or separators ("-": a line one or two rows high across the menu). An item is
    (enabled: its text black, not grey; bold: strokes two pixels wide, the median horizontal
    run of ink 2 against 1 for the regular face; a shortcut column: ink after a wide gap in
    the right half; highlighted: the band's own background differs)."""
    height, width = len(grid), len(grid[0])
    margin = 3  # clear of the menu's frame
    xs = range(margin, width - margin)
    background = Counter(grid[y][x] for y in range(margin, height - margin)
                         for x in xs).most_common(1)[0][0]
    rows = [(y, Counter(grid[y][x] for x in xs).most_common(1)[0][0])
            for y in range(margin, height - margin) if {grid[y][x] for x in xs} != {background}]
    bands: list[list] = []  # [first row, last row, dominant colour]
    for y, dominant in rows:
        if bands and bands[-1][1] == y - 1 and bands[-1][2] == dominant:
            bands[-1][1] = y
        else:
            bands.append([y, y, dominant])
    found = []
    for first, last, _ in bands:
        area = [(x, y) for y in range(first, last + 1) for x in xs]
        other = sum(1 for x, y in area if grid[y][x] != background)
        if last - first <= 1 and other >= 0.6 * len(area):
            found.append("-")
            continue
        band_bg = Counter(grid[y][x] for x, y in area).most_common(1)[0][0]
        ink = [(x, y) for x, y in area if grid[y][x] != band_bg]
        dark = sum(1 for x, y in ink if luminance(grid[y][x]) < 64) / max(1, len(ink))
        runs = [len(list(run)) for y in range(first, last + 1)
                for inked, run in groupby(grid[y][x] != band_bg for x in xs) if inked]
        columns = sorted({x for x, _ in ink})
        found.append((True if dark > 0.6 else False if dark < 0.1 else None,
                      bool(runs) and statistics.median(runs) >= 2,
                      any(b >= width // 2 for a, b in zip(columns, columns[1:]) if b - a >= 10),
                      band_bg != background))
    return found


def open_menu(bed: Bed, main: int, what: str, timeout_ms: int = 5000) -> dict:
    click(bed, main, WM_RBUTTONUP)
    menu = bed.menu(timeout_ms)
    if not menu:
        bed.abort(f"{what}: expected the tray menu open within {timeout_ms} ms of a right click, "
                  f"saw none (visible: {p.describe_windows(bed)})")
    bed.check_eq(f"{what}: the menu's owner process", bed.info(main)["pid"], menu["pid"])
    return menu


def pick(bed: Bed, menu: dict, keys: list[str], what: str) -> None:
    """Chooses an item of the open menu with the keys (Up from the top reaches the last item;
    only separators are skipped, greyed items are not)."""
    for key in keys:
        bed.require(bed.key(menu["hwnd"], key), f"{what}: could not press {key} in the menu")
    # Enter ends the menu on its key-down, so the key-up may find no menu window to go to.
    bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                f"{what}: could not press Enter in the menu")


def choose(bed: Bed, main: int, keys: list[str], what: str) -> None:
    pick(bed, open_menu(bed, main, what), keys, what)


@scenario("tray.menu_and_juno_window", timeout=180)
def menu_and_juno_window(bed: Bed):
    """Beside Juno, whose mail dialog the stand-in makes topmost again and again: the menu as
    drawn, with text on the clipboard and after "Clear Clipboard"; the left click ("Tray Left"
    2) hides and shows Juno's window, the menu minimises it without activating it and restores
    it, and switches to it from behind; the mail dialog is never topmost for longer than the
    watcher allows, and stays topmost without Pocketry. An icon the shell lost is put back on
    "TaskbarCreated"."""
    p.set_settings(bed, {"Tray Left": "2"})
    bed.require(bed.driver("clip", "Pocketry test text")[0] == 0,
                "setup: could not put text on the clipboard")
    app, main = p.start_in_tray(bed)
    track = p.Track(bed, "#32770", MAIL_TITLE, 7000)
    juno = start_juno(bed, "--mail-dialog", "new", "--mail-dialog-after-ms", "1000",
                      "--retopmost-ms", "1200")
    for n, visible in enumerate((False, True)):
        click(bed, main)
        bed.check_eq(f"Tray Left 2, click {n + 1}: Juno's main window shown", visible,
                     (p.wait_state(bed, juno, "visible", visible, 5) or {}).get("visible"))

    # The menu with Juno running, text on the clipboard, then "Clear Clipboard" (Down five
    # times): the next menu has nothing to clear.
    for greyed, keys in (({"Empty Juno Ads Folder..."}, ["down"] * 5),
                         ({"Empty Juno Ads Folder...", "Clear Clipboard"}, None)):
        what = f"menu with {'text on' if keys else 'an empty'} clipboard"
        menu = open_menu(bed, main, what)
        # Read whole, row by row: separators, and each item (named here) enabled, bold as the
        # default item, with a shortcut column, highlighted.
        shot = bed.screenshot(f"tray-menu-{what.replace(' ', '-')}", menu["rect"])
        bed.require(shot, f"{what}: could not take a screenshot of the menu")
        left, top, right, bottom = menu["rect"]
        rows = read_menu(bed.pixels(shot, (0, 0, right - left, bottom - top)))
        bed.check_eq(f"{what}: rows read from {shot.name}",
                     [n if n == "-" else (n, n not in greyed, n == "Hide/Show Juno",
                                          n in WITH_SHORTCUT, False) for n in MENU_LAYOUT],
                     [r if r == "-" else (n, *r) for n, r in zip(MENU_LAYOUT, rows)]
                     + rows[len(MENU_LAYOUT):])
        if keys:
            pick(bed, menu, keys, what)
            time.sleep(0.3)
        else:
            bed.require(bed.menu_close(), "the tray menu did not close on Esc")

    # Each row: the item (Up from the top), then Juno's main window, the state waited for first.
    for what, keys, expected in (
            ("Minimize/Restore Juno 1", ["up", "up"], {"iconic": True, "foreground": False}),
            ("Minimize/Restore Juno 2", ["up", "up"], {"iconic": False, "visible": True}),
            ("Switch to Juno", ["up"], {"foreground": True, "visible": True, "iconic": False})):
        if keys == ["up"]:
            dialog = bed.find("#32770", MAIL_TITLE)
            bed.require(dialog and bed.show(juno, "minimize") and bed.foreground(dialog[0]),
                        "setup: could not minimise Juno's main window behind the mail dialog")
        choose(bed, main, keys, what)
        waited, value = next(iter(expected.items()))
        info = p.wait_state(bed, juno, waited, value, 5)
        bed.check_eq(f"{what}: Juno's main window", expected,
                     {k: info[k] for k in expected} if info else "window gone")
    # The dialog, made topmost by the stand-in every 1.2 s, is made not topmost by Pocketry
    # each time within the limit; fewer than two topmost spells mean the test saw nothing.
    # A spell lasts from its first topmost record to the next record not topmost (or the end).
    starts = [(top, next(rows)["t"]) for top, rows in
              groupby((r for r in track.records() if r["exists"]), key=lambda r: r["topmost"])]
    ends = [t for _, t in starts[1:]] + [track.timeout_ms]
    spells = [end - start for (top, start), end in zip(starts, ends) if top]
    bed.check(len(spells) >= 2 and max(spells) <= UNTOP_LIMIT_MS,
              f"expected the stand-in to make \"{MAIL_TITLE}\" topmost again and again and "
              f"Pocketry (looking every {CHECKER_MS} ms) to end each spell within "
              f"{UNTOP_LIMIT_MS} ms, saw topmost spells of {spells} ms")

    bed.require(bed.tray_delete(main, p.TRAY_ICON_ID) and not bed.tray_icon(main, p.TRAY_ICON_ID),
                "setup: could not delete the tray icon behind Pocketry's back")
    bed.check_eq("\"TaskbarCreated\" sent", 0, bed.driver("send", main, "TaskbarCreated", 0, 0)[0])
    bed.check(bed.tray_icon(main, p.TRAY_ICON_ID, 3000),
              "expected the icon added again on \"TaskbarCreated\", the shell holds none")

    p.stop(bed, app, main, "closing Pocketry")
    control = [r for r in p.Track(bed, "#32770", MAIL_TITLE, 2500).records() if r["exists"]]
    bed.check(control and control[-1]["topmost"] and control[-1]["t"] <= 1300,
              f"control: expected the stand-in to keep the dialog topmost without Pocketry "
              f"(from 1.2 s at the latest), saw {control[-1:] or 'no dialog'}")


def answers(bed: Bed, hwnd: int) -> bool:
    """Whether the window's thread takes a sent message within the driver's 5 s."""
    return bed.send(hwnd, 0) is not None  # WM_NULL


@scenario("tray.hung_client", timeout=150)
def hung_client(bed: Bed):
    """Pocketry must never wait on a client that has stopped answering (under Wine a synchronous
    ShowWindow or SetWindowPos on such a window blocks the caller for good). Beside a client
    whose main window and topmost "Get New Mail" dialog have stopped answering (the watcher keeps
    clearing that dialog's topmost state): Hide/Show by the left click ("Tray Left" 2),
    Minimize/Restore and Switch to Juno from the menu, and the end of the session with "Close
    Juno" set (the close request is posted to the hung client). After each the tray menu opens
    within 2 s; the end of the session is answered within its own 2-second pause before looking
    for the delete confirmation, plus 2 s, and Pocketry ends."""
    p.set_settings(bed, {"Tray Left": "2", "Close Juno": "True", "Close Juno Ask": "False"})
    juno = start_juno(bed, "--mail-dialog", "new", "--hang-after-ms", "4000")
    mail = bed.wait_window("#32770", MAIL_TITLE, 5000)
    bed.require(mail, f"setup: the stand-in's \"{MAIL_TITLE}\" dialog did not appear")
    app, main = p.start_in_tray(bed)
    # Hung: no sent message is taken, for longer than Windows waits before it calls a window
    # hung (5 s, the second look), and Pocketry's watcher has ticked on the hung dialog.
    deadline = time.monotonic() + 20
    while answers(bed, juno) and time.monotonic() < deadline:
        time.sleep(0.5)
    bed.require(not answers(bed, mail[0]),
                "setup: expected the stand-in's windows to stop answering, they answer")

    for what, act in (("the hang", lambda: None), ("Hide/Show 1", lambda: click(bed, main)),
                      ("Hide/Show 2", lambda: click(bed, main)),
                      ("Minimize/Restore Juno", lambda: choose(bed, main, ["up", "up"], what)),
                      ("Switch to Juno", lambda: choose(bed, main, ["up"], what))):
        act()
        open_menu(bed, main, f"after {what} on the hung client", HUNG_LIMIT_MS)
        bed.require(bed.menu_close(), f"after {what}: the tray menu did not close on Esc")

    what = "the end of the session beside the hung client"
    asked = time.monotonic()
    answer = bed.send(main, WM_QUERYENDSESSION)
    took = time.monotonic() - asked
    bed.check(answer not in (None, 0) and took <= 2 + 2 + 1,
              f"{what}: expected WM_QUERYENDSESSION answered non-zero within 4 s (and the "
              f"driver's start), saw {answer} after {took:.1f} s")
    bed.send(main, WM_ENDSESSION, 1, 0)
    bed.check_eq(f"{what}: Pocketry's exit code within {HUNG_LIMIT_MS} ms (None: it hangs), its "
                 "tray icon held, the hung client's window there (else nothing hung)",
                 (0, False, True),
                 (bed.wait_exit(app, HUNG_LIMIT_MS / 1000), bed.tray_icon(main, p.TRAY_ICON_ID),
                  bool(bed.find(p.JUNO_CLASS, p.JUNO_TITLE))))
