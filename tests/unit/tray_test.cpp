// The tray icon and its record, the mouse on the icon, the tray menu, the
// watchdog that keeps the icon in the tray, and the menu's desktop commands.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/sim_juno.h"
#include "program_fixture.h"
#include "tray/Subclass_.h"
#include "tray/clsTaskBar.h"

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
    bool Hooked() {
        return desk.Window(Main())->wndProc ==
               desk.api().windows.AddressOfWindowProc(&Subclass_::WindowProc);
    }
    std::size_t Calls(std::uint32_t nim, std::size_t from = 0) const {
        std::size_t n = 0;
        for (std::size_t i = from; i < desk.NotifyIconCalls().size(); ++i) {
            n += desk.NotifyIconCalls()[i].message == nim ? 1u : 0u;
        }
        return n;
    }
    std::uint32_t TrayPicture() const { return desk.TrayIcon(form->hWnd(), 1)->hIcon; }
};

template <class Row> std::string RowName(const ::testing::TestParamInfo<Row>& p) {
    return p.param.name;
}

std::uint32_t Field(const sim::NotifyIconCall& c, std::size_t offset) {
    std::uint32_t v = 0;
    std::memcpy(&v, c.bytes.data() + offset, sizeof v);
    return v;
}

// ---------------------------------------------------------------- the icon object

using TrayIconTest = TrayTest;

TEST_F(TrayIconTest, EachShellCallCarriesThe88ByteRecordWithItsOwnFlags) {
    StartShown();
    ASSERT_TRUE(Bar().Setup(*form, true));
    Bar().ChangeTip("early", 1);
    EXPECT_EQ(desk.NotifyIconCalls().back().Data().uCallbackMessage, 0u);
    const std::size_t from = desk.NotifyIconCalls().size();
    ASSERT_TRUE(Bar().AddIcon(*form, 0x1234, "Pocketry 1.0", 1));
    EXPECT_TRUE(Bar().ChangeIcon(0x5678, 1));
    EXPECT_TRUE(Bar().ChangeTip("Tip", 1));
    EXPECT_TRUE(Bar().DeleteIcon(*form, 1));
    struct Want {
        std::uint32_t message, flags, icon;
        std::string tip;
    };
    const std::vector<Want> want = {{NIM_ADD, 7, 0x1234, "Pocketry 1.0"},
                                    {NIM_MODIFY, 2, 0x5678, "Pocketry 1.0"},
                                    {NIM_MODIFY, 4, 0x5678, "Tip"},
                                    {NIM_DELETE, 4, 0x5678, "Tip"}};
    ASSERT_EQ(desk.NotifyIconCalls().size(), from + want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        const sim::NotifyIconCall& c = desk.NotifyIconCalls()[from + i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.message, want[i].message);
        EXPECT_EQ(Field(c, 0), 88u);
        EXPECT_EQ(Field(c, 4), Main());
        EXPECT_EQ(Field(c, 8), 1u);
        EXPECT_EQ(Field(c, 12), want[i].flags);
        EXPECT_EQ(Field(c, 16), 1793u);
        EXPECT_EQ(Field(c, 20), want[i].icon);
        EXPECT_EQ(c.Tip(), want[i].tip);
    }
}

TEST_F(TrayIconTest, TheTipEndsWithANulInsideItsFieldAndIsPaddedWithSpaces) {
    StartShown();
    ASSERT_TRUE(Bar().Setup(*form, true));
    const std::string t63(63, 'x');
    for (const std::string& tip :
         {std::string(), std::string("Pocketry"), t63, t63 + "y", std::string(100, 'z')}) {
        SCOPED_TRACE(tip.size());
        Bar().ChangeTip(tip, 1);
        const sim::NotifyIconCall& c = desk.NotifyIconCalls().back();
        const std::size_t kept = std::min<std::size_t>(tip.size(), 63);
        EXPECT_EQ(c.Tip(), tip.substr(0, kept));
        EXPECT_EQ(c.bytes[24 + kept], 0);
        for (std::size_t i = 24 + kept + 1; i < 88; ++i) {
            EXPECT_EQ(c.bytes[i], static_cast<std::uint8_t>(' ')) << i;
        }
    }
}

struct SetupRow {
    const char* name;
    bool taskbar, hookFails, silent, ready;
    const std::string* message; // null: no message
    friend void PrintTo(const SetupRow& r, std::ostream* os) { *os << r.name; }
};

class TraySetupTest : public TrayTest, public ::testing::WithParamInterface<SetupRow> {};

