"""Pocketry's starts and the ways out that other programs and the shell deliver as sent messages.

WM_CLOSE from another process and the tray menu's Exit (run inside the shell's sent tray callback)
destroy the window inside a sent message, which never passes through GetMessage: a loop that
looked for the last window only there would outlive it, holding the single-instance object. So the
first ending is followed by a start that must come up, and that start is what the menu's Exit
ends. (The end of a session: tray.hung_client; a posted WM_CLOSE: pocketry.stop.)"""

from __future__ import annotations

import pocketry as p
import scenarios_tray as t
from e2elib import SC_MINIMIZE, WM_CLOSE, WM_SYSCOMMAND, Bed, scenario

# Put in the tray from the shown window it is minimised as well as hidden; a later start
# only hides it.
IN_TRAY = {"shown": False, "minimised": True, "tray icon": True, "taskbar button": False}
SHOWN = {"shown": True, "minimised": False, "tray icon": False, "taskbar button": True}


def where(bed: Bed, main: int, what: str) -> dict:
    """Main window, tray icon and taskbar button at once, for a whole-table comparison."""
    info = bed.info(main)
    bed.require(info, f"{what}: the main window is gone")
    in_tray = bed.tray_icon(main, p.TRAY_ICON_ID, 5000 if not info["visible"] else 0)
    return {"shown": info["visible"], "minimised": info["iconic"], "tray icon": in_tray,
            "taskbar button": t.taskbar_button(bed, main, info["visible"])}


def ended(bed: Bed, app, main: int, what: str) -> None:
    """Pocketry's process ended cleanly, its window and tray icon gone."""
    rc = p.wait_exit(bed, app, 15, what)
    bed.check_eq(f"{what}: Pocketry's exit code, main windows left, tray icon held", (0, [], False),
                 (rc, p.main_windows(bed), bed.tray_icon(main, p.TRAY_ICON_ID)))


@scenario("startup.starts_and_ways_out", timeout=300)
def starts_and_ways_out(bed: Bed):
    """The very first start: the notice over the shown main window, laid out at 96 dpi.
    Minimising puts it in the tray, the menu's Restore Window brings it back; a second start
    ends silently. A sent WM_CLOSE ends it; a later start goes straight to the tray, and the
    menu's Exit ends that one."""
    app = bed.start(p.EXE)
    box = t.box(bed, "the very first start's notice", p.FIRST_RUN_NOTICE, answer=None,
                timeout_ms=30000)
    if not box:
        bed.abort("expected the notice on the very first start")
    bed.check((bed.info(box["hwnd"]) or {}).get("foreground"), "expected the notice in front")
    main = p.main_window(bed, 5000)
    bed.check_eq("while the notice is up", SHOWN, where(bed, main, "notice"))
    bed.require(bed.answer(p.BOX_TITLE, "OK", 5000), "the notice did not close when OK was pressed")

    # Laid out from twips at 96 dpi (15 a pixel), a third of the free height down the work area.
    info, (wa_left, wa_top, wa_right, wa_bottom) = bed.info(main), bed.screen()["workarea"]
    left, top, right, bottom = info["rect"]
    bed.check_eq(f"caption, client size (4470 x 2370 twips), position (work area "
                 f"{wa_left},{wa_top},{wa_right},{wa_bottom}, window {info['rect']})",
                 (p.MAIN_TITLE, (4470 // 15, 2370 // 15),
                  (wa_left + (wa_right - wa_left - (right - left)) // 2,
                   wa_top + (wa_bottom - wa_top - (bottom - top)) // 3)),
                 (info["title"], info["client"], (left, top)))

    bed.require(bed.post(main, WM_SYSCOMMAND, SC_MINIMIZE), "could not post SC_MINIMIZE")
    p.wait_state(bed, main, "visible", False, 5)
    bed.check_eq("after minimising", IN_TRAY, where(bed, main, "minimise"))
    t.choose(bed, main, ["down", "down"], "Restore Window")  # below Exit
    p.wait_state(bed, main, "visible", True, 5)
    bed.check_eq("after the menu's Restore Window", SHOWN, where(bed, main, "Restore Window"))

    # A second start while the first runs: it ends at once, showing nothing.
    watch = bed.watch()
    second = bed.start(p.EXE)
    rc = p.wait_exit(bed, second, 15, "second start")
    watch.stop()
    bed.check_eq("second start: exit code, Pocketry's windows shown", (0, []),
                 (rc, watch.shown(p.EXE)))

    what = "WM_CLOSE sent"
    bed.check(bed.send(main, WM_CLOSE) is not None,
              f"{what}: expected the sent WM_CLOSE to return within 5 s, it did not")
    ended(bed, app, main, what)

    # A later start: straight to the tray, nothing shown meanwhile.
    watch = bed.watch()
    app, main = p.start_in_tray(bed)
    watch.stop(settle=1.5)
    bed.check_eq("a later start: Pocketry's windows shown", [], watch.shown(p.EXE))
    bed.check_eq("a later start", {**IN_TRAY, "minimised": False},
                 where(bed, main, "later start"))
    bed.check_eq("tray tip", p.MAIN_TITLE, bed.tray_tip())

    what = "tray menu Exit"
    t.choose(bed, main, ["down"], what)  # the top item
    ended(bed, app, main, what)
