"""The options dialog and the StartUp shortcut with the real program: the dialog from the tray
and from the button, its pages and keys, what OK leaves in the Registry, and the shortcut made
and removed through our shell-link library (wide or narrow) from folders of any name."""

from __future__ import annotations

import shutil
import struct
import time
from itertools import combinations
from pathlib import Path
from typing import Optional

import pocketry as p
import scenarios_tray as t
from e2elib import SC_MINIMIZE, WM_SYSCOMMAND, Bed, scenario

TITLE = "Options - Pocketry"
WM_COMMAND = 0x0111
BM_GETCHECK = 0x00F0
SIZING_STYLES = 0x00070000  # WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_THICKFRAME
ERROR_MOD_NOT_FOUND = 126
ERROR_NO_UNICODE_TRANSLATION = 1113

LABEL3 = ("Currently the only auto function is the turning off of the \"always on top\" state "
          "of the Juno mail transfer windows.  Another function will be making Juno check for "
          "new mail at a set time interval -- coming soon. :-)")
TABS = ["&Juno", "&Auto", "&Other"]
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

LINK_CREATED = ("A Pocketry shortcut was created in the StartUp program group successfully.  "
                "Pocketry will now be run every time Windows starts up.\r\n\r\nIf you would like "
                "to have Juno be run when Pocketry starts up, then turn on the \"Run Juno on "
                "startup\" option.")
NO_LIBRARY_ADVICE = ("The probable cause of this error is the Vb5stkit.dll support file does "
                     "not exist in the Windows System folder.")


def wait_dialog(bed: Bed, how: str) -> int:
    found = [w["hwnd"] for w in map(bed.info, bed.wait_window("*", TITLE, 8000))
             if w and w["exe"].lower() == p.EXE.lower()]
    bed.require(len(found) == 1, f"{how}: expected one dialog \"{TITLE}\" within 8 s, saw "
                                 f"{len(found)} (visible: {p.describe_windows(bed)})")
    return found[0]


def close_with(bed: Bed, dialog: int, button: str, how: str) -> None:
    bed.require(bed.click(dialog, button), f"{how}: could not click {button}")
    bed.require(bed.wait_gone("*", TITLE, 5000),
                f"{how}: expected the dialog to close on {button}, it is open")


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


def check_state(bed: Bed, button: int) -> Optional[int]:
    """BM_GETCHECK of a button of another process. Under Wine on a busy machine a sent
    message now and then fails at once (SMTO_ABORTIFHUNG); it is asked again."""
    for _ in range(3):
        state = bed.send(button, BM_GETCHECK)
        if state is not None:
            return state
        time.sleep(0.3)
    return None


def check_page(bed: Bed, dialog: int, page: int, how: str) -> None:
    """The whole table of shown controls is the page's, and its tab alone is pressed (the tabs
    are auto check boxes: Windows toggles them on its own)."""
    controls = tree(bed, dialog)
    bed.check_eq(f"{how}: controls shown", COMMON + PAGES[page],
                 [(c["class"], c["text"]) for c in controls if c["shown"]])
    pressed = [c["text"] for c in controls
               if c["text"] in TABS and check_state(bed, c["hwnd"]) == 1]
    bed.check_eq(f"{how}: tabs pressed", [TABS[page]], pressed)


def press(bed: Bed, dialog: int, command: str, what: str) -> None:
    """A driver command on the dialog ("click" a button, "key", "chord"), then time to take it."""
    bed.require(bed.driver(command, dialog, what)[0] == 0,
                f"could not {command} \"{what}\" in the dialog")
    time.sleep(0.3)


def open_from_button(bed: Bed, main: int, how: str) -> int:
    bed.require(bed.click(main, "&Options..."), f"{how}: could not click \"&Options...\"")
    return wait_dialog(bed, how)


def version_message(bed: Bed, main: int, library: Optional[Path], what: str) -> None:
    """A click on the version label, as the notification a static sends (STN_CLICKED, 0): the
    message names the library's file version, read here from its fixed file info."""
    label = [c for c in bed.children(main) if c["text"].startswith("Version ")]
    bed.require(label and bed.post(main, WM_COMMAND, label[0]["id"], label[0]["hwnd"]),
                f"{what}: could not click the version label")
    version = "Unknown"
    if library:
        data = library.read_bytes()
        at = data.index(struct.pack("<I", 0xFEEF04BD)) + 8  # VS_FIXEDFILEINFO's file version
        minor, major, fourth, third = struct.unpack_from("<4H", data, at)  # two DWORDs
        version = f"{major}.{minor}.{third}.{fourth}"
    t.box(bed, what, f"Support file versions:\r\n\r\nVb5stkit.dll:\t{version}")


