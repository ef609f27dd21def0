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

struct VersionCase {
    ProgramVersion version;
    const char* label;
    const char* caption;
};

class VersionTextTest : public ProgramTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTextTest, LabelAndCaptionComeFromTheRevisionsFourDigits) {
    Start(GetParam().version);
    EXPECT_EQ(form->Text("labVersion"), GetParam().label);
    EXPECT_EQ(form->Caption(), GetParam().caption);
    // The caption is the tray tip too.
    const auto icon = desk.TrayIcon(form->hWnd(), 1);
    ASSERT_TRUE(icon);
    EXPECT_STREQ(icon->szTip, GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, VersionTextTest,
    ::testing::Values(VersionCase{{1, 0, 0}, "Version 1.0.0.0", "Pocketry 1.0"},
                      VersionCase{{0, 5, 5}, "Version 0.5.0.5", "Pocketry 0.5"},
                      VersionCase{{2, 3, 102}, "Version 2.3.1.2", "Pocketry 2.3.1"},
                      VersionCase{{1, 2, 1203}, "Version 1.2.12.3", "Pocketry 1.2.12"}));

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

enum class Way { ExitButton, Escape, CloseBox, EndSession, TrayExit };

class EveryWayOutTest : public ProgramTest, public ::testing::WithParamInterface<Way> {};

TEST_P(EveryWayOutTest, AsksCloseJunoNowWhenSetAndJunoRunsAndEndsAnyway) {
    SetStored("Close Juno", "True");
    sim::SimJuno client(desk);
    client.Install();
    client.StartNow();
    Start();
    if (GetParam() != Way::TrayExit) {
        main->MenuTray_Restore_Click(); // the window on screen
    }
    desk.AnswerNextMsgBox(platform::IDNO);
    switch (GetParam()) {
    case Way::ExitButton:
        form->Click("cmdExit");
        break;
    case Way::Escape:
        form->PressKey(sim::VK_ESCAPE);
        break;
    case Way::CloseBox:
        form->CloseBox();
        break;
    case Way::EndSession:
        form->EndSession();
        break;
    case Way::TrayExit:
        desk.SetKeyDown(16, true);
        desk.TrayMouse(form->hWnd(), 1, 517);
        break;
    }
    ASSERT_EQ(desk.MsgBoxes().size(), 1u);
    EXPECT_EQ(desk.MsgBoxes()[0].prompt, "Close Juno now?");
    EXPECT_EQ(desk.MsgBoxes()[0].style, kAskYes);
    EXPECT_FALSE(form->Loaded());
    EXPECT_TRUE(client.Running()); // the answer was No
}

INSTANTIATE_TEST_SUITE_P(Shutdown, EveryWayOutTest,
                         ::testing::Values(Way::ExitButton, Way::Escape, Way::CloseBox,
                                           Way::EndSession, Way::TrayExit));

TEST_F(ShutdownTest, NoQuestionWhenJunoIsNotRunning) {
    SetStored("Close Juno", "True");
    Start();
    main->cmdExit_Click();
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_FALSE(form->Loaded());
}

TEST_F(ShutdownTest, NoQuestionWhenAskingIsOff) {
    SetStored("Close Juno", "True");
    SetStored("Close Juno Ask", "False");
    sim::SimJuno client(desk);
    client.Install();
    client.StartNow();
    Start();
    main->cmdExit_Click();
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_FALSE(form->Loaded());
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
