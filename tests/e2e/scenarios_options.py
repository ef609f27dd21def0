"""The options dialog and the StartUp shortcut with the real program: the ways to open the
dialog, its pages and keys, what OK, Cancel, Esc and the close box leave in the Registry, the
shortcut made and removed through our shell-link library, the library's version, and the
pages' pictures at 96 and 144 dots per inch."""

from __future__ import annotations

import shutil
import struct
import time
from pathlib import Path
from typing import Optional

import pocketry as p
from e2elib import SC_CLOSE, VK_ESCAPE, WM_LBUTTONUP, WM_RBUTTONUP, WM_SYSCOMMAND, Bed, scenario

TITLE = "Options - Pocketry"
WM_COMMAND = 0x0111
WM_KEYDOWN = 0x0100
WM_KEYUP = 0x0101
VK_O = 79
STN_CLICKED = 0
BM_GETCHECK = 0x00F0
WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_THICKFRAME = 0x00040000
ERROR_MOD_NOT_FOUND = 126
ERROR_NO_UNICODE_TRANSLATION = 1113
TWIPS_PER_PIXEL_AT_96_DPI = 15
CLIENT_TWIPS = (6105, 4185)

LABEL3 = ("Currently the only auto function is the turning off of the \"always on top\" state "
          "of the Juno mail transfer windows.  Another function will be making Juno check for "
          "new mail at a set time interval -- coming soon. :-)")
TABS = ["&Juno", "&Auto", "&Other"]
PAGE_NAMES = ["juno", "auto", "other"]
FRAME = ("PocketryFrame", "")
# What shows whatever the page: (class, text) in the order of the window tree.
COMMON = [("Button", "OK"), ("Button", "Cancel"), ("Static", "StartUp shortcut:"),
          ("Button", "&Create"), ("Button", "R&emove"), FRAME,
          *[("Button", t) for t in TABS]]
PAGES = [
    [FRAME, ("Button", "Run Juno on startup"), ("Button", "Close Juno on exit"),
     ("Button", "Ask before closing Juno"), ("Button", "Empty the Juno ads folder on exit")],
    [FRAME, ("Static", LABEL3)],
    [FRAME, ("Button", "Exit when Juno is no longer running"),
     ("Button", "Empty the Juno ads folder when Juno is no longer running"),
     ("Static", "Tray icon left click:"), ("ComboBox", "Switch to Juno"),
     ("Button", "Use double-click for tray icon commands")],
]
# Tab from a page's own tab round the whole dialog back to it: the table's order, the
# disabled "Ask before closing Juno" and the other pages' controls left out.
BUTTONS = ["OK", "Cancel", "&Create", "R&emove"]
TAB_WALKS = [
    ["&Auto", "&Other", "Run Juno on startup", "Close Juno on exit",
     "Empty the Juno ads folder on exit", *BUTTONS, "&Juno"],
    ["&Other", *BUTTONS, "&Juno", "&Auto"],
    ["Exit when Juno is no longer running",
     "Empty the Juno ads folder when Juno is no longer running", "Switch to Juno",
     "Use double-click for tray icon commands", *BUTTONS, "&Juno", "&Auto", "&Other"],
]

# Every key the dialog's OK writes, plus the page and the first-start marker.
SAVED_KEYS = ["Run Juno", "Close Juno", "Close Juno Ask", "Empty Ads App", "Empty Ads Juno",
              "Exit No Juno", "Tray Left", "Tray Double", "Check Interval"]
STORED = {"First Run": "False", "Options Tab": "0", "Run Juno": "False", "Close Juno": "True",
          "Close Juno Ask": "True", "Empty Ads App": "True", "Empty Ads Juno": "False",
          "Exit No Juno": "False", "Tray Left": "5", "Tray Double": "False",
          "Check Interval": "450"}

STARTUP_LINK_TEXTS = {
    "created": "A Pocketry shortcut was created in the StartUp program group successfully.  "
               "Pocketry will now be run every time Windows starts up.\r\n\r\nIf you would like "
               "to have Juno be run when Pocketry starts up, then turn on the \"Run Juno on "
               "startup\" option.",
    "removed": "The Pocketry shortcut was removed from the StartUp program group successfully.",
    "not removed": "An error occurred attempting to remove the Pocketry shortcut from the "
                   "StartUp program group.",
}
NO_LIBRARY_ADVICE = ("The probable cause of this error is the Vb5stkit.dll support file does "
                     "not exist in the Windows System folder.")