TEST_P(TraySetupTest, SetupHidesTheWindowOnlyWithATaskbarAndAHook) {
    const SetupRow& row = GetParam();
    StartShown();
    desk.SetNoTaskbar(!row.taskbar);
    desk.FailSetWindowLong(row.hookFails);
    form->SetShowInTaskbar(true);
    EXPECT_EQ(Bar().Exists(), row.taskbar);
    EXPECT_EQ(Bar().Setup(*form, row.silent), row.ready);
    if (row.message != nullptr) {
        ExpectOnlyBox(*row.message, kWarning);
    } else {
        EXPECT_TRUE(desk.MsgBoxes().empty());
    }
    // Either ready and gone from view, or untouched.
    EXPECT_EQ(form->Visible(), !row.ready);
    EXPECT_EQ(form->ShowInTaskbar(), !row.ready);
    EXPECT_EQ(form->WindowState(), row.ready ? kStateMinimized : kStateNormal);
    EXPECT_EQ(Hooked(), row.ready);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TraySetupTest,
    ::testing::Values(SetupRow{"Ready", true, false, false, true, nullptr},
                      SetupRow{"HookFailsLoud", true, true, false, false, &kNoHookText},
                      SetupRow{"HookFailsEvenWhenSilent", true, true, true, false, &kNoHookText},
                      SetupRow{"NoTaskbarLoud", false, false, false, false, &kNoTaskbarText},
                      SetupRow{"NoTaskbarSilent", false, false, true, false, nullptr}),
    RowName<SetupRow>);

TEST_F(TrayIconTest, OneIconPerIdAndTheShownFlagFollowsAddAndDelete) {
    StartShown();
    ASSERT_TRUE(Bar().Setup(*form, true));
    const std::size_t from = desk.NotifyIconCalls().size();
    ASSERT_TRUE(Bar().AddIcon(*form, 1, "a", 1));
    ASSERT_TRUE(Bar().AddIcon(*form, 2, "b", 1));
    EXPECT_EQ(Calls(NIM_DELETE, from), 1u);
    EXPECT_EQ(desk.TrayIconCount(), 1u);
    EXPECT_TRUE(Bar().MainInTray());
    EXPECT_TRUE(form->TimerEnabled("TrayIcon_Timer"));

    // An icon the shell has lost still counts as shown until deleted, and a
    // delete always clears it.
    desk.LoseTrayIcons();
    EXPECT_FALSE(Bar().ChangeIcon(2, 1));
    EXPECT_TRUE(Bar().MainInTray());
    EXPECT_FALSE(Bar().DeleteIcon(*form, 1));
    EXPECT_FALSE(Bar().MainInTray());
    EXPECT_FALSE(form->TimerEnabled("TrayIcon_Timer"));

    // An add that fails after taking the shown icon away leaves no icon and no watchdog.
    ASSERT_TRUE(Bar().AddIcon(*form, 3, "c", 1));
    desk.FailNotifyIcon(NIM_ADD, true);
    const std::size_t failing = desk.NotifyIconCalls().size();
    EXPECT_FALSE(Bar().AddIcon(*form, 4, "d", 1));
    EXPECT_EQ(Calls(NIM_DELETE, failing), 1u);
    EXPECT_EQ(Calls(NIM_ADD, failing), 1u);
    EXPECT_FALSE(Bar().MainInTray());
    EXPECT_FALSE(form->TimerEnabled("TrayIcon_Timer"));
    EXPECT_EQ(desk.TrayIconCount(), 0u);

    // The second ID is kept to one icon as well, and shut down with the first.
    desk.FailNotifyIcon(NIM_ADD, false);
    ASSERT_TRUE(Bar().AddIcon(*form, 5, "e", 2));
    const std::size_t second = desk.NotifyIconCalls().size();
    ASSERT_TRUE(Bar().AddIcon(*form, 6, "f", 2));
    EXPECT_EQ(Calls(NIM_DELETE, second), 1u);
    Bar().Shutdown(*form, false, false);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
}

TEST_F(TrayIconTest, HooksAreCountedAndOnlyTheLastShutdownPutsTheOldProcedureBack) {
    StartShown();
    const std::uintptr_t original = desk.Window(Main())->wndProc;
    ASSERT_TRUE(Bar().Setup(*form, true));
    ASSERT_TRUE(Bar().Setup(*form, true));
    EXPECT_EQ(app->subclass.HookCount, 2);
    EXPECT_EQ(app->subclass.OldWindowProc, original);
    ASSERT_TRUE(Bar().AddIcon(*form, 1, "a", 1));

    Bar().Shutdown(*form, false, false);
    EXPECT_EQ(desk.TrayIconCount(), 0u);
    EXPECT_FALSE(Bar().MainInTray());
    EXPECT_TRUE(Hooked());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->WindowState(), kStateMinimized);

    Bar().Shutdown(*form, true, true);
    EXPECT_EQ(desk.Window(Main())->wndProc, original);
    EXPECT_EQ(app->subclass.HookCount, 0);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(form->ShowInTaskbar());
    EXPECT_EQ(form->WindowState(), kStateNormal);

    // With nothing left to undo, only what was asked for happens.
    const std::size_t calls = desk.NotifyIconCalls().size();
    form->Minimize();
    form->Hide();
    Bar().Shutdown(*form, false, true);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->WindowState(), kStateNormal);
    EXPECT_EQ(desk.NotifyIconCalls().size(), calls);
    EXPECT_EQ(desk.Window(Main())->wndProc, original);
}

