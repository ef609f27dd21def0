// Start-up and shutdown of the program: single instance, version texts,
// placement, menu hints, the first-run notice and every way out.

#include <gtest/gtest.h>

#include "app/Main.h"
#include "program_fixture.h"
#include "tray/clsTaskBar.h"

namespace pocketry::testing {
namespace {

constexpr std::uint32_t kNotice = 0x11040, kWarning = 0x11030, kAskYes = 0x11024;
const std::string kFirstRunNotice =
    "Since this is the first time you are running this version, please be sure to read the App "
    "Notes so you know what to expect of the features offered.  Thanks much.  :-)";

using StartupTest = ProgramTest;

TEST_F(StartupTest, ASecondInstanceEndsSilently) {
    desk.ClaimInstance("Pocketry.TrayCompanion.7F3A21C4");
    Main(desk.api());
    EXPECT_EQ(desk.FindForm("MainForm"), nullptr);
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_TRUE(desk.SettingsLog().empty());
    EXPECT_EQ(desk.TrayIconCount(), 0u);
}

TEST_F(StartupTest, MainClaimsTheInstanceAndRunsUntilTheWindowIsGone) {
    SetStored("First Run", "False");
    // The message loop runs the program; Exit from the tray ends it.
    desk.After(1000, [this] {
        sim::SimForm* f = desk.FindForm("MainForm");
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(desk.TrayIcon(f->hWnd(), 1));
        desk.SetKeyDown(16, true);
        desk.TrayMouse(f->hWnd(), 1, 517); // Shift + right click: Exit
    });
    Main(desk.api());
    EXPECT_TRUE(desk.InstanceClaimed("Pocketry.TrayCompanion.7F3A21C4"));
    EXPECT_FALSE(desk.MessageLoopGaveUp());
    EXPECT_EQ(desk.FindForm("MainForm"), nullptr);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
}

TEST_F(StartupTest, VersionLabelAndCaptionComeFromTheRevisionsFourDigits) {
    struct Case {
        ProgramVersion version;
        const char* label;
        const char* caption;
    };
    const Case cases[] = {{{1, 0, 0}, "Version 1.0.0.0", "Pocketry 1.0"},
                          {{0, 5, 5}, "Version 0.5.0.5", "Pocketry 0.5"},
                          {{2, 3, 102}, "Version 2.3.1.2", "Pocketry 2.3.1"},
                          {{1, 2, 1203}, "Version 1.2.12.3", "Pocketry 1.2.12"}};
    for (const Case& c : cases) {
        sim::SimDesktop fresh;
        fresh.SetSetting("Pocketry", "Settings", "First Run", "False");
        App a(fresh.api(), c.version);
        MainForm m(a);
        a.mainForm = &m;
        m.Load();
        EXPECT_EQ(m.form().Text("labVersion"), c.label);
        EXPECT_EQ(m.form().Caption(), c.caption);
        // The caption is the tray tip too.
        const auto icon = fresh.TrayIcon(m.form().hWnd(), 1);
        ASSERT_TRUE(icon);
        EXPECT_STREQ(icon->szTip, c.caption);
    }
}

TEST_F(StartupTest, TheWindowIsCentredAThirdOfTheFreeHeightDown) {
    desk.SetWorkArea({0, 30, 1024, 768}); // taskbar docked at the top
    Start();
    const int freeWidth = 1024 * 15 - form->Width();
    const int freeHeight = (768 - 30) * 15 - form->Height();
    EXPECT_EQ(form->Left(), freeWidth / 2);
    EXPECT_EQ(form->Top(), 30 * 15 + freeHeight / 3);
}

TEST_F(StartupTest, SixMenuCaptionsGetTheirMouseHints) {
    Start();
    EXPECT_EQ(form->MenuCaption("MenuTray_Exit"), "Exit\tr+s");
    EXPECT_EQ(form->MenuCaption("MenuTray_Restore"), "Restore Window\tr+a");
    EXPECT_EQ(form->MenuCaption("MenuTray_Options"), "Options...\tr+c");
    EXPECT_EQ(form->MenuCaption("MenuTrayJuno_RunClose"), "Run/Close Juno...\tl+s");
    EXPECT_EQ(form->MenuCaption("MenuTrayJuno_HideShow"), "Hide/Show Juno\tl+a");
    EXPECT_EQ(form->MenuCaption("MenuTrayJuno_MinRes"), "Minimize/Restore Juno\tl+c");
    EXPECT_EQ(form->MenuCaption("MenuTrayJuno_SwitchTo"), "Switch to Juno");
    EXPECT_EQ(form->MenuCaption("MenuTray_ScreenSaver"), "Activate Screen Saver");
}

TEST_F(StartupTest, TheVeryFirstStartShowsTheWindowAndTheNoticeInsteadOfTheTray) {
    desk.AnswerNextMsgBox([this](const sim::MsgBoxRecord&) {
        // The window is already on screen while the notice is open.
        EXPECT_TRUE(desk.FindForm("MainForm")->Visible());
        return 0;
    });
    StartAsIs();
    EXPECT_EQ(Stored("First Run"), "False");
    ASSERT_EQ(desk.MsgBoxes().size(), 1u);
    EXPECT_EQ(desk.MsgBoxes()[0].prompt, kFirstRunNotice);
    EXPECT_EQ(desk.MsgBoxes()[0].style, kNotice);
    EXPECT_EQ(desk.MsgBoxes()[0].title, "Pocketry");
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_FALSE(app->TaskBar().MainInTray());

    // "OK" hands the window to the tray.
    form->PressKey(sim::VK_RETURN);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(desk.TrayIcon(form->hWnd(), 1));
}

TEST_F(StartupTest, LaterStartsGoStraightToTheTray) {
    SetStored("First Run", "false");
    StartAsIs();
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->ShowInTaskbar());
    EXPECT_TRUE(app->TaskBar().MainInTray());
    EXPECT_TRUE(form->TimerEnabled("TrayIcon_Timer"));
}

TEST_F(StartupTest, AFailedFirstRunWriteIsReportedAndTheNoticeStillFollows) {
    desk.FailSettingWrites(sim::Failure(5), "First Run");
    StartAsIs();
    ASSERT_EQ(desk.MsgBoxes().size(), 2u);
    EXPECT_EQ(desk.MsgBoxes()[0].style, kWarning);
    EXPECT_NE(desk.MsgBoxes()[0].prompt.find("save a setting"), std::string::npos);
    EXPECT_EQ(desk.MsgBoxes()[1].prompt, kFirstRunNotice);
    EXPECT_FALSE(Stored("First Run"));
    EXPECT_TRUE(form->Visible());
}

TEST_F(StartupTest, AnUnreadableStoreStartsWithDefaultsAndSaysNothingAboutReading) {
    desk.FailSettingReads(sim::Failure(1009));
    desk.FailSettingWrites(sim::Failure(1009));
    StartAsIs();
    EXPECT_TRUE(app->AppSettings.CloseJunoAsk);
    // Only the write of the first-run marker and the notice are shown.
    ASSERT_EQ(desk.MsgBoxes().size(), 2u);
    EXPECT_EQ(desk.MsgBoxes()[1].prompt, kFirstRunNotice);
}

TEST_F(StartupTest, SettingsAreReadBeforeTheFirstRunCheckAndNothingBeforeThem) {
    StartAsIs();
    const auto& log = desk.SettingsLog();
    ASSERT_GE(log.size(), 12u);
    EXPECT_EQ(log.front().key, "Options Tab");
    EXPECT_EQ(log[10].key, "First Run");
    EXPECT_FALSE(log[10].write);
    EXPECT_EQ(log[11].key, "First Run");
    EXPECT_TRUE(log[11].write);
}

using ShutdownTest = ProgramTest;

TEST_F(ShutdownTest, ExitShowsTheHourglassRemovesTheIconAndTheHookAndEnds) {
    Start();
    ASSERT_EQ(app->subclass.HookCount, 1);
    main->cmdExit_Click();
    EXPECT_EQ(desk.MousePointerLog().front(), platform::kPointerHourglass);
    EXPECT_FALSE(form->Loaded());
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_EQ(app->subclass.OldWindowProc, 0u);
    EXPECT_EQ(app->subclass.HookCount, 0);
    EXPECT_TRUE(desk.MsgBoxes().empty());
}

TEST_F(ShutdownTest, EveryWayOutAsksCloseJunoNowWhenSetAndJunoRuns) {
    enum class Way { ExitButton, Escape, CloseBox, EndSession, TrayExit };
    for (Way way : {Way::ExitButton, Way::Escape, Way::CloseBox, Way::EndSession, Way::TrayExit}) {
        sim::SimDesktop d;
        d.SetSetting("Pocketry", "Settings", "First Run", "False");
        d.SetSetting("Pocketry", "Settings", "Close Juno", "True");
        sim::SimJuno client(d);
        client.Install();
        client.StartNow();
        App a(d.api(), {1, 0, 0});
        MainForm m(a);
        a.mainForm = &m;
        m.Load();
        auto* f = d.FindForm("MainForm");
        if (way != Way::TrayExit) {
            m.MenuTray_Restore_Click(); // the window on screen
        }
        d.AnswerNextMsgBox(platform::IDNO);
        switch (way) {
        case Way::ExitButton:
            f->Click("cmdExit");
            break;
        case Way::Escape:
            f->PressKey(sim::VK_ESCAPE);
            break;
        case Way::CloseBox:
            f->CloseBox();
            break;
        case Way::EndSession:
            f->EndSession();
            break;
        case Way::TrayExit:
            d.SetKeyDown(16, true);
            d.TrayMouse(f->hWnd(), 1, 517);
            break;
        }
        ASSERT_EQ(d.MsgBoxes().size(), 1u) << static_cast<int>(way);
        EXPECT_EQ(d.MsgBoxes()[0].prompt, "Close Juno now?");
        EXPECT_EQ(d.MsgBoxes()[0].style, kAskYes);
        EXPECT_FALSE(f->Loaded()) << static_cast<int>(way);
        EXPECT_TRUE(client.Running()); // the answer was No
        EXPECT_TRUE(d.Errors().empty());
    }
}

TEST_F(ShutdownTest, NoQuestionWhenJunoIsNotRunningOrAskingIsOff) {
    SetStored("Close Juno", "True");
    Start();
    main->cmdExit_Click();
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_FALSE(form->Loaded());

    sim::SimDesktop d;
    d.SetSetting("Pocketry", "Settings", "First Run", "False");
    d.SetSetting("Pocketry", "Settings", "Close Juno", "True");
    d.SetSetting("Pocketry", "Settings", "Close Juno Ask", "False");
    sim::SimJuno client(d);
    client.Install();
    client.StartNow();
    App a(d.api(), {1, 0, 0});
    MainForm m(a);
    a.mainForm = &m;
    m.Load();
    m.cmdExit_Click();
    EXPECT_TRUE(d.MsgBoxes().empty());
    EXPECT_FALSE(m.form().Loaded());
}

TEST_F(ShutdownTest, CleanUpNeverCancelsAndLeavesTheWindowRestoredButHidden) {
    Start();
    int cancel = 0;
    main->Form_QueryUnload(cancel, platform::kUnloadAppWindows);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_FALSE(app->TaskBar().MainInTray());
    EXPECT_EQ(form->WindowState(), platform::kStateNormal);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->TimerEnabled("TrayIcon_Timer"));
}

} // namespace
} // namespace pocketry::testing
