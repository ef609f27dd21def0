// The main window's own behaviour: its layout, notes, keys, the web-site
// link, the support-file versions and minimising to the tray.

#include <gtest/gtest.h>

#include "program_fixture.h"

namespace pocketry::testing {
namespace {

constexpr std::uint32_t kNotice = 0x11040;

class MainWindowTest : public ProgramTest {
  protected:
    void SetUp() override {
        Start();
        main->MenuTray_Restore_Click(); // on screen, out of the tray
        ASSERT_TRUE(form->Visible());
    }
};

TEST_F(MainWindowTest, TheWindowIsBuiltFromItsDesign) {
    const platform::FormSpec spec = MainForm::Spec();
    EXPECT_EQ(spec.clientWidth, 4470);
    EXPECT_EQ(spec.clientHeight, 2370);
    EXPECT_TRUE(spec.minButton);
    EXPECT_FALSE(spec.maxButton);
    EXPECT_TRUE(spec.keyPreview);
    EXPECT_EQ(form->Text("cmdOK"), "OK");
    EXPECT_EQ(form->Text("cmdExit"), "Exit");
    EXPECT_EQ(form->Text("cmdSetup"), "&Options...");
    EXPECT_EQ(form->Text("labComment"), "Freeware");
    EXPECT_TRUE(form->FontBold("labComment"));
    EXPECT_EQ(form->ControlLeft("txtInfo"), 135);
    EXPECT_EQ(form->ControlWidth("txtInfo"), 3135);
    // The copyright line and the web address share one right edge.
    EXPECT_EQ(form->ControlLeft("labCopyright") + form->ControlWidth("labCopyright"), 4335);
    EXPECT_EQ(form->ControlLeft("labWebSite") + form->ControlWidth("labWebSite"), 4335);
    EXPECT_EQ(form->TimerInterval("Checker_Timer"), 500);
    EXPECT_EQ(form->TimerInterval("TrayIcon_Timer"), 30000);
    EXPECT_TRUE(form->TimerEnabled("Checker_Timer"));
    EXPECT_EQ(desk.IconResource(form->Picture("TrayIcon")), 101);
    EXPECT_EQ(desk.IconResource(form->Picture("TrayIconWait")), 102);
}

TEST_F(MainWindowTest, TheNotesAreTheAppNotesWithBulletsAndBlankLines) {
    const std::string notes = form->Text("txtInfo");
    EXPECT_EQ(notes.rfind(" App Notes:\r\n\r\n\xB7  This app will automatically turn off the "
                          "\"always on top\" state of the Juno mail transfer windows.  It can",
                          0),
              0u);
    EXPECT_NE(notes.find("more.\r\n\r\n\xB7  32-bit Juno 2.0 or later is supported.  If you ever "
                         "find"),
              std::string::npos);
    EXPECT_NE(notes.find("(restart Juno or reboot Windows).  If there is still a problem"),
              std::string::npos);
    EXPECT_NE(notes.find("Of course, it must remain running"), std::string::npos);
    EXPECT_NE(notes.find("when Juno is running.\r\n\r\n\xB7  When activating"), std::string::npos);
    const std::string last = "will in effect cancel starting the screen saver.";
    EXPECT_EQ(notes.substr(notes.size() - last.size()), last);
    EXPECT_EQ(std::count(notes.begin(), notes.end(), '\xB7'), 5);
    EXPECT_EQ(notes.find("  \r\n"), std::string::npos); // no piece ends a paragraph with a space
}

TEST_F(MainWindowTest, OAndEscAndEnterAreTheButtonsKeys) {
    // O with or without Shift or Ctrl opens the options and keeps the key.
    for (int shift : {0, platform::kShiftMask, platform::kCtrlMask}) {
        form->PressKey(79, shift);
        EXPECT_TRUE(form->Visible());
        EXPECT_TRUE(form->Loaded());
    }
    form->PressKey(sim::VK_RETURN);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->WindowState(), platform::kStateMinimized);
    EXPECT_TRUE(app->TaskBar().MainInTray());

    main->MenuTray_Restore_Click();
    form->PressKey(sim::VK_ESCAPE);
    EXPECT_FALSE(form->Loaded());
}

TEST_F(MainWindowTest, MinimisingByAnyMeansHandsTheWindowToTheTrayOnce) {
    form->Minimize();
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->ShowInTaskbar());
    EXPECT_EQ(app->subclass.HookCount, 1);
    EXPECT_EQ(desk.TrayIconCount(), 1u);

    // While the tray code minimises the window itself, no second move starts.
    main->MenuTray_Restore_Click();
    main->TrayBusy = true;
    form->Minimize();
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_EQ(app->subclass.HookCount, 0);
}

TEST_F(MainWindowTest, TheLinkLightsOverItselfAndResetsOverTheBackgroundAndButtons) {
    const std::uint32_t normal = form->ForeColor("labVersion");
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
}

TEST_F(MainWindowTest, OnlyTheLeftButtonOpensTheLinkOnRelease) {
    form->MouseUp("labWebSite", platform::kRightButton, 0, 1, 1);
    form->MouseUp("labWebSite", platform::kMiddleButton, 0, 1, 1);
    EXPECT_TRUE(desk.ShellExecuteCalls().empty());
    form->MouseUp("labWebSite", platform::kLeftButton, 0, 1, 1);
    ASSERT_EQ(desk.ShellExecuteCalls().size(), 1u);
    EXPECT_EQ(desk.ShellExecuteCalls()[0].file, form->Text("labWebSite"));
    EXPECT_EQ(desk.ShellExecuteCalls()[0].showCmd, platform::SW_SHOWDEFAULT);

    EXPECT_TRUE(desk.MsgBoxes().empty());

    // Its failures are reported in the shell-open words.
    desk.SetUrlAssociation(false);
    form->MouseUp("labWebSite", platform::kLeftButton, 0, 1, 1);
    ASSERT_EQ(desk.MsgBoxes().size(), 1u);
    EXPECT_EQ(desk.MsgBoxes()[0].prompt, "There is no association configured for opening the '" +
                                             form->Text("labWebSite") + "' file or address.");
}

TEST_F(MainWindowTest, TheVersionLabelShowsTheSupportFileVersion) {
    form->Click("labVersion");
    ASSERT_EQ(desk.MsgBoxes().size(), 1u);
    EXPECT_EQ(desk.MsgBoxes()[0].prompt, "Support file versions:\r\n\r\nVb5stkit.dll:\tUnknown");
    EXPECT_EQ(desk.MsgBoxes()[0].style, kNotice);

    platform::VsFixedFileInfo info;
    info.dwFileVersionMS = (5u << 16) | 0u;
    info.dwFileVersionLS = (40000u << 16) | 7u;
    desk.AddFile("C:\\WINDOWS\\system32\\vb5stkit.dll");
    desk.SetVersionInfo("C:\\WINDOWS\\system32\\vb5stkit.dll", info);
    form->Click("labVersion");
    EXPECT_EQ(desk.MsgBoxes()[1].prompt,
              "Support file versions:\r\n\r\nVb5stkit.dll:\t5.0.40000.7");
}

} // namespace
} // namespace pocketry::testing
