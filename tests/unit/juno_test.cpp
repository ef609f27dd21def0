// Finding the Juno client's windows by pattern, bringing a window to the
// front, and the three tray commands that act on Juno's window.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "juno/FindWindowLike_.h"
#include "juno/FocusWindow_.h"
#include "platform/sim/sim_juno.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;
using FindWindowLike_::FindWindowLike;
using FindWindowLike_::Like;

class JunoTest : public ProgramTest {
  protected:
    void SetUp() override { Create(); }
    // The shows since the call numbered `from`, each to `h` and, for another program, async.
    std::vector<int> ShowsTo(Hwnd h, std::size_t from = 0) const {
        std::vector<int> shows;
        for (const sim::ShowWindowCall& c : Since(desk.ShowWindowCalls(), from)) {
            EXPECT_EQ(c.hWnd, h);
            EXPECT_TRUE(c.async);
            shows.push_back(c.cmdShow);
        }
        return shows;
    }
};

TEST(JunoPatternTest, LikeMatchesTheWholeTextCaseSensitively) {
    using Pairs = std::vector<std::pair<const char*, const char*>>; // text, pattern
    const Pairs matching = {
        {"Juno", "Juno"}, {"", ""},          {"", "*"},           {"abc", "*"},
        {"ac", "a*c"},    {"abxbc", "a*bc"}, {"xaybz", "*a*b*"},  {"abc", "a?c"},
        {"a7", "a#"},     {"b", "[a-c]"},    {"d", "[!a-c]"},     {"y", "[xyz]"},
        {"a*c", "a[*]c"}, {"ab", "a[]b"},    {"a?c", "a[?]c"},    {"#32770", "[#]32770"},
        {"abab", "*ab"},  {"aab", "*a?"},    {"xaybzc", "*a*b*c"}};
    // Malformed patterns ("[a", "[c-a]", "x[") match nothing, not even their own text.
    const Pairs other = {{"Juno", "Jun"},  {"Juno", "Junos"},     {"juno", "Juno"},
                         {"abc", "*b"},    {"ac", "a?c"},         {"", "?"},
                         {"ax", "a#"},     {"77", "#"},           {"#", "#"},
                         {"d", "[a-c]"},   {"B", "[a-c]"},        {"b", "[!a-c]"},
                         {"abc", "a[*]c"}, {"32770", "[#]32770"}, {"#327701", "[#]32770"},
                         {"a", "[a"},      {"[a", "[a"},          {"[", "["},
                         {"b", "[c-a]"},   {"b", "[!c-a]"},       {"abc", "*[abc"},
                         {"x", "x["},      {"xaybz", "*a*b*c"}};
    for (const bool match : {true, false}) {
        for (const auto& [text, pattern] : match ? matching : other) {
            EXPECT_EQ(Like(text, pattern), match) << '"' << text << "\" vs " << pattern;
        }
    }
}

TEST(JunoPatternTest, StarsNeverBacktrackWithoutBound) {
    // Four stars against the longest title a window search reads, with no
    // match at the end: a matcher that tries every split takes minutes.
    const std::string title(511, 'a');
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(Like(title, "*a*a*a*a*b"));
    EXPECT_FALSE(Like(title, "*?*#*[a]*[!a]"));
    EXPECT_TRUE(Like(title + "b", "*a*a*a*a*b"));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
}

TEST_F(JunoTest, FindWindowLikeListsEveryMatchOrStopsAtTheFirst) {
    using Found = std::vector<std::pair<Hwnd, std::string>>;
    const auto found = [this] {
        Found f;
        for (const auto& w : app->findWindowLike.FoundWindows) {
            f.emplace_back(w.hWnd, w.Title);
        }
        return f;
    };
    const Hwnd a = desk.AddWindow({.className = "#32770", .title = "Dialog 1"});
    desk.AddWindow({.className = "Edit", .title = "Edit 2"});
    const Hwnd b = desk.AddWindow({.className = "#32770", .title = "Dialog 3"});
    desk.AddWindow({.className = "#32770", .title = "Dialog x"});
    EXPECT_EQ(FindWindowLike(*app, "[#]32770", "*#", false), 2);
    EXPECT_EQ(found(), (Found{{0, ""}, {b, "Dialog 3"}, {a, "Dialog 1"}})); // the newest first
    EXPECT_EQ(static_cast<Hwnd>(FindWindowLike(*app, "[#]32770", "*#", true)), b);
    EXPECT_EQ(found(), (Found{{0, ""}, {b, "Dialog 3"}})); // the search ended at the first match
    for (const bool first : {false, true}) {
        EXPECT_EQ(FindWindowLike(*app, "[#]32770", "Dialog", first), 0);
        EXPECT_EQ(found(), (Found{{0, ""}}));
    }
    // Names of a single character are read whole, an empty title is empty,
    // and long names are compared by their first 511 characters.
    const Hwnd one = desk.AddWindow({.className = "K", .title = "x"});
    EXPECT_EQ(static_cast<Hwnd>(FindWindowLike(*app, "K", "x", true)), one);
    const Hwnd blank = desk.AddWindow({.className = "B"});
    EXPECT_EQ(static_cast<Hwnd>(FindWindowLike(*app, "B", "", true)), blank);
    const std::string head(511, 'c');
    const Hwnd h = desk.AddWindow({.className = head + "DEF", .title = head + "TAIL"});
    EXPECT_EQ(static_cast<Hwnd>(FindWindowLike(*app, head, head, true)), h);
    EXPECT_EQ(found(), (Found{{0, ""}, {h, head}}));
    EXPECT_EQ(FindWindowLike(*app, "*", "*TAIL", true), 0);
    EXPECT_EQ(FindWindowLike(*app, "*DEF", "*", true), 0);
}

