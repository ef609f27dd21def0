"""Every way out through a sent message, as Windows and other programs deliver them: WM_CLOSE
sent from another process, the tray menu's Exit (the shell sends the tray callback, so the menu
and the unload run inside a sent message), and the end of a session (WM_QUERYENDSESSION, then
WM_ENDSESSION with FALSE or TRUE). A window destroyed inside a sent message never passes
through the program's GetMessage, so these are the ways a message loop that checks for the
last window only when GetMessage returns would outlive its window, holding the
single-instance object: each ending is therefore followed by a start that must work, and that
start is what the next way out ends."""

from __future__ import annotations

import time

import pocketry as p
import scenarios_tray as t
from e2elib import (ENDSESSION_LOGOFF, SC_CLOSE, WM_CLOSE, WM_ENDSESSION, WM_QUERYENDSESSION,
                    WM_SYSCOMMAND, Bed, scenario)

NEXT_START_S = 20


def ended(bed: Bed, app, main: int, what: str) -> None:
    """Pocketry's process ended cleanly, its window and tray icon gone."""
    rc = p.wait_exit(bed, app, 15, what)
    if rc is not None:
        bed.check_eq(f"{what}: Pocketry's exit code", 0, rc)
    left = [w["hwnd"] for w in p.main_windows(bed)]
    bed.check(not left, f"{what}: expected Pocketry's main window gone, saw {left}")
    bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
              f"{what}: expected the tray icon gone, the shell still holds it")


def next_start(bed: Bed, what: str):
    """A later start after an ending: a new instance comes up, in the tray, and stays. A
    process of the earlier start that still holds the single-instance object makes this
    start end at once, silently, as a second instance does. Returns (process, window)."""
    proc = bed.start(p.EXE)
    deadline = time.monotonic() + NEXT_START_S
    while not p.main_windows(bed):
        rc = proc.poll()
        if rc is not None:
            bed.abort(f"{what}: expected the next start to run, it ended at once with exit code "
                      f"{rc} and no window, as a second instance does (a process of the earlier "
                      f"start still holds the single-instance object)")
        if time.monotonic() > deadline:
            bed.abort(f"{what}: expected the next start's main window within {NEXT_START_S} s, "
                      f"saw none (visible: {p.describe_windows(bed)})")
        time.sleep(0.3)
    main = p.main_window(bed, 1000)
    bed.require(bed.tray_icon(main, p.TRAY_ICON_ID, 15000),
                f"{what}: expected the next start's tray icon within 15 s, the shell holds none")
    info = bed.info(main)
    bed.check(info and not info["visible"],
              f"{what}: expected the next start's main window hidden in the tray, saw it shown")
    return proc, main


def query_end_session(bed: Bed, main: int, lparam: int, what: str) -> None:
    """Sends WM_QUERYENDSESSION: the shutdown steps run (the tray icon goes), the answer is
    "may end" (non-zero), and the window stays until WM_ENDSESSION says how it ends."""
    answer = bed.send(main, WM_QUERYENDSESSION, 0, lparam)
    bed.check(answer not in (None, 0),
              f"{what}: expected WM_QUERYENDSESSION answered non-zero (the session may end), "
              f"saw {'no answer within 5 s' if answer is None else answer}")
    bed.require(bed.info(main) is not None, f"{what}: expected the main window to stay until "
                                            f"WM_ENDSESSION, it was destroyed on the query")
    bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
              f"{what}: expected the shutdown steps to remove the tray icon on "
              f"WM_QUERYENDSESSION, the shell still holds it")


@scenario("exit.every_way_out", timeout=180)
def every_way_out(bed: Bed):
    p.set_settings(bed, {"First Run": "False"})
    what = "WM_CLOSE sent"
    app, main = next_start(bed, "the first start")
    bed.check(bed.send(main, WM_CLOSE) is not None,
              f"{what}: expected the sent WM_CLOSE to return within 5 s, it did not")
    ended(bed, app, main, what)

    # A right click on the icon opens the menu; Exit is its top item.
    app, main = next_start(bed, f"after {what}")
    what = "tray menu Exit"
    t.choose(bed, main, ["down"], what)
    ended(bed, app, main, what)

    # A log-off asked about and called off: Pocketry goes on, back in the tray with its icon,
    # still answering it; then one that goes ahead ends it.
    app, main = next_start(bed, f"after the {what}")
    what = "log-off called off"
    query_end_session(bed, main, ENDSESSION_LOGOFF, what)
    bed.check(bed.send(main, WM_ENDSESSION, 0, ENDSESSION_LOGOFF) is not None,
              f"{what}: expected WM_ENDSESSION FALSE answered within 5 s, it was not")
    rc = bed.wait_exit(app, 1)
    bed.require(rc is None, f"{what}: expected Pocketry to go on after WM_ENDSESSION FALSE, it "
                            f"exited with {rc}")
    info = bed.info(main)
    bed.require(info, f"{what}: expected the main window kept, it was destroyed")
    bed.check(not info["visible"], f"{what}: expected the main window still hidden, it is shown")
    bed.require(bed.tray_icon(main, p.TRAY_ICON_ID, 5000),
                f"{what}: expected the tray icon put back, the shell holds none")
    t.open_menu(bed, main, f"{what}: a right click on the icon put back")
    bed.menu_close()
    what = "end of session"
    query_end_session(bed, main, 0, what)
    bed.check(bed.wait_exit(app, 0.5) is None,
              f"{what}: expected Pocketry running until WM_ENDSESSION, it ended on the query")
    # The window goes while WM_ENDSESSION is handled; the reply may not come back.
    bed.send(main, WM_ENDSESSION, 1, 0)
    ended(bed, app, main, f"{what}, WM_ENDSESSION TRUE")

    # The close box, posted: the ordinary way through GetMessage.
    app, main = next_start(bed, f"after the {what}")
    bed.require(bed.post(main, WM_SYSCOMMAND, SC_CLOSE), "could not post SC_CLOSE")
    ended(bed, app, main, "close box (SC_CLOSE)")