std::vector<std::uint32_t> g_passedOn;
std::intptr_t RecordingProc(Hwnd, std::uint32_t uMsg, std::uintptr_t, std::intptr_t) {
    g_passedOn.push_back(uMsg);
    return 0;
}

TEST_F(TrayIconTest, BeforeTheFirstIconNoMessageIsTakenForTheTrayCallback) {
    StartShown();
    app->AppSettings.TrayLeftCommand = 6; // the screen saver: easy to see
    Windows& w = desk.api().windows;
    w.SetWindowLongA(Main(), GWL_WNDPROC, w.AddressOfWindowProc(&RecordingProc));
    g_passedOn.clear();
    const std::size_t spi = desk.SpiCalls().size();
    ASSERT_TRUE(Bar().Setup(*form, true));
    EXPECT_EQ(Bar().CallbackMessage(), 0u);
    desk.Deliver(Main(), 0, 1, 514); // WM_NULL
    desk.Deliver(Main(), 1793, 1, 514);
    EXPECT_EQ(g_passedOn, (std::vector<std::uint32_t>{0, 1793}));
    EXPECT_EQ(desk.SpiCalls().size(), spi);

    // From the first icon on, 1793 is the tray's and stays with the program.
    ASSERT_TRUE(Bar().AddIcon(*form, 1, "a", 1));
    main->TrayBusy = false;
    desk.Deliver(Main(), 0, 1, 514);
    desk.Deliver(Main(), 1793, 1, 514);
    EXPECT_EQ(g_passedOn, (std::vector<std::uint32_t>{0, 1793, 0}));
    EXPECT_GT(desk.SpiCalls().size(), spi);
}

// ---------------------------------------------------------------- the mouse on the icon

enum class Did {
    SwitchTo,
    MinRes,
    HideShow,
    Restore,
    ScreenSaver,
    Exit,
    Menu,
    Cleared,
    RunClose,
    Options
};
void PrintTo(Did d, std::ostream* os) {
    static const char* const names[] = {"SwitchTo", "MinRes", "HideShow", "Restore",  "ScreenSaver",
                                        "Exit",     "Menu",   "Cleared",  "RunClose", "Options"};
    *os << names[static_cast<int>(d)];
}

