// The tray icon and its record, the mouse on the icon, the tray menu, the
// watchdog that keeps the icon in the tray, and the menu's desktop commands.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;

constexpr int VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18;
const std::string kNoTaskbarText =
    "The Windows taskbar could not be detected, therefore a tray icon cannot be "
    "created.\r\n\r\nThe tray icon feature is either not available on your system, such as "
    "under Windows NT 3.51; a Windows shell other than Windows Explorer is being used that is "
    "not completely compatible with the tray icon feature; or this indicates a current "
    "underlying Windows problem and it is probably best if you restart Windows soon.";
const std::string kNoHookText =
    "Window subclassing could not be initiated, and as a result some program features will "
    "not be available.\r\n\r\nThis indicates a current underlying Windows problem, and it is "
    "probably best if you restart Windows soon.";

class TrayTest : public ProgramTest {
  protected:
    // A first start: the window is shown and neither icon nor hook exists yet.
    void StartShown() {
        SetStored("First Run", "True");
        StartAsIs();
        desk.ClearMsgBoxes();
        main->TrayBusy = true; // as while the program itself works the tray
    }
    clsTaskBar& Bar() { return app->TaskBar(); }
    Hwnd Main() const { return form->hWnd(); }

    // The watchdog gave up: the window is back on the taskbar, nothing watches it.
    void ExpectGaveUp() {
        ExpectOnlyBox("The Pocketry tray icon could not be updated due to an API call error, "
                      "therefore the Pocketry window will now be restored.",
                      kWarning);
        EXPECT_EQ(Facts(), "visible taskbar minimized");
        EXPECT_FALSE(main->TrayBusy);
    }
};

// ---------------------------------------------------------------- the icon object

struct SetupRow {
    const char* name;
    bool taskbar, hookFails, silent, ready;
    std::string message; // empty: no message
};

class TraySetupTest : public TrayTest, public ::testing::WithParamInterface<SetupRow> {};

TEST_P(TraySetupTest, SetupHidesTheWindowOnlyWithATaskbarAndAHook) {
    const SetupRow& row = GetParam();
    StartShown();
    desk.SetNoTaskbar(!row.taskbar);
    desk.FailSetWindowLong(row.hookFails);
    EXPECT_EQ(Bar().Exists(), row.taskbar);
    EXPECT_EQ(Bar().Setup(*form, row.silent), row.ready);
    EXPECT_EQ(Shown(), (row.message.empty() ? Boxes{} : Boxes{{row.message, kWarning}}));
    // Either ready and gone from view, or untouched.
    EXPECT_EQ(Facts(), row.ready ? "minimized hooked" : "visible taskbar");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TraySetupTest,
    ::testing::Values(SetupRow{"Ready", true, false, false, true, ""},
                      SetupRow{"HookFailsLoud", true, true, false, false, kNoHookText},
                      SetupRow{"HookFailsEvenWhenSilent", true, true, true, false, kNoHookText},
                      SetupRow{"NoTaskbarLoud", false, false, false, false, kNoTaskbarText},
                      SetupRow{"NoTaskbarSilent", false, false, true, false, ""}),
    RowName<SetupRow>);

