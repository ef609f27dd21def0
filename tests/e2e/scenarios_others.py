"""A Juno client whose window and topmost mail dialog have stopped answering: Pocketry must
never wait on it (under Wine a synchronous ShowWindow or SetWindowPos on such a window blocks
the caller for good). (Another program's "Confirm Permanent Delete": juno.close_at_exit.)

Each limit below is the driver's own wait, started when the driver is: the Wine start of the
driver itself is not counted."""

from __future__ import annotations

import time

import pocketry as p
import scenarios_tray as t
from e2elib import WM_ENDSESSION, WM_LBUTTONUP, WM_QUERYENDSESSION, WM_RBUTTONUP, Bed, scenario

MAIL_TITLE = "Get New Mail"
LIMIT_MS = 2000


def answers(bed: Bed, hwnd: int) -> bool:
    """Whether the window's thread takes a sent message within the driver's 5 s."""
    return bed.send(hwnd, 0) is not None  # WM_NULL


def menu_opens(bed: Bed, main: int, what: str) -> None:
    bed.require(bed.tray(main, WM_RBUTTONUP), f"{what}: could not send the tray callback")
    if not bed.menu(LIMIT_MS):
        bed.abort(f"{what}: expected the tray menu within {LIMIT_MS} ms of a right click, saw "
                  f"none: Pocketry no longer answers its tray icon")
    bed.require(bed.menu_close(), f"{what}: the tray menu did not close on Esc")


def ends_within(bed: Bed, app, main: int, what: str) -> None:
    rc = bed.wait_exit(app, LIMIT_MS / 1000)
    bed.check(rc == 0, f"{what}: expected Pocketry to end with exit code 0 within {LIMIT_MS} ms, "
                       f"{'it is still running' if rc is None else f'it ended with {rc}'}")
    if rc is None:
        bed.kill_all()
        bed.abort(f"{what}: Pocketry hangs")
    bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
              f"{what}: expected the tray icon gone, the shell still holds it")


@scenario("others.hung_client", timeout=150)
def hung_client(bed: Bed):
    """Beside a client whose main window and topmost "Get New Mail" dialog have stopped
    answering (the watcher keeps clearing that dialog's topmost state): Hide/Show by the left
    click ("Tray Left" 2), Minimize/Restore and Switch to Juno from the menu, and the end of the
    session with "Close Juno" set (the close request is posted to the hung client). After each
    the tray menu opens within 2 s; the end of the session is answered within its own 2-second
    pause before looking for the delete confirmation, plus 2 s, and Pocketry ends."""
    p.set_settings(bed, {"First Run": "False", "Tray Left": "2", "Close Juno": "True",
                         "Close Juno Ask": "False"})
    bed.start(p.JUNO_EXE, "--mail-dialog", "new", "--hang-after-ms", "4000")
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    juno = juno[0]
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

    menu_opens(bed, main, "hung client, Tray Left 2")
    for n in (1, 2):
        bed.require(bed.tray(main, WM_LBUTTONUP), "could not send the tray callback")
        menu_opens(bed, main, f"after Hide/Show {n} on the hung client")
    for item, keys in (("Minimize/Restore Juno", ["up", "up"]), ("Switch to Juno", ["up"])):
        t.choose(bed, main, keys, f"{item} on the hung client")
        menu_opens(bed, main, f"after {item} on the hung client")

    asked = time.monotonic()
    answer = bed.send(main, WM_QUERYENDSESSION)
    took = time.monotonic() - asked
    bed.check(answer not in (None, 0) and took <= 2 + 2 + 1,
              f"the end of the session beside the hung client: expected WM_QUERYENDSESSION "
              f"answered non-zero within 4 s (and the driver's start), saw {answer} after "
              f"{took:.1f} s")
    bed.send(main, WM_ENDSESSION, 1, 0)
    ends_within(bed, app, main, "the end of the session beside the hung client")
    bed.check(bed.find(p.JUNO_CLASS, p.JUNO_TITLE),
              "the hung client's window is gone: the test saw nothing hang")
