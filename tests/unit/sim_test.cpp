// The simulated desktop's own behaviours that the program's tests lean on
// and that could be wrong without any of those tests noticing. What Windows
// itself does (FindFirstFile, list box masks, short names, links, failures) the
// contract suite proves on the simulation and under Wine alike.
#include <gtest/gtest.h>

#include "platform/sim/sim.h"
#include "platform/sim/sim_juno.h"

namespace pocketry::sim {
namespace {

using namespace platform;

class SimTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_TRUE(desk.Errors().empty()); }
    SimDesktop desk;
    Platform& api = desk.api();
};

TEST_F(SimTest, FindWindowComparesWholeNamesIgnoringCaseTopmostFirst) {
    const Hwnd plain = desk.AddWindow({.className = "#32770", .title = "Get New Mail"});
    const Hwnd top = desk.AddWindow({.className = "#32770", .title = "Other", .topmost = true});
    EXPECT_EQ(api.windows.FindWindowA("#32770", "GET NEW MAIL"), plain);
    EXPECT_EQ(api.windows.FindWindowA("#32770", "Get New"), 0u);
    EXPECT_EQ(api.windows.FindWindowA("32770", nullptr), 0u);
    EXPECT_EQ(api.windows.FindWindowA("#32770", nullptr), top);
    const Hwnd newer = desk.AddWindow({.className = "#32770", .title = "Newer"});
    EXPECT_EQ(desk.TopLevelWindows(), (std::vector<Hwnd>{top, newer, plain}));

    // Characters as Windows counts them (UTF-16 units), whole, the length in UTF-8.
    const Hwnd cjk = desk.AddWindow({.className = "#32770", .title = "テスト😀x"});
    for (const auto& [h, maxCount, read] :
         {std::tuple{plain, 4, "Get"}, {cjk, 3, "テス"}, {cjk, 5, "テスト"}, {cjk, 6, "テスト😀"}}) {
        std::string text;
        EXPECT_EQ(api.windows.GetWindowTextA(h, text, maxCount),
                  static_cast<int>(std::string(read).size()));
        EXPECT_EQ(text, read) << maxCount;
    }
}

// The masks and short names are FilesContractTest's; here the folder's case and the order.
TEST_F(SimTest, ListBoxDirFindsItsFolderInAnyCaseAndSortsByNameAsWritten) {
    desk.AddDirectory("C:\\Juno\\ads\\Zeta");
    desk.AddDirectory("C:\\Juno\\ads\\alpha");
    desk.AddDirectoryLink("C:\\Juno\\ads\\Linked");
    EXPECT_EQ(api.kernel.ListBoxDir(0xFFFF8010u, "C:\\juno\\ADS\\*.*"),
              (std::vector<std::string>{"[..]", "[alpha]", "[Linked]", "[Zeta]"}));
    EXPECT_TRUE(api.kernel.ListBoxDir(0, "C:\\Juno\\ads\\").empty());
}

struct TimerEvents : FormEvents {
    SimDesktop* desk = nullptr;
    std::vector<std::string> log;
    void Timer(const std::string& name) override {
        log.push_back(name + "@" + std::to_string(desk->Now()));
        if (name == "Slow")
            desk->RunFor(700); // a message box left open inside the handler
    }
};

// Scheduled events and timers share the virtual time: events first, those
// of one time in the order scheduled; a timer never re-enters its handler.
TEST_F(SimTest, EventsAndTimersFireInTimeOrderAndTimersNeverReenter) {
    FormSpec spec;
    spec.name = "F";
    AddControl(spec, ControlKind::Timer, "Fast", "", 0, 0, 0, 0, -1).interval = 300;
    AddControl(spec, ControlKind::Timer, "Slow", "", 0, 0, 0, 0, -1).interval = 500;
    TimerEvents events;
    events.desk = &desk;
    auto form = api.ui.CreateForm(spec, events);
    desk.At(600, [&] { events.log.push_back("event@" + std::to_string(desk.Now())); });
    desk.At(600, [&] { events.log.push_back("second@600"); });
    api.kernel.Sleep(1000); // no message loop: no timer
    EXPECT_EQ(events.log, (std::vector<std::string>{"event@600", "second@600"}));
    events.log.clear();
    form->SetTimerEnabled("Fast", false);
    form->SetTimerEnabled("Fast", true); // counts again from now: 1300
    desk.RunFor(1000);
    EXPECT_EQ(events.log, (std::vector<std::string>{"Slow@1000", "Fast@1300", "Fast@1600",
                                                    "Slow@1700", "Fast@1900", "Fast@2200"}));
}

TEST_F(SimTest, JunoStartsAndClosesOnlyAfterYesIsPressed) {
    SimJuno juno(desk, {.startDelayMs = 3000, .welcomeMs = 1000, .confirmDelayMs = 500});
    juno.Install();
    ASSERT_TRUE(api.kernel.StartProcess("c:\\juno\\BIN\\juno.exe", SW_SHOWNORMAL).ok());
    desk.RunFor(4500); // the welcome dialog, then the main window
    const Hwnd main = api.windows.FindWindowA(SimJuno::kMainClass, nullptr);
    ASSERT_NE(main, 0u);
    EXPECT_EQ(api.windows.GetForegroundWindow(), main);

    api.windows.PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(juno.CloseRequests(), 0); // posted: handled when time moves
    api.kernel.Sleep(2000);
    const Hwnd dlg = api.windows.FindWindowA("#32770", "Confirm Permanent Delete");
    const Hwnd yes = api.windows.FindWindowExA(dlg, 0, "Button", "&Yes");
    ASSERT_NE(yes, 0u);                                   // so the dialog is there, too
    api.windows.SendMessageA(yes, WM_KEYUP, VK_SPACE, 0); // no press without the key going down
    desk.RunFor(100);
    EXPECT_TRUE(api.windows.IsWindow(dlg));
    api.windows.SendMessageA(yes, WM_KEYDOWN, VK_SPACE, 0);
    api.windows.SendMessageA(yes, WM_KEYUP, VK_SPACE, 0);
    desk.RunFor(1);
    EXPECT_FALSE(api.windows.IsWindow(main));
    EXPECT_FALSE(api.windows.IsWindow(dlg));
    EXPECT_TRUE(juno.Confirmed());
}

} // namespace
} // namespace pocketry::sim