# ---- helpers ----------------------------------------------------------------------------------

def dialogs(bed: Bed) -> list[int]:
    found = [bed.info(h) for h in bed.find("*", TITLE)]
    return [w["hwnd"] for w in found if w and w["exe"].lower() == p.EXE.lower()]


def wait_dialog(bed: Bed, how: str) -> int:
    bed.wait_window("*", TITLE, 8000)
    found = dialogs(bed)
    if not found:
        bed.abort(f"{how}: expected the dialog \"{TITLE}\" within 8 s, saw none (visible: "
                  f"{p.describe_windows(bed)})")
    bed.check_eq(f"{how}: number of options dialogs", 1, len(found))
    return found[0]


def wait_closed(bed: Bed, dialog: int, how: str) -> None:
    deadline = time.monotonic() + 5
    while bed.info(dialog) is not None and time.monotonic() < deadline:
        time.sleep(0.2)
    bed.require(bed.info(dialog) is None, f"{how}: expected the dialog to close, it is open")


def tree(bed: Bed, dialog: int) -> list[dict]:
    """The dialog's controls, each with 'shown': its own flag and every container's."""
    controls = bed.children(dialog)
    by_handle = {c["hwnd"]: c for c in controls}
    for c in controls:
        shown, parent = c["visible"], c["parent"]
        while shown and parent in by_handle:
            shown, parent = by_handle[parent]["visible"], by_handle[parent]["parent"]
        c["shown"] = shown
    return controls


def shown_table(controls: list[dict]) -> list[tuple]:
    return [(c["class"], c["text"]) for c in controls if c["shown"]]


def check_state(bed: Bed, button: int) -> Optional[int]:
    """BM_GETCHECK of a button of another process. Under Wine on a busy machine a sent
    message now and then fails at once (SMTO_ABORTIFHUNG); it is asked again."""
    for _ in range(3):
        state = bed.send(button, BM_GETCHECK)
        if state is not None:
            return state
        time.sleep(0.3)
    return None


def focus(bed: Bed, dialog: int) -> dict:
    rc, recs = bed.driver("focus", dialog)
    bed.require(rc == 0 and recs, "the driver could not read the focus")
    return recs[0]


def check_page(bed: Bed, dialog: int, page: int, how: str, combo: str = "Switch to Juno") -> None:
    """The whole table of shown controls is the page's, its tab alone is pressed, and the focus
    is on a control the user can see."""
    controls = tree(bed, dialog)
    rows = [(k, combo if k == "ComboBox" else t) for k, t in PAGES[page]]
    bed.check_eq(f"{how}: controls shown", COMMON + rows, shown_table(controls))
    tabs = {c["text"]: c["hwnd"] for c in controls if c["text"] in TABS}
    pressed = [t for t in TABS if check_state(bed, tabs[t]) == 1]
    bed.check_eq(f"{how}: tabs pressed", [TABS[page]], pressed)
    now = focus(bed, dialog)
    owner = next((c for c in controls if c["hwnd"] == now["hwnd"]), None)
    bed.check(owner is not None and owner["shown"],
              f"{how}: expected the focus on a shown control of the dialog, it is on "
              f"{now['class']} \"{now['text']}\"" + ("" if owner is None or owner["shown"]
                                                     else " of a hidden page"))


def post_key(bed: Bed, dialog: int, vk) -> None:
    bed.require(bed.key(dialog, vk), f"could not post key {vk} to the dialog")
    time.sleep(0.15)


def chord(bed: Bed, dialog: int, keys: str) -> None:
    bed.require(bed.driver("chord", dialog, keys)[0] == 0, f"could not type {keys} to the dialog")
    time.sleep(0.3)


def settings(bed: Bed) -> dict:
    values = bed.reg_query(p.SETTINGS_KEY) or {}
    bed.check(all(kind == "REG_SZ" for kind, _ in values.values()),
              f"expected every setting stored as REG_SZ text, saw {values}")
    return {name: data for name, (_, data) in values.items()}


def open_from_button(bed: Bed, main: int, how: str) -> int:
    bed.require(bed.click(main, "&Options..."), f"{how}: could not click \"&Options...\"")
    return wait_dialog(bed, how)