TEST_F(TrayTest, OneIconPerIdTheShownFlagFollowsAddAndDeleteAndOnlyTheLastShutdownUnhooks) {
    StartShown();
    const std::uintptr_t original = desk.Window(Main())->wndProc;
    ASSERT_TRUE(Bar().Setup(*form, true));
    ASSERT_TRUE(Bar().Setup(*form, true));
    EXPECT_EQ(app->subclass.HookCount, 2);
    const std::size_t from = desk.NotifyIconCalls().size();
    ASSERT_TRUE(Bar().AddIcon(*form, 1, "a", 1));
    ASSERT_TRUE(Bar().AddIcon(*form, 2, "b", 1));
    EXPECT_EQ(TrayCalls(from), "ADA");
    EXPECT_EQ(Facts(), kInTray);

    // An icon the shell has lost still counts as shown until deleted, and a
    // delete always clears it.
    desk.LoseTrayIcons();
    EXPECT_FALSE(Bar().ChangeIcon(2, 1));
    EXPECT_EQ(Facts(), "minimized hooked inTray watchdog");
    EXPECT_FALSE(Bar().DeleteIcon(*form, 1));
    EXPECT_EQ(Facts(), "minimized hooked");

    // An add that fails after taking the shown icon away leaves no icon and no watchdog.
    ASSERT_TRUE(Bar().AddIcon(*form, 3, "c", 1));
    desk.FailNotifyIcon(NIM_ADD, true);
    const std::size_t failing = desk.NotifyIconCalls().size();
    EXPECT_FALSE(Bar().AddIcon(*form, 4, "d", 1));
    EXPECT_EQ(TrayCalls(failing), "DA");
    EXPECT_EQ(Facts(), "minimized hooked");

    // The second ID is kept to one icon as well, and shut down with the first;
    // the first of two shutdowns leaves the hook in place.
    desk.FailNotifyIcon(NIM_ADD, false);
    ASSERT_TRUE(Bar().AddIcon(*form, 5, "e", 1));
    ASSERT_TRUE(Bar().AddIcon(*form, 6, "f", 2));
    const std::size_t second = desk.NotifyIconCalls().size();
    ASSERT_TRUE(Bar().AddIcon(*form, 7, "g", 2));
    EXPECT_EQ(TrayCalls(second), "DA");
    Bar().Shutdown(*form, false, false);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_EQ(Facts(), "minimized hooked");
    Bar().Shutdown(*form, true, true);
    EXPECT_EQ(desk.Window(Main())->wndProc, original);
    EXPECT_EQ(app->subclass.HookCount, 0);
    EXPECT_EQ(Facts(), "visible taskbar");

    // With nothing left to undo, only what was asked for happens.
    const std::size_t calls = desk.NotifyIconCalls().size();
    form->Minimize();
    form->Hide();
    Bar().Shutdown(*form, false, true);
    EXPECT_EQ(Facts(), "taskbar");
    EXPECT_EQ(desk.NotifyIconCalls().size(), calls);
    EXPECT_EQ(desk.Window(Main())->wndProc, original);
}

std::vector<std::uint32_t> g_passedOn;
std::intptr_t RecordingProc(Hwnd, std::uint32_t uMsg, std::uintptr_t, std::intptr_t) {
    g_passedOn.push_back(uMsg);
    return 0;
}

