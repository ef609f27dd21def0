// Running Juno and waiting for its window, closing it and answering its delete
// question, the tray command that does either, and how soon the waits notice.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_juno.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;

class RunCloseTest : public InstalledJunoTest {
  protected:
    RunCloseTest() : InstalledJunoTest({.root = "C:\\Program Files\\Juno", .startDelayMs = 3000}) {}
    // Each message to `h`: "posted" or "sent", the message, wParam, lParam.
    std::vector<std::string> MessagesTo(Hwnd h) const {
        std::vector<std::string> to;
        for (const sim::MessageCall& m : desk.Messages()) {
            if (m.hWnd == h) {
                to.push_back(std::string(m.posted ? "posted " : "sent ") + std::to_string(m.msg) +
                             " " + std::to_string(m.wParam) + " " + std::to_string(m.lParam));
            }
        }
        return to;
    }
    // Changes spread over more than a second in 3 ms steps, some just after a poll
    // whatever the pause between polls, are each noticed within a quarter of a
    // second. `wait` makes the change `offset` ms after it begins, and waits.
    void ExpectNoticedSoon(const char* what, std::uint32_t first,
                           const std::function<void(std::uint32_t)>& wait) {
        SCOPED_TRACE(what);
        std::uint64_t latest = 0;
        for (std::uint32_t offset = first; offset < first + 1100; offset += 3) {
            const std::uint64_t t0 = desk.Now();
            wait(offset);
            const std::uint64_t took = desk.Now() - t0;
            EXPECT_GE(took, offset) << "a wait that ended before the change at " << offset;
            latest = std::max(latest, took - std::min<std::uint64_t>(took, offset));
        }
        EXPECT_TRUE(desk.MsgBoxes().empty()) << "a wait timed out";
        EXPECT_LE(latest, 250u);
    }
};

const std::string kExe = "C:\\Program Files\\Juno\\bin\\juno.exe";

