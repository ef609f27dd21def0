// Start-up and shutdown of the program: single instance, version texts,
// placement, menu hints, the first-run notice and every way out.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <tuple>

#include "app/Main.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

const std::string kFirstRunNotice =
    "Since this is the first time you are running this version, please be sure to read the App "
    "Notes so you know what to expect of the features offered.  Thanks much.  :-)";

using StartupTest = ProgramTest;

TEST_F(StartupTest, MainClaimsTheInstanceAndRunsUntilTheWindowIsGoneASecondEndsSilently) {
    SetStored("First Run", "False");
    // The message loop runs the program; Exit from the tray ends it.
    desk.After(1000, [this] {
        desk.SetKeyDown(16, true);
        // Shift + right click on its icon: Exit.
        EXPECT_TRUE(desk.TrayMouse(desk.FindForm("MainForm")->hWnd(), 1, 517));
    });
    Main(desk.api());
    EXPECT_TRUE(desk.InstanceClaimed("Pocketry.TrayCompanion.7F3A21C4"));
    EXPECT_FALSE(desk.MessageLoopGaveUp());
    // Started again while the claim holds, it reads no setting and shows nothing.
    desk.ClearSettingsLog();
    Main(desk.api());
    EXPECT_EQ(desk.FindForm("MainForm"), nullptr);
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_TRUE(desk.SettingsLog().empty());
    EXPECT_EQ(desk.TrayIconCount(), 0u);
}

TEST_F(StartupTest, LabelAndCaptionComeFromTheRevisionsFourDigits) {
    using Row = std::tuple<ProgramVersion, const char*, const char*>; // label, caption
    for (const auto& [version, label, caption] :
         {Row{{1, 0, 0}, "Version 1.0.0.0", "Pocketry 1.0"},
          Row{{0, 5, 5}, "Version 0.5.0.5", "Pocketry 0.5"},
          Row{{2, 3, 102}, "Version 2.3.1.2", "Pocketry 2.3.1"},
          Row{{1, 2, 1203}, "Version 1.2.12.3", "Pocketry 1.2.12"},
          Row{{1, 0, 12345}, "Version 1.0.12.45", "Pocketry 1.0.12"}}) {
        SCOPED_TRACE(label);
        Start(version);
        EXPECT_EQ(std::make_tuple(form->Text("labVersion"), form->Caption()),
                  std::make_tuple(label, caption));
        ExpectInTray(); // the caption is the tray tip too
    }
}

TEST_F(StartupTest, TheVeryFirstStartShowsTheWindowAndTheNoticeInsteadOfTheTray) {
    desk.AnswerNextMsgBox([this](const sim::MsgBoxRecord&) {
        // The window is already on screen, and painted, while the notice is open.
        EXPECT_TRUE(desk.FindForm("MainForm")->Visible());
        EXPECT_EQ(desk.FindForm("MainForm")->RefreshCount(), 1);
        return 0;
    });
    StartAsIs();
    // The settings are read before the first-run check, and nothing before them.
    const auto& log = desk.SettingsLog();
    ASSERT_GE(log.size(), 12u);
    EXPECT_EQ(log.front().key, "Options Tab");
    EXPECT_EQ(std::make_tuple(log[10].key, log[10].write, log[11].key, log[11].write),
              std::make_tuple("First Run", false, "First Run", true));
    EXPECT_EQ(Stored("First Run"), "False");
    EXPECT_EQ(Shown(), (Boxes{{kFirstRunNotice, kNotice}}));
    EXPECT_EQ(Facts(), "visible taskbar");
    // "OK" hands the window to the tray.
    form->PressKey(sim::VK_RETURN);
    EXPECT_EQ(Facts(), kInTray);
}

// Left unset, Juno is not run: the main window's key case sees no other command.
TEST_F(StartupTest, RunJunoAtStartRunsJunoWithTwoMinutesAfterTheTrayIsMade) {
    SetStored("First Run", "False");
    SetStored("Run Juno", "True");
    Create();
    bool inTray = false;
    main->onRunJuno = [&] { inTray = desk.TrayIconCount() == 1; };
    main->Load();
    EXPECT_EQ(main->calls, std::vector<std::string>{"RunJuno(120)"});
    EXPECT_TRUE(inTray);
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
    }
}

enum class Way { ExitButton, Escape, CloseBox, EndSession, TrayExit };

// What the clean-up may say, in this order.
const Boxes kAskedThenTold = {
    {"Close Juno now?", kAskYes},
    {"Juno did not close within the specified 30 second timeout.", kNotice}};