TEST_F(TrayTest, BeforeTheFirstIconNoMessageIsTheTrayCallbackAndEachShellCallHasItsOwnFlags) {
    StartShown();
    app->AppSettings.TrayLeftCommand = 6; // the screen saver: easy to see
    Windows& w = desk.api().windows;
    w.SetWindowLongA(Main(), GWL_WNDPROC, w.AddressOfWindowProc(&RecordingProc));
    g_passedOn.clear();
    const std::size_t spi = desk.SpiCalls().size();
    ASSERT_TRUE(Bar().Setup(*form, true));
    Bar().ChangeTip("early", 1);
    EXPECT_EQ(desk.NotifyIconCalls().back().Data().uCallbackMessage, 0u);
    desk.Deliver(Main(), 0, 1, 514); // WM_NULL
    desk.Deliver(Main(), 1793, 1, 514);
    EXPECT_EQ(g_passedOn, (std::vector<std::uint32_t>{0, 1793}));
    EXPECT_EQ(desk.SpiCalls().size(), spi);

    // From the first icon on, 1793 is the tray's and stays with the program.
    const std::size_t from = desk.NotifyIconCalls().size();
    ASSERT_TRUE(Bar().AddIcon(*form, 0x1234, "Pocketry 1.0", 1));
    main->TrayBusy = false;
    desk.Deliver(Main(), 0, 1, 514);
    desk.Deliver(Main(), 1793, 1, 514);
    EXPECT_EQ(g_passedOn, (std::vector<std::uint32_t>{0, 1793, 0}));
    EXPECT_GT(desk.SpiCalls().size(), spi);
    EXPECT_TRUE(Bar().ChangeIcon(0x5678, 1));
    EXPECT_TRUE(Bar().ChangeTip("Tip", 1));
    EXPECT_TRUE(Bar().DeleteIcon(*form, 1));
    // message; size, window, ID, flags, callback message, icon; tip
    using Record = std::tuple<std::uint32_t, std::vector<std::uint32_t>, std::string>;
    std::vector<Record> records;
    for (const sim::NotifyIconCall& c : Since(desk.NotifyIconCalls(), from)) {
        std::vector<std::uint32_t> fields(6);
        std::memcpy(fields.data(), c.bytes.data(), 6 * sizeof(std::uint32_t));
        records.emplace_back(c.message, fields, c.Tip());
    }
    EXPECT_EQ(records,
              (std::vector<Record>{{NIM_ADD, {88, Main(), 1, 7, 1793, 0x1234}, "Pocketry 1.0"},
                                   {NIM_MODIFY, {88, Main(), 1, 2, 1793, 0x5678}, "Pocketry 1.0"},
                                   {NIM_MODIFY, {88, Main(), 1, 4, 1793, 0x5678}, "Tip"},
                                   {NIM_DELETE, {88, Main(), 1, 4, 1793, 0x5678}, "Tip"}}));

    // The tip ends with a NUL inside its 64-byte field and is padded with spaces.
    const std::string t63(63, 'x');
    for (const std::string& tip :
         {std::string(), std::string("Pocketry"), t63, t63 + "y", std::string(100, 'z')}) {
        SCOPED_TRACE(tip.size());
        Bar().ChangeTip(tip, 1);
        const auto& bytes = desk.NotifyIconCalls().back().bytes;
        const std::size_t kept = std::min<std::size_t>(tip.size(), 63);
        EXPECT_EQ(std::string(bytes.begin() + 24, bytes.end()),
                  tip.substr(0, kept) + '\0' + std::string(63 - kept, ' '));
    }
}

// ---------------------------------------------------------------- the mouse on the icon

class TrayEventsTest : public TrayTest {
  protected:
    sim::SimJuno juno{desk};
    void SetUp() override {
        Start();
        juno.StartNow();
        desk.SetModalResponder([](sim::SimForm& d) { d.Click("cmdCancel"); });
    }
    // Every command that left a trace. Run/Close Juno asks first (the answer is
    // the default No); Options opens its dialog, which is cancelled at once.
    std::set<std::string> Seen() const {
        const auto& shows = desk.ShowWindowCalls();
        const auto toJuno = std::ranges::find(shows, juno.MainWindow(), &sim::ShowWindowCall::hWnd);
        const int show = toJuno == shows.end() ? -1 : toJuno->cmdShow;
        const std::pair<bool, const char*> traces[] = {
            {!desk.MsgBoxes().empty(), "RunClose"},
            {std::ranges::count(main->calls, "cmdSetup_Click") != 0, "Options"},
            {!form->Loaded(), "Exit"},
            {form->Loaded() && form->Visible(), "Restore"},
            {std::ranges::count(desk.SpiCalls(), SPI_SETSCREENSAVEACTIVE, &sim::SpiCall::action) !=
                 0,
             "ScreenSaver"},
            {!desk.PopupMenus().empty(), "Menu"},
            {desk.EmptyClipboardCalls() != 0, "Cleared"},
            {show == SW_SHOW, "SwitchTo"},
            {show == SW_SHOWMINNOACTIVE, "MinRes"},
            {show == SW_HIDE, "HideShow"}};
        std::set<std::string> seen;
        for (const auto& [left, trace] : traces) {
            if (left) {
                seen.insert(trace);
            }
        }
        return seen;
    }
};