def check_layout(bed: Bed, dialog: int, what: str, shot: Path) -> None:
    """Nothing of the shown page sticks out of its container, overlaps or is cut off. Text that
    does not fit a check box or a label on one line runs into its right edge. (The bottom edge
    tells nothing: the 8-point font's descenders fill a 13-pixel label to its last row.)"""
    win = bed.info(dialog)
    dx, dy = (win["origin"][i] - win["rect"][i] for i in (0, 1))
    client = (0, 0, *win["client"])
    controls = [c for c in tree(bed, dialog) if c["shown"]]
    by_handle = {c["hwnd"]: c for c in controls}
    for c in controls:
        outer = by_handle[c["parent"]]["rect"] if c["parent"] in by_handle else client
        l, t, r, b = c["rect"]
        bed.check(l >= outer[0] and t >= outer[1] and r <= outer[2] and b <= outer[3],
                  f"{what}: {c['class']} \"{c['text']}\" at {c['rect']} sticks out of its "
                  f"container {outer}")
        if c["class"] == "Static" or (c["class"] == "Button" and c["style"] & 0xF in (2, 3)
                                      and c["text"] not in TABS):
            grid = bed.pixels(shot, (l + dx, t + dy, r + dx, b + dy))
            colours = [px for row in grid for px in row]
            background = max(set(colours), key=colours.count) if colours else None
            bed.check(all(row[-1] == background for row in grid),
                      f"{what}: the text of {c['class']} \"{c['text']}\" runs into the right "
                      f"edge of its {r - l}x{b - t} px box (cut off)")
    for a, b in combinations([c for c in controls if c["class"] != FRAME[0]], 2):
        (al, at, ar, ab), (bl, bt, br, bb) = a["rect"], b["rect"]
        bed.check(ar <= bl or br <= al or ab <= bt or bb <= at,
                  f"{what}: \"{a['text']}\" {a['rect']} overlaps \"{b['text']}\" {b['rect']}")


def pictures(bed: Bed, dialog: int, dpi_name: str) -> None:
    """Each page shown by a click on its tab, photographed and checked for cut-off text."""
    for tab in TABS:
        bed.require(bed.click(dialog, tab), f"could not click the tab \"{tab}\"")
        time.sleep(0.5)
        shot = bed.screenshot(f"options-{tab.strip('&').lower()}-{dpi_name}",
                              bed.info(dialog)["rect"])
        if bed.check(shot, f"{dpi_name}: no screenshot of page {tab}"):
            check_layout(bed, dialog, f"{dpi_name}, page {tab}", shot)


