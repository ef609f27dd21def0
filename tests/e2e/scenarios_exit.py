"""Every way out through a sent message, as Windows and other programs deliver them: WM_CLOSE
sent from another process, the tray menu's Exit (the shell sends the tray callback, so the menu
and the unload run inside a sent message), and the end of a session (WM_QUERYENDSESSION, then
WM_ENDSESSION with TRUE or FALSE). A window destroyed inside a sent message never passes
through the program's GetMessage, so these are the ways a message loop that checks for the
last window only when GetMessage returns would outlive its window, holding the
single-instance object: each ending is therefore followed by a start that must work."""

from __future__ import annotations

import time

import pocketry as p
from e2elib import (ENDSESSION_LOGOFF, WM_CLOSE, WM_ENDSESSION, WM_QUERYENDSESSION,
                    WM_RBUTTONUP, Bed, scenario)

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


def next_start_works(bed: Bed, what: str) -> None:
    """A later start after an ending: a new instance comes up, in the tray, and stays. A
    process of the earlier start that still holds the single-instance object makes this
    start end at once, silently, as a second instance does."""
    p.set_settings(bed, {"First Run": "False"})
    proc = bed.start(p.EXE)
    deadline = time.monotonic() + NEXT_START_S
    while not p.main_windows(bed):
        rc = proc.poll()
        if rc is not None:
            bed.fail(f"{what}: expected the next start to run, it ended at once with exit code "
                     f"{rc} and no window, as a second instance does (a process of the earlier "
                     f"start still holds the single-instance object)")
            return
        if time.monotonic() > deadline:
            bed.fail(f"{what}: expected the next start's main window within {NEXT_START_S} s, "
                     f"saw none (visible: {p.describe_windows(bed)})")
            return
        time.sleep(0.3)
    main = p.main_window(bed, 1000)
    bed.check(bed.tray_icon(main, p.TRAY_ICON_ID, 15000),
              f"{what}: expected the next start's tray icon within 15 s, the shell holds none")
    info = bed.info(main)
    bed.check(info and not info["visible"],
              f"{what}: expected the next start's main window hidden in the tray, saw it shown")
    bed.check(bed.wait_exit(proc, 0.5) is None, f"{what}: the next start exited")


def start_shown(bed: Bed):
    """A fresh first start, the notice answered: the main window is shown, not in the tray."""
    bed.kill_all()
    bed.reg_delete(p.SETTINGS_KEY, "First Run")
    return p.start_first_time(bed)


def query_end_session(bed: Bed, main: int, lparam: int, what: str) -> bool:
    """Sends WM_QUERYENDSESSION: the shutdown steps run, the answer is "may end" (non-zero),
    and the window and process stay until WM_ENDSESSION says how it ends."""
    answer = bed.send(main, WM_QUERYENDSESSION, 0, lparam)
    bed.check(answer not in (None, 0),
              f"{what}: expected WM_QUERYENDSESSION answered non-zero (the session may end), "
              f"saw {'no answer within 5 s' if answer is None else answer}")
    return bed.check(bed.info(main) is not None,
                     f"{what}: expected the main window to stay until WM_ENDSESSION, it was "
                     f"destroyed on WM_QUERYENDSESSION")


@scenario("exit.sent_close", timeout=150)
def sent_close(bed: Bed):
    """WM_CLOSE sent by another process (as a task list or a script closes a window), to
    Pocketry in the tray and with its window shown: it ends, and the next start works."""
    for phase in ("in the tray", "window shown"):
        app, main = p.start_in_tray(bed) if phase == "in the tray" else start_shown(bed)
        what = f"WM_CLOSE sent ({phase})"
        bed.check(bed.send(main, WM_CLOSE) is not None,
                  f"{what}: expected the sent WM_CLOSE to return within 5 s, it did not")
        ended(bed, app, main, what)
        next_start_works(bed, f"after {what}")


@scenario("exit.tray_menu_exit", timeout=120)
def tray_menu_exit(bed: Bed):
    """A right click on the icon (the callback sent, as the shell sends it) opens the menu;
    Exit, its top item, ends Pocketry; the next start works."""
    app, main = p.start_in_tray(bed)
    bed.require(bed.tray(main, WM_RBUTTONUP), "could not send the tray callback (right click)")
    menu = bed.menu(5000)
    bed.require(menu, f"expected the tray menu within 5 s of the right click, saw none "
                      f"(visible: {p.describe_windows(bed)})")
    bed.require(bed.key(menu["hwnd"], "down"), "could not press Down in the menu")
    time.sleep(0.3)
    bed.screenshot("exit-tray-menu-exit-chosen", menu["rect"])
    # Enter ends the menu on its key-down, so the key-up may find no menu window to go to.
    bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                "could not press Enter in the menu")
    ended(bed, app, main, "tray menu Exit")
    next_start_works(bed, "after the tray menu's Exit")


@scenario("exit.end_session", timeout=120)
def end_session(bed: Bed):
    """Windows shutting down: WM_QUERYENDSESSION runs the shutdown steps (the tray icon goes)
    and answers that the session may end; WM_ENDSESSION with TRUE ends the process."""
    app, main = p.start_in_tray(bed)
    what = "end of session"
    if query_end_session(bed, main, 0, what):
        bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
                  f"{what}: expected the shutdown steps to remove the tray icon on "
                  f"WM_QUERYENDSESSION, the shell still holds it")
        bed.check(bed.wait_exit(app, 0.5) is None,
                  f"{what}: expected Pocketry running until WM_ENDSESSION, it ended on the query")
        # The window goes while WM_ENDSESSION is handled; the reply may not come back.
        bed.send(main, WM_ENDSESSION, 1, 0)
    ended(bed, app, main, f"{what}, WM_ENDSESSION TRUE")
    next_start_works(bed, f"after {what}")


@scenario("exit.end_session_cancelled", timeout=150)
def end_session_cancelled(bed: Bed):
    """A log-off asked about and then called off (WM_ENDSESSION with FALSE): Pocketry goes on,
    back in the tray with its icon if it lived there, still shown if it was shown; it still
    answers its tray icon, and ends normally later."""
    for phase in ("in the tray", "window shown"):
        app, main = p.start_in_tray(bed) if phase == "in the tray" else start_shown(bed)
        what = f"log-off called off ({phase})"
        if not query_end_session(bed, main, ENDSESSION_LOGOFF, what):
            continue
        bed.check(bed.send(main, WM_ENDSESSION, 0, ENDSESSION_LOGOFF) is not None,
                  f"{what}: expected WM_ENDSESSION FALSE answered within 5 s, it was not")
        rc = bed.wait_exit(app, 2)
        if not bed.check(rc is None, f"{what}: expected Pocketry to go on after WM_ENDSESSION "
                                     f"FALSE, it exited with {rc}"):
            continue
        info = bed.info(main)
        if not bed.check(info, f"{what}: expected the main window kept, it was destroyed"):
            continue
        in_tray = phase == "in the tray"
        icon = bed.tray_icon(main, p.TRAY_ICON_ID, 5000 if in_tray else 0)
        bed.check_eq(f"{what}: main window shown", not in_tray, info["visible"])
        bed.check_eq(f"{what}: tray icon held by the shell", in_tray, icon)
        if in_tray and icon:
            bed.require(bed.tray(main, WM_RBUTTONUP), "could not send the tray callback")
            bed.check(bed.menu(5000), f"{what}: expected the tray menu on a right click on the "
                                      f"icon put back, saw none")
            bed.menu_close()
            p.stop(bed, app, main, f"{what}, then WM_CLOSE")
            next_start_works(bed, f"after {what} and WM_CLOSE")
