// Start-up and shutdown of the program: single instance, version texts,
// placement, menu hints, the first-run notice and every way out.

#include <gtest/gtest.h>

#include <optional>

#include "app/Main.h"
#include "program_fixture.h"
#include "tray/clsTaskBar.h"

namespace pocketry::testing {
namespace {

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
                      VersionCase{{1, 2, 1203}, "Version 1.2.12.3", "Pocketry 1.2.12"},
                      VersionCase{{1, 0, 12345}, "Version 1.0.12.45", "Pocketry 1.0.12"}));

TEST_F(StartupTest, TheWindowIsCentredAThirdOfTheFreeHeightDown) {
    desk.SetWorkArea({0, 30, 1024, 768}); // taskbar docked at the top
    Start();
    const int freeWidth = 1024 * 15 - form->Width();
    const int freeHeight = (768 - 30) * 15 - form->Height();
    EXPECT_EQ(form->Left(), freeWidth / 2);
    EXPECT_EQ(form->Top(), 30 * 15 + freeHeight / 3);
}

TEST_F(StartupTest, TheVeryFirstStartShowsTheWindowAndTheNoticeInsteadOfTheTray) {
    desk.AnswerNextMsgBox([this](const sim::MsgBoxRecord&) {
        // The window is already on screen, and painted, while the notice is open.
        EXPECT_TRUE(desk.FindForm("MainForm")->Visible());
        EXPECT_EQ(desk.FindForm("MainForm")->RefreshCount(), 1);
        return 0;
    });
    StartAsIs();
    EXPECT_EQ(Stored("First Run"), "False");
    EXPECT_EQ(Shown(), (Boxes{{kFirstRunNotice, kNotice}}));
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_FALSE(app->TaskBar().MainInTray());

    // "OK" hands the window to the tray.
    form->PressKey(sim::VK_RETURN);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(desk.TrayIcon(form->hWnd(), 1));
}

TEST_F(StartupTest, RunJunoAtStartRunsJunoWithTwoMinutesAfterTheTrayIsMade) {
    for (const char* stored : {"False", "True"}) {
        SCOPED_TRACE(stored);
        desk.LoseTrayIcons();
        SetStored("Run Juno", stored);
        Create();
        bool inTray = false;
        main->onRunJuno = [&] { inTray = desk.TrayIconCount() == 1; };
        main->Load();
        const bool run = std::string(stored) == "True";
        EXPECT_EQ(main->calls,
                  run ? std::vector<std::string>{"RunJuno(120)"} : std::vector<std::string>{});
        EXPECT_EQ(inTray, run);
        main.reset();
        app.reset();
    }
}