def open_from_tray_menu(bed: Bed, main: int, how: str) -> int:
    """Right click on the icon, then "Options..." (the third item) chosen with the keys."""
    bed.require(bed.tray(main, WM_RBUTTONUP), f"{how}: could not send the right click")
    menu = bed.menu(5000)
    bed.require(menu, f"{how}: expected the tray menu within 5 s, saw none")
    for _ in range(3):
        bed.require(bed.key(menu["hwnd"], "down"), f"{how}: could not press Down in the menu")
    bed.require(bed.key(menu["hwnd"], "enter") or bed.menu(0) is None,
                f"{how}: could not press Enter in the menu")
    return wait_dialog(bed, how)


def combo_text(bed: Bed, dialog: int) -> Optional[str]:
    found = [c["text"] for c in bed.children(dialog) if c["class"] == "ComboBox"]
    bed.require(len(found) == 1, f"expected one list in the dialog, saw {found}")
    return found[0]


def checks(bed: Bed, dialog: int) -> dict:
    """Check mark and enabled state of every check box of the dialog, by caption."""
    boxes = {}
    for c in tree(bed, dialog):
        if c["class"] == "Button" and c["style"] & 0xF in (2, 3) and c["text"] not in TABS:
            boxes[c["text"]] = (check_state(bed, c["hwnd"]), c["enabled"])
    return boxes


def click_box(bed: Bed, dialog: int, text: str) -> None:
    bed.require(bed.click(dialog, text), f"could not click \"{text}\"")
    time.sleep(0.3)


def box_text(bed: Bed, what: str, timeout_ms: int = 8000) -> Optional[dict]:
    box = bed.msgbox(p.BOX_TITLE, timeout_ms)
    if not bed.check(box, f"{what}: expected a message box within {timeout_ms // 1000} s, "
                          f"saw none"):
        return None
    bed.require(bed.answer(p.BOX_TITLE, "OK", 5000), f"{what}: the box did not close on OK")
    return box


def check_box(bed: Bed, what: str, text: str, icon: str) -> None:
    box = box_text(bed, what)
    if box:
        bed.check_eq(f"{what}: text", text, box["text"])
        bed.check_eq(f"{what}: icon", icon, box["icon"])
        bed.check_eq(f"{what}: buttons", ["OK"], [b["text"] for b in box["buttons"]])
        bed.check(box["topmost"], f"{what}: expected the system-modal box topmost, it is not")


def file_version(path: Path) -> str:
    """The file version of a PE file's version resource, read from its fixed file info."""
    data = path.read_bytes()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return "Unknown"
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def startup_folders(bed: Bed) -> tuple[Path, Path]:
    """The user's StartUp and Programs folders in the prefix (one user, Wine's layout; the
    StartUp folder's name is found as the file system would, without regard to case)."""
    users = [u for u in (bed.prefix / "drive_c/users").iterdir()
             if u.name not in ("Public", "Default") and not u.is_symlink()]
    bed.require(len(users) == 1, f"expected one user folder in the prefix, saw {users}")
    programs = users[0] / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    startup = [d for d in programs.iterdir() if d.name.lower() == "startup"]
    bed.require(len(startup) == 1, f"expected one StartUp folder in {programs}, saw {startup}")
    return startup[0], programs


def windows_path(bed: Bed, path: Path) -> str:
    return "C:\\" + str(path.relative_to(bed.prefix / "drive_c")).replace("/", "\\")


def version_message(bed: Bed, main: int, version: str, what: str) -> None:
    """A click on the version label (the notification a static sends) shows the support-file
    versions."""
    label = [c for c in bed.children(main) if c["text"].startswith("Version ")]
    bed.require(label, f"{what}: expected the version label in the main window")
    bed.require(bed.post(main, WM_COMMAND, (STN_CLICKED << 16) | label[0]["id"], label[0]["hwnd"]),
                f"{what}: could not click the version label")
    check_box(bed, what, f"Support file versions:\r\n\r\nVb5stkit.dll:\t{version}", "information")


def edges_with_ink(bed: Bed, shot: Path, c: dict, win: dict) -> list[str]:
    """Which edges of a control's box its text runs into: text that does not fit a check box or
    a label on one line touches its right edge. (The bottom edge tells nothing: the 8-point
    font's descenders fill a 13-pixel label to its last row.)"""
    dx = win["origin"][0] - win["rect"][0]
    dy = win["origin"][1] - win["rect"][1]
    left, top, right, bottom = c["rect"]
    grid = bed.pixels(shot, (left + dx, top + dy, right + dx, bottom + dy))
    colours = [px for row in grid for px in row]
    if not colours:
        return []
    background = max(set(colours), key=colours.count)
    return ["right"] if any(row[-1] != background for row in grid) else []


