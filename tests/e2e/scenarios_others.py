"""A Juno client that has stopped answering: Pocketry must never wait on it (under Wine a
synchronous ShowWindow or SetWindowPos on such a window blocks the caller for good)."""

from __future__ import annotations

import time

import pocketry as p
import scenarios_tray as t
from e2elib import WM_ENDSESSION, WM_QUERYENDSESSION, Bed, scenario

LIMIT_MS = 2000  # the driver's own wait: the Wine start of the driver itself is not counted


def answers(bed: Bed, hwnd: int) -> bool:
    """Whether the window's thread takes a sent message within the driver's 5 s."""
    return bed.send(hwnd, 0) is not None  # WM_NULL


@scenario("others.hung_client", timeout=150)
def hung_client(bed: Bed):
    """Beside a client whose main window and topmost "Get New Mail" dialog have stopped
    answering (the watcher keeps clearing that dialog's topmost state): Hide/Show by the left
    click ("Tray Left" 2), Minimize/Restore and Switch to Juno from the menu, and the end of the
    session with "Close Juno" set (the close request is posted to the hung client). After each
    the tray menu opens within 2 s; the end of the session is answered within its own 2-second
    pause before looking for the delete confirmation, plus 2 s, and Pocketry ends."""
    p.set_settings(bed, {"Tray Left": "2", "Close Juno": "True", "Close Juno Ask": "False"})
    juno = t.start_juno(bed, "--mail-dialog", "new", "--hang-after-ms", "4000")
    mail = bed.wait_window("#32770", t.MAIL_TITLE, 5000)
    bed.require(mail, f"setup: the stand-in's \"{t.MAIL_TITLE}\" dialog did not appear")
    app, main = p.start_in_tray(bed)
    # Hung: no sent message is taken, for longer than Windows waits before it calls a window
    # hung (5 s, the second look), and Pocketry's watcher has ticked on the hung dialog.
    deadline = time.monotonic() + 20
    while answers(bed, juno) and time.monotonic() < deadline:
        time.sleep(0.5)
    bed.require(not answers(bed, mail[0]),
                "setup: expected the stand-in's windows to stop answering, they answer")

    for what, act in (("the hang", lambda: None), ("Hide/Show 1", lambda: t.click(bed, main)),
                      ("Hide/Show 2", lambda: t.click(bed, main)),
                      ("Minimize/Restore Juno", lambda: t.choose(bed, main, ["up", "up"], what)),
                      ("Switch to Juno", lambda: t.choose(bed, main, ["up"], what))):
        act()
        t.open_menu(bed, main, f"after {what} on the hung client", LIMIT_MS)
        bed.require(bed.menu_close(), f"after {what}: the tray menu did not close on Esc")

    what = "the end of the session beside the hung client"
    asked = time.monotonic()
    answer = bed.send(main, WM_QUERYENDSESSION)
    took = time.monotonic() - asked
    bed.check(answer not in (None, 0) and took <= 2 + 2 + 1,
              f"{what}: expected WM_QUERYENDSESSION answered non-zero within 4 s (and the "
              f"driver's start), saw {answer} after {took:.1f} s")
    bed.send(main, WM_ENDSESSION, 1, 0)
    bed.check_eq(f"{what}: Pocketry's exit code within {LIMIT_MS} ms (None: it hangs), its tray "
                 "icon held, the hung client's window there (else nothing hung)", (0, False, True),
                 (bed.wait_exit(app, LIMIT_MS / 1000), bed.tray_icon(main, p.TRAY_ICON_ID),
                  bool(bed.find(p.JUNO_CLASS, p.JUNO_TITLE))))