struct ClickRow {
    const char* name;
    bool doubleClicks;
    int trayLeft;
    std::uint32_t mouse;
    int held; // a virtual key held down, 0 for none
    std::set<std::string> did;
    const char* choose = ""; // the menu item chosen, when the menu opens
};

class TrayClickTest : public TrayEventsTest, public ::testing::WithParamInterface<ClickRow> {};

TEST_P(TrayClickTest, EachClickRunsItsOneCommand) {
    const ClickRow& row = GetParam();
    app->AppSettings.TrayDoubleClick = row.doubleClicks;
    app->AppSettings.TrayLeftCommand = static_cast<std::int16_t>(row.trayLeft);
    desk.AddClipboardFormat(1);
    desk.SetKeyDown(row.held, row.held != 0);
    desk.ChooseMenuItem(row.choose);
    ASSERT_TRUE(desk.TrayMouse(Main(), 1, row.mouse));
    EXPECT_EQ(Seen(), row.did);
    EXPECT_FALSE(main->HandlerBusy);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrayClickTest,
    ::testing::Values(
        ClickRow{"Left0SwitchesToJuno", false, 0, 514, 0, {"SwitchTo"}},
        ClickRow{"Left1MinimisesJuno", false, 1, 514, 0, {"MinRes"}},
        ClickRow{"Left2HidesJuno", false, 2, 514, 0, {"HideShow"}},
        ClickRow{"Left3AsksToCloseJuno", false, 3, 514, 0, {"RunClose"}},
        ClickRow{"Left4OpensOptions", false, 4, 514, 0, {"Options"}},
        ClickRow{"Left5RestoresTheWindow", false, 5, 514, 0, {"Restore"}},
        ClickRow{"Left6StartsTheScreenSaver", false, 6, 514, 0, {"ScreenSaver"}},
        ClickRow{"Left7DoesNothing", false, 7, 514, 0, {}},
        ClickRow{"LeftMinus1DoesNothing", false, -1, 514, 0, {}},
        ClickRow{"ShiftLeftIsRunCloseNotTheCommand", false, 1, 514, VK_SHIFT, {"RunClose"}},
        ClickRow{"CtrlLeftMinimisesJuno", false, 0, 514, VK_CONTROL, {"MinRes"}},
        ClickRow{"AltLeftHidesJuno", false, 0, 514, VK_MENU, {"HideShow"}},
        ClickRow{"ShiftRightExits", false, 0, 517, VK_SHIFT, {"Exit"}},
        ClickRow{"CtrlRightIsOptionsOnly", false, 6, 517, VK_CONTROL, {"Options"}},
        ClickRow{"AltRightRestoresTheWindow", false, 6, 517, VK_MENU, {"Restore"}},
        ClickRow{"RightOpensTheMenu", false, 0, 517, 0, {"Menu"}},
        ClickRow{"Right7OpensNoMenu", false, 7, 517, 0, {}},
        ClickRow{"LeftDoubleIgnoredInSingleMode", false, 6, 515, 0, {}},
        ClickRow{"RightDoubleIgnoredInSingleMode", false, 6, 518, 0, {}},
        ClickRow{"ButtonDownIgnored", false, 6, 513, 0, {}},
        ClickRow{"SingleLeftIgnoredInDoubleMode", true, 6, 514, 0, {}},
        ClickRow{"SingleRightIgnoredInDoubleMode", true, 6, 517, VK_SHIFT, {}},
        ClickRow{"DoubleLeftRunsTheCommand", true, 6, 515, 0, {"ScreenSaver"}},
        ClickRow{"AltDoubleLeftHidesJuno", true, 6, 515, VK_MENU, {"HideShow"}},
        ClickRow{"DoubleRightOpensTheMenu", true, 6, 518, 0, {"Menu"}},
        ClickRow{"ShiftDoubleRightExits", true, 6, 518, VK_SHIFT, {"Exit"}},
        // A chosen item runs the handler a left click runs (Left0 to Left6): only
        // the items no left click reaches are chosen here.
        ClickRow{"MenuExit", false, 0, 517, 0, {"Menu", "Exit"}, "MenuTray_Exit"},
        ClickRow{"MenuClear", false, 0, 517, 0, {"Menu", "Cleared"}, "MenuTray_ClearClipboard"}),
    RowName<ClickRow>);