def check_layout(bed: Bed, dialog: int, what: str, shot: Path) -> None:
    """Nothing of the shown page is cut off, sticks out of its container or overlaps."""
    win = bed.info(dialog)
    controls = [c for c in tree(bed, dialog) if c["shown"]]
    by_handle = {c["hwnd"]: c for c in controls}
    client = (0, 0, *win["client"])
    for c in controls:
        outer = by_handle[c["parent"]]["rect"] if c["parent"] in by_handle else client
        l, t, r, b = c["rect"]
        bed.check(l >= outer[0] and t >= outer[1] and r <= outer[2] and b <= outer[3],
                  f"{what}: {c['class']} \"{c['text']}\" at {c['rect']} sticks out of its "
                  f"container {outer}")
        if c["class"] == "Static" or (c["class"] == "Button" and c["style"] & 0xF in (2, 3)
                                      and c["text"] not in TABS):
            for edge in edges_with_ink(bed, shot, c, win):
                bed.fail(f"{what}: the text of {c['class']} \"{c['text']}\" runs into the "
                         f"{edge} edge of its {r - l}x{b - t} px box (cut off)")
    leaves = [c for c in controls if c["class"] != FRAME[0]]
    for i, a in enumerate(leaves):
        for b in leaves[i + 1:]:
            al, at, ar, ab = a["rect"]
            bl, bt, br, bb = b["rect"]
            bed.check(ar <= bl or br <= al or ab <= bt or bb <= at,
                      f"{what}: \"{a['text']}\" {a['rect']} overlaps \"{b['text']}\" {b['rect']}")
    for problem in bed.clipped_labels(dialog, shot):
        bed.fail(f"{what}: {problem}")


def pictures(bed: Bed, dialog: int, dpi_name: str) -> None:
    """Each page shown by a click on its tab, photographed and checked for cut-off text."""
    for page, tab in enumerate(TABS):
        bed.require(bed.click(dialog, tab), f"could not click the tab \"{tab}\"")
        time.sleep(0.5)
        check_page(bed, dialog, page, f"{dpi_name}, tab {tab} clicked")
        shot = bed.screenshot(f"options-{PAGE_NAMES[page]}-{dpi_name}", bed.info(dialog)["rect"])
        if bed.check(shot, f"{dpi_name}: no screenshot of page {tab}"):
            check_layout(bed, dialog, f"{dpi_name}, page {tab}", shot)


# ---- scenarios --------------------------------------------------------------------------------

