// The options dialog's design: its control table and the list's entries.

#include "options/frmOptions.h"

namespace pocketry {

using namespace platform;

const char* const frmOptions::kTrayLeftEntries[7] = {
    "Switch to Juno", "Minimize/Restore Juno", "Hide/Show Juno",       "Run/Close Juno",
    "Options",        "Restore Window",        "Activate Screen Saver"};

FormSpec frmOptions::Spec() {
    FormSpec spec;
    spec.name = "frmOptions";
    spec.clientWidth = 6105;
    spec.clientHeight = 4185;
    spec.border = BorderStyle::FixedDialog;
    spec.minButton = false;
    spec.maxButton = false;
    spec.keyPreview = true;
    spec.centerOnScreen = true;

    using K = ControlKind;
    auto add = [&spec](K kind, const char* name, const char* caption, int left, int top, int width,
                       int height, int tabIndex, const char* container = "") -> ControlSpec& {
        return AddControl(spec, kind, name, caption, left, top, width, height, tabIndex, container);
    };
    add(K::CommandButton, "cmdOK", "OK", 5055, 195, 885, 345, 0).isDefault = true;
    add(K::CommandButton, "cmdCancel", "Cancel", 5055, 600, 885, 345, 1).isCancel = true;
    add(K::Label, "Label1", "StartUp shortcut:", 5055, 1200, 885, 420, 2).alignment =
        Alignment::Center;
    add(K::CommandButton, "cmdStartupCreate", "&Create", 5055, 1725, 885, 345, 3);
    add(K::CommandButton, "cmdStartupRemove", "R&emove", 5055, 2130, 885, 345, 4);
    add(K::Frame, "FrameGroup", "", 150, 105, 4695, 3885, 5);
    add(K::TabButton, "Check1(0)", "&Juno", 45, 135, 1530, 330, 6, "FrameGroup");
    add(K::TabButton, "Check1(1)", "&Auto", 1575, 135, 1545, 330, 7, "FrameGroup");
    add(K::TabButton, "Check1(2)", "&Other", 3120, 135, 1530, 330, 8, "FrameGroup");
    // The pages are placed at load, all on one rectangle below the tabs.
    add(K::FrameBorderless, "Frame1(0)", "", 0, 0, 0, 0, 9, "FrameGroup");
    add(K::CheckBox, "chkRunJunoStartup", "Run Juno on startup", 210, 210, 1830, 240, 10,
        "Frame1(0)");
    add(K::CheckBox, "chkCloseJunoExit", "Close Juno on exit", 210, 690, 1680, 240, 11,
        "Frame1(0)");
    add(K::CheckBox, "chkCloseJunoExitAsk", "Ask before closing Juno", 495, 1005, 2085, 240, 12,
        "Frame1(0)");
    add(K::CheckBox, "chkEmptyAdsAppExit", "Empty the Juno ads folder on exit", 210, 1485, 2730,
        240, 13, "Frame1(0)");
    add(K::FrameBorderless, "Frame1(1)", "", 0, 0, 0, 0, 14, "FrameGroup");
    add(K::FrameBorderless, "Frame1(2)", "", 0, 0, 0, 0, 15, "FrameGroup");
    add(K::CheckBox, "chkExitNoJuno", "Exit when Juno is no longer running", 210, 210, 2895, 240,
        16, "Frame1(2)");
    add(K::CheckBox, "chkEmptyAdsJunoExit",
        "Empty the Juno ads folder when Juno is no longer running", 210, 540, 3420, 420, 17,
        "Frame1(2)")
        .multiLine = true; // two lines high
    add(K::Label, "Label2", "Tray icon left click:", 210, 1245, 1335, 195, 18, "Frame1(2)");
    add(K::ComboList, "comboTrayLeftClick", "", 1650, 1185, 2115, 315, 19, "Frame1(2)");
    add(K::CheckBox, "chkTrayDoubleClick", "Use double-click for tray icon commands", 210, 1605,
        3255, 240, 20, "Frame1(2)");
    add(K::Label, "Label3",
        "Currently the only auto function is the turning off of the \"always on top\" state of "
        "the Juno mail transfer windows.  Another function will be making Juno check for new "
        "mail at a set time interval -- coming soon. :-)",
        375, 360, 3285, 1440, 21, "Frame1(1)")
        .sysColor = COLOR_BTNSHADOW;
    return spec;
}

} // namespace pocketry