TEST_F(JunoTest, TheMainWindowWinsOverTheWelcomeDialogWhichMustBeExact) {
    EXPECT_EQ(main->FindJunoWindow(), 0u);
    desk.AddWindow({.className = "32770", .title = "Welcome to Juno"});
    desk.AddWindow({.className = "#32770", .title = "welcome to juno"});
    desk.AddWindow({.className = "#32770", .title = "Welcome to Jun"});
    EXPECT_EQ(main->FindJunoWindow(), 0u);
    const Hwnd welcome = desk.AddWindow({.className = "#32770", .title = "Welcome to Juno"});
    EXPECT_EQ(main->FindJunoWindow(), welcome);
    desk.RemoveWindow(welcome);
    const Hwnd longer = desk.AddWindow({.className = "#32770", .title = "Welcome to Juno..."});
    EXPECT_EQ(main->FindJunoWindow(), longer);
    const Hwnd junoMain = desk.AddWindow({.className = "JunoMainWndXQW21", .title = "Juno"});
    desk.RemoveWindow(longer);
    desk.AddWindow({.className = "#32770", .title = "Welcome to Juno"}); // newer, in front
    EXPECT_EQ(main->FindJunoWindow(), junoMain);
}

TEST_F(JunoTest, FocusWindowHandsTheForegroundOverAndReportsWhoHadIt) {
    // The foreground window itself, even minimised, and what is no window are left alone.
    const Hwnd first = desk.AddWindow({.className = "Front", .title = "Front", .minimized = true});
    desk.SetForeground(first);
    EXPECT_EQ(FocusWindow_::FocusWindow(*app, first, 3, true), first);
    EXPECT_EQ(FocusWindow_::FocusWindow(*app, 0x7FF0, 3, true), first);
    EXPECT_TRUE(desk.ShowWindowCalls().empty());
    EXPECT_TRUE(desk.SetForegroundCalls().empty());
    EXPECT_TRUE(desk.AttachCalls().empty());
    EXPECT_TRUE(desk.Sleeps().empty());
    struct Row {
        bool otherThread, iconic, restore;
        std::uint32_t wait;
        std::vector<int> shows;
    };
    for (const Row& r :
         {Row{true, false, false, 2, {SW_SHOW}}, Row{false, false, true, 0, {SW_SHOW}},
          Row{true, true, true, 0, {SW_RESTORE, SW_SHOW}}, Row{false, true, false, 1, {SW_SHOW}}}) {
        SCOPED_TRACE(::testing::PrintToString(r.shows) + std::to_string(r.otherThread));
        const Hwnd front = desk.AddWindow({.className = "Front", .title = "Front"});
        desk.SetForeground(front);
        const Hwnd h = desk.AddWindow({.className = "Target",
                                       .threadId = r.otherThread ? 7004 : sim::kOtherThreadId,
                                       .minimized = r.iconic});
        const std::size_t attach = desk.AttachCalls().size(), sleeps = desk.Sleeps().size(),
                          shown = desk.ShowWindowCalls().size();
        EXPECT_EQ(FocusWindow_::FocusWindow(*app, h, static_cast<std::int32_t>(r.wait), r.restore),
                  front);
        EXPECT_EQ(desk.SetForegroundCalls().back(), h);
        EXPECT_EQ(ShowsTo(h, shown), r.shows);
        // Input is shared with the foreground thread only around the hand-over.
        std::vector<std::string> attached;
        for (const sim::AttachThreadInputCall& c : Since(desk.AttachCalls(), attach)) {
            attached.push_back(std::to_string(c.idAttach) + ">" + std::to_string(c.idAttachTo) +
                               (c.attach ? "+" : "-"));
        }
        const std::vector<std::string> shared = {"2004>7004+", "2004>7004-"};
        EXPECT_EQ(attached, r.otherThread ? shared : std::vector<std::string>());
        EXPECT_EQ(Since(desk.Sleeps(), sleeps),
                  std::vector<std::uint32_t>(r.wait == 0 ? 0 : 1, r.wait * 1000u));
    }
}