struct CleanUpRow {
    const char* name;
    bool closeJuno, ask, emptyAds, junoRuns;
    int answer;           // to "Close Juno now?"
    bool closeWorks;      // CloseJuno takes Juno away
    std::ptrdiff_t boxes; // how many of kAskedThenTold are shown
    const char* calls;
    Way way; // every way out runs the one clean-up
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
    if (row.way != Way::TrayExit) {
        main->MenuTray_Restore_Click(); // the window on screen
    }
    if (row.closeWorks) {
        main->onCloseJuno = [&] { client.Crash(); };
    } else {
        client.Script().confirmDelayMs = 60000; // asks too late to be answered
    }
    desk.AnswerNextMsgBox(row.answer);
    const std::function<void()> ways[] = {[&] { form->Click("cmdExit"); },
                                          [&] { form->PressKey(sim::VK_ESCAPE); },
                                          [&] { form->CloseBox(); }, [&] { form->EndSession(); },
                                          [&] {
                                              desk.SetKeyDown(16, true);
                                              desk.TrayMouse(form->hWnd(), 1, 517);
                                          }};
    ways[static_cast<int>(row.way)]();
    EXPECT_EQ(Shown(), Boxes(kAskedThenTold.begin(), kAskedThenTold.begin() + row.boxes));
    std::string calls;
    for (const std::string& c : main->calls) {
        calls += (calls.empty() ? "" : " ") + c;
    }
    EXPECT_EQ(calls, row.calls);
    EXPECT_FALSE(form->Loaded());
    // The hourglass is set before the clean-up, so that it shows while the clean-up runs.
    const bool exit = row.way != Way::CloseBox && row.way != Way::EndSession;
    EXPECT_EQ(main->pointerAtQueryUnload,
              std::vector<int>{exit ? platform::kPointerHourglass : platform::kPointerDefault});
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_EQ(app->subclass.OldWindowProc, 0u);
    EXPECT_EQ(app->subclass.HookCount, 0);
}

using platform::IDNO, platform::IDYES;
INSTANTIATE_TEST_SUITE_P(
    Shutdown, CleanUpTest,
    ::testing::Values(
        CleanUpRow{"NoLeavesJunoAndItsAds", true, true, true, true, IDNO, true, 1, "", Way::Escape},
        CleanUpRow{"YesClosesWithoutWaiting", true, true, false, true, IDYES, true, 1,
                   "CloseJuno(0)", Way::CloseBox},
        CleanUpRow{"YesWaitsThenEmpties", true, true, true, true, IDYES, true, 1,
                   "CloseJuno(30) EmptyAdsFolder(false)", Way::EndSession},
        CleanUpRow{"AJunoThatStaysKeepsItsAds", true, true, true, true, IDYES, false, 2,
                   "CloseJuno(30)", Way::TrayExit},
        CleanUpRow{"UnaskedClose", true, false, true, true, 0, true, 0,
                   "CloseJuno(30) EmptyAdsFolder(false)", Way::ExitButton},
        CleanUpRow{"NoJunoNoQuestion", true, true, false, false, 0, false, 0, "", Way::ExitButton},
        CleanUpRow{"EmptyOnlyWithJunoRunning", false, true, true, true, 0, false, 0, "",
                   Way::ExitButton},
        CleanUpRow{"EmptyOnlyWithoutJuno", false, true, true, false, 0, false, 0,
                   "EmptyAdsFolder(false)", Way::ExitButton}),
    RowName<CleanUpRow>);

TEST_F(StartupTest, TheCleanUpSaysWhyItHoldsUpTheSessionAndIfItGoesOnLeavesTheWindowAsItWas) {
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
    // The clean-up never cancels; a window on screen stays there.
    main->MenuTray_Restore_Click();
    lookWhileAsked();
    ASSERT_TRUE(form->QueryEndSession());
    look();
    EXPECT_EQ(seen, (Seen{"Closing Juno", "Closing Juno", std::nullopt}));
    EXPECT_EQ(Facts(), "visible taskbar");
    form->EndSession(false);
    EXPECT_EQ(Facts(), "visible taskbar");
    // From the tray it takes the icon away and leaves the window restored but
    // hidden; if the session goes on, the window goes back to a working tray.
    form->PressKey(sim::VK_RETURN);
    ASSERT_TRUE(form->QueryEndSession());
    EXPECT_EQ(Facts(), "");
    desk.ClearMsgBoxes();
    form->EndSession(false);
    ExpectInTray();
    // Any other way out, here Shift + right click, holds no session up.
    client.StartNow();
    seen.clear();
    lookWhileAsked();
    desk.SetKeyDown(16, true);
    EXPECT_TRUE(desk.TrayMouse(h, 1, 517));
    EXPECT_EQ(seen, (Seen{std::nullopt, std::nullopt}));
    EXPECT_FALSE(client.Running());
}

} // namespace
} // namespace pocketry::testing
