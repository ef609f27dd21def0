// The simulated desktop's own behaviours that the program's tests lean on
// and that could be wrong without any of those tests noticing. What Windows
// itself does (FindFirstFile, list box masks, links, failures) the contract
// suite proves on the simulation and under Wine alike.
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

    std::string text;
    EXPECT_EQ(api.windows.GetWindowTextA(plain, text, 4), 3);
    EXPECT_EQ(text, "Get");
    // Characters as Windows counts them (UTF-16 units), whole, the length in UTF-8.
    const Hwnd cjk = desk.AddWindow({.className = "#32770", .title = "テスト😀x"});
    for (const auto& [maxCount, read] : {std::pair{3, "テス"}, {5, "テスト"}, {6, "テスト😀"}}) {
        EXPECT_EQ(api.windows.GetWindowTextA(cjk, text, maxCount),
                  static_cast<int>(std::string(read).size()));
        EXPECT_EQ(text, read) << maxCount;
    }
    const Hwnd yes = desk.AddWindow({.className = "Button", .title = "&Yes", .parent = plain});
    EXPECT_EQ(api.windows.FindWindowExA(plain, 0, "button", "&yes"), yes);
    EXPECT_EQ(api.windows.FindWindowExA(plain, yes, "Button", nullptr), 0u);
}

// The masks are FilesContractTest.ListBoxDirListsFilesThenFoldersByTheMask's.
TEST_F(SimTest, ListBoxDirFindsItsFolderInAnyCaseAndSortsByNameAsWritten) {
    desk.AddDirectory("C:\\Juno\\ads\\Zeta");
    desk.AddDirectory("C:\\Juno\\ads\\alpha");
    desk.AddDirectoryLink("C:\\Juno\\ads\\Linked");
    Kernel& k = api.kernel;
    EXPECT_EQ(k.ListBoxDir(0xFFFF8010u, "C:\\juno\\ADS\\*.*"),
              (std::vector<std::string>{"[..]", "[alpha]", "[Linked]", "[Zeta]"}));
    EXPECT_EQ(k.ListBoxDir(0x8010, "C:\\*.*"),
              (std::vector<std::string>{"[Documents and Settings]", "[Juno]", "[Program Files]",
                                        "[WINDOWS]"}));
    EXPECT_TRUE(k.ListBoxDir(0, "C:\\Juno\\ads\\").empty());

    // Listings go through the 8.3 form of a folder, which must lead back.
    desk.AddFile("C:\\Program Files\\Juno Data\\ad one.gif");
    std::string shortPath;
    const std::uint32_t n = k.GetShortPathNameA("C:\\Program Files\\Juno Data\\", shortPath, 512);
    EXPECT_EQ(shortPath, "C:\\PROGRA~1\\JUNODA~1\\");
    EXPECT_EQ(n, shortPath.size());
    EXPECT_EQ(k.ListBoxDir(0, shortPath + "*.gif"), (std::vector<std::string>{"ad one.gif"}));
}

TEST_F(SimTest, ClockSleepAndScheduledEventsShareOneVirtualTime) {
    std::vector<std::uint64_t> fired;
    desk.At(50, [&] { fired.push_back(desk.Now()); });
    desk.At(10, [&] { fired.push_back(desk.Now()); });
    desk.At(50, [&] { fired.push_back(desk.Now() + 1000); }); // same time: in scheduling order
    const std::uint64_t t0 = api.clock.MonotonicMilliseconds();
    EXPECT_EQ(api.clock.MonotonicMilliseconds(), t0 + 1);
    api.kernel.Sleep(20);
    EXPECT_EQ(fired, (std::vector<std::uint64_t>{10}));
    api.kernel.Sleep(100);
    EXPECT_EQ(fired, (std::vector<std::uint64_t>{10, 50, 1050}));

    // A wait that only polls still ends: 120 virtual seconds, no sleep.
    bool up = false;
    desk.After(119000, [&] { up = true; });
    const std::uint64_t start = api.clock.MonotonicMilliseconds();
    while (!up && api.clock.MonotonicMilliseconds() - start < 120000) {
    }
    EXPECT_TRUE(up);
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

TEST_F(SimTest, TimersFireInTimeOrderAndNeverReenter) {
    FormSpec spec;
    spec.name = "F";
    AddControl(spec, ControlKind::Timer, "Fast", "", 0, 0, 0, 0, -1).interval = 300;
    AddControl(spec, ControlKind::Timer, "Slow", "", 0, 0, 0, 0, -1).interval = 500;
    TimerEvents events;
    events.desk = &desk;
    auto form = api.ui.CreateForm(spec, events);
    desk.At(600, [&] { events.log.push_back("event@600"); });
    api.kernel.Sleep(1000); // no message loop: no timer
    EXPECT_TRUE(events.log == std::vector<std::string>{"event@600"});
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
    std::string root;
    api.kernel.GetPrivateProfileStringA("Configuration", "root dir", "", root, 512, "JUNO.INI");
    EXPECT_EQ(root, "C:\\Juno");
    ASSERT_TRUE(api.kernel.StartProcess("c:\\juno\\BIN\\juno.exe", SW_SHOWNORMAL).ok());
    desk.RunFor(3500);
    EXPECT_NE(api.windows.FindWindowA("#32770", "Welcome to Juno"), 0u);
    EXPECT_EQ(api.windows.FindWindowA(SimJuno::kMainClass, nullptr), 0u);
    desk.RunFor(1000);
    const Hwnd main = api.windows.FindWindowA(SimJuno::kMainClass, nullptr);
    ASSERT_NE(main, 0u);
    EXPECT_EQ(api.windows.GetForegroundWindow(), main);

    api.windows.PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(juno.CloseRequests(), 0); // posted: handled when time moves
    api.kernel.Sleep(2000);
    const Hwnd dlg = api.windows.FindWindowA("#32770", "Confirm Permanent Delete");
    ASSERT_NE(dlg, 0u);
    const Hwnd yes = api.windows.FindWindowExA(dlg, 0, "Button", "&Yes");
    ASSERT_NE(yes, 0u);
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