// A Juno that has stopped answering gets no focus work at all. (A call that
// would wait for a hung window is a simulation error.)
enum class JunoIs { Absent, Welcoming, Shown, Hidden, Minimized, Hung };

struct CommandRow {
    const char* name;
    JunoIs juno; // Juno's window is behind another window; hung, it is minimised
    void (MainForm::*command)();
    std::vector<int> shows;
    bool handedOver;   // the foreground handed to it, input shared only around that
    std::string after; // Juno's window once Juno answers again
};

class JunoCommandTest : public JunoTest, public ::testing::WithParamInterface<CommandRow> {};

TEST_P(JunoCommandTest, EachCommandActsOnJunosWindowAndNeverWaitsOnJunosThread) {
    const CommandRow& row = GetParam();
    sim::SimJuno juno(desk, {.welcomeMs = row.juno == JunoIs::Welcoming ? 20000u : 0u});
    if (row.juno != JunoIs::Absent) {
        const bool shown = row.juno != JunoIs::Minimized && row.juno != JunoIs::Hung;
        juno.Start(shown ? SW_SHOWNORMAL : SW_SHOWMINNOACTIVE);
        desk.RunFor(juno.Script().startDelayMs);
    }
    const Hwnd h = row.juno == JunoIs::Welcoming ? juno.WelcomeDialog() : juno.MainWindow();
    if (row.juno == JunoIs::Hidden) {
        desk.Window(h)->visible = false;
    }
    desk.SetForeground(desk.AddWindow({.className = "Front", .title = "Front"}));
    juno.Hang(row.juno == JunoIs::Hung);
    (main.get()->*row.command)();
    EXPECT_EQ(ShowsTo(h), row.shows);
    EXPECT_EQ(desk.SetForegroundCalls(), std::vector<Hwnd>(row.handedOver ? 1 : 0, h));
    EXPECT_EQ(desk.AttachCalls().size(), row.handedOver ? 2u : 0u);
    EXPECT_TRUE(desk.Sleeps().empty());
    juno.Hang(false);
    desk.RunFor(1);
    if (h != 0) {
        const sim::SimWindow& w = *desk.Window(h);
        EXPECT_EQ(std::string(w.visible ? "visible" : "hidden") + (w.minimized ? " minimized" : ""),
                  row.after);
    }
}

using enum JunoIs;
constexpr auto kHideShow = &MainForm::MenuTrayJuno_HideShow_Click;
constexpr auto kMinRes = &MainForm::MenuTrayJuno_MinRes_Click;
constexpr auto kSwitchTo = &MainForm::MenuTrayJuno_SwitchTo_Click;
const CommandRow kCommands[] = {
    {"HideWithoutJuno", Absent, kHideShow, {}, false, ""},
    {"MinimiseWithoutJuno", Absent, kMinRes, {}, false, ""},
    {"SwitchToWithoutJuno", Absent, kSwitchTo, {}, false, ""},
    {"Hide", Shown, kHideShow, {SW_HIDE}, false, "hidden"},
    {"Show", Hidden, kHideShow, {SW_SHOW}, false, "visible"},
    {"Minimise", Shown, kMinRes, {SW_SHOWMINNOACTIVE}, false, "visible minimized"},
    {"Restore", Minimized, kMinRes, {SW_RESTORE}, false, "visible"},
    {"HideMinimised", Minimized, kHideShow, {SW_HIDE}, false, "hidden minimized"},
    {"SwitchTo", Minimized, kSwitchTo, {SW_SHOW, SW_RESTORE, SW_SHOW}, true, "visible"},
    {"HideHung", Hung, kHideShow, {SW_HIDE}, false, "hidden minimized"},
    {"RestoreHung", Hung, kMinRes, {SW_RESTORE}, false, "visible"},
    {"SwitchToHung", Hung, kSwitchTo, {SW_SHOW}, false, "visible minimized"},
    {"HideWelcome", Welcoming, kHideShow, {SW_HIDE}, false, "hidden"},
    {"MinimiseWelcome", Welcoming, kMinRes, {SW_SHOWMINNOACTIVE}, false, "visible minimized"},
    {"SwitchToWelcome", Welcoming, kSwitchTo, {SW_SHOW}, false, "visible"}};
INSTANTIATE_TEST_SUITE_P(Table, JunoCommandTest, ::testing::ValuesIn(kCommands),
                         RowName<CommandRow>);

} // namespace
} // namespace pocketry::testing