TEST_F(TrayEventsTest, ModifiersAreReadShiftCtrlAltAndOnlyAsFarAsNeeded) {
    app->AppSettings.TrayLeftCommand = 6;
    // A key pressed since the last query answers with its low bit once; a
    // bit still there afterwards shows the key was never asked about.
    auto wasAsked = [&](int key) { return (desk.api().windows.GetAsyncKeyState(key) & 1) == 0; };
    using Row = std::pair<int, std::vector<bool>>; // the key held; Shift, Ctrl, Alt asked
    for (const auto& [held, asked] :
         {Row{VK_SHIFT, {true, false, false}}, Row{VK_CONTROL, {true, true, false}},
          Row{VK_MENU, {true, true, true}}, Row{0, {true, true, true}}}) {
        SCOPED_TRACE(held);
        for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
            desk.TapKey(key);
        }
        desk.SetKeyDown(held, held != 0);
        desk.TrayMouse(Main(), 1, 514);
        EXPECT_EQ((std::vector<bool>{wasAsked(VK_SHIFT), wasAsked(VK_CONTROL), wasAsked(VK_MENU)}),
                  asked);
        // Keys only pressed since the last query are not held.
        EXPECT_EQ(Seen().count("ScreenSaver") != 0, held == 0);
        desk.SetKeyDown(held, false);
    }
}

TEST_F(TrayEventsTest, ClicksWhileAnEarlierClicksMenuOrBoxIsOpenAreDroppedAndAFailedOneBlocksNone) {
    app->AppSettings.TrayLeftCommand = 2; // hide Juno: easy to see
    desk.AddClipboardFormat(1);
    desk.FailEmptyClipboard(sim::Failure(5));
    desk.SetPopupResponder([&](const sim::PopupRecord&) {
        EXPECT_TRUE(desk.TrayMouse(Main(), 1, 514));
        return std::string("MenuTray_ClearClipboard");
    });
    desk.AnswerNextMsgBox([&](const sim::MsgBoxRecord&) {
        desk.TrayMouse(Main(), 1, 514);
        desk.TrayMouse(Main(), 1, 517);
        return 0;
    });
    desk.TrayMouse(Main(), 1, 517);
    EXPECT_EQ(desk.PopupMenus().size(), 1u);
    EXPECT_EQ(desk.MsgBoxes().size(), 1u);
    EXPECT_TRUE(desk.ShowWindowCalls().empty());

    desk.TrayMouse(Main(), 1, 514); // both closed: the next click counts
    EXPECT_FALSE(desk.Window(juno.MainWindow())->visible);

    // A command that fails still lets the next click in.
    main->onSetup = [] { throw std::runtime_error("the options dialog failed"); };
    desk.SetKeyDown(VK_CONTROL, true); // Ctrl + right: Options
    EXPECT_TRUE(desk.TrayMouse(Main(), 1, 517));
    EXPECT_TRUE(desk.TrayMouse(Main(), 1, 517));
    EXPECT_EQ(main->calls, std::vector<std::string>(2, "cmdSetup_Click"));
    EXPECT_TRUE(form->Loaded());
}

// ---------------------------------------------------------------- the menu

