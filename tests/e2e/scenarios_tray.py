"""Pocketry's life in the tray beside the stand-in Juno client: the tray clicks and their Juno
window commands, the pop-up menu, the watcher of the mail dialogs, the grace wait when Juno
ends, the icon watchdog and restoring the main window."""

from __future__ import annotations

import statistics
import time
from collections import Counter
from pathlib import Path
from typing import Optional

import pocketry as p
from e2elib import WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONUP, VK_RETURN, Bed, scenario

WELCOME_TITLE = "Welcome to Juno"
MAIL_TITLE = "Get New Mail"

# The tray menu from top to bottom ("-" a separator), and the items whose caption carries the
# mouse shortcut after a tab.
MENU_LAYOUT = ["Exit", "-", "Restore Window", "Options...", "-", "Activate Screen Saver",
               "Clear Clipboard", "-", "Empty Juno Ads Folder...", "Run/Close Juno...", "-",
               "Hide/Show Juno", "Minimize/Restore Juno", "Switch to Juno"]
MENU_ITEMS = [name for name in MENU_LAYOUT if name != "-"]
WITH_SHORTCUT = {"Exit", "Restore Window", "Options...", "Run/Close Juno...", "Hide/Show Juno",
                 "Minimize/Restore Juno"}
JUNO_WINDOW_ITEMS = {"Hide/Show Juno", "Minimize/Restore Juno", "Switch to Juno"}

# Pocketry's watchers and their slack under Wine.
CHECKER_MS = 500
UNTOP_LIMIT_MS = 1000  # one watcher period, plus a period's worth of slack
GRACE_EARLIEST_S = 29.0
GRACE_LATEST_S = 31.5
WATCHDOG_RETRIES_S = 6  # two 3-second pauses before the icon is added again
WATCHDOG_LIMIT_S = 40


# ---- helpers ----------------------------------------------------------------------------------

def taskbar_button(bed: Bed, hwnd: int, expected: bool, seconds: float = 3) -> bool:
    """Whether Wine's taskbar shows a button for the window, polled until it is as expected
    (the taskbar catches up a moment after the window changes). The taskbar keeps one Button
    child per top-level window, its control id the window's handle, visible while shown."""
    trays = bed.find("Shell_TrayWnd", "*")
    bed.require(trays, "expected Wine's taskbar (Shell_TrayWnd) on the virtual desktop")
    deadline = time.monotonic() + seconds
    while True:
        shown = any(c["class"].lower() == "button" and c["id"] == hwnd and c["visible"]
                    for c in bed.children(trays[0]))
        if shown == expected or time.monotonic() > deadline:
            return shown
        time.sleep(0.2)


def tray_slot(bed: Bed) -> tuple:
    """The rect of the rightmost tray slot (Wine's taskbar puts the first icon rightmost)."""
    left, top, right, bottom = bed.info(bed.find("Shell_TrayWnd", "*")[0])["rect"]
    return right - 20, top, right, bottom


def slot_picture(bed: Bed, slot: tuple, name: str) -> list[list[str]]:
    shot = bed.screenshot(name, slot)
    bed.require(shot, f"could not take screenshot {name}")
    return bed.pixels(shot, (0, 0, slot[2] - slot[0], slot[3] - slot[1]))


def click(bed: Bed, main: int, mouse_message: int = WM_LBUTTONUP) -> None:
    bed.require(bed.tray(main, mouse_message),
                f"could not post the tray callback {mouse_message} to Pocketry's window")


def hide_then_show(bed: Bed, main: int, target: int, what: str) -> None:
    """Two plain left clicks with Tray Left 2: the first hides target, the second shows it."""
    for n, visible in enumerate((False, True)):
        click(bed, main)
        info = p.wait_state(bed, target, "visible", visible, 5)
        bed.check(info and info["visible"] == visible,
                  f"Tray Left 2, click {n + 1}: expected {what} "
                  f"{'shown' if visible else 'hidden'}, saw {state(info)}")


