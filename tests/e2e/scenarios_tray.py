"""Pocketry in the tray beside the stand-in Juno client: the pop-up menu as drawn, the clipboard
command, the Juno window commands from a click and from the menu, the watcher of the mail
dialogs, and the icon put back when the shell lost it."""

from __future__ import annotations

import statistics
import time
from collections import Counter
from typing import Optional

import pocketry as p
from e2elib import WM_LBUTTONUP, WM_RBUTTONUP, Bed, scenario

MAIL_TITLE = "Get New Mail"

# The tray menu from top to bottom ("-" a separator), and the items whose caption carries the
# mouse shortcut after a tab.
MENU_LAYOUT = ["Exit", "-", "Restore Window", "Options...", "-", "Activate Screen Saver",
               "Clear Clipboard", "-", "Empty Juno Ads Folder...", "Run/Close Juno...", "-",
               "Hide/Show Juno", "Minimize/Restore Juno", "Switch to Juno"]
MENU_ITEMS = [name for name in MENU_LAYOUT if name != "-"]
WITH_SHORTCUT = {"Exit", "Restore Window", "Options...", "Run/Close Juno...", "Hide/Show Juno",
                 "Minimize/Restore Juno"}

# Pocketry's watchers and their slack under Wine.
CHECKER_MS = 500
UNTOP_LIMIT_MS = 1000  # one watcher period, plus a period's worth of slack


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


def click(bed: Bed, main: int, mouse_message: int = WM_LBUTTONUP) -> None:
    bed.require(bed.tray(main, mouse_message),
                f"could not post the tray callback {mouse_message} to Pocketry's window")


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


def check_menu(bed: Bed, menu: dict, what: str, greyed: set, default: str) -> None:
    """The open menu's picture read whole: its rows, then each item's (enabled, bold as the
    default item, with a shortcut column, highlighted)."""
    shot = bed.screenshot(f"tray-menu-{what.replace(' ', '-')}", menu["rect"])
    bed.require(shot, f"{what}: could not take a screenshot of the menu")
    left, top, right, bottom = menu["rect"]
    rows = read_menu(bed.pixels(shot, (0, 0, right - left, bottom - top)))
    seen_layout = ["-" if r["kind"] == "separator" else "item" for r in rows]
    expected_layout = ["-" if n == "-" else "item" for n in MENU_LAYOUT]
    if not bed.check(seen_layout == expected_layout,
                     f"{what}: expected the menu's rows {expected_layout}, read {seen_layout} "
                     f"from {shot}"):
        return
    items = dict(zip(MENU_ITEMS, [r for r in rows if r["kind"] == "item"]))
    bed.check_eq(f"{what}: items read from {shot.name} (enabled: black, not grey; bold; "
                 f"shortcut column; highlighted)",
                 {n: (n not in greyed, n == default, n in WITH_SHORTCUT, False) for n in MENU_ITEMS},
                 {n: (r["enabled"], r["bold"], r["shortcut"], r["highlighted"])
                  for n, r in items.items()})


def open_menu(bed: Bed, main: int, what: str) -> dict:
    click(bed, main, WM_RBUTTONUP)
    menu = bed.menu(5000)
    if not menu:
        bed.abort(f"{what}: expected the tray menu open within 5 s of a right click, saw none "
                  f"(visible: {p.describe_windows(bed)})")
    bed.check_eq(f"{what}: the menu's owner process", bed.info(main)["pid"], menu["pid"])
    # Readable on Windows; under Wine the owner's process keeps the items.
    bed.log(f"{what}: menu items across processes: count {menu['count']} {menu.get('items')}")
    return menu


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


def choose(bed: Bed, main: int, keys: list[str], what: str) -> None:
    """Opens the menu and chooses an item with the keys (Up from the top reaches the last item;
    only separators are skipped, greyed items are not)."""
    menu = open_menu(bed, main, what)
    for key in keys:
        bed.require(bed.key(menu["hwnd"], key), f"{what}: could not press {key} in the menu")
    # Enter ends the menu on its key-down, so the key-up may find no menu window to go to.
    bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                f"{what}: could not press Enter in the menu")


# ---- scenarios --------------------------------------------------------------------------------

