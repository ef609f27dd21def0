"""Pocketry's start: first-start notice, main window, single instance, shutdown, tray."""

from __future__ import annotations

import pocketry as p
from e2elib import (SC_CLOSE, SC_MINIMIZE, VK_ESCAPE, VK_RETURN, WM_CLOSE, WM_SYSCOMMAND, Bed,
                    scenario)

TWIPS_PER_PIXEL_AT_96_DPI = 15
CLIENT_TWIPS = (4470, 2370)
ES_MULTILINE = 0x0004
ES_READONLY = 0x0800


@scenario("startup.first_start_notice", timeout=90)
def first_start_notice(bed: Bed):
    app = bed.start(p.EXE)
    box = bed.msgbox(p.BOX_TITLE, 30000)
    if not box:
        bed.abort(f"expected a message box \"{p.BOX_TITLE}\" on the very first start within "
                  f"30 s, saw none (visible: {p.describe_windows(bed)})")
    bed.check_eq("notice text", p.FIRST_RUN_NOTICE, box["text"])
    bed.check_eq("notice buttons", ["OK"], [b["text"] for b in box["buttons"]])
    bed.check_eq("notice icon", "information", box["icon"])
    bed.check(box["topmost"], "expected the system-modal notice to be topmost, it is not")
    box_info = bed.info(box["hwnd"])
    bed.check(box_info and box_info["foreground"],
              "expected the notice to be the foreground window, it is not")

    # Before the notice is answered: the setting is stored and the window is already up.
    bed.check_eq("First Run while the notice is up", ("REG_SZ", "False"),
                 bed.reg_get(p.SETTINGS_KEY, "First Run"))
    main = p.main_window(bed, 5000)
    info = bed.info(main)
    bed.check(info["visible"] and not info["iconic"],
              f"expected the main window shown under the notice, saw visible={info['visible']} "
              f"iconic={info['iconic']}")
    bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
              "expected no tray icon while the notice is up, the shell holds one")

    bed.require(bed.answer(p.BOX_TITLE, "OK", 5000), "the notice did not close when OK was pressed")
    info = bed.info(main)
    bed.require(info, "the main window vanished when the notice was answered")
    bed.check(info["visible"] and not info["iconic"],
              f"expected the main window to stay shown after the notice, saw "
              f"visible={info['visible']} iconic={info['iconic']}")
    bed.check(not bed.tray_icon(main, p.TRAY_ICON_ID),
              "expected no tray icon after the notice (window not minimised), the shell holds one")
    again = bed.msgbox("*", 1500)
    bed.check(again is None, f"expected no further message box, saw {again and again['text']!r}")
    bed.check(bed.wait_exit(app, 0.5) is None, "Pocketry exited after the notice")