@scenario("options.opens_from_button_key_and_tray", timeout=150)
def opens_from_button_key_and_tray(bed: Bed):
    """The button, the O key and the tray menu's "Options..." open the one dialog; reaching the
    opener again while it is open brings it to the front instead of a second dialog."""
    _, main = p.start_first_time(bed)
    dialog = open_from_button(bed, main, "\"&Options...\" clicked")
    info = bed.info(dialog)
    bed.check_eq("caption", TITLE, info["title"])
    bed.check(not info["style"] & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              f"expected a fixed dialog without minimise and maximise boxes, style "
              f"{info['style']:#x}")
    screen = bed.screen()
    bed.require(screen["dpi"] == 96, "setup: the desktop is not at 96 dpi")
    bed.check_eq("client size in pixels at 96 dpi (6105 x 4185 twips)",
                 tuple(t // TWIPS_PER_PIXEL_AT_96_DPI for t in CLIENT_TWIPS), info["client"])
    sw, sh = screen["screen"]
    left, top, right, bottom = info["rect"]
    bed.check(abs((left + right) - sw) <= 1 and abs((top + bottom) - sh) <= 1,
              f"expected the dialog centred on the {sw}x{sh} screen, saw {info['rect']}")
    bed.check(not bed.info(main)["enabled"],
              "expected the main window disabled while the modal dialog is open")
    check_page(bed, dialog, 0, "default record")
    bed.check_eq("default record: check boxes (checked, enabled)", {
        "Run Juno on startup": (0, True), "Close Juno on exit": (0, True),
        "Ask before closing Juno": (1, False), "Empty the Juno ads folder on exit": (0, True),
        "Exit when Juno is no longer running": (0, True),
        "Empty the Juno ads folder when Juno is no longer running": (0, True),
        "Use double-click for tray icon commands": (0, True)}, checks(bed, dialog))

    # The opener reached again while the dialog is open, with another window in front: an O
    # key posted to the (disabled) main window reaches its handler through the dialog's loop,
    # as a second way in (the tray's "Options", another program) would.
    trays = bed.find("Shell_TrayWnd", "*")
    bed.require(trays and bed.foreground(trays[0]), "setup: could not bring the taskbar forward")
    bed.check(not bed.info(dialog)["foreground"], "setup: the dialog is still in front")
    bed.require(bed.post(main, WM_KEYDOWN, VK_O, 0x00180001), "could not post the O key")
    bed.post(main, WM_KEYUP, VK_O, 0xC0180001)
    time.sleep(1)
    bed.check_eq("dialogs after the opener ran again", [dialog], dialogs(bed))
    info = bed.info(dialog)
    bed.check(info and info["foreground"],
              "expected the open dialog brought to the front when the opener ran again")
    bed.require(bed.click(dialog, "Cancel"), "could not click Cancel")
    wait_closed(bed, dialog, "Cancel")
    bed.check(bed.info(main)["enabled"], "expected the main window enabled again after Cancel")

    # The O key of the main window (typed, whatever modifiers are held).
    for keys in ("o", "alt+o"):
        chord(bed, main, keys)
        dialog = wait_dialog(bed, f"{keys} in the main window")
        post_key(bed, dialog, VK_ESCAPE)
        wait_closed(bed, dialog, f"Esc after {keys}")

    # From the tray: the window hidden, the dialog has no owner and comes up in front.
    bed.require(bed.click(main, "OK"), "could not click OK in the main window")
    bed.require(bed.tray_icon(main, p.TRAY_ICON_ID, 5000), "setup: OK did not go to the tray")
    dialog = open_from_tray_menu(bed, main, "tray menu \"Options...\"")
    info = bed.info(dialog)
    bed.check(info["visible"] and info["foreground"],
              f"tray: expected the dialog shown in front, saw visible={info['visible']} "
              f"foreground={info['foreground']}")
    bed.check_eq("tray: the dialog's owner (none while the main window is hidden)", 0,
                 info["owner"])
    bed.require(bed.click(dialog, "OK"), "could not click OK")
    wait_closed(bed, dialog, "OK after the tray")
    bed.check(bed.tray_icon(main, p.TRAY_ICON_ID), "expected Pocketry still in the tray after OK")


@scenario("options.pages_by_click_and_keys", timeout=150)
def pages_by_click_and_keys(bed: Bed):
    """Each way of choosing a page shows exactly its controls; Tab and Shift+Tab go round the
    shown controls in the table's order and never onto a hidden page's; screenshots at 96
    dpi."""
    _, main = p.start_first_time(bed)
    dialog = open_from_button(bed, main, "\"&Options...\"")
    bed.require(bed.screen()["dpi"] == 96, "setup: the desktop is not at 96 dpi")
    pictures(bed, dialog, "96dpi")

    # The focus on a page's control, then the page switched away by the keys.
    chord(bed, dialog, "alt+j")
    post_key(bed, dialog, "tab")
    post_key(bed, dialog, "tab")
    post_key(bed, dialog, "tab")
    bed.check_eq("focus after Alt+J, Tab, Tab, Tab", "Run Juno on startup",
                 focus(bed, dialog)["text"])
    steps = [("ctrl+tab", 1), ("ctrl+tab", 2), ("ctrl+tab", 0), ("ctrl+shift+tab", 2),
             ("ctrl+shift+tab", 1), ("alt+o", 2), ("alt+a", 1), ("alt+j", 0), ("alt+o", 2)]
    for keys, page in steps:
        chord(bed, dialog, keys)
        check_page(bed, dialog, page, keys)
    bed.require(bed.click(dialog, "&Other"), "could not click \"&Other\"")
    time.sleep(0.3)
    check_page(bed, dialog, 2, "the shown page's tab clicked again")

    for page, tab in enumerate(TABS):
        chord(bed, dialog, f"alt+{tab[1].lower()}")
        bed.check_eq(f"focus after Alt+{tab[1]}", tab, focus(bed, dialog)["text"])
        walk = []
        for _ in TAB_WALKS[page]:
            post_key(bed, dialog, "tab")
            walk.append(focus(bed, dialog)["text"])
        bed.check_eq(f"Tab round the dialog from \"{tab}\"", TAB_WALKS[page], walk)
        if page == 2:
            back = []
            for _ in TAB_WALKS[page]:
                chord(bed, dialog, "shift+tab")
                back.append(focus(bed, dialog)["text"])
            bed.check_eq(f"Shift+Tab round the dialog from \"{tab}\"",
                         list(reversed([tab] + TAB_WALKS[page][:-1])), back)
    bed.require(bed.click(dialog, "Cancel"), "could not click Cancel")
    wait_closed(bed, dialog, "Cancel")


@scenario("options.ok_saves_every_key_and_applies", timeout=150)
def ok_saves_every_key_and_applies(bed: Bed):
    """OK writes all nine keys and the page; the tray's left click runs the new command at
    once: "Hide/Show Juno" hides the stand-in."""
    p.set_settings(bed, {"Check Interval": "450"})
    bed.start(p.JUNO_EXE)
    juno = bed.wait_window(p.JUNO_CLASS, p.JUNO_TITLE, 20000)
    bed.require(juno, "setup: the stand-in's main window did not appear within 20 s")
    juno = juno[0]
    _, main = p.start_in_tray(bed)
    bed.check_eq("settings before OK", {"First Run": "False", "Check Interval": "450"},
                 settings(bed))

    dialog = open_from_tray_menu(bed, main, "tray menu \"Options...\"")
    click_box(bed, dialog, "Run Juno on startup")
    click_box(bed, dialog, "Close Juno on exit")
    click_box(bed, dialog, "Ask before closing Juno")
    chord(bed, dialog, "alt+o")
    click_box(bed, dialog, "Empty the Juno ads folder when Juno is no longer running")
    chord(bed, dialog, "alt+o")
    for _ in range(3):
        post_key(bed, dialog, "tab")
    bed.check_eq("focus three Tabs after Alt+O", "Switch to Juno", focus(bed, dialog)["text"])
    post_key(bed, dialog, "down")
    post_key(bed, dialog, "down")
    bed.check_eq("the list after Down, Down", "Hide/Show Juno", combo_text(bed, dialog))
    bed.require(bed.click(dialog, "OK"), "could not click OK")
    wait_closed(bed, dialog, "OK")
    bed.check_eq("settings after OK", {
        "First Run": "False", "Run Juno": "True", "Close Juno": "True", "Close Juno Ask": "False",
        "Empty Ads App": "False", "Empty Ads Juno": "True", "Exit No Juno": "False",
        "Tray Left": "2", "Tray Double": "False", "Check Interval": "450", "Options Tab": "2",
    }, settings(bed))

    bed.require(bed.tray(main, WM_LBUTTONUP), "could not send the left click")
    info = p.wait_state(bed, juno, "visible", False, 5)
    bed.check(info and not info["visible"],
              "expected the left click to hide the stand-in (\"Hide/Show Juno\" chosen), it is "
              "still shown")
    bed.require(bed.tray(main, WM_LBUTTONUP), "could not send the second left click")
    info = p.wait_state(bed, juno, "visible", True, 5)
    bed.check(info and info["visible"], "expected the next left click to show the stand-in")

    # The next opening shows the saved values and the page last chosen.
    dialog = open_from_tray_menu(bed, main, "reopened")
    check_page(bed, dialog, 2, "reopened after OK", combo="Hide/Show Juno")
    bed.check_eq("reopened: check boxes (checked, enabled)", {
        "Run Juno on startup": (1, True), "Close Juno on exit": (1, True),
        "Ask before closing Juno": (0, True), "Empty the Juno ads folder on exit": (0, True),
        "Exit when Juno is no longer running": (0, True),
        "Empty the Juno ads folder when Juno is no longer running": (1, True),
        "Use double-click for tray icon commands": (0, True)}, checks(bed, dialog))
    post_key(bed, dialog, VK_ESCAPE)
    wait_closed(bed, dialog, "Esc")


@scenario("options.cancel_esc_close_box_keep_record", timeout=150)
def cancel_esc_close_box_keep_record(bed: Bed):
    """Cancel, Esc and the close box throw the edits away: the Registry keeps every value but
    "Options Tab" (the page last shown), and so does the running program."""
    p.set_settings(bed, STORED)
    bed.start(p.EXE)
    main = p.main_window(bed)
    bed.require(bed.tray_icon(main, p.TRAY_ICON_ID, 15000), "setup: no tray icon")
    expected_boxes = {
        "Run Juno on startup": (0, True), "Close Juno on exit": (1, True),
        "Ask before closing Juno": (1, True), "Empty the Juno ads folder on exit": (1, True),
        "Exit when Juno is no longer running": (0, True),
        "Empty the Juno ads folder when Juno is no longer running": (0, True),
        "Use double-click for tray icon commands": (0, True)}
    ways = [("Cancel", "&Auto", 1), ("Esc", "&Other", 2), ("close box", "&Juno", 0)]
    page = 0
    for how, tab, new_page in ways:
        dialog = open_from_tray_menu(bed, main, f"before {how}")
        check_page(bed, dialog, page, f"opened before {how}", combo="Restore Window")
        bed.check_eq(f"before {how}: check boxes (checked, enabled)", expected_boxes,
                     checks(bed, dialog))
        bed.require(bed.click(dialog, "&Juno"), "could not click &Juno")
        for text in ("Run Juno on startup", "Close Juno on exit",
                     "Empty the Juno ads folder on exit"):
            click_box(bed, dialog, text)
        bed.require(bed.click(dialog, tab), f"could not click {tab}")
        time.sleep(0.3)
        if new_page == 2:
            click_box(bed, dialog, "Use double-click for tray icon commands")
        if how == "Cancel":
            bed.require(bed.click(dialog, "Cancel"), "could not click Cancel")
        elif how == "Esc":
            post_key(bed, dialog, VK_ESCAPE)
        else:
            bed.require(bed.post(dialog, WM_SYSCOMMAND, SC_CLOSE), "could not press the close box")
        wait_closed(bed, dialog, how)
        page = new_page
        bed.check_eq(f"settings after {how}", {**STORED, "Options Tab": str(page)},
                     settings(bed))
    # The record in memory kept the stored values too: the tray's left click still restores
    # the window ("Tray Left" 5), not a command an edit could have chosen.
    bed.require(bed.tray(main, WM_LBUTTONUP), "could not send the left click")
    info = p.wait_state(bed, main, "visible", True, 5)
    bed.check(info and info["visible"], "expected a left click to restore the main window")


@scenario("options.startup_shortcut_and_library", timeout=180)
def startup_shortcut_and_library(bed: Bed):
    """"&Create" writes a real shortcut to Pocketry.exe into the StartUp folder, "R&emove"
    deletes it, a second "R&emove" fails; the version message names the library's version; and
    without the library either button says so with the system's description."""
    startup, programs = startup_folders(bed)
    before = sorted(x.name for x in programs.iterdir()) if programs.exists() else []
    link = startup / "Pocketry.lnk"
    bed.require(not link.exists(), f"setup: {link} exists already")
    library = bed.install_dir / "vb5stkit.dll"
    bed.require(library.is_file(), "setup: vb5stkit.dll is not beside Pocketry.exe")
    _, main = p.start_first_time(bed)
    version_message(bed, main, file_version(library), "version message with the library")

    dialog = open_from_button(bed, main, "\"&Options...\"")
    bed.require(bed.click(dialog, "&Create"), "could not click \"&Create\"")
    check_box(bed, "\"&Create\"", STARTUP_LINK_TEXTS["created"], "information")
    if bed.check(link.is_file(), f"expected {link} after \"&Create\", it is not there"):
        rc, recs = bed.driver("shelllink", windows_path(bed, link))
        bed.check_eq("the shortcut read back (target, arguments, working folder)",
                     {"path": "C:\\Pocketry\\Pocketry.exe", "idpath": "C:\\Pocketry\\Pocketry.exe",
                      "arguments": "", "workdir": "C:\\Pocketry"},
                     recs[0] if rc == 0 and recs else None)
    bed.check_eq("the Programs folder (StartUp is no group of its own there)", before,
                 sorted(x.name for x in programs.iterdir()))
    bed.require(bed.click(dialog, "&Create"), "could not click \"&Create\" again")
    check_box(bed, "\"&Create\" again (replaces the shortcut)", STARTUP_LINK_TEXTS["created"],
              "information")
    bed.require(bed.click(dialog, "R&emove"), "could not click \"R&emove\"")
    check_box(bed, "\"R&emove\"", STARTUP_LINK_TEXTS["removed"], "information")
    bed.check(not link.exists(), f"expected {link} gone after \"R&emove\", it is still there")
    bed.require(bed.click(dialog, "R&emove"), "could not click \"R&emove\" again")
    check_box(bed, "\"R&emove\" with no shortcut", STARTUP_LINK_TEXTS["not removed"], "warning")
    bed.check_eq("dialogs after the shortcut buttons (the dialog stays open)", [dialog],
                 dialogs(bed))
    bed.require(bed.click(dialog, "Cancel"), "could not click Cancel")
    wait_closed(bed, dialog, "Cancel")

    # Without the library.
    bed.kill_all()
    library.unlink()
    bed.reg_delete(p.SETTINGS_KEY, "First Run")
    rc, recs = bed.driver("errtext", ERROR_MOD_NOT_FOUND)
    bed.require(rc == 0 and recs, "the driver could not read the system's error text")
    # The system's text ends in a full stop and a line break; the message puts it on a line of
    # its own without them.
    description = recs[0]["text"].rstrip(" \r\n.")
    _, main = p.start_first_time(bed)
    version_message(bed, main, "Unknown", "version message without the library")
    dialog = open_from_button(bed, main, "\"&Options...\" without the library")
    for button, verb in (("&Create", "create"), ("R&emove", "remove")):
        bed.require(bed.click(dialog, button), f"could not click \"{button}\"")
        check_box(bed, f"\"{button}\" without the library",
                  f"An error occurred attempting to {verb} the Pocketry shortcut:\r\n\r\n"
                  f"{description}\r\n\r\n{NO_LIBRARY_ADVICE}", "warning")
    bed.check(not link.exists(), f"expected no {link} without the library")


@scenario("options.startup_shortcut_from_any_folder", timeout=240)
def startup_shortcut_from_any_folder(bed: Bed):
    """Unpacked under a folder whose name the ANSI code page (1252) cannot hold, "&Create"
    makes a shortcut whose target, read back through IShellLinkW, is exactly the program's own
    path. With an older library that has only the narrow functions, a folder the code page
    holds ("Jünö") still works, and the CJK one fails with the system's description instead of
    a shortcut to the wrong place."""
    startup, _ = startup_folders(bed)
    link = startup / "Pocketry.lnk"
    drive = bed.prefix / "drive_c"
    narrow = bed.install_dir / "vb5stkit-narrow.dll"
    bed.require(narrow.is_file(), "setup: vb5stkit-narrow.dll is not in the build folder")
    rc, recs = bed.driver("errtext", ERROR_NO_UNICODE_TRANSLATION)
    bed.require(rc == 0 and recs, "the driver could not read the system's error text")
    untranslatable = recs[0]["text"].rstrip(" \r\n.")

    for n, (name, library, works) in enumerate([("テスト", "vb5stkit.dll", True),
                                                ("Jünö", "vb5stkit-narrow.dll", True),
                                                ("テスト", "vb5stkit-narrow.dll", False)]):
        how = f"from C:\\{name} with {library}"
        if n:
            bed.kill_all()
            bed.reg_delete(p.SETTINGS_KEY, "First Run")
            link.unlink(missing_ok=True)
        folder = drive / name
        folder.mkdir(exist_ok=True)
        shutil.copy2(bed.install_dir / p.EXE, folder / p.EXE)
        shutil.copy2(bed.install_dir / library, folder / "vb5stkit.dll")
        _, main = p.start_first_time(bed, folder)
        dialog = open_from_button(bed, main, f"\"&Options...\" {how}")
        bed.require(bed.click(dialog, "&Create"), f"{how}: could not click \"&Create\"")
        if not works:
            check_box(bed, f"\"&Create\" {how}",
                      f"An error occurred attempting to create the Pocketry shortcut:\r\n\r\n"
                      f"{untranslatable}\r\n\r\n{NO_LIBRARY_ADVICE}", "warning")
            bed.check(not link.exists(), f"{how}: expected no {link}, it is there")
            continue
        check_box(bed, f"\"&Create\" {how}", STARTUP_LINK_TEXTS["created"], "information")
        if not bed.check(link.is_file(), f"{how}: expected {link} after \"&Create\", saw none"):
            continue
        rc, recs = bed.driver("shelllink", bed.windows_path(link))
        bed.require(rc == 0 and recs, f"{how}: the driver could not read {link}")
        own = f"C:\\{name}\\{p.EXE}"
        seen = dict(recs[0])
        # Wine writes a shortcut's path in the ANSI code page only (Windows adds the UTF-16
        # form), so its GetPath turns what 1252 lacks into "?"; the item ID list keeps it.
        if seen["path"] == own.encode("cp1252", "replace").decode("cp1252"):
            seen["path"] = own
        bed.check_eq(f"{how}: the shortcut read back through IShellLinkW",
                     {"path": own, "idpath": own, "arguments": "", "workdir": f"C:\\{name}"},
                     seen)