@scenario("tray.menu_and_juno_window", timeout=180)
def menu_and_juno_window(bed: Bed):
    """Beside Juno, whose mail dialog the stand-in makes topmost again and again: the menu as
    drawn, with text on the clipboard and after "Clear Clipboard"; the left click ("Tray Left"
    2) hides and shows Juno's window, the menu minimises it without activating it and restores
    it, and switches to it from behind; the mail dialog is never topmost for longer than the
    watcher allows, and stays topmost without Pocketry. An icon the shell lost is put back on
    "TaskbarCreated"."""
    p.set_settings(bed, {"First Run": "False", "Tray Left": "2"})
    bed.require(bed.driver("clip", "Pocketry test text")[0] == 0,
                "setup: could not put text on the clipboard")
    app, main = p.start_in_tray(bed)
    track = p.Track(bed, "#32770", MAIL_TITLE, 7000)
    bed.start(p.JUNO_EXE, "--mail-dialog", "new", "--mail-dialog-after-ms", "1000",
              "--retopmost-ms", "1200")
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    juno = juno[0]

    for n, visible in enumerate((False, True)):
        click(bed, main)
        info = p.wait_state(bed, juno, "visible", visible, 5)
        bed.check(info and info["visible"] == visible,
                  f"Tray Left 2, click {n + 1}: expected Juno's main window "
                  f"{'shown' if visible else 'hidden'}, saw {state(info)}")

    # The menu with Juno running, text on the clipboard, then "Clear Clipboard" (Down five
    # times): the next menu has nothing to clear.
    for greyed, keys in (({"Empty Juno Ads Folder..."}, ["down"] * 5),
                         ({"Empty Juno Ads Folder...", "Clear Clipboard"}, None)):
        what = f"menu with {'text on' if keys else 'an empty'} clipboard"
        menu = open_menu(bed, main, what)
        check_menu(bed, menu, what, greyed=greyed, default="Hide/Show Juno")
        if keys:
            for key in keys:
                bed.require(bed.key(menu["hwnd"], key), f"{what}: could not press Down")
            bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                        f"{what}: could not press Enter in the menu")
            time.sleep(0.3)
        else:
            bed.require(bed.menu_close(), "the tray menu did not close on Esc")

    # "Minimize/Restore Juno" (the last item but one) twice: minimised without being activated,
    # then restored; "Switch to Juno" (the last) brings it from behind, minimised, to the front.
    choose(bed, main, ["up", "up"], "Minimize/Restore Juno")
    info = p.wait_state(bed, juno, "iconic", True, 5)
    bed.check(info and info["iconic"] and not info["foreground"],
              f"Minimize/Restore Juno 1: expected Juno's main window minimised and not "
              f"activated, saw {state(info)}")
    choose(bed, main, ["up", "up"], "Minimize/Restore Juno")
    info = p.wait_state(bed, juno, "iconic", False, 5)
    bed.check(info and info["visible"] and not info["iconic"],
              f"Minimize/Restore Juno 2: expected Juno's main window restored, saw {state(info)}")
    dialog = bed.find("#32770", MAIL_TITLE)
    bed.require(dialog, f"the \"{MAIL_TITLE}\" dialog is gone")
    bed.require(bed.show(juno, "minimize") and bed.foreground(dialog[0]),
                "setup: could not minimise Juno's main window behind the mail dialog")
    choose(bed, main, ["up"], "Switch to Juno")
    info = p.wait_state(bed, juno, "foreground", True, 5)
    bed.check(info and info["foreground"] and info["visible"] and not info["iconic"],
              f"Switch to Juno: expected Juno's main window restored and in the foreground, "
              f"saw {state(info)}")
    untopped(bed, "mail dialog with Pocketry running", track)

    # The shell loses the icon; a new taskbar's "TaskbarCreated" has it added again at once.
    bed.check(not taskbar_button(bed, main, False),
              "in the tray: expected no taskbar button for Pocketry, the taskbar shows one")
    bed.require(bed.tray_delete(main, p.TRAY_ICON_ID), "could not delete the tray icon")
    bed.require(not bed.tray_icon(main, p.TRAY_ICON_ID), "the tray icon is still there after it "
                                                         "was deleted")
    bed.check_eq("\"TaskbarCreated\" sent", 0, bed.driver("send", main, "TaskbarCreated", 0, 0)[0])
    bed.check(bed.tray_icon(main, p.TRAY_ICON_ID, 3000),
              "expected the icon added again on \"TaskbarCreated\", the shell holds none")

    p.stop(bed, app, main, "closing Pocketry")
    # Without Pocketry the dialog stays topmost: what Pocketry undid was really there.
    control = [r for r in p.Track(bed, "#32770", MAIL_TITLE, 2500).records() if r["exists"]]
    bed.check(control and control[-1]["topmost"] and control[-1]["t"] <= 1300,
              f"control: expected the stand-in to keep the dialog topmost without Pocketry "
              f"(from 1.2 s at the latest), saw {control[-1:] or 'no dialog'}")
