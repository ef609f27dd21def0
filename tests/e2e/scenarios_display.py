"""Pocketry at 96, 144 and 192 dots per inch."""

from __future__ import annotations

import time

import pocketry as p
import scenarios_options as o
import scenarios_tray as t
from e2elib import Bed, scenario

DPIS = (96, 144, 192)
BS_DEFPUSHBUTTON = 1


def layout(bed: Bed, hwnd: int, name: str) -> dict:
    """A window as the user sees it: its outer size, its whole control table (class, text,
    client rectangle, style, shown) and the pixels of every shown label, which show the font
    chosen for the DPI. The picture is kept as screenshots/<name>.png."""
    info = bed.info(hwnd)
    controls = o.tree(bed, hwnd)
    shot = bed.screenshot(name, info["rect"])
    bed.require(shot, f"could not take screenshot {name}")
    dx, dy = (info["origin"][i] - info["rect"][i] for i in (0, 1))
    labels = {c["text"]: bed.pixels(shot, (c["rect"][0] + dx, c["rect"][1] + dy,
                                           c["rect"][2] + dx, c["rect"][3] + dy))
              for c in controls if c["class"] == "Static" and c["shown"]}
    left, top, right, bottom = info["rect"]
    # Which push button is drawn as the default follows the focus, not the layout.
    return {"size": (right - left, bottom - top), "shot": shot,
            "table": [(c["class"], c["text"], c["rect"],
                       c["style"] & ~BS_DEFPUSHBUTTON if c["class"] == "Button"
                       and c["style"] & 0xE == 0 else c["style"], c["shown"])
                      for c in controls], "labels": labels}


def fresh_start(bed: Bed, dpi: int):
    """A first start at `dpi`: the icons drawn for the scale, pictures and layouts of the main
    window and the options dialog, and the tray menu (Windows scales it on its own: photographed
    to be looked at). Left running in the tray; returns (layouts, process, main window)."""
    name = f"{dpi}dpi"
    bed.reg_delete(p.SETTINGS_KEY)  # a first start, on the first page of the options
    bed.reg_set(r"HKCU\Control Panel\Desktop", "LogPixels", str(dpi), "REG_DWORD")
    bed.kill_all()  # Wine's taskbar, too, starts again at the new DPI
    proc, main = p.start_first_time(bed)
    bed.require(bed.screen()["dpi"] == dpi, f"setup: the desktop is not at {dpi} dpi")
    # The caption shows the icon's image made for its size at this DPI (drawn 1:1): the icon
    # itself cannot be read across processes under Wine.
    sizes = [16 * d // 96 for d in DPIS]
    info = bed.info(main)
    left, top = info["rect"][:2]
    bed.check_eq(f"{name}: the image in the main window's caption", 16 * dpi // 96,
                 p.picture_at(bed, (left, top, left + 2 * max(sizes), info["origin"][1]),
                              f"caption-icon-{name}",
                              {size: p.picture("pocketry", size) for size in sizes}))
    fresh = {"main": layout(bed, main, f"main-window-{name}")}
    for problem in bed.clipped_labels(main, fresh["main"]["shot"]):
        bed.fail(f"main window at {name}: {problem}")
    dialog = o.open_from_button(bed, main, f"\"&Options...\" at {name}")
    fresh["options"] = layout(bed, dialog, f"options-{name}")
    o.pictures(bed, dialog, name)
    o.close_with(bed, dialog, "Cancel", name)

    bed.require(bed.click(main, "OK"), f"{name}: could not click OK")
    bed.require(bed.tray_icon(main, p.TRAY_ICON_ID, 10000), f"{name}: no tray icon after OK")
    time.sleep(0.5)
    right, top, bottom = (t.taskbar(bed)["rect"][i] for i in (2, 1, 3))
    # The tray draws its icons at its own DPI, where the program's window may differ.
    bed.check_eq(f"{name}: the image in the tray", 16 * dpi // 96,
                 p.picture_at(bed, (right - 64, top, right, bottom), f"tray-icon-{name}",
                              {16 * d // 96: p.picture("tray", 16 * d // 96) for d in DPIS}))
    menu = t.open_menu(bed, main, name)
    bed.screenshot(f"tray-menu-{name}", menu["rect"])
    bed.require(bed.menu_close(), f"{name}: could not close the tray menu")
    return fresh, proc, main


@scenario("display.every_dpi", timeout=420)
def every_dpi(bed: Bed):
    """At each DPI a fresh start photographed and checked; then, in the start at 96 dpi, the
    main window and the options dialog sent to each DPI in turn (as Windows does when a window
    reaches a monitor of another scale) look exactly as that fresh start did."""
    fresh = {}
    for dpi in (144, 192, 96):  # 96 last: its start stays for the moves
        fresh[dpi], proc, main = fresh_start(bed, dpi)
    t.choose(bed, main, ["down", "down"], "Restore Window")  # below Exit
    bed.require(p.wait_state(bed, main, "visible", True, 5)["visible"],
                "Restore Window did not show the main window")

    def moved(name: str, hwnd: int, dpi: int) -> None:
        rc, _ = bed.driver("dpi-change", hwnd, dpi)
        bed.require(rc == 0, f"could not move the {name} window to {dpi} dpi")
        time.sleep(0.5)
        seen, expected = layout(bed, hwnd, f"{name}-moved-to-{dpi}dpi"), fresh[dpi][name]
        what = f"{name} window moved to {dpi} dpi"
        bed.check_eq(f"{what}: outer size, control table", (expected["size"], expected["table"]),
                     (seen["size"], seen["table"]))
        for text, pixels in expected["labels"].items():
            bed.check(seen["labels"].get(text) == pixels,
                      f"{what}: the label \"{text}\" is drawn differently from a fresh start "
                      f"(compare {expected['shot'].name} with {seen['shot'].name})")

    for dpi in (144, 192, 96):
        moved("main", main, dpi)
        # The dialog opens at the system's 96 dpi, over the main window, on the page last shown.
        dialog = o.open_from_button(bed, main, f"\"&Options...\" for {dpi} dpi")
        bed.require(bed.click(dialog, "&Juno"), "could not click the tab \"&Juno\"")
        moved("options", dialog, dpi)
        o.close_with(bed, dialog, "Cancel", f"moved to {dpi} dpi")
    p.stop(bed, proc, main, "the end")