@scenario("startup.main_window_layout", timeout=90)
def main_window_layout(bed: Bed):
    _, main = p.start_first_time(bed)
    info = bed.info(main)
    bed.check_eq("caption (exact case)", p.MAIN_TITLE, info["title"])

    dpi = bed.screen()["dpi"]
    bed.check_eq("logical DPI of the test desktop", 96, dpi)
    expected_client = tuple(t // TWIPS_PER_PIXEL_AT_96_DPI for t in CLIENT_TWIPS)
    bed.check_eq("client size in pixels (4470 x 2370 twips)", expected_client, info["client"])

    wa_left, wa_top, wa_right, wa_bottom = bed.screen()["workarea"]
    left, top, right, bottom = info["rect"]
    width, height = right - left, bottom - top
    expected = (wa_left + (wa_right - wa_left - width) // 2,
                wa_top + (wa_bottom - wa_top - height) // 3)
    bed.check_eq(f"window position (work area {wa_left},{wa_top},{wa_right},{wa_bottom}, "
                 f"window {width}x{height})", expected, (left, top))

    children = bed.children(main)
    for text in ("OK", "Exit", "&Options..."):
        buttons = [c for c in children if c["class"].lower() == "button" and c["text"] == text]
        if bed.check(buttons, f"expected a button \"{text}\", saw buttons "
                              f"{[c['text'] for c in children if c['class'].lower() == 'button']}"):
            bed.check(buttons[0]["visible"] and buttons[0]["enabled"],
                      f"expected button \"{text}\" visible and enabled, saw "
                      f"visible={buttons[0]['visible']} enabled={buttons[0]['enabled']}")
    edits = [c for c in children if c["class"].lower() == "edit"]
    bed.check(any(e["style"] & ES_MULTILINE and e["style"] & ES_READONLY and e["visible"]
                  for e in edits),
              f"expected a visible read-only multi-line edit, saw edit styles "
              f"{[hex(e['style']) for e in edits]}")
    labels = [c["text"] for c in children if c["class"].lower() == "static"]
    bed.check("Version 1.0.0.0" in labels, f"expected a label \"Version 1.0.0.0\", saw {labels}")

    # Nothing may stick out of the client area (the parent would clip it).
    client_w, client_h = info["client"]
    for c in children:
        if c["visible"] and c["parent"] == main:
            cl, ct, cr, cb = c["rect"]
            bed.check(cl >= 0 and ct >= 0 and cr <= client_w and cb <= client_h,
                      f"{c['class']} \"{c['text']}\" at {c['rect']} sticks out of the "
                      f"{client_w}x{client_h} client area")
    bed.check(left >= wa_left and top >= wa_top and right <= wa_right and bottom <= wa_bottom,
              f"expected the window inside the work area, saw {info['rect']}")
    shot = bed.screenshot("startup-main-window", info["rect"])
    if shot:
        for problem in bed.clipped_labels(main, shot):
            bed.fail(problem)


@scenario("startup.second_instance_exits_silently", timeout=120)
def second_instance_exits_silently(bed: Bed):
    first, main = p.start_first_time(bed)
    for phase in ("main window shown", "in the tray"):
        if phase == "in the tray":
            bed.require(bed.key(main, VK_RETURN), "could not press Enter in the main window")
            bed.require(p.wait_state(bed, main, "visible", False), "main window vanished")
            bed.require(bed.tray_icon(main, p.TRAY_ICON_ID, 5000),
                        "setup: Enter did not put Pocketry in the tray")
        before = bed.info(main)
        watch = bed.watch()
        second = bed.start(p.EXE)
        rc = p.wait_exit(bed, second, 15, f"second start ({phase})")
        watch.stop()
        bed.check_eq(f"second start's exit code ({phase})", 0, rc)
        shown = [f"{e['class']} \"{e['title']}\"" for e in watch.shown(p.EXE)]
        bed.check(not shown, f"second start ({phase}): expected no window to appear, saw {shown}")
        after = bed.info(main)
        bed.require(after, f"second start ({phase}): the first instance's window is gone")
        for key in ("pid", "title", "visible", "iconic", "rect"):
            bed.check_eq(f"first instance's {key} after a second start ({phase})",
                         before[key], after[key])
        bed.check_eq(f"number of main windows ({phase})", 1, len(p.main_windows(bed)))
        bed.check(bed.wait_exit(first, 0.2) is None,
                  f"the first instance exited on a second start ({phase})")
    bed.check(bed.tray_icon(main, p.TRAY_ICON_ID),
              "the first instance's tray icon is gone after a second start")


@scenario("startup.escape_and_close_box_end_program", timeout=150)
def escape_and_close_box_end_program(bed: Bed):
    ways = {
        "Esc": lambda main: bed.key(main, VK_ESCAPE),
        "WM_CLOSE": lambda main: bed.post(main, WM_CLOSE),
        "close box (SC_CLOSE)": lambda main: bed.post(main, WM_SYSCOMMAND, SC_CLOSE),
    }
    for how, app, main in p.first_starts(bed, ways):
        rc = p.wait_exit(bed, app, 15, how)
        if rc is not None:
            bed.check_eq(f"exit code after {how}", 0, rc)
            bed.check(not p.main_windows(bed), f"{how}: the main window is still there")


@scenario("startup.ok_enter_minimise_go_to_tray", timeout=150)
def ok_enter_minimise_go_to_tray(bed: Bed):
    ways = {
        "Enter": lambda main: bed.key(main, VK_RETURN),
        "OK button": lambda main: bed.click(main, "OK"),
        "minimise (SC_MINIMIZE)": lambda main: bed.post(main, WM_SYSCOMMAND, SC_MINIMIZE),
    }
    for how, app, main in p.first_starts(bed, ways):
        bed.check(bed.tray_icon(main, p.TRAY_ICON_ID, 5000),
                  f"{how}: expected tray icon {p.TRAY_ICON_ID} of the main window, the shell "
                  f"holds none")
        if how != "minimise (SC_MINIMIZE)":
            info = p.wait_state(bed, main, "visible", False, 5)
            bed.require(info, f"{how}: the main window was destroyed")
            bed.check(not info["visible"], f"{how}: expected the main window hidden, it is shown")
        if how == "Enter":
            bed.check_eq("tray tip", p.MAIN_TITLE, bed.tray_tip())
        bed.check(bed.wait_exit(app, 0.2) is None, f"{how}: Pocketry exited")


@scenario("startup.later_start_goes_to_tray", timeout=90)
def later_start_goes_to_tray(bed: Bed):
    bed.reg_set(p.SETTINGS_KEY, "First Run", "False")
    watch = bed.watch()
    app = bed.start(p.EXE)
    main = p.main_window(bed)
    icon = bed.tray_icon(main, p.TRAY_ICON_ID, 15000)
    watch.stop(settle=1.5)
    bed.check(icon, "expected the tray icon within 15 s, the shell holds none")
    shown = [f"{e['class']} \"{e['title']}\"" for e in watch.shown(p.EXE)]
    bed.check(not shown, f"expected no window shown on a later start, saw {shown}")
    info = bed.info(main)
    bed.require(info, "the main window vanished")
    bed.check(not info["visible"], "expected the main window hidden, it is shown")
    if icon:
        bed.check_eq("tray tip", p.MAIN_TITLE, bed.tray_tip())
    bed.check_eq("First Run after a later start", ("REG_SZ", "False"),
                 bed.reg_get(p.SETTINGS_KEY, "First Run"))
    bed.check(bed.wait_exit(app, 0.2) is None, "Pocketry exited")
