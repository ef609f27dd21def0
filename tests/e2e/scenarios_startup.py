"""Pocketry's start: the first-start notice and the main window, the ways to the tray and back,
the single instance, and a later start straight into the tray."""

from __future__ import annotations

import time

import pocketry as p
import scenarios_tray as t
from e2elib import SC_MINIMIZE, VK_RETURN, WM_SYSCOMMAND, Bed, scenario

TWIPS_PER_PIXEL_AT_96_DPI = 15
CLIENT_TWIPS = (4470, 2370)


def where(bed: Bed, main: int, what: str) -> dict:
    """Main window, tray icon and taskbar button at once, for a whole-table comparison."""
    info = bed.info(main)
    bed.require(info, f"{what}: the main window is gone")
    in_tray = bed.tray_icon(main, p.TRAY_ICON_ID, 5000 if not info["visible"] else 0)
    return {"shown": info["visible"], "minimised": info["iconic"], "tray icon": in_tray,
            "taskbar button": t.taskbar_button(bed, main, info["visible"])}


# Put in the tray from the shown window it is minimised as well as hidden; a later start
# only hides it.
IN_TRAY = {"shown": False, "minimised": True, "tray icon": True, "taskbar button": False}
SHOWN = {"shown": True, "minimised": False, "tray icon": False, "taskbar button": True}


@scenario("startup.first_and_later_start", timeout=150)
def first_and_later_start(bed: Bed):
    """The very first start: the notice over the shown main window, laid out at 96 dpi. Enter
    puts it in the tray, the menu's Restore Window brings it back, minimising puts it away
    again; a second start ends silently; a later start goes straight to the tray."""
    app = bed.start(p.EXE)
    box = bed.msgbox(p.BOX_TITLE, 30000)
    if not box:
        bed.abort(f"expected a message box \"{p.BOX_TITLE}\" on the very first start within "
                  f"30 s, saw none (visible: {p.describe_windows(bed)})")
    box_info = bed.info(box["hwnd"])
    bed.check_eq("the notice (text, buttons, icon, topmost, foreground)",
                 (p.FIRST_RUN_NOTICE, ["OK"], "information", True, True),
                 (box["text"], [b["text"] for b in box["buttons"]], box["icon"], box["topmost"],
                  bool(box_info and box_info["foreground"])))
    # Before the notice is answered: the setting is stored and the window is already up.
    bed.check_eq("First Run while the notice is up", ("REG_SZ", "False"),
                 bed.reg_get(p.SETTINGS_KEY, "First Run"))
    main = p.main_window(bed, 5000)
    bed.check_eq("while the notice is up", SHOWN, where(bed, main, "notice"))
    bed.require(bed.answer(p.BOX_TITLE, "OK", 5000), "the notice did not close when OK was pressed")
    again = bed.msgbox("*", 1000)
    bed.check(again is None, f"expected no further message box, saw {again and again['text']!r}")
    bed.check_eq("after the notice", SHOWN, where(bed, main, "after the notice"))

    # Laid out from twips at 96 dpi, a third of the free height down the work area.
    info = bed.info(main)
    wa_left, wa_top, wa_right, wa_bottom = bed.screen()["workarea"]
    left, top, right, bottom = info["rect"]
    width, height = right - left, bottom - top
    bed.check_eq(f"caption, client size (4470 x 2370 twips), position (work area "
                 f"{wa_left},{wa_top},{wa_right},{wa_bottom}, window {width}x{height})",
                 (p.MAIN_TITLE, tuple(t // TWIPS_PER_PIXEL_AT_96_DPI for t in CLIENT_TWIPS),
                  (wa_left + (wa_right - wa_left - width) // 2,
                   wa_top + (wa_bottom - wa_top - height) // 3)),
                 (info["title"], info["client"], (left, top)))

    bed.require(bed.key(main, VK_RETURN), "could not press Enter in the main window")
    p.wait_state(bed, main, "visible", False, 5)
    bed.check_eq("after Enter", IN_TRAY, where(bed, main, "Enter"))

    t.choose(bed, main, ["down", "down"], "Restore Window")  # below Exit
    p.wait_state(bed, main, "visible", True, 5)
    bed.check_eq("after the menu's Restore Window", SHOWN, where(bed, main, "Restore Window"))
    bed.screenshot("tray-main-restored", bed.info(main)["rect"])
    bed.require(bed.post(main, WM_SYSCOMMAND, SC_MINIMIZE), "could not post SC_MINIMIZE")
    p.wait_state(bed, main, "visible", False, 5)
    bed.check_eq("after minimising", IN_TRAY, where(bed, main, "minimise"))

    # A second start while the first runs: it ends at once, showing nothing.
    before = bed.info(main)
    watch = bed.watch()
    second = bed.start(p.EXE)
    rc = p.wait_exit(bed, second, 15, "second start")
    watch.stop()
    bed.check_eq("second start's exit code", 0, rc)
    shown = [f"{e['class']} \"{e['title']}\"" for e in watch.shown(p.EXE)]
    bed.check(not shown, f"second start: expected no window to appear, saw {shown}")
    after = bed.info(main)
    bed.require(after, "second start: the first instance's window is gone")
    keys = ("pid", "title", "visible", "iconic", "rect")
    bed.check_eq("the first instance after a second start", {k: before[k] for k in keys},
                 {k: after[k] for k in keys})
    bed.check_eq("number of main windows after a second start", 1, len(p.main_windows(bed)))
    p.stop(bed, app, main, "closing the first instance")

    # A later start: straight to the tray, nothing shown meanwhile.
    watch = bed.watch()
    app = bed.start(p.EXE)
    main = p.main_window(bed)
    icon = bed.tray_icon(main, p.TRAY_ICON_ID, 15000)
    watch.stop(settle=1.5)
    shown = [f"{e['class']} \"{e['title']}\"" for e in watch.shown(p.EXE)]
    bed.check(not shown, f"expected no window shown on a later start, saw {shown}")
    bed.check_eq("a later start", {**IN_TRAY, "minimised": False},
                 where(bed, main, "later start"))
    if icon:
        bed.check_eq("tray tip", p.MAIN_TITLE, bed.tray_tip())
    bed.check_eq("First Run after a later start", ("REG_SZ", "False"),
                 bed.reg_get(p.SETTINGS_KEY, "First Run"))
    bed.check(bed.wait_exit(app, 0.2) is None, "Pocketry exited")