def state(info: Optional[dict]) -> str:
    if info is None:
        return "window gone"
    return ", ".join(f"{k}={int(info[k])}" for k in ("visible", "iconic", "foreground"))


def luminance(colour: str) -> float:
    r, g, b = (int(colour[i:i + 2], 16) for i in (0, 2, 4))
    return 0.299 * r + 0.587 * g + 0.114 * b


def read_menu(grid: list[list[str]]) -> list[dict]:
    """The rows of a pop-up menu read from its picture (the menu's items cannot be read
    across processes under Wine). Bands of rows that differ from the menu's background are
    items or separators (a line one or two rows high across the menu). For an item: its text
    black (enabled) or grey (greyed), bold (strokes two pixels wide: the median horizontal run
    of ink is 2, against 1 for the regular face), a shortcut column (ink after a wide gap in
    the right half), highlighted (the band's own background differs)."""
    height, width = len(grid), len(grid[0])
    margin = 3  # clear of the menu's frame
    xs = range(margin, width - margin)
    background = Counter(grid[y][x] for y in range(margin, height - margin)
                         for x in xs).most_common(1)[0][0]
    rows = []
    for y in range(margin, height - margin):
        colours = Counter(grid[y][x] for x in xs)
        if len(colours) > 1 or background not in colours:
            rows.append((y, colours.most_common(1)[0][0]))
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
            found.append({"kind": "separator"})
            continue
        band_bg = Counter(grid[y][x] for x, y in area).most_common(1)[0][0]
        ink = [(x, y) for x, y in area if grid[y][x] != band_bg]
        dark = sum(1 for x, y in ink if luminance(grid[y][x]) < 64) / max(1, len(ink))
        runs = []
        for y in range(first, last + 1):
            run = 0
            for x in [*xs, None]:
                if x is not None and grid[y][x] != band_bg:
                    run += 1
                elif run:
                    runs.append(run)
                    run = 0
        columns = sorted({x for x, _ in ink})
        gaps = [(b, a) for a, b in zip(columns, columns[1:]) if b - a >= 10]
        found.append({"kind": "item", "top": first, "bottom": last,
                      "highlighted": band_bg != background,
                      "enabled": True if dark > 0.6 else False if dark < 0.1 else None,
                      "bold": bool(runs) and statistics.median(runs) >= 2,
                      "shortcut": any(start >= width // 2 for start, _ in gaps)})
    return found


def check_menu(bed: Bed, what: str, shot: Path, size: tuple, greyed: set, default: str,
               highlighted: Optional[str] = None) -> list[dict]:
    """Checks the layout, enabled states, bold default item, shortcut column (and highlighted
    item) of a menu picture; returns the items read."""
    rows = read_menu(bed.pixels(shot, (0, 0, *size)))
    seen_layout = ["-" if r["kind"] == "separator" else "item" for r in rows]
    expected_layout = ["-" if n == "-" else "item" for n in MENU_LAYOUT]
    if not bed.check(seen_layout == expected_layout,
                     f"{what}: expected the menu's rows {expected_layout}, read {seen_layout} "
                     f"from {shot}"):
        return []
    items = dict(zip(MENU_ITEMS, [r for r in rows if r["kind"] == "item"]))
    bed.log(f"{what}: menu read from pixels: " + "; ".join(
        f"{n}: enabled={r['enabled']} bold={r['bold']} shortcut={r['shortcut']} "
        f"highlighted={r['highlighted']}" for n, r in items.items()))
    if highlighted is None:
        expected = {n: n not in greyed for n in MENU_ITEMS}
        bed.check_eq(f"{what}: enabled items (black text; grey = greyed)", expected,
                     {n: r["enabled"] for n, r in items.items()})
    bed.check_eq(f"{what}: bold (default) items", [default],
                 [n for n, r in items.items() if r["bold"]])
    bed.check_eq(f"{what}: items with a shortcut column", sorted(WITH_SHORTCUT),
                 sorted(n for n, r in items.items() if r["shortcut"]))
    bed.check_eq(f"{what}: highlighted items", [highlighted] if highlighted else [],
                 [n for n, r in items.items() if r["highlighted"]])
    return rows


def open_menu(bed: Bed, main: int, what: str) -> dict:
    click(bed, main, WM_RBUTTONUP)
    menu = bed.menu(5000)
    if not menu:
        bed.abort(f"{what}: expected the tray menu open within 5 s of a right click, saw none "
                  f"(visible: {p.describe_windows(bed)})")
    bed.check_eq(f"{what}: the menu's owner process", bed.info(main)["pid"], menu["pid"])
    if menu["count"] >= 0:  # readable on Windows; under Wine the owner's process keeps it
        bed.log(f"{what}: the menu's items are readable across processes: {menu['items']}")
    else:
        bed.log(f"{what}: menu items unreadable across processes (count {menu['count']}); "
                f"read from pixels instead")
    return menu


def menu_picture(bed: Bed, menu: dict, name: str) -> tuple[Path, tuple]:
    left, top, right, bottom = menu["rect"]
    shot = bed.screenshot(name, menu["rect"])
    bed.require(shot, f"could not take screenshot {name}")
    return shot, (right - left, bottom - top)


def untopped(bed: Bed, what: str, track: p.Track) -> None:
    """Checks a tracked mail dialog: made topmost by the stand-in again and again, and each
    time made not topmost by Pocketry within the limit."""
    shown = [r for r in track.records() if r["exists"]]
    if not bed.check(shown, f"{what}: expected the \"{MAIL_TITLE}\" dialog to appear, saw none"):
        return
    spells, since = [], None
    for r in shown:
        if r["topmost"] and since is None:
            since = r["t"]
        elif not r["topmost"] and since is not None:
            spells.append(r["t"] - since)
            since = None
    if since is not None:  # topmost when tracking ended
        spells.append(track.timeout_ms - since)
    bed.log(f"{what}: topmost spells (ms): {spells}; the first state seen: "
            f"topmost={int(shown[0]['topmost'])}")
    # The stand-in re-tops the dialog every 1.2 s; fewer spells mean the test saw nothing.
    bed.check(len(spells) >= 2, f"{what}: expected the stand-in to make the dialog topmost "
                                f"again and again, saw {len(spells)} topmost spell(s)")
    bed.check(all(s <= UNTOP_LIMIT_MS for s in spells),
              f"{what}: expected the dialog to be not topmost within {UNTOP_LIMIT_MS} ms each "
              f"time (Pocketry looks every {CHECKER_MS} ms), saw topmost spells of {spells} ms")


# ---- scenarios --------------------------------------------------------------------------------

@scenario("tray.juno_window_commands", timeout=180)
def juno_window_commands(bed: Bed):
    """Left clicks with "Tray Left" 2, 1 (double clicks) and 0 hide/show, minimise/restore and
    switch to Juno (found by its welcome dialog while that is all there is); the mail dialog
    stays not topmost; the menu with Juno running."""
    p.set_settings(bed, {"First Run": "False", "Tray Left": "2"})

    # Only the welcome dialog exists: it counts as Juno's window.
    welcome_juno = bed.start(p.JUNO_EXE, "--welcome-ms", "600000")
    welcome = bed.wait_window("#32770", WELCOME_TITLE, 20000)
    bed.require(welcome, f"setup: expected the stand-in's \"{WELCOME_TITLE}\" dialog")
    welcome = welcome[0]
    app, main = p.start_in_tray(bed)
    hide_then_show(bed, main, welcome, "the welcome dialog")
    p.stop(bed, app, main, "closing Pocketry (welcome phase)")
    bed.require(bed.close_window(welcome), "could not close the welcome dialog")
    bed.check_eq("stand-in's exit code after its welcome dialog was closed", 0,
                 bed.wait_exit(welcome_juno, 15))

    # Juno with its mail dialog made topmost at once and again every 1.2 s.
    app, main = p.start_in_tray(bed)
    track = p.Track(bed, "#32770", MAIL_TITLE, 7000)
    bed.start(p.JUNO_EXE, "--mail-dialog", "new", "--mail-dialog-after-ms", "1000",
              "--retopmost-ms", "1200")
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    juno = juno[0]
    hide_then_show(bed, main, juno, "Juno's main window")
    untopped(bed, "mail dialog with Pocketry running", track)
    dialog = bed.find("#32770", MAIL_TITLE)
    bed.require(dialog, f"the \"{MAIL_TITLE}\" dialog is gone")
    dialog = dialog[0]
    jl, jt, jr, jb = bed.info(juno)["rect"]
    dl, dt, dr, db = bed.info(dialog)["rect"]
    bed.screenshot("tray-juno-mail-dialog", (min(jl, dl), min(jt, dt), max(jr, dr), max(jb, db)))
    p.stop(bed, app, main, "closing Pocketry (Tray Left 2)")
    # Without Pocketry the dialog stays topmost: what Pocketry undid was really there.
    control = [r for r in p.Track(bed, "#32770", MAIL_TITLE, 2500).records() if r["exists"]]
    bed.check(control and control[-1]["topmost"] and control[-1]["t"] <= 1300,
              f"control: expected the stand-in to keep the dialog topmost without Pocketry "
              f"(from 1.2 s at the latest), saw {control[-1:] or 'no dialog'}")

    # "Tray Left" 1 with double clicks: a single click does nothing; a double click minimises
    # without activating, the next one restores.
    p.set_settings(bed, {"Tray Left": "1", "Tray Double": "True"})
    app, main = p.start_in_tray(bed)
    bed.require(bed.foreground(dialog), "setup: could not bring the mail dialog to the front")
    click(bed, main, WM_LBUTTONUP)
    time.sleep(1)
    info = bed.info(juno)
    bed.check(info and info["visible"] and not info["iconic"],
              f"Tray Double: expected a single click to leave Juno's main window alone, saw "
              f"{state(info)}")
    click(bed, main, WM_LBUTTONDBLCLK)
    info = p.wait_state(bed, juno, "iconic", True, 5)
    bed.check(info and info["iconic"] and not info["foreground"],
              f"Tray Left 1, double click 1: expected Juno's main window minimised and not "
              f"activated (the mail dialog stays in front), saw {state(info)}")
    click(bed, main, WM_LBUTTONDBLCLK)
    info = p.wait_state(bed, juno, "iconic", False, 5)
    bed.check(info and info["visible"] and not info["iconic"],
              f"Tray Left 1, double click 2: expected Juno's main window restored, saw "
              f"{state(info)}")
    p.stop(bed, app, main, "closing Pocketry (Tray Left 1)")

    # "Tray Left" 0: Juno minimised behind another window comes to the front, restored.
    p.set_settings(bed, {"Tray Left": "0", "Tray Double": "False"})
    bed.require(bed.show(juno, "minimize"), "setup: could not minimise Juno's main window")
    bed.require(bed.foreground(dialog), "setup: could not bring the mail dialog to the front")
    app, main = p.start_in_tray(bed)
    info = bed.info(juno)
    bed.require(info["iconic"] and not info["foreground"],
                f"setup: expected Juno's main window minimised and in the background, "
                f"saw {state(info)}")
    click(bed, main)
    info = p.wait_state(bed, juno, "foreground", True, 5)
    bed.check(info and info["foreground"] and info["visible"] and not info["iconic"],
              f"Tray Left 0: expected Juno's main window restored and in the foreground, "
              f"saw {state(info)}")

    # The menu with Juno running and an empty clipboard; Esc closes it and runs nothing.
    bed.require(bed.driver("clip", "")[0] == 0, "setup: could not empty the clipboard")
    menu = open_menu(bed, main, "menu with Juno running")
    shot, size = menu_picture(bed, menu, "tray-menu-juno-running")
    check_menu(bed, "menu with Juno running", shot, size,
               greyed={"Clear Clipboard", "Empty Juno Ads Folder..."}, default="Switch to Juno")
    bed.require(bed.menu_close(), "the tray menu did not close on Esc")
    info = bed.info(main)
    bed.check(info and not info["visible"] and bed.tray_icon(main, p.TRAY_ICON_ID),
              f"after Esc in the menu: expected Pocketry still in the tray, saw {state(info)}")
    p.stop(bed, app, main, "closing Pocketry (Tray Left 0)")


@scenario("tray.icon_watchdog_menu_restore", timeout=150)
def icon_watchdog_menu_restore(bed: Bed):
    """In the tray: hidden, icon, no taskbar button. An icon deleted behind Pocketry's back is
    added again by the watchdog. The menu without Juno; Restore Window from the menu and by a
    left click ("Tray Left" 5), and back to the tray with Enter and OK."""
    p.set_settings(bed, {"First Run": "False", "Tray Left": "5"})
    bed.require(bed.driver("clip", "Pocketry test text")[0] == 0,
                "setup: could not put text on the clipboard")
    app, main = p.start_in_tray(bed)
    icon_seen = time.monotonic()
    info = bed.info(main)
    bed.check(not info["visible"], f"in the tray: expected the main window hidden, "
                                   f"saw {state(info)}")
    bed.check(not taskbar_button(bed, main, False),
              "in the tray: expected no taskbar button for Pocketry, the taskbar shows one")

    bed.require(bed.tray_delete(main, p.TRAY_ICON_ID), "could not delete the tray icon")
    deleted = time.monotonic()
    bed.require(not bed.tray_icon(main, p.TRAY_ICON_ID),
                "the tray icon is still there after it was deleted")

    # While the watchdog has yet to notice: the menu without Juno, clipboard holding text.
    menu = open_menu(bed, main, "menu without Juno")
    shot, size = menu_picture(bed, menu, "tray-menu-no-juno")
    check_menu(bed, "menu without Juno", shot, size, greyed=JUNO_WINDOW_ITEMS,
               default="Restore Window")
    bed.require(bed.menu_close(), "the tray menu did not close on Esc")

    time.sleep(max(0.0, deleted + WATCHDOG_RETRIES_S - 1 - time.monotonic()))
    bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
              f"expected the deleted icon still missing {WATCHDOG_RETRIES_S - 1} s later (only "
              f"the watchdog's timer adds it again), it is back")
    wait_ms = int((deleted + WATCHDOG_LIMIT_S - time.monotonic()) * 1000)
    back = bed.tray_icon(main, p.TRAY_ICON_ID, max(0, wait_ms))
    took = time.monotonic() - deleted
    bed.log(f"icon back after {took:.1f} s (timer due {30 - (deleted - icon_seen):.1f} s after "
            f"the deletion, plus {WATCHDOG_RETRIES_S} s of retries)")
    bed.require(back, f"expected the watchdog to add the deleted icon again within "
                      f"{WATCHDOG_LIMIT_S} s, it is still missing")

    # Restore Window from the menu: Down twice (Exit, Restore Window), then Enter.
    menu = open_menu(bed, main, "menu to restore")
    for _ in range(2):
        bed.require(bed.key(menu["hwnd"], "down"), "could not press Down in the menu")
    time.sleep(0.3)
    shot, size = menu_picture(bed, menu, "tray-menu-restore-chosen")
    rows = check_menu(bed, "menu after Down twice", shot, size, greyed=set(),
                      default="Restore Window", highlighted="Restore Window")
    if not rows:
        bed.menu_close()
        bed.abort("the menu's rows could not be read, so Enter might choose another item")
    # Enter ends the menu on its key-down, so the key-up may find no menu window to go to.
    ways = [("menu item Restore Window",
             lambda: bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
             "Enter", lambda: bed.key(main, VK_RETURN)),
            ("left click with Tray Left 5", lambda: bed.tray(main, WM_LBUTTONUP),
             "OK", lambda: bed.click(main, "OK"))]
    for how, restore, back, to_tray in ways:
        bed.require(restore(), f"{how}: the driver could not deliver it")
        info = p.wait_state(bed, main, "visible", True, 5)
        bed.check(info and info["visible"] and not info["iconic"],
                  f"{how}: expected the main window shown, not minimised, saw {state(info)}")
        bed.check(taskbar_button(bed, main, True),
                  f"{how}: expected the restored window's taskbar button, the taskbar shows none")
        bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
                  f"{how}: expected the tray icon gone while the window is shown, it is there")
        if how.startswith("menu") and info:
            bed.screenshot("tray-main-restored", info["rect"])
        bed.require(to_tray(), f"{how}: could not press {back}")
        info = p.wait_state(bed, main, "visible", False, 5)
        bed.check(info and not info["visible"],
                  f"{how}, then {back}: expected the main window hidden, saw {state(info)}")
        bed.check(bed.tray_icon(main, p.TRAY_ICON_ID, 5000),
                  f"{how}, then {back}: expected the tray icon, the shell holds none")
        bed.check(not taskbar_button(bed, main, False),
                  f"{how}, then {back}: expected no taskbar button, the taskbar shows one")
    bed.check(bed.wait_exit(app, 0.2) is None, "Pocketry exited")


@scenario("tray.juno_exit_grace_wait", timeout=120)
def juno_exit_grace_wait(bed: Bed):
    """Juno gone: the tray picture changes while Pocketry waits; Juno back within the wait keeps
    Pocketry; gone for good, Pocketry ("Exit No Juno") exits once the 30-second wait is over."""
    p.set_settings(bed, {"First Run": "False", "Exit No Juno": "True"})
    juno_proc = bed.start(p.JUNO_EXE)
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    app, main = p.start_in_tray(bed)
    time.sleep(0.6)  # more than a watcher period: Pocketry has seen Juno
    slot = tray_slot(bed)
    normal = slot_picture(bed, slot, "tray-icon-normal")
    bed.require(len({c for row in normal for c in row}) > 2,
                f"expected Pocketry's icon drawn in the rightmost tray slot {slot}, the slot is "
                f"blank")

    # Juno goes and comes back within the wait.
    bed.require(bed.close_window(juno[0]), "could not post WM_CLOSE to the stand-in")
    bed.check_eq("stand-in's exit code after WM_CLOSE", 0, bed.wait_exit(juno_proc, 15))
    time.sleep(1)
    waiting = slot_picture(bed, slot, "tray-icon-waiting")
    bed.check(waiting != normal, "while Pocketry waits for Juno: expected the waiting tray "
                                 "picture, the slot shows the normal one")
    bed.start(p.JUNO_EXE)
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear again within 20 s")
    time.sleep(0.8)
    bed.check(slot_picture(bed, slot, "tray-icon-after-wait") == normal,
              "Juno back within the wait: expected the normal tray picture again, the slot "
              "shows another")
    bed.check(bed.wait_exit(app, 0.2) is None, "Juno back within the wait: Pocketry exited")

    # Juno gone for good.
    bed.require(bed.close_window(juno[0]), "could not post WM_CLOSE to the stand-in")
    bed.require(bed.wait_gone(p.JUNO_CLASS, p.JUNO_TITLE, 15000),
                "the stand-in's main window did not go on WM_CLOSE")
    gone = time.monotonic()
    rc = bed.wait_exit(app, GRACE_EARLIEST_S - (time.monotonic() - gone))
    if not bed.check(rc is None, f"expected Pocketry to wait at least {GRACE_EARLIEST_S} s for "
                                 f"Juno, it exited after {time.monotonic() - gone:.1f} s"):
        return
    rc = p.wait_exit(bed, app, GRACE_LATEST_S + 1 - (time.monotonic() - gone),
                     "Exit No Juno after the grace wait")
    took = time.monotonic() - gone
    bed.log(f"Pocketry exited {took:.2f} s after Juno's window went")
    if rc is not None:
        bed.check_eq("Pocketry's exit code after Juno ended", 0, rc)
        bed.check(took <= GRACE_LATEST_S,
                  f"expected Pocketry to exit {GRACE_EARLIEST_S}-{GRACE_LATEST_S} s after Juno's "
                  f"window went, it took {took:.2f} s")
