// The main window's own behaviour: its layout, notes, keys, the web-site
// link, the support-file versions and minimising to the tray.

#include <gtest/gtest.h>

#include <tuple>

#include "program_fixture.h"

namespace pocketry::testing {
namespace {

class MainWindowTest : public ProgramTest {
  protected:
    void SetUp() override {
        Start();
        main->MenuTray_Restore_Click(); // on screen, out of the tray
    }
};

std::string Row(const platform::ControlSpec& c) {
    static const char* const kinds[] = {"button", "check",     "tab",  "label", "text", "combo",
                                        "frame",  "frameless", "line", "timer", "image"};
    std::string r = std::string(kinds[static_cast<int>(c.kind)]) + " " + c.name + " \"" +
                    c.caption + "\" " + std::to_string(c.left) + "," + std::to_string(c.top) + "," +
                    std::to_string(c.width) + "," + std::to_string(c.height) + " tab " +
                    std::to_string(c.tabIndex);
    const std::pair<bool, std::string> flags[] = {
        {c.isDefault, "default"},
        {c.isCancel, "cancel"},
        {c.multiLine, "multiline"},
        {c.vScroll, "vscroll"},
        {c.readOnly, "readonly"},
        {c.alignment == platform::Alignment::Right, "right"},
        {c.alignment == platform::Alignment::Center, "center"},
        {c.bold, "bold"},
        {!c.fontName.empty(), "font " + c.fontName},
        {c.fontSize != 0, "size " + std::to_string(c.fontSize).substr(0, 4)},
        {c.mousePointer != 0, "pointer " + std::to_string(c.mousePointer)},
        {c.sysColor != -1, "color " + std::to_string(c.sysColor)},
        {c.interval != 0, "every " + std::to_string(c.interval)},
        {!c.enabled, "disabled"},
        {!c.visible, "hidden"},
        {c.iconResource != 0, "icon " + std::to_string(c.iconResource)},
        {!c.container.empty(), "in " + c.container}};
    for (const auto& [on, flag] : flags) {
        if (on) {
            r += " " + flag;
        }
    }
    return r;
}

TEST_F(MainWindowTest, TheWindowIsBuiltFromItsDesign) {
    const platform::FormSpec spec = MainForm::Spec();
    EXPECT_EQ(std::make_tuple(spec.clientWidth, spec.clientHeight, spec.minButton, spec.maxButton,
                              spec.keyPreview, spec.border == platform::BorderStyle::FixedSingle),
              std::make_tuple(4470, 2370, true, false, true, true));
    std::vector<std::string> table;
    for (const platform::ControlSpec& c : spec.controls) {
        table.push_back(Row(c));
    }
    const std::vector<std::string> want = {
        "button cmdOK \"OK\" 3450,915,885,345 tab 0 default",
        "button cmdExit \"Exit\" 3450,1320,885,345 tab 1",
        "button cmdSetup \"&Options...\" 3450,1725,885,345 tab 2",
        "text txtInfo \"\" 135,915,3135,1275 tab 3 multiline vscroll readonly pointer 1",
        "label labVersion \"Version 0.0.0.0\" 120,105,1065,195 tab 4 pointer 10",
        "label labCopyright \"Copyright \u00A9 2026 Pocketry\" 1800,105,2535,195 tab 5 right",
        "label labComment \"Freeware\" 120,375,795,195 tab 6 bold font MS Sans Serif size 8.25",
        "label labWebSite \"www.pocketry.test\" 2985,375,1350,195 tab 7 right pointer 10",
        "line Line1(1) \"\" -75,705,5000,705 tab -1 color 16",
        "line Line1(0) \"\" -75,720,5000,720 tab -1 color 20",
        "timer TrayIcon_Timer \"\" 0,0,0,0 tab -1 every 30000 disabled",
        "timer Checker_Timer \"\" 0,0,0,0 tab -1 every 500",
        "image TrayIconWait \"\" 2205,3270,240,240 tab -1 icon 102",
        "image TrayIcon \"\" 1875,3270,240,240 tab -1 icon 101"};
    EXPECT_EQ(table, want);
}

TEST_F(MainWindowTest, TheNotesAreTheWholeAppNotes) {
    const std::string want =
        " App Notes:\r\n\r\n"
        "\u00B7  This app will automatically turn off the \"always on top\" state of the Juno mail "
        "transfer windows.  It can also empty the Juno ads folder automatically, run and close "
        "Juno, and more.\r\n\r\n"
        "\u00B7  32-bit Juno 2.0 or later is supported.  If you ever find that a feature is no "
        "longer working properly, the first thing to do is make sure the problem is not just "
        "temporary (restart Juno or reboot Windows).  If there is still a problem, be sure to "
        "check my web site for the latest version of this app.  If you are already using the "
        "latest version, let me know the version AND build of your Juno, and your version of "
        "Windows.\r\n\r\n"
        "\u00B7  This app can be run before or after Juno is run.  Of course, it must remain "
        "running in order to perform its automatic functions.\r\n\r\n"
        "\u00B7  To prevent Juno from locking up, the Juno ads folder cannot be emptied while Juno "
        "is running.  This is why the tray icon menu Empty command is disabled, and the Juno ads "
        "folder is not emptied on exit if that option is on, when Juno is running.\r\n\r\n"
        "\u00B7  When activating the screen saver, do not move the mouse at all immediately after "
        "selecting the activate command, or else Windows will in effect cancel starting the "
        "screen saver.";
    EXPECT_EQ(form->Text("txtInfo"), want);
}

TEST_F(MainWindowTest, OAndEnterAreTheButtonsKeysAndOnlyTheUsersMinimiseGoesToTheTray) {
    // O with or without Shift or Ctrl opens the options once and keeps the key
    // from the focused control.
    for (int shift : {0, platform::kShiftMask, platform::kCtrlMask}) {
        form->PressKey(79, shift);
        EXPECT_TRUE(form->Visible());
        int key = 79;
        main->Form_KeyDown(key, shift);
        EXPECT_EQ(key, 0);
    }
    int other = 80;
    main->Form_KeyDown(other, 0);
    EXPECT_EQ(other, 80);
    EXPECT_EQ(main->calls, std::vector<std::string>(6, "cmdSetup_Click"));
    // A minimise by the tray code itself starts no second move to the tray.
    main->TrayBusy = true;
    form->Minimize();
    EXPECT_EQ(Facts(), "visible taskbar minimized");
    main->TrayBusy = false;
    form->Restore();
    form->PressKey(sim::VK_RETURN);
    EXPECT_EQ(Facts(), kInTray);
    // Esc is the Exit button's: CleanUpTest (startup_test.cpp).
}

TEST_F(MainWindowTest, TheLinkLightsOverItselfResetsOverTheRestAndOpensOnALeftButtonRelease) {
    // The link goes back to whatever colour the version label has now.
    const std::uint32_t normal = 0x00805020;
    form->SetForeColor("labVersion", normal);
    form->MouseMove("labWebSite", 0, 0, 10, 10);
    EXPECT_TRUE(form->FontUnderline("labWebSite"));
    EXPECT_EQ(form->ForeColor("labWebSite"), 0xFF0000u);

    // Labels other than the link leave it lit.
    for (const char* other : {"labVersion", "labCopyright", "labComment"}) {
        form->MouseMove(other, 0, 0, 1, 1);
        EXPECT_TRUE(form->FontUnderline("labWebSite")) << other;
    }
    for (const char* resetting : {"", "cmdOK", "cmdExit", "cmdSetup", "txtInfo"}) {
        form->MouseMove("labWebSite", 0, 0, 10, 10);
        form->MouseMove(resetting, 1, 0, 5, 5);
        EXPECT_FALSE(form->FontUnderline("labWebSite")) << resetting;
        EXPECT_EQ(form->ForeColor("labWebSite"), normal) << resetting;
    }

    // Only the left button opens it, on release.
    form->MouseUp("labWebSite", platform::kRightButton, 0, 1, 1);
    form->MouseUp("labWebSite", platform::kMiddleButton, 0, 1, 1);
    form->MouseUp("labWebSite", platform::kLeftButton, 0, 1, 1);
    ASSERT_EQ(desk.ShellExecuteCalls().size(), 1u);
    EXPECT_EQ(desk.ShellExecuteCalls()[0].file, "www.pocketry.test");
    EXPECT_EQ(desk.ShellExecuteCalls()[0].showCmd, platform::SW_SHOWDEFAULT);
    EXPECT_TRUE(desk.MsgBoxes().empty());

    // Its failures are reported in the shell-open words.
    desk.SetUrlAssociation(false);
    form->MouseUp("labWebSite", platform::kLeftButton, 0, 1, 1);
    ExpectOnlyBox(
        "There is no association configured for opening the 'www.pocketry.test' file or address.",
        kNotice);
}

TEST_F(MainWindowTest, TheVersionLabelShowsTheSupportFileVersion) {
    form->Click("labVersion");
    const platform::VsFixedFileInfo info{.dwFileVersionMS = 5u << 16,
                                         .dwFileVersionLS = (40000u << 16) | 7u};
    desk.AddFile("C:\\WINDOWS\\system32\\vb5stkit.dll");
    desk.SetVersionInfo("C:\\WINDOWS\\system32\\vb5stkit.dll", info);
    form->Click("labVersion");
    EXPECT_EQ(Shown(),
              (Boxes{{"Support file versions:\r\n\r\nVb5stkit.dll:\tUnknown", kNotice},
                     {"Support file versions:\r\n\r\nVb5stkit.dll:\t5.0.40000.7", kNotice}}));
}

} // namespace
} // namespace pocketry::testing