class TrayEventsTest : public TrayTest {
  protected:
    sim::SimJuno juno{desk};
    std::vector<std::string> dialogs; // the modal forms opened, each cancelled at once
    void SetUp() override {
        Start();
        juno.StartNow();
        desk.ClearMsgBoxes();
        desk.SetModalResponder([this](sim::SimForm& d) {
            dialogs.push_back(d.Name());
            d.Click("cmdCancel");
        });
    }
    void TearDown() override {
        desk.SetModalResponder(nullptr);
        TrayTest::TearDown();
    }
    // Every command that left a trace. Run/Close Juno asks first (Juno runs, so it asks
    // about closing; the answer is the default No), Options opens its dialog.
    std::set<Did> Seen() const {
        std::set<Did> seen;
        for (const sim::MsgBoxRecord& box : desk.MsgBoxes()) {
            EXPECT_EQ(box.prompt, "Are you sure you want to close Juno?");
            seen.insert(Did::RunClose);
        }
        for (const std::string& name : dialogs) {
            EXPECT_EQ(name, "frmOptions");
            seen.insert(Did::Options);
        }
        if (!form->Loaded()) {
            seen.insert(Did::Exit);
        } else if (form->Visible()) {
            seen.insert(Did::Restore);
        }
        for (const sim::SpiCall& c : desk.SpiCalls()) {
            if (c.action == SPI_SETSCREENSAVEACTIVE) {
                seen.insert(Did::ScreenSaver);
            }
        }
        if (!desk.PopupMenus().empty()) {
            seen.insert(Did::Menu);
        }
        if (desk.EmptyClipboardCalls() != 0) {
            seen.insert(Did::Cleared);
        }
        for (const sim::ShowWindowCall& c : desk.ShowWindowCalls()) {
            if (c.hWnd == juno.MainWindow()) {
                seen.insert(c.cmdShow == SW_SHOW              ? Did::SwitchTo
                            : c.cmdShow == SW_SHOWMINNOACTIVE ? Did::MinRes
                                                              : Did::HideShow);
                break;
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
    std::set<Did> did;
    const char* choose = ""; // the menu item chosen, when the menu opens
    friend void PrintTo(const ClickRow& r, std::ostream* os) { *os << r.name; }
};

class TrayClickTest : public TrayEventsTest, public ::testing::WithParamInterface<ClickRow> {};

TEST_P(TrayClickTest, EachClickRunsItsOneCommand) {
    const ClickRow& row = GetParam();
    app->AppSettings.TrayDoubleClick = row.doubleClicks;
    app->AppSettings.TrayLeftCommand = static_cast<std::int16_t>(row.trayLeft);
    desk.AddClipboardFormat(1);
    if (row.held != 0) {
        desk.SetKeyDown(row.held, true);
    }
    desk.ChooseMenuItem(row.choose);
    ASSERT_TRUE(desk.TrayMouse(Main(), 1, row.mouse));
    EXPECT_EQ(Seen(), row.did);
    EXPECT_FALSE(main->HandlerBusy);
}

using enum Did;
INSTANTIATE_TEST_SUITE_P(
    Table, TrayClickTest,
    ::testing::Values(
        ClickRow{"Left0SwitchesToJuno", false, 0, 514, 0, {SwitchTo}},
        ClickRow{"Left1MinimisesJuno", false, 1, 514, 0, {MinRes}},
        ClickRow{"Left2HidesJuno", false, 2, 514, 0, {HideShow}},
        ClickRow{"Left3AsksToCloseJuno", false, 3, 514, 0, {RunClose}},
        ClickRow{"Left4OpensOptions", false, 4, 514, 0, {Options}},
        ClickRow{"Left5RestoresTheWindow", false, 5, 514, 0, {Restore}},
        ClickRow{"Left6StartsTheScreenSaver", false, 6, 514, 0, {ScreenSaver}},
        ClickRow{"Left7DoesNothing", false, 7, 514, 0, {}},
        ClickRow{"LeftMinus1DoesNothing", false, -1, 514, 0, {}},
        ClickRow{"ShiftLeftIsRunCloseNotTheCommand", false, 1, 514, VK_SHIFT, {RunClose}},
        ClickRow{"CtrlLeftMinimisesJuno", false, 0, 514, VK_CONTROL, {MinRes}},
        ClickRow{"AltLeftHidesJuno", false, 0, 514, VK_MENU, {HideShow}},
        ClickRow{"ShiftRightExits", false, 0, 517, VK_SHIFT, {Exit}},
        ClickRow{"CtrlRightIsOptionsOnly", false, 6, 517, VK_CONTROL, {Options}},
        ClickRow{"AltRightRestoresTheWindow", false, 6, 517, VK_MENU, {Restore}},
        ClickRow{"RightOpensTheMenu", false, 0, 517, 0, {Menu}},
        ClickRow{"Right7OpensNoMenu", false, 7, 517, 0, {}},
        ClickRow{"LeftDoubleIgnoredInSingleMode", false, 6, 515, 0, {}},
        ClickRow{"RightDoubleIgnoredInSingleMode", false, 6, 518, 0, {}},
        ClickRow{"ButtonDownIgnored", false, 6, 513, 0, {}},
        ClickRow{"SingleLeftIgnoredInDoubleMode", true, 6, 514, 0, {}},
        ClickRow{"SingleRightIgnoredInDoubleMode", true, 6, 517, VK_SHIFT, {}},
        ClickRow{"DoubleLeftRunsTheCommand", true, 6, 515, 0, {ScreenSaver}},
        ClickRow{"AltDoubleLeftHidesJuno", true, 6, 515, VK_MENU, {HideShow}},
        ClickRow{"DoubleRightOpensTheMenu", true, 6, 518, 0, {Menu}},
        ClickRow{"ShiftDoubleRightExits", true, 6, 518, VK_SHIFT, {Exit}},
        ClickRow{"MenuExit", false, 0, 517, 0, {Menu, Exit}, "MenuTray_Exit"},
        ClickRow{"MenuRestore", false, 0, 517, 0, {Menu, Restore}, "MenuTray_Restore"},
        ClickRow{"MenuSaver", false, 0, 517, 0, {Menu, ScreenSaver}, "MenuTray_ScreenSaver"},
        ClickRow{"MenuClear", false, 0, 517, 0, {Menu, Cleared}, "MenuTray_ClearClipboard"},
        ClickRow{"MenuHideShow", false, 0, 517, 0, {Menu, HideShow}, "MenuTrayJuno_HideShow"},
        ClickRow{"MenuMinRes", false, 0, 517, 0, {Menu, MinRes}, "MenuTrayJuno_MinRes"},
        ClickRow{"MenuSwitchTo", false, 0, 517, 0, {Menu, SwitchTo}, "MenuTrayJuno_SwitchTo"},
        ClickRow{"MenuRunClose", false, 0, 517, 0, {Menu, RunClose}, "MenuTrayJuno_RunClose"},
        ClickRow{"MenuOptions", false, 0, 517, 0, {Menu, Options}, "MenuTray_Options"}),
    RowName<ClickRow>);

TEST_F(TrayEventsTest, TheMenuOpensWithTheLeftClickCommandInBold) {
    const std::vector<std::string> bold = {"MenuTrayJuno_SwitchTo", "MenuTrayJuno_MinRes",
                                           "MenuTrayJuno_HideShow", "MenuTrayJuno_RunClose",
                                           "MenuTray_Options",      "MenuTray_Restore",
                                           "MenuTray_ScreenSaver"};
    for (int left = 0; left <= 7; ++left) {
        app->AppSettings.TrayLeftCommand = static_cast<std::int16_t>(left);
        desk.TrayMouse(Main(), 1, 517);
    }
    ASSERT_EQ(desk.PopupMenus().size(), bold.size());
    for (std::size_t i = 0; i < bold.size(); ++i) {
        EXPECT_EQ(desk.PopupMenus()[i].parent, "MenuTray");
        EXPECT_EQ(desk.PopupMenus()[i].flags, 2u);
        EXPECT_EQ(desk.PopupMenus()[i].defaultItem, bold[i]);
    }
}

TEST_F(TrayEventsTest, ModifiersAreReadShiftCtrlAltAndOnlyAsFarAsNeeded) {
    app->AppSettings.TrayLeftCommand = 6;
    // A key pressed since the last query answers with its low bit once; a
    // bit still there afterwards shows the key was never asked about.
    auto asked = [&](int key) { return (desk.api().windows.GetAsyncKeyState(key) & 1) == 0; };
    struct Row {
        int held;
        bool shift, ctrl, alt;
    };
    for (const Row& r : {Row{VK_SHIFT, true, false, false}, Row{VK_CONTROL, true, true, false},
                         Row{VK_MENU, true, true, true}, Row{0, true, true, true}}) {
        SCOPED_TRACE(r.held);
        for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
            desk.TapKey(key);
        }
        if (r.held != 0) {
            desk.SetKeyDown(r.held, true);
        }
        desk.TrayMouse(Main(), 1, 514);
        EXPECT_EQ(asked(VK_SHIFT), r.shift);
        EXPECT_EQ(asked(VK_CONTROL), r.ctrl);
        EXPECT_EQ(asked(VK_MENU), r.alt);
        // Keys only pressed since the last query are not held.
        EXPECT_EQ(Seen().count(Did::ScreenSaver) != 0, r.held == 0);
        if (r.held != 0) {
            desk.SetKeyDown(r.held, false);
        }
    }
}

TEST_F(TrayEventsTest, ClicksWhileAnEarlierClicksMenuOrMessageBoxIsOpenAreDropped) {
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
}

TEST_F(TrayEventsTest, ACommandThatFailsStillLetsTheNextClickIn) {
    main->onSetup = [] { throw std::runtime_error("the options dialog failed"); };
    desk.SetKeyDown(VK_CONTROL, true); // Ctrl + right: Options
    EXPECT_TRUE(desk.TrayMouse(Main(), 1, 517));
    EXPECT_FALSE(main->HandlerBusy);
    EXPECT_TRUE(desk.TrayMouse(Main(), 1, 517));
    EXPECT_EQ(main->calls, std::vector<std::string>(2, "cmdSetup_Click"));
    EXPECT_TRUE(form->Loaded());
}

// ---------------------------------------------------------------- the menu

TEST_F(TrayEventsTest, TheMenuListsItsItemsWithHintsAndGreysWhatCannotApply) {
    juno.Crash();
    desk.AddClipboardFormat(1);
    desk.TrayMouse(Main(), 1, 517);
    juno.StartNow();
    desk.TrayMouse(Main(), 1, 517);
    ASSERT_EQ(desk.PopupMenus().size(), 2u);
    // Caption, then '+' for an enabled item, '-' for a greyed one.
    auto shown = [](const sim::PopupRecord& p) {
        std::string all;
        for (const sim::MenuItemRecord& i : p.items) {
            all += i.caption + (i.separator ? "" : i.enabled ? "+" : "-") + "|";
        }
        return all;
    };
    const std::string head = "Exit\tr+s+|-|Restore Window\tr+a+|Options...\tr+c+|-|Activate Screen "
                             "Saver+|Clear Clipboard+|-|Empty Juno Ads Folder...";
    EXPECT_EQ(shown(desk.PopupMenus()[0]), head +
                                               "+|Run/Close Juno...\tl+s+|-|Hide/Show Juno\tl+a-|"
                                               "Minimize/Restore Juno\tl+c-|Switch to Juno-|");
    EXPECT_EQ(shown(desk.PopupMenus()[1]), head +
                                               "-|Run/Close Juno...\tl+s+|-|Hide/Show Juno\tl+a+|"
                                               "Minimize/Restore Juno\tl+c+|Switch to Juno+|");
}

TEST_F(TrayEventsTest, ClearClipboardIsOfferedOnlyForTheFormatsItClears) {
    Clipboard& clip = desk.api().clipboard;
    const std::uint32_t link = clip.RegisterClipboardFormatA("Link");
    const std::uint32_t rtf = clip.RegisterClipboardFormatA("Rich Text Format");
    struct Row {
        std::vector<std::uint32_t> formats;
        std::uint32_t failing;
        bool offered;
    };
    std::vector<Row> rows = {{{}, 0, false},  {{13}, 0, false},  {{7, 16, 13}, 0, false},
                             {{1}, 1, false}, {{1, 2}, 1, true}, {{13, 8}, 0, true}};
    for (std::uint32_t f : {2u, 8u, 14u, 15u, link, 3u, 9u, rtf, 1u}) {
        rows.push_back({{f}, 0, true});
    }
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::PrintToString(r.formats));
        ASSERT_TRUE(clip.EmptyClipboard().ok());
        for (std::uint32_t f : r.formats) {
            desk.AddClipboardFormat(f);
        }
        desk.FailFormatQuery(r.failing, r.failing != 0);
        main->MenuTray_Click();
        EXPECT_EQ(form->MenuEnabled("MenuTray_ClearClipboard"), r.offered);
        desk.FailFormatQuery(r.failing, false);
    }
}

