"""Other programs Pocketry deals with and must never wait on or act for: a Juno client whose
window and topmost mail dialog have stopped answering (under Wine a synchronous ShowWindow or
SetWindowPos on such a window blocks the caller for good), and another program that shows a
"Confirm Permanent Delete" question of its own while Juno is closed.

Each limit below is the driver's own wait, started when the driver is: the Wine start of the
driver itself is not counted."""

from __future__ import annotations

import time

import pocketry as p
from e2elib import (WM_CLOSE, WM_ENDSESSION, WM_LBUTTONUP, WM_QUERYENDSESSION, WM_RBUTTONUP, Bed,
                    scenario)

MAIL_TITLE = "Get New Mail"
CONFIRM_TITLE = "Confirm Permanent Delete"
LIMIT_MS = 2000
FOREIGN_YES, FOREIGN_NO = 3, 4  # the stand-in's exit codes with --foreign-confirm


def answers(bed: Bed, hwnd: int) -> bool:
    """Whether the window's thread takes a sent message within the driver's 5 s."""
    return bed.send(hwnd, 0) is not None  # WM_NULL


def menu_opens(bed: Bed, main: int, what: str) -> None:
    bed.require(bed.tray(main, WM_RBUTTONUP), f"{what}: could not send the tray callback")
    menu = bed.menu(LIMIT_MS)
    if not bed.check(menu, f"{what}: expected the tray menu within {LIMIT_MS} ms of a right "
                           f"click, saw none (visible: {p.describe_windows(bed)})"):
        bed.abort(f"{what}: Pocketry no longer answers its tray icon")
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


@scenario("others.hung_client", timeout=240)
def hung_client(bed: Bed):
    """Beside a client whose main window and topmost "Get New Mail" dialog have stopped
    answering (the watcher keeps clearing that dialog's topmost state): the tray menu, Hide/Show
    and Exit from the menu; Switch To and a sent WM_CLOSE; Minimize/Restore and the end of the
    session with "Close Juno" set (the close request is posted to the hung client). Each answer
    comes within 2 s (the end of the session: its own 2-second pause before looking for the
    delete confirmation, plus 2 s)."""
    p.set_settings(bed, {"First Run": "False", "Tray Left": "2"})
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
    bed.require(bed.tray(main, WM_RBUTTONUP), "could not send the tray callback")
    menu = bed.menu(LIMIT_MS)
    bed.require(menu, "Exit: expected the tray menu, saw none")
    bed.require(bed.key(menu["hwnd"], "down"), "could not press Down in the menu")
    # Enter ends the menu on its key-down, so the key-up may find no menu window to go to.
    bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                "could not press Enter in the menu")
    ends_within(bed, app, main, "the menu's Exit beside the hung client")

    p.set_settings(bed, {"Tray Left": "0"})
    app, main = p.start_in_tray(bed)
    bed.require(bed.tray(main, WM_LBUTTONUP), "could not send the tray callback")
    menu_opens(bed, main, "after Switch To on the hung client")
    sent = time.monotonic()
    result = bed.send(main, WM_CLOSE)
    bed.log(f"the sent WM_CLOSE returned after {time.monotonic() - sent:.2f} s with the driver")
    bed.check(result is not None, "a sent WM_CLOSE beside the hung client: no answer within 5 s")
    ends_within(bed, app, main, "a sent WM_CLOSE beside the hung client")

    p.set_settings(bed, {"Tray Left": "1", "Close Juno": "True", "Close Juno Ask": "False"})
    app, main = p.start_in_tray(bed)
    bed.require(bed.tray(main, WM_LBUTTONUP), "could not send the tray callback")
    menu_opens(bed, main, "after Minimize/Restore on the hung client")
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


@scenario("others.foreign_confirm", timeout=150)
def foreign_confirm(bed: Bed):
    """Pocketry closes Juno at exit ("Close Juno", not asked) while another program shows a
    "Confirm Permanent Delete" question, topmost, so that a search by class and title finds it
    before Juno's own: Juno's question is answered and Juno ends; the other one is left alone."""
    p.set_settings(bed, {"First Run": "False", "Close Juno": "True", "Close Juno Ask": "False"})
    juno_proc = bed.start(p.JUNO_EXE, "--confirm-delete")
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    juno_pid = bed.info(juno[0])["pid"]
    other = bed.start(p.JUNO_EXE, "--foreign-confirm")
    other_dialog = bed.wait_window("#32770", CONFIRM_TITLE, 20000)
    bed.require(other_dialog, f"setup: the other program's \"{CONFIRM_TITLE}\" did not appear")
    app, main = p.start_in_tray(bed)

    bed.require(bed.post(main, WM_CLOSE), "could not post WM_CLOSE to Pocketry")
    deadline, found = time.monotonic() + 1.8, []
    while len(found) < 2 and time.monotonic() < deadline:
        found = [bed.info(h) for h in bed.find("#32770", CONFIRM_TITLE)]
        found = [w for w in found if w]
    bed.check_eq("the questions in search order (ours the process of Juno's window)",
                 ["other", "Juno's"], ["Juno's" if w["pid"] == juno_pid else "other"
                                       for w in found])
    rc = p.wait_exit(bed, app, 15, "Pocketry closing Juno at exit")
    bed.check_eq("Pocketry's exit code", 0, rc)
    bed.check_eq("the stand-in's exit code once its own question was answered", 0,
                 bed.wait_exit(juno_proc, 10))
    rc = bed.wait_exit(other, 0.5)
    bed.check(rc is None and bed.find("#32770", CONFIRM_TITLE),
              f"expected the other program's question left open, "
              f"{'it was answered &Yes' if rc == FOREIGN_YES else f'it ended with {rc}'}")
    if rc is None:
        bed.require(bed.close_window(other_dialog[0]), "could not close the other question")
        bed.check_eq("the other program's exit code once its question is closed", FOREIGN_NO,
                     bed.wait_exit(other, 10))