TEST_F(TrayEventsTest, TheMenuListsItsItemsGreysWhatCannotApplyAndBoldsTheLeftClickCommand) {
    // Parent, flags, the bold item; then each caption with '+' for an enabled
    // item, '-' for a greyed one.
    auto shown = [](const sim::PopupRecord& p) {
        std::string all = p.parent + " " + std::to_string(p.flags) + " " + p.defaultItem + ": ";
        for (const sim::MenuItemRecord& i : p.items) {
            all += i.caption + (i.separator ? "" : i.enabled ? "+" : "-") + "|";
        }
        return all;
    };
    const std::string head = "Exit\tr+s+|-|Restore Window\tr+a+|Options...\tr+c+|-|Activate Screen "
                             "Saver+|Clear Clipboard+|-|Empty Juno Ads Folder...";
    juno.Crash();
    desk.AddClipboardFormat(1);
    desk.TrayMouse(Main(), 1, 517);
    // The left click's item is the menu's bold one (the table behind both: TrayClickTest).
    juno.StartNow();
    app->AppSettings.TrayLeftCommand = 6;
    desk.TrayMouse(Main(), 1, 517);
    ASSERT_EQ(desk.PopupMenus().size(), 2u);
    EXPECT_EQ(shown(desk.PopupMenus()[0]),
              "MenuTray 2 MenuTrayJuno_SwitchTo: " + head +
                  "+|Run/Close Juno...\tl+s+|-|Hide/Show Juno\tl+a-|Minimize/Restore "
                  "Juno\tl+c-|Switch to Juno-|");
    EXPECT_EQ(shown(desk.PopupMenus()[1]),
              "MenuTray 2 MenuTray_ScreenSaver: " + head +
                  "-|Run/Close Juno...\tl+s+|-|Hide/Show Juno\tl+a+|Minimize/Restore "
                  "Juno\tl+c+|Switch to Juno+|");
}

TEST_F(TrayEventsTest, ClearClipboardIsOfferedOnlyForTheFormatsItClearsAndClearsThemOrSaysWhy) {
    Clipboard& clip = desk.api().clipboard;
    const std::uint32_t link = clip.RegisterClipboardFormatA("Link");
    const std::uint32_t rtf = clip.RegisterClipboardFormatA("Rich Text Format");
    // The formats on the clipboard, one whose query fails, whether clearing is offered.
    using Row = std::tuple<std::vector<std::uint32_t>, std::uint32_t, bool>;
    std::vector<Row> rows = {{{}, 0, false},  {{13}, 0, false},  {{7, 16, 13}, 0, false},
                             {{1}, 1, false}, {{1, 2}, 1, true}, {{13, 8}, 0, true}};
    for (std::uint32_t f : {2u, 8u, 14u, 15u, link, 3u, 9u, rtf, 1u}) {
        rows.push_back({{f}, 0, true});
    }
    for (const auto& [formats, failing, offered] : rows) {
        SCOPED_TRACE(::testing::PrintToString(formats));
        ASSERT_TRUE(clip.EmptyClipboard().ok());
        for (std::uint32_t f : formats) {
            desk.AddClipboardFormat(f);
        }
        desk.FailFormatQuery(failing, failing != 0);
        main->MenuTray_Click();
        EXPECT_EQ(form->MenuEnabled("MenuTray_ClearClipboard"), offered);
        desk.FailFormatQuery(failing, false);
    }

    // Clearing empties it without a word, again when already empty, or says why
    // and leaves it as it was.
    main->MenuTray_ClearClipboard_Click();
    main->MenuTray_ClearClipboard_Click();
    EXPECT_EQ(desk.ClipboardFormatCount(), 0u);
    EXPECT_TRUE(desk.MsgBoxes().empty());
    desk.AddClipboardFormat(8);
    desk.FailEmptyClipboard(sim::Failure(5));
    main->MenuTray_ClearClipboard_Click();
    ExpectOnlyBox("An error occurred attempting to clear the Windows Clipboard:\r\n\r\n" +
                      sim::SystemMessage(5),
                  kWarning);
    EXPECT_TRUE(desk.ClipboardHas(8));
}

// ---------------------------------------------------------------- going to the tray