// ---------------------------------------------------------------- going to the tray

TEST_F(TrayTest, IfTheIconCannotBeAddedTheWindowStaysMinimisedOnTheTaskbar) {
    desk.FailNotifyIcon(NIM_ADD, true);
    bool busyWhileAsking = false;
    desk.AnswerNextMsgBox([&](const sim::MsgBoxRecord&) {
        busyWhileAsking = main->TrayBusy;
        return 0;
    });
    Start();
    ExpectOnlyBox("A taskbar tray icon could not be created.", kWarning);
    EXPECT_TRUE(busyWhileAsking);
    EXPECT_FALSE(main->TrayBusy);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(form->ShowInTaskbar());
    EXPECT_EQ(form->WindowState(), kStateMinimized);
    EXPECT_FALSE(Hooked());
    EXPECT_EQ(app->subclass.HookCount, 0);
}

TEST_F(TrayTest, WithoutATaskbarTheWindowIsShownInstead) {
    desk.SetNoTaskbar(true);
    Start();
    ExpectOnlyBox(kNoTaskbarText, kWarning);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(main->TrayBusy);
    EXPECT_TRUE(desk.NotifyIconCalls().empty());
}

// ---------------------------------------------------------------- the watchdog

using TrayWatchdogTest = TrayTest;

