// The main window's design: its control table, tray menu and notes text.

#include "app/App.h"
#include "app/MainForm.h"
#include "res/resource.h"

namespace pocketry {

using namespace platform;

const char* const MainForm::kWebSite = "www.pocketry.test";
const char* const MainForm::kCopyright = "Copyright \u00A9 2026 Pocketry";

FormSpec MainForm::Spec() {
    FormSpec spec;
    spec.name = "MainForm";
    spec.clientWidth = 4470;
    spec.clientHeight = 2370;
    spec.border = BorderStyle::FixedSingle;
    spec.minButton = true;
    spec.maxButton = false;
    spec.keyPreview = true;
    spec.iconResource = IDI_POCKETRY;

    auto add = [&spec](ControlKind kind, const char* name, const char* caption, int left, int top,
                       int width, int height, int tabIndex) -> ControlSpec& {
        return AddControl(spec, kind, name, caption, left, top, width, height, tabIndex);
    };

    add(ControlKind::CommandButton, "cmdOK", "OK", 3450, 915, 885, 345, 0).isDefault = true;
    add(ControlKind::CommandButton, "cmdExit", "Exit", 3450, 1320, 885, 345, 1);
    add(ControlKind::CommandButton, "cmdSetup", "&Options...", 3450, 1725, 885, 345, 2);
    ControlSpec& info = add(ControlKind::TextBox, "txtInfo", "", 135, 915, 3135, 1275, 3);
    info.multiLine = true;
    info.vScroll = true;
    info.readOnly = true;
    info.mousePointer = kPointerArrow;
    add(ControlKind::Label, "labVersion", "Version 0.0.0.0", 120, 105, 1065, 195, 4).mousePointer =
        kPointerUpArrow;
    add(ControlKind::Label, "labCopyright", kCopyright, 1800, 105, 2535, 195, 5).alignment =
        Alignment::Right;
    ControlSpec& comment = add(ControlKind::Label, "labComment", "Freeware", 120, 375, 795, 195, 6);
    comment.bold = true;
    comment.fontName = "MS Sans Serif";
    comment.fontSize = 8.25;
    ControlSpec& web = add(ControlKind::Label, "labWebSite", kWebSite, 2985, 375, 1350, 195, 7);
    web.alignment = Alignment::Right;
    web.mousePointer = kPointerUpArrow;
    // Shadow over highlight: an etched separator across the window.
    add(ControlKind::Line, "Line1(1)", "", -75, 705, 5000, 705, -1).sysColor = COLOR_BTNSHADOW;
    add(ControlKind::Line, "Line1(0)", "", -75, 720, 5000, 720, -1).sysColor = COLOR_BTNHIGHLIGHT;
    ControlSpec& trayTimer = add(ControlKind::Timer, "TrayIcon_Timer", "", 0, 0, 0, 0, -1);
    trayTimer.interval = 30000;
    trayTimer.enabled = false;
    add(ControlKind::Timer, "Checker_Timer", "", 0, 0, 0, 0, -1).interval = 500;
    add(ControlKind::Image, "TrayIconWait", "", 2205, 3270, 240, 240, -1).iconResource =
        IDI_TRAY_WAIT;
    add(ControlKind::Image, "TrayIcon", "", 1875, 3270, 240, 240, -1).iconResource = IDI_TRAY;

    spec.menus = {
        {"MenuTray", "Commands", ""},
        {"MenuTray_Exit", "Exit", "MenuTray"},
        {"zsep00", "-", "MenuTray"},
        {"MenuTray_Restore", "Restore Window", "MenuTray"},
        {"MenuTray_Options", "Options...", "MenuTray"},
        {"zsep01", "-", "MenuTray"},
        {"MenuTray_ScreenSaver", "Activate Screen Saver", "MenuTray"},
        {"MenuTray_ClearClipboard", "Clear Clipboard", "MenuTray"},
        {"zsep02", "-", "MenuTray"},
        {"MenuTray_EmptyAds", "Empty Juno Ads Folder...", "MenuTray"},
        {"MenuTrayJuno_RunClose", "Run/Close Juno...", "MenuTray"},
        {"zsep03", "-", "MenuTray"},
        {"MenuTrayJuno_HideShow", "Hide/Show Juno", "MenuTray"},
        {"MenuTrayJuno_MinRes", "Minimize/Restore Juno", "MenuTray"},
        {"MenuTrayJuno_SwitchTo", "Switch to Juno", "MenuTray"},
    };
    return spec;
}

std::string MainForm::AppNotes() {
    const std::string br = kCrLf;
    return std::string(" App Notes:") + br + br +
           "\u00B7  This app will automatically turn off the \"always on top\" state " +
           "of the Juno mail transfer windows.  It can also empty the Juno ads " +
           "folder automatically, run and close Juno, and more." + br + br +
           "\u00B7  32-bit Juno 2.0 or later is supported.  " +
           "If you ever find that a feature is " +
           "no longer working properly, the first thing to do is make sure " +
           "the problem is not just temporary (restart Juno or reboot Windows).  " +
           "If there is still a problem, be sure to check my web site for " +
           "the latest version of this app.  If you are already using the latest " +
           "version, let me know the version AND build of your Juno, " +
           "and your version of Windows." + br + br +
           "\u00B7  This app can be run before or after Juno is run.  Of course, it " +
           "must remain running in order to perform its automatic functions." + br + br +
           "\u00B7  To prevent Juno from locking up, the Juno ads folder cannot " +
           "be emptied while Juno is running.  This is why the tray icon " +
           "menu Empty command is disabled, and the Juno ads folder is not " +
           "emptied on exit if that option is on, when Juno is running." + br + br +
           "\u00B7  When activating the screen saver, do not move the mouse at all " +
           "immediately after selecting the activate command, or else Windows " +
           "will in effect cancel starting the screen saver.";
}

} // namespace pocketry
