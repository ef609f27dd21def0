// The watcher: it notices Juno, keeps Juno's mail dialogs from staying on
// top, and when Juno's window goes waits for it before giving up on it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sim/sim_juno.h"
#include "program_fixture.h"
#include "tray/clsTaskBar.h"

namespace pocketry::testing {
namespace {

using namespace platform;
using namespace ::testing; // matchers

class WatcherTest : public ProgramTest {
  protected:
    sim::SimJuno juno{desk};

    // Juno runs and the watcher knows it; from here on only the test ticks.
    void StartWithJuno() {
        juno.StartNow();
        Start();
        main->Checker_Timer_Timer();
        ASSERT_TRUE(main->JunoWasRunning);
        form->SetTimerEnabled("Checker_Timer", false);
        form->SetTimerEnabled("TrayIcon_Timer", false);
    }
    // Runs one tick of the watcher; returns how long it took.
    std::uint64_t Tick() {
        const std::uint64_t t0 = desk.Now();
        main->Checker_Timer_Timer();
        return desk.Now() - t0;
    }
};

TEST_F(WatcherTest, AJunoStartedLaterIsNoticedOnTheNextTickAndEachTickFreesGetNewMailFirst) {
    Start();
    desk.RunFor(500); // a tick without Juno
    juno.StartNow();
    const Hwnd get = juno.OpenMailDialog("Get New Mail");
    const Hwnd send = juno.OpenMailDialog("Get and Send Mail"); // newer: in front
    desk.RunFor(499);
    EXPECT_FALSE(main->JunoWasRunning);
    desk.RunFor(1);
    EXPECT_TRUE(main->JunoWasRunning);
    ASSERT_EQ(desk.SetWindowPosCalls().size(), 1u);
    const sim::SetWindowPosCall& c = desk.SetWindowPosCalls()[0];
    // SWP_ASYNCWINDOWPOS (0x4000): the dialog is another program's.
    EXPECT_EQ(std::make_tuple(c.hWnd, c.insertAfter, c.x, c.y, c.cx, c.cy, c.flags),
              std::make_tuple(get, 0xFFFFFFFEu, 0, 0, 0, 0, 19u | 0x4000u));
    EXPECT_FALSE(desk.Window(get)->topmost);
    desk.RunFor(500);
    ASSERT_EQ(desk.SetWindowPosCalls().size(), 2u);
    EXPECT_EQ(desk.SetWindowPosCalls()[1].hWnd, get);
    EXPECT_TRUE(desk.Window(send)->topmost);
    desk.RemoveWindow(get);
    desk.RunFor(500);
    EXPECT_EQ(desk.SetWindowPosCalls().back().hWnd, send);
    EXPECT_FALSE(desk.Window(send)->topmost);

    // A hung Juno holds up no tick (no call waits on it); the change waits for its thread.
    const Hwnd mail = juno.OpenMailDialog();
    juno.Hang();
    EXPECT_EQ(Tick() + Tick(), 0u);
    EXPECT_TRUE(desk.Window(mail)->topmost);
    juno.Hang(false);
    desk.RunFor(1);
    EXPECT_FALSE(desk.Window(mail)->topmost);
}

TEST_F(WatcherTest, TheWelcomeDialogGivingWayToTheMainWindowIsNoEndOfJuno) {
    Start();
    sim::SimJuno slow(desk, {.root = "C:\\Slow", .welcomeMs = 5000});
    slow.Start();
    desk.RunFor(60000);
    ASSERT_NE(slow.MainWindow(), 0u);
    EXPECT_TRUE(main->JunoWasRunning);
    EXPECT_THAT(TrayPicturesSince(0), Not(Contains(form->Picture("TrayIconWait"))));
    EXPECT_TRUE(desk.Sleeps().empty());
}

TEST_F(WatcherTest, AJunoThatComesBackWithinTheWaitStillCountsAsRunning) {
    StartWithJuno();
    juno.Crash();
    desk.After(10000, [this] {
        juno.StartNow();
        juno.OpenMailDialog();
    });
    const std::size_t from = desk.NotifyIconCalls().size(), slept = desk.Sleeps().size();
    const std::uint64_t took = Tick();
    EXPECT_TRUE(main->JunoWasRunning);
    EXPECT_EQ(TrayPicturesSince(from), WaitThenNormal());
    EXPECT_GE(took, 10000u);
    // The wait sleeps in short pauses rather than spinning on the clock.
    const std::vector<std::uint32_t> pauses = Since(desk.Sleeps(), slept);
    EXPECT_THAT(pauses, AllOf(Not(IsEmpty()), Each(AllOf(Gt(0u), Le(250u)))));
    EXPECT_GE(std::accumulate(pauses.begin(), pauses.end(), std::uint64_t{0}), took * 9 / 10);

    // The dialog that came back with Juno waits for the next tick.
    EXPECT_TRUE(desk.SetWindowPosCalls().empty());
    Tick();
    EXPECT_EQ(desk.SetWindowPosCalls().size(), 1u);
}

struct GoneRow {
    const char* name;
    bool emptyAds, exit;
};

class WatcherGoneTest : public WatcherTest, public ::testing::WithParamInterface<GoneRow> {};

TEST_P(WatcherGoneTest, AJunoGoneForTheWholeWaitIsForgottenAndMayEndTheProgram) {
    const GoneRow& row = GetParam();
    juno.Install();
    desk.AddFile("C:\\Juno\\ads\\a.gif");
    desk.AddFile("C:\\Juno\\ads\\deep\\b.gif", FILE_ATTRIBUTE_READONLY);
    StartWithJuno();
    desk.ClearMsgBoxes();
    app->AppSettings.EmptyAdsWhenJunoEnds = row.emptyAds;
    app->AppSettings.ExitWhenJunoEnds = row.exit;
    juno.Crash();
    const std::size_t from = desk.NotifyIconCalls().size();
    Tick();
    EXPECT_FALSE(main->JunoWasRunning);
    EXPECT_EQ(TrayPicturesSince(from), WaitThenNormal());
    EXPECT_EQ(form->Loaded(), !row.exit);
    // Emptied without a question; the count told only to a user the program stays with.
    using Names = std::vector<std::string>;
    EXPECT_EQ(desk.Children("C:\\Juno\\ads"), (row.emptyAds ? Names{} : Names{"a.gif", "deep"}));
    const Boxes told = {{"Empty Juno Ads Folder:  Processed 2 ad files in 1 ad folders.", kNotice}};
    EXPECT_EQ(Shown(), row.emptyAds && !row.exit ? told : Boxes{});
    if (!row.exit) {
        EXPECT_TRUE(app->TaskBar().MainInTray());
        // Forgotten: the next tick does not wait again.
        const std::size_t calls = desk.NotifyIconCalls().size();
        EXPECT_EQ(Tick(), 0u);
        EXPECT_EQ(desk.NotifyIconCalls().size(), calls);
    } else {
        EXPECT_EQ(desk.TrayIconCount(), 0u);
    }
}

const GoneRow kGone[] = {{"StayInTray", false, false},
                         {"EmptyAds", true, false},
                         {"Exit", false, true},
                         {"EmptyAdsAndExit", true, true}};
INSTANTIATE_TEST_SUITE_P(Settings, WatcherGoneTest, ::testing::ValuesIn(kGone), RowName<GoneRow>);

// The wait starts rounded to a whole second and ends once more than 30 seconds
// have passed since: between 29.5 and 30.5 seconds, wherever in a second it begins
// (on it, a quarter in, either side of the half, ...) and whatever the clock reads.
TEST_F(WatcherTest, TheWaitLastsBetween29AndAHalfAnd30AndAHalfSeconds) {
    StartWithJuno();
    for (const std::uint64_t start :
         {100000u, 200250u, 300498u, 400502u, 500750u, 600998u, 86390498u}) {
        SCOPED_TRACE(start);
        juno.Crash();
        desk.RunFor(start - desk.Now());
        const std::uint64_t took = Tick();
        EXPECT_FALSE(main->JunoWasRunning);
        EXPECT_GE(took, 29500u);
        EXPECT_LE(took, 30550u);
        // Back 29.4 seconds after the start, at the same point of a second: in time.
        juno.StartNow();
        Tick();
        ASSERT_TRUE(main->JunoWasRunning);
        juno.Crash();
        desk.RunFor((desk.Now() / 1000 + 1) * 1000 + start % 1000 - desk.Now());
        desk.After(29400, [this] { juno.StartNow(); });
        EXPECT_LT(Tick(), 29500u);
        EXPECT_TRUE(main->JunoWasRunning);
    }
}

} // namespace
} // namespace pocketry::testing