TEST_F(TrayWatchdogTest, EveryThirtySecondsTheIconIsRenewedAndAShownWindowPutAway) {
    Start();
    const std::size_t from = desk.NotifyIconCalls().size();
    desk.RunFor(29999);
    EXPECT_EQ(Calls(NIM_MODIFY, from), 0u);
    desk.RunFor(1);
    EXPECT_EQ(Calls(NIM_MODIFY, from), 1u);

    main->TrayBusy = true; // bring the window back without leaving the tray
    form->Restore();
    form->Show();
    form->SetShowInTaskbar(true);
    main->TrayBusy = false;
    desk.RunFor(30000);
    EXPECT_EQ(Calls(NIM_MODIFY, from), 2u);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->ShowInTaskbar());
    EXPECT_EQ(form->WindowState(), kStateMinimized);
    EXPECT_EQ(Calls(NIM_ADD, from), 0u); // no second move to the tray
    EXPECT_EQ(app->subclass.HookCount, 1);
    // Done putting it away: a window brought back and minimised goes to the tray again.
    main->MenuTray_Restore_Click();
    form->Minimize();
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(Bar().MainInTray());
}

struct WatchdogRow {
    const char* name;
    bool lost;                         // the shell has dropped the icon
    std::uint64_t changeOk, addOk;     // when the calls start to work; 0 at once
    std::size_t sleeps, changes, adds; // all pauses are 3000 ms
    bool gaveUp;
    friend void PrintTo(const WatchdogRow& r, std::ostream* os) { *os << r.name; }
};
constexpr std::uint64_t kNever = ~std::uint64_t{0};