TEST_F(StartupTest, AFailedFirstRunWriteIsReportedAndTheNoticeStillFollows) {
    // Reads that fail give the defaults without a word; only the write is reported.
    for (const bool readsFail : {false, true}) {
        SCOPED_TRACE(readsFail);
        desk.FailSettingReads(readsFail ? sim::Failure(1009) : platform::Status::Ok());
        desk.FailSettingWrites(sim::Failure(1009), "First Run");
        desk.ClearMsgBoxes();
        StartAsIs();
        EXPECT_EQ(Shown(), (Boxes{{"An error occurred attempting to save a setting to the "
                                   "Windows Registry:\r\n\r\n" +
                                       sim::SystemMessage(1009),
                                   kWarning},
                                  {kFirstRunNotice, kNotice}}));
        EXPECT_TRUE(app->AppSettings.CloseJunoAsk);
        EXPECT_FALSE(Stored("First Run"));
        EXPECT_TRUE(form->Visible());
        main.reset();
        app.reset();
    }
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
    // Set before the clean-up, so that it shows while the clean-up runs.
    EXPECT_EQ(main->pointerAtQueryUnload, std::vector<int>{platform::kPointerHourglass});
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
    EXPECT_EQ(Shown(), (Boxes{{"Close Juno now?", kAskYes}}));
    EXPECT_FALSE(form->Loaded());
    EXPECT_TRUE(main->calls.empty()); // the answer was No: Juno is left alone
    EXPECT_EQ(main->pointerAtQueryUnload.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Shutdown, EveryWayOutTest,
                         ::testing::Values(Way::ExitButton, Way::Escape, Way::CloseBox,
                                           Way::EndSession, Way::TrayExit));

struct CleanUpRow {
    const char* name;
    bool closeJuno, ask, emptyAds, junoRuns;
    int answer;        // to "Close Juno now?"
    bool closeWorks;   // CloseJuno takes Juno away
    const char* boxes; // "A": asked; "T": told Juno did not close
    const char* calls;
    friend void PrintTo(const CleanUpRow& r, std::ostream* os) { *os << r.name; }
};

class CleanUpTest : public ProgramTest, public ::testing::WithParamInterface<CleanUpRow> {};

TEST_P(CleanUpTest, ClosesJunoAsAnsweredAndEmptiesTheAdsOnlyOnceJunoIsGone) {
    const CleanUpRow& row = GetParam();
    SetStored("Close Juno", row.closeJuno ? "True" : "False");
    SetStored("Close Juno Ask", row.ask ? "True" : "False");
    SetStored("Empty Ads App", row.emptyAds ? "True" : "False");
    sim::SimJuno client(desk);
    client.Install();
    if (row.junoRuns) {
        client.StartNow();
    }
    Start();
    main->calls.clear();
    if (row.closeWorks) {
        main->onCloseJuno = [&] { client.Crash(); };
    } else {
        client.Script().confirmDelayMs = 60000; // asks too late to be answered
    }
    desk.AnswerNextMsgBox(row.answer);
    main->cmdExit_Click();
    Boxes expected;
    for (const char* b = row.boxes; *b != 0; ++b) {
        expected.push_back(*b == 'A' ? Boxes::value_type{"Close Juno now?", kAskYes}
                                     : Boxes::value_type{"Juno did not close within the "
                                                         "specified 30 second timeout.",
                                                         kNotice});
    }
    EXPECT_EQ(Shown(), expected);
    std::string calls;
    for (const std::string& c : main->calls) {
        calls += (calls.empty() ? "" : " ") + c;
    }
    EXPECT_EQ(calls, row.calls);
    EXPECT_FALSE(form->Loaded());
}

using platform::IDNO, platform::IDYES;
INSTANTIATE_TEST_SUITE_P(
    Shutdown, CleanUpTest,
    ::testing::Values(
        CleanUpRow{"NoLeavesJunoAndItsAds", true, true, true, true, IDNO, true, "A", ""},
        CleanUpRow{"YesClosesWithoutWaiting", true, true, false, true, IDYES, true, "A",
                   "CloseJuno(0)"},
        CleanUpRow{"YesWaitsThenEmpties", true, true, true, true, IDYES, true, "A",
                   "CloseJuno(30) EmptyAdsFolder(false)"},
        CleanUpRow{"AJunoThatStaysKeepsItsAds", true, true, true, true, IDYES, false, "AT",
                   "CloseJuno(30)"},
        CleanUpRow{"UnaskedClose", true, false, true, true, 0, true, "",
                   "CloseJuno(30) EmptyAdsFolder(false)"},
        CleanUpRow{"NoJunoNoQuestion", true, true, false, false, 0, false, "", ""},
        CleanUpRow{"EmptyOnlyWithJunoRunning", false, true, true, true, 0, false, "", ""},
        CleanUpRow{"EmptyOnlyWithoutJuno", false, true, true, false, 0, false, "",
                   "EmptyAdsFolder(false)"}),
    [](const ::testing::TestParamInfo<CleanUpRow>& p) { return std::string(p.param.name); });

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

using EndSessionTest = ProgramTest;

TEST_F(EndSessionTest, TheCleanUpGivesItsReasonOnlyWhileItHoldsUpTheEndOfTheSession) {
    SetStored("Close Juno", "True");
    SetStored("Empty Ads App", "True");
    sim::SimJuno client(desk);
    client.Install();
    client.Script().exitDelayMs = 3000; // answered, then a while before it goes
    client.StartNow();
    Start();
    const platform::Hwnd h = form->hWnd();
    using Seen = std::vector<std::optional<std::string>>;
    Seen seen;
    const auto look = [&] { seen.push_back(desk.ShutdownBlockReason(h)); };
    const auto lookWhileAsked = [&] {
        desk.AnswerNextMsgBox([&](const sim::MsgBoxRecord&) {
            look();
            return platform::IDYES;
        });
        main->onCloseJuno = [&] { desk.After(3000, look); }; // during the wait for Juno to go
    };
    lookWhileAsked();
    ASSERT_TRUE(form->QueryEndSession());
    look();
    EXPECT_EQ(seen, (Seen{"Closing Juno", "Closing Juno", std::nullopt}));
    // The session goes on; any other way out holds no session up.
    form->EndSession(false);
    client.StartNow();
    seen.clear();
    lookWhileAsked();
    main->cmdExit_Click();
    EXPECT_EQ(seen, (Seen{std::nullopt, std::nullopt}));
    EXPECT_FALSE(client.Running());
}

TEST_F(EndSessionTest, ASessionThatGoesOnPutsATrayProgramBackInTheTray) {
    Start();
    ASSERT_TRUE(form->QueryEndSession());
    EXPECT_EQ(desk.TrayIconCount(), 0u); // the clean-up took the icon away
    form->EndSession(false);
    EXPECT_TRUE(form->Loaded());
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->ShowInTaskbar());
    ASSERT_TRUE(desk.TrayIcon(form->hWnd(), 1));
    EXPECT_EQ(desk.TrayIcon(form->hWnd(), 1)->hIcon, form->Picture("TrayIcon"));
    EXPECT_TRUE(app->TaskBar().MainInTray());
    EXPECT_EQ(app->subclass.HookCount, 1);
    EXPECT_TRUE(form->TimerEnabled("TrayIcon_Timer"));
    EXPECT_TRUE(desk.MsgBoxes().empty());
    // And the tray works: Shift + right click still exits.
    desk.SetKeyDown(16, true);
    EXPECT_TRUE(desk.TrayMouse(form->hWnd(), 1, 517));
    EXPECT_FALSE(form->Loaded());
}

TEST_F(EndSessionTest, ASessionThatGoesOnLeavesAShownWindowShown) {
    Start();
    main->MenuTray_Restore_Click();
    ASSERT_TRUE(form->QueryEndSession());
    form->EndSession(false);
    EXPECT_TRUE(form->Loaded());
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(form->ShowInTaskbar());
    EXPECT_EQ(form->WindowState(), platform::kStateNormal);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_EQ(app->subclass.HookCount, 0);
    EXPECT_FALSE(form->TimerEnabled("TrayIcon_Timer"));
}

TEST_F(EndSessionTest, ASessionThatEndsEndsTheProgramWithOneCleanUp) {
    Start();
    ASSERT_TRUE(form->QueryEndSession());
    form->EndSession(true);
    EXPECT_FALSE(form->Loaded());
    EXPECT_EQ(main->pointerAtQueryUnload.size(), 1u);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
}

} // namespace
} // namespace pocketry::testing