TEST_F(RunCloseTest, RunReportsEachMissingPieceOrAFailedStartOrStartsTheProgramFileOnce) {
    desk.AddDirectory("C:\\Empty");
    desk.AddDirectory("C:\\Odd\\bin\\juno.exe"); // a folder cannot be started
    const std::pair<std::string, std::string> cases[] = {
        {"", "The Juno client expected could not be run because it does not appear to be "
             "installed on your system."},
        {"C:\\Gone", "The Juno client expected could not be run because the 'C:\\Gone' folder "
                     "specified in the Juno.ini file does not exist."},
        {"  C:\\Empty\\ ", "The Juno client expected could not be run because the "
                           "'C:\\Empty\\bin\\juno.exe' file does not exist."},
        {"C:\\Odd", "Juno (C:\\Odd\\bin\\juno.exe) could not be run due to an error:\r\n\r\n" +
                        sim::SystemMessage(5)},
    };
    const std::size_t from = desk.NotifyIconCalls().size();
    for (const auto& [rootDir, text] : cases) {
        desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", rootDir);
        desk.ClearMsgBoxes();
        main->RunJuno(120);
        EXPECT_EQ(Shown(), (Boxes{{text, kWarning}}));
    }
    // Juno's own root: started and waited for; running already, nothing is started or said.
    desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", "C:\\Program Files\\Juno");
    desk.ClearMsgBoxes();
    main->RunJuno(120);
    main->RunJuno(120);
    EXPECT_TRUE(juno.Running());
    EXPECT_TRUE(desk.MsgBoxes().empty());
    ASSERT_EQ(desk.StartProcessCalls().size(), 2u); // of the others only the folder was tried
    EXPECT_EQ(desk.StartProcessCalls()[1].path, kExe);
    EXPECT_EQ(desk.StartProcessCalls()[1].showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(TrayPicturesSince(from), WaitThenNormal()); // the failed runs changed none
}

TEST_F(RunCloseTest, ARunThatShowsNoWindowEndsInTheTimeoutWarning) {
    desk.UnregisterProgram(kExe); // starts, but nothing shows
    const std::size_t from = desk.NotifyIconCalls().size();
    const std::uint64_t t0 = desk.Now();
    std::vector<std::uint32_t> picturesWhileShown;
    desk.AnswerNextMsgBox([&](const sim::MsgBoxRecord&) {
        picturesWhileShown = TrayPicturesSince(from);
        return IDOK;
    });
    main->RunJuno(120);
    ExpectOnlyBox("The '" + kExe +
                      "' application was run successfully, however the Juno window expected was "
                      "not detected within the specified 120 second timeout.",
                  kWarning);
    // The normal picture comes back once the warning is dismissed.
    EXPECT_EQ(picturesWhileShown, (std::vector<std::uint32_t>{form->Picture("TrayIconWait")}));
    EXPECT_EQ(TrayPicturesSince(from), WaitThenNormal());
    EXPECT_GT(desk.Now() - t0, 120000u);
    EXPECT_LE(desk.Now() - t0, 122000u);
}

TEST_F(RunCloseTest, CloseAnswersTheConfirmationAndWithATimeoutWaitsForJunoToGo) {
    juno.StartNow();
    const Hwnd h = juno.MainWindow();
    Hwnd question = 0, yes = 0; // the question comes 500 ms after the request
    desk.After(600, [&] {
        question = juno.ConfirmDialog();
        yes = juno.YesButton();
    });
    const std::size_t from = desk.NotifyIconCalls().size();
    main->CloseJuno(30);
    ASSERT_NE(yes, 0u);
    EXPECT_FALSE(juno.Running());
    EXPECT_TRUE(juno.Confirmed());
    EXPECT_EQ(TrayPicturesSince(from), WaitThenNormal());
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_EQ(MessagesTo(h), std::vector<std::string>{"posted 16 0 0"}); // WM_CLOSE
    // Two seconds before the look; the space key down and up on "&Yes", sent,
    // 100 ms apart, with the button active and then the question again.
    EXPECT_EQ(MessagesTo(yes), (std::vector<std::string>{"sent 256 32 0", "sent 257 32 0"}));
    EXPECT_EQ(desk.Sleeps(), (std::vector<std::uint32_t>{2000, 100}));
    EXPECT_EQ(desk.SetActiveCalls(), (std::vector<Hwnd>{yes, question}));
    // No Juno: nothing at all.
    const std::size_t messages = desk.Messages().size();
    main->CloseJuno(30);
    EXPECT_EQ(desk.Messages().size(), messages);
    // Without a time-out the question is answered, but Juno neither waited for nor told of.
    juno.Script().exitDelayMs = 5000;
    juno.StartNow();
    const std::size_t pictures = desk.NotifyIconCalls().size();
    main->CloseJuno(0);
    EXPECT_TRUE(juno.Confirmed());
    EXPECT_TRUE(juno.Running()); // still going away
    EXPECT_TRUE(TrayPicturesSince(pictures).empty());
    EXPECT_TRUE(desk.MsgBoxes().empty());
}

TEST_F(RunCloseTest, ALateOrHungConfirmationStaysUnansweredAndTheWaitTimesOut) {
    for (const bool hung : {false, true}) {
        SCOPED_TRACE(hung ? "hung" : "late");
        desk.ClearMsgBoxes();
        juno.Script().confirmDelayMs = hung ? 500 : 2500;
        juno.StartNow();
        if (hung) {
            desk.After(1000, [this] { desk.Window(juno.YesButton())->hung = true; });
        }
        const std::uint64_t t0 = desk.Now();
        main->CloseJuno(30);
        EXPECT_FALSE(juno.Confirmed());
        EXPECT_TRUE(juno.Running());
        // The look after two seconds, each key's time-out, the pause between, the wait.
        EXPECT_LE(desk.Now() - t0, 2000u + 5000u + 100u + 5000u + 32000u);
        ExpectOnlyBox("Juno did not close within the specified 30 second timeout.", kNotice);
        juno.Crash();
    }
    // Without a wait a hung question costs exactly the look and both keys' time-outs.
    juno.StartNow();
    desk.After(1000, [this] { desk.Window(juno.YesButton())->hung = true; });
    const std::uint64_t t0 = desk.Now();
    main->CloseJuno(0);
    EXPECT_EQ(desk.Now() - t0, 2000u + 5000u + 100u + 5000u);
}

TEST_F(RunCloseTest, OnlyTheQuestionOfTheJunoAskedToCloseIsAnswered) {
    // Another program's "Confirm Permanent Delete", in front of Juno's.
    const Hwnd other = desk.AddWindow({.className = "#32770",
                                       .title = "Confirm Permanent Delete",
                                       .processId = 7000,
                                       .topmost = true});
    const Hwnd otherYes = desk.AddWindow(
        {.className = "Button", .title = "&Yes", .parent = other, .processId = 7000});
    juno.StartNow();
    main->CloseJuno(30);
    EXPECT_TRUE(MessagesTo(otherYes).empty());
    EXPECT_TRUE(juno.Confirmed());
    EXPECT_FALSE(juno.Running());
    EXPECT_TRUE(desk.MsgBoxes().empty());
}

TEST_F(RunCloseTest, TheTrayCommandAsksThenRunsOrCloses) {
    // Each No leaves Juno as it was: the next question is the same one.
    for (const int answer : {IDNO, IDYES, IDNO, IDYES}) {
        desk.AnswerNextMsgBox(answer);
        main->MenuTrayJuno_RunClose_Click();
    }
    EXPECT_FALSE(juno.Running());
    const Boxes::value_type run{"Are you sure you want to run Juno?", kAskYes},
        close{"Are you sure you want to close Juno?", kAskNo};
    EXPECT_EQ(Shown(), (Boxes{run, run, close, close}));
    EXPECT_EQ(main->calls, (std::vector<std::string>{"RunJuno(120)", "CloseJuno(30)"}));
}

// The waits for Juno's window after a run, for it to go, and for it to come back.
TEST_F(RunCloseTest, EachWaitSeesTheChangeSoonAfterIt) {
    juno.Script().confirmOnClose = false;
    ExpectNoticedSoon("run", 3000, [this](std::uint32_t offset) {
        juno.Crash();
        juno.Script().startDelayMs = offset;
        main->RunJuno(120);
        EXPECT_NE(juno.MainWindow(), 0u);
    });
    ExpectNoticedSoon("close", 3000, [this](std::uint32_t offset) {
        juno.StartNow();
        juno.Script().exitDelayMs = offset;
        main->CloseJuno(30);
        EXPECT_FALSE(juno.Running());
    });
    juno.StartNow();
    main->Checker_Timer_Timer();
    ASSERT_TRUE(main->JunoWasRunning);
    ExpectNoticedSoon("back", 5000, [this](std::uint32_t offset) {
        juno.Crash();
        desk.After(offset, [this] { juno.StartNow(); });
        main->Checker_Timer_Timer();
        EXPECT_TRUE(main->JunoWasRunning);
    });
}

} // namespace
} // namespace pocketry::testing