TEST_F(TrayTest, WithoutAnIconTheWindowStaysOnTheTaskbarAndWithoutATaskbarItIsShown) {
    // No taskbar; the one box, the window's facts, the shell calls.
    using Row = std::tuple<bool, std::string, std::string, std::string>;
    for (const auto& [noTaskbar, box, facts, calls] :
         {Row{false, "A taskbar tray icon could not be created.", "visible taskbar minimized", "A"},
          Row{true, kNoTaskbarText, "visible taskbar", ""}}) {
        SCOPED_TRACE(facts);
        desk.ClearMsgBoxes();
        desk.SetNoTaskbar(noTaskbar);
        desk.FailNotifyIcon(NIM_ADD, true);
        desk.AnswerNextMsgBox([&](const sim::MsgBoxRecord&) {
            EXPECT_TRUE(main->TrayBusy); // while it asks
            return 0;
        });
        const std::size_t from = desk.NotifyIconCalls().size();
        Start();
        ExpectOnlyBox(box, kWarning);
        EXPECT_FALSE(main->TrayBusy);
        EXPECT_EQ(Facts(), facts);
        EXPECT_EQ(TrayCalls(from), calls);
    }
}

// ---------------------------------------------------------------- the watchdog

TEST_F(TrayTest, TheWatchdogPutsAShownWindowAwayOnce) {
    Start();
    main->TrayBusy = true; // bring the window back without leaving the tray
    form->Restore();
    form->Show();
    form->SetShowInTaskbar(true);
    main->TrayBusy = false;
    const std::size_t from = desk.NotifyIconCalls().size();
    desk.RunFor(30000);
    EXPECT_EQ(TrayCalls(from), "M"); // no second move to the tray
    EXPECT_EQ(Facts(), kInTray);
    EXPECT_EQ(app->subclass.HookCount, 1);
    // Done putting it away: a window brought back and minimised goes to the tray again.
    main->MenuTray_Restore_Click();
    form->Minimize();
    EXPECT_EQ(Facts(), kInTray);
    EXPECT_EQ(app->subclass.HookCount, 1);
}

struct WatchdogRow {
    const char* name;
    bool lost;                     // the shell has dropped the icon
    std::uint64_t changeOk, addOk; // when the calls start to work; 0 at once
    std::size_t sleeps;            // all pauses are 3000 ms
    std::string calls;
    bool gaveUp;
};
constexpr std::uint64_t kNever = ~std::uint64_t{0};

class TrayWatchdogRetryTest : public TrayTest, public ::testing::WithParamInterface<WatchdogRow> {};