class TrayWatchdogRetryTest : public TrayTest, public ::testing::WithParamInterface<WatchdogRow> {};

TEST_P(TrayWatchdogRetryTest, ChangeThenAddUpToThreeTimesEachThreeSecondsApart) {
    const WatchdogRow& row = GetParam();
    Start();
    const std::string tip = form->Caption();
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
    EXPECT_EQ(Calls(NIM_MODIFY, from), row.changes);
    EXPECT_EQ(Calls(NIM_ADD, from), row.adds);
    if (row.gaveUp) {
        ExpectOnlyBox("The Pocketry tray icon could not be updated due to an API call error, "
                      "therefore the Pocketry window will now be restored.",
                      kWarning);
        EXPECT_TRUE(form->Visible());
        EXPECT_TRUE(form->ShowInTaskbar());
        EXPECT_EQ(form->WindowState(), kStateMinimized);
        EXPECT_FALSE(Hooked());
        EXPECT_FALSE(main->TrayBusy);
    } else {
        EXPECT_TRUE(desk.MsgBoxes().empty());
        ASSERT_TRUE(desk.TrayIcon(Main(), 1));
        EXPECT_EQ(std::string(desk.TrayIcon(Main(), 1)->szTip), tip);
        EXPECT_EQ(TrayPicture(), form->Picture("TrayIcon"));
        EXPECT_TRUE(form->TimerEnabled("TrayIcon_Timer"));
        EXPECT_FALSE(form->Visible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Schedule, TrayWatchdogRetryTest,
    ::testing::Values(WatchdogRow{"ChangeWorks", false, 0, 0, 0, 1, 0, false},
                      WatchdogRow{"ChangeWorksSecond", false, 1000, 0, 1, 2, 0, false},
                      WatchdogRow{"ChangeWorksThird", false, 4000, 0, 2, 3, 0, false},
                      WatchdogRow{"LostIconIsAddedAgain", true, 0, 0, 2, 3, 1, false},
                      WatchdogRow{"AddWorksSecond", true, 0, 7000, 3, 3, 2, false},
                      WatchdogRow{"AddWorksThird", true, 0, 10000, 4, 3, 3, false},
                      WatchdogRow{"NothingWorks", true, 0, kNever, 4, 3, 3, true}),
    RowName<WatchdogRow>);

TEST_F(TrayWatchdogTest, ANewTaskbarGetsTheIconAtOnceAndATickEndsAWaitingPicture) {
    // Explorer restarted (the icon is gone), or only the scale changed (the
    // icon stayed): either way one icon, changed in place when it stayed.
    for (const bool iconStays : {false, true}) {
        SCOPED_TRACE(iconStays ? "scale changed" : "explorer restarted");
        Start();
        const std::string tip = form->Caption();
        const std::size_t from = desk.NotifyIconCalls().size();
        desk.Deliver(Main(), 0x0400, 0, 0); // any other message is no new taskbar
        desk.RecreateTaskbar(iconStays);
        ASSERT_TRUE(desk.TrayIcon(Main(), 1));
        EXPECT_EQ(std::string(desk.TrayIcon(Main(), 1)->szTip), tip);
        EXPECT_EQ(desk.TrayIcon(Main(), 1)->uCallbackMessage, 1793u);
        EXPECT_EQ(TrayPicture(), form->Picture("TrayIcon"));
        std::vector<std::uint32_t> calls;
        for (std::size_t i = from; i < desk.NotifyIconCalls().size(); ++i) {
            calls.push_back(desk.NotifyIconCalls()[i].message);
        }
        const std::vector<std::uint32_t> kept{NIM_MODIFY}, lost{NIM_MODIFY, NIM_DELETE, NIM_ADD};
        EXPECT_EQ(calls, iconStays ? kept : lost);
        EXPECT_TRUE(desk.Sleeps().empty());

        Bar().ChangeIcon(form->Picture("TrayIconWait"), 1);
        main->TrayIcon_Timer_Timer();
        EXPECT_EQ(TrayPicture(), form->Picture("TrayIcon"));
    }
}

TEST_F(TrayWatchdogTest,
       ANewTaskbarThatRefusesTheIconLeavesTheWatchdogToRetryAndLastlyShowTheWindow) {
    for (const bool shellRecovers : {true, false}) {
        SCOPED_TRACE(shellRecovers);
        Start();
        desk.FailNotifyIcon(NIM_ADD, true);
        desk.RecreateTaskbar();
        // No icon yet, but the program is not left without a way back.
        EXPECT_EQ(desk.TrayIconCount(), 0u);
        EXPECT_FALSE(form->Visible());
        EXPECT_TRUE(form->TimerEnabled("TrayIcon_Timer"));
        EXPECT_TRUE(Hooked());
        if (shellRecovers) {
            desk.FailNotifyIcon(NIM_ADD, false);
        }
        const std::size_t from = desk.NotifyIconCalls().size();
        desk.RunFor(30000 + 12000);
        EXPECT_EQ(Calls(NIM_MODIFY, from), 3u);
        EXPECT_EQ(Calls(NIM_ADD, from), shellRecovers ? 1u : 3u);
        if (shellRecovers) {
            EXPECT_TRUE(desk.MsgBoxes().empty());
            ASSERT_TRUE(desk.TrayIcon(Main(), 1));
            EXPECT_EQ(std::string(desk.TrayIcon(Main(), 1)->szTip), form->Caption());
            EXPECT_TRUE(Bar().MainInTray());
            EXPECT_TRUE(form->TimerEnabled("TrayIcon_Timer"));
            EXPECT_FALSE(form->Visible());
        } else {
            ExpectOnlyBox("The Pocketry tray icon could not be updated due to an API call "
                          "error, therefore the Pocketry window will now be restored.",
                          kWarning);
            EXPECT_TRUE(form->Visible());
            EXPECT_TRUE(form->ShowInTaskbar());
            EXPECT_FALSE(Hooked());
            // Nothing is left to watch: the window stays as it is.
            EXPECT_FALSE(form->TimerEnabled("TrayIcon_Timer"));
            desk.RunFor(60000);
            EXPECT_EQ(desk.MsgBoxes().size(), 1u);
            EXPECT_TRUE(form->Visible());
        }
        main.reset();
        app.reset();
        desk.FailNotifyIcon(NIM_ADD, false);
        desk.ClearMsgBoxes();
    }
}

// ---------------------------------------------------------------- desktop commands

using TrayCommandsTest = TrayTest;

TEST_F(TrayCommandsTest, TheScreenSaverStartsNowAndOnlyAReadTimeOutIsPutBack) {
    Create();
    struct Row {
        bool active;
        std::uint32_t timeout;
        bool readFails;
        std::string calls; // action,uiParam,pvParam?,fWinIni; ...
    };
    const std::string start = "17,4294967295,-,2;14,0,pv,0;";
    for (const Row& r :
         {Row{true, 600, false, start + "15,1,-,2;15,600,-,2;"},
          Row{false, 3600, false, start + "15,1,-,2;15,3600,-,2;"}, Row{false, 900, true, start}}) {
        SCOPED_TRACE(r.calls);
        desk.SetScreenSaver(r.active, r.timeout);
        desk.FailSystemParameter(SPI_GETSCREENSAVETIMEOUT, r.readFails);
        const std::size_t from = desk.SpiCalls().size(), slept = desk.Sleeps().size();
        bool armed = false; // on, with a one-second time-out, during the pause
        desk.After(1500,
                   [&] { armed = desk.ScreenSaverActive() && desk.ScreenSaverTimeout() == 1; });
        main->MenuTray_ScreenSaver_Click();
        std::string calls;
        for (std::size_t i = from; i < desk.SpiCalls().size(); ++i) {
            const sim::SpiCall& c = desk.SpiCalls()[i];
            calls += std::to_string(c.action) + "," + std::to_string(c.uiParam) +
                     (c.hasPvParam ? ",pv," : ",-,") + std::to_string(c.fWinIni) + ";";
        }
        EXPECT_EQ(calls, r.calls);
        EXPECT_EQ(desk.Sleeps().size() - slept, r.readFails ? 0u : 1u);
        EXPECT_TRUE(r.readFails || desk.Sleeps().back() == 3000u);
        EXPECT_EQ(armed, !r.readFails);
        EXPECT_TRUE(desk.ScreenSaverActive());
        EXPECT_EQ(desk.ScreenSaverTimeout(), r.timeout);
    }
}

TEST_F(TrayCommandsTest, ClearClipboardEmptiesItOrSaysWhyAndLeavesItAsItWas) {
    Create();
    desk.AddClipboardFormat(1);
    desk.AddClipboardFormat(2);
    main->MenuTray_ClearClipboard_Click();
    main->MenuTray_ClearClipboard_Click(); // already empty: still no word
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

} // namespace
} // namespace pocketry::testing