@scenario("options.dialog_and_startup_shortcut", timeout=330)
def dialog_and_startup_shortcut(bed: Bed):
    """Unpacked under a folder whose name the ANSI code page (1252) cannot hold, beside Juno,
    first without the library: the version message says "Unknown", and "&Create" in the dialog
    (from the button: owned by the main window, which waits disabled) fails with the system's
    description. With the library put beside the program, "&Create" writes a shortcut whose
    target, read back through IShellLinkW, is exactly the program's own path, "R&emove" deletes
    it, and the version message names the library's version. Put in the tray, the dialog from
    the tray menu comes up in front, without an owner, centred and fixed; Ctrl+Tab,
    Ctrl+Shift+Tab and Alt+letter turn the pages, Tab and Down reach and set the list; OK writes
    all nine keys and the page. (Esc, as the dialog manager delivers it, is the contract
    suite's.) With an older library that has only the narrow functions, a folder the code page
    holds ("Jünö") still works, and the CJK one fails with the system's description instead of
    a shortcut to the wrong place."""
    p.set_settings(bed, {"Check Interval": "450"})
    t.start_juno(bed)
    # The user's StartUp folder in Wine's layout, its name found as the file system would,
    # without regard to case.
    programs = t.user_folder(bed) / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    startup = [d for d in programs.iterdir() if d.name.lower() == "startup"]
    bed.require(len(startup) == 1, f"expected one StartUp folder in {programs}, saw {startup}")
    link = startup[0] / "Pocketry.lnk"
    bed.require(not link.exists(), f"setup: {link} exists already")
    library = bed.install_dir / "vb5stkit.dll"

    def unpack(name: str, dll: Optional[str]):
        folder = bed.prefix / "drive_c" / name
        folder.mkdir(exist_ok=True)
        shutil.copy2(bed.install_dir / p.EXE, folder / p.EXE)
        if dll:
            shutil.copy2(bed.install_dir / dll, folder / "vb5stkit.dll")
        _, main = p.start_first_time(bed, folder)
        return folder, main

    def create(dialog: int, how: str, name: str, error: Optional[int]) -> None:
        bed.require(bed.click(dialog, "&Create"), f"{how}: could not click \"&Create\"")
        if error:
            rc, recs = bed.driver("errtext", error)
            bed.require(rc == 0 and recs, "the driver could not read the system's error text")
            # The system's text on a line of its own, without its closing stop and line break.
            system = recs[0]["text"].rstrip(" \r\n.")
            t.box(bed, f"\"&Create\" {how}", "An error occurred attempting to create the Pocketry "
                  f"shortcut:\r\n\r\n{system}\r\n\r\n{NO_LIBRARY_ADVICE}", t.WARNING)
            bed.check(not link.exists(), f"{how}: expected no {link}, it is there")
            return
        t.box(bed, f"\"&Create\" {how}", LINK_CREATED)
        if not bed.check(link.is_file(), f"{how}: expected {link} after \"&Create\", saw none"):
            return
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

    how = "from C:\\テスト"
    folder, main = unpack("テスト", None)
    version_message(bed, main, None, "version message without the library")
    dialog = open_from_button(bed, main, f"\"&Options...\" {how}")
    bed.check_eq("the dialog's owner, the main window enabled while it is open", (main, False),
                 (bed.info(dialog)["owner"], bed.info(main)["enabled"]))
    create(dialog, f"{how} without the library", "テスト", ERROR_MOD_NOT_FOUND)
    shutil.copy2(library, folder / "vb5stkit.dll")
    create(dialog, f"{how} with vb5stkit.dll", "テスト", None)
    bed.require(bed.click(dialog, "R&emove"), "could not click \"R&emove\"")
    t.box(bed, "\"R&emove\"",
          "The Pocketry shortcut was removed from the StartUp program group successfully.")
    bed.check(not link.exists(), f"expected {link} gone after \"R&emove\", it is still there")
    close_with(bed, dialog, "Cancel", "shortcut")
    bed.check(bed.info(main)["enabled"], "expected the main window enabled again after Cancel")
    version_message(bed, main, library, "version message with the library")

    bed.require(bed.post(main, WM_SYSCOMMAND, SC_MINIMIZE), "could not post SC_MINIMIZE")
    p.wait_state(bed, main, "visible", False, 5)
    t.choose(bed, main, ["down"] * 3, "tray menu \"Options...\"")  # the third item
    dialog = wait_dialog(bed, "tray menu \"Options...\"")
    info, screen = bed.info(dialog), bed.screen()
    bed.require(screen["dpi"] == 96, "setup: the desktop is not at 96 dpi")
    (sw, sh), (left, top, right, bottom) = screen["screen"], info["rect"]
    bed.check_eq("the dialog: caption, size boxes and sizing frame, client size (6105 x 4185 "
                 "twips, 15 a pixel at 96 dpi), centred, shown in front, owner (none while the "
                 "main window is hidden)",
                 (TITLE, 0, (6105 // 15, 4185 // 15), True, True, True, 0),
                 (info["title"], info["style"] & SIZING_STYLES,
                  info["client"], abs(left + right - sw) <= 1 and abs(top + bottom - sh) <= 1,
                  info["visible"], info["foreground"], info["owner"]))
    check_page(bed, dialog, 0, "first opening")
    for keys, page in (("ctrl+tab", 1), ("ctrl+shift+tab", 0), ("alt+o", 2), ("alt+j", 0)):
        press(bed, dialog, "chord", keys)
        check_page(bed, dialog, page, keys)
    # Each box flipped from the default record ("Ask before closing Juno" is checked, and
    # clickable only once "Close Juno on exit" is), "Hide/Show Juno" picked, then OK.
    for command, what in [("click", "Run Juno on startup"), ("click", "Close Juno on exit"),
                          ("click", "Ask before closing Juno"), ("chord", "alt+o"),
                          ("click", "Empty the Juno ads folder when Juno is no longer running"),
                          ("chord", "alt+o"), ("key", "tab"), ("key", "tab"), ("key", "tab")]:
        press(bed, dialog, command, what)
    bed.check_eq("focus three Tabs after Alt+O", "Switch to Juno",
                 bed.driver("focus", dialog)[1][0]["text"])
    press(bed, dialog, "key", "down")
    press(bed, dialog, "key", "down")
    bed.check_eq("the list after Down, Down", ["Hide/Show Juno"],
                 [c["text"] for c in bed.children(dialog) if c["class"] == "ComboBox"])
    close_with(bed, dialog, "OK", "settings")
    stored = {"First Run": "False", "Run Juno": "True", "Close Juno": "True",
              "Close Juno Ask": "False", "Empty Ads App": "False", "Empty Ads Juno": "True",
              "Exit No Juno": "False", "Tray Left": "2", "Tray Double": "False",
              "Check Interval": "450", "Options Tab": "2"}
    bed.check_eq("settings after OK, each stored as REG_SZ text",
                 {name: ("REG_SZ", data) for name, data in stored.items()},
                 bed.reg_query(p.SETTINGS_KEY))

    for name, error in (("Jünö", None), ("テスト", ERROR_NO_UNICODE_TRANSLATION)):
        how = f"from C:\\{name} with vb5stkit-narrow.dll"
        bed.kill_all()
        bed.reg_delete(p.SETTINGS_KEY)  # a first start again, without "Run Juno"
        link.unlink(missing_ok=True)
        _, main = unpack(name, "vb5stkit-narrow.dll")
        create(open_from_button(bed, main, f"\"&Options...\" {how}"), how, name, error)