TEST_P(TrayWatchdogRetryTest, ChangeThenAddUpToThreeTimesEachThreeSecondsApart) {
    const WatchdogRow& row = GetParam();
    Start();
    if (row.lost) {
        desk.LoseTrayIcons();
    }
    for (auto [nim, ok] : {std::pair{NIM_MODIFY, row.changeOk}, std::pair{NIM_ADD, row.addOk}}) {
        desk.FailNotifyIcon(nim, ok != 0);
        if (ok != 0 && ok != kNever) {
            desk.After(ok, [this, nim = nim] { desk.FailNotifyIcon(nim, false); });
        }
    }
    const std::size_t from = desk.NotifyIconCalls().size();
    main->TrayIcon_Timer_Timer();
    EXPECT_EQ(desk.Sleeps(), std::vector<std::uint32_t>(row.sleeps, 3000));
    EXPECT_EQ(TrayCalls(from), row.calls);
    if (row.gaveUp) {
        ExpectGaveUp();
    } else {
        ExpectInTray();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Schedule, TrayWatchdogRetryTest,
    ::testing::Values(WatchdogRow{"ChangeWorks", false, 0, 0, 0, "M", false},
                      WatchdogRow{"ChangeWorksSecond", false, 1000, 0, 1, "MM", false},
                      WatchdogRow{"ChangeWorksThird", false, 4000, 0, 2, "MMM", false},
                      WatchdogRow{"LostIconIsAddedAgain", true, 0, 0, 2, "MMMDA", false},
                      WatchdogRow{"AddWorksSecond", true, 0, 7000, 3, "MMMDAA", false},
                      WatchdogRow{"AddWorksThird", true, 0, 10000, 4, "MMMDAAA", false},
                      WatchdogRow{"NothingWorks", true, 0, kNever, 4, "MMMDAAA", true}),
    RowName<WatchdogRow>);

TEST_F(TrayTest, ANewTaskbarGetsTheIconAtOnceOrLeavesTheWatchdogToRetryAndLastlyShowTheWindow) {
    // Explorer restarted (the icon is gone), or only the scale changed (the
    // icon stayed): either way one icon, changed in place when it stayed.
    for (const bool iconStays : {false, true}) {
        SCOPED_TRACE(iconStays ? "scale changed" : "explorer restarted");
        Start();
        const std::size_t from = desk.NotifyIconCalls().size();
        desk.Deliver(Main(), 0x0400, 0, 0); // any other message is no new taskbar
        desk.RecreateTaskbar(iconStays);
        ExpectInTray();
        EXPECT_EQ(desk.TrayIcon(Main(), 1)->uCallbackMessage, 1793u);
        EXPECT_EQ(TrayCalls(from), iconStays ? "M" : "MDA");
        EXPECT_TRUE(desk.Sleeps().empty());
    }
    // A new shell that never takes the icon: no icon, but the program is not
    // left without a way back; the watchdog retries, then shows the window.
    desk.FailNotifyIcon(NIM_ADD, true);
    desk.RecreateTaskbar();
    EXPECT_EQ(Facts(), "minimized hooked watchdog");
    const std::size_t from = desk.NotifyIconCalls().size();
    desk.RunFor(30000 + 12000);
    EXPECT_EQ(TrayCalls(from), "MMMAAA");
    ExpectGaveUp();
}

// ---------------------------------------------------------------- desktop commands

TEST_F(TrayTest, TheScreenSaverStartsNowAndOnlyAReadTimeOutIsPutBack) {
    Create();
    // On, its time-out, the time-out's read fails; the calls, each
    // "action,uiParam,pvParam?,fWinIni;".
    using Row = std::tuple<bool, std::uint32_t, bool, std::string>;
    const std::string start = "17,4294967295,-,2;14,0,pv,0;";
    for (const auto& [active, timeout, readFails, expected] :
         {Row{true, 600, false, start + "15,1,-,2;15,600,-,2;"},
          Row{false, 3600, false, start + "15,1,-,2;15,3600,-,2;"}, Row{false, 900, true, start}}) {
        SCOPED_TRACE(expected);
        desk.SetScreenSaver(active, timeout);
        desk.FailSystemParameter(SPI_GETSCREENSAVETIMEOUT, readFails);
        const std::size_t from = desk.SpiCalls().size(), slept = desk.Sleeps().size();
        bool armed = false; // on, with a one-second time-out, during the pause
        desk.After(1500,
                   [&] { armed = desk.ScreenSaverActive() && desk.ScreenSaverTimeout() == 1; });
        main->MenuTray_ScreenSaver_Click();
        std::string calls;
        for (const sim::SpiCall& c : Since(desk.SpiCalls(), from)) {
            calls += std::to_string(c.action) + "," + std::to_string(c.uiParam) +
                     (c.hasPvParam ? ",pv," : ",-,") + std::to_string(c.fWinIni) + ";";
        }
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(Since(desk.Sleeps(), slept), std::vector<std::uint32_t>(readFails ? 0 : 1, 3000));
        EXPECT_EQ(armed, !readFails);
        EXPECT_TRUE(desk.ScreenSaverActive());
        EXPECT_EQ(desk.ScreenSaverTimeout(), timeout);
    }
}

} // namespace
} // namespace pocketry::testing
