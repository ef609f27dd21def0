// The message loop and the session's end, message boxes, dialog keys, texts, window
// states and what a window tells about itself, as every implementation keeps them.
#include "contract.h"

namespace pocketry::contract {
namespace {

constexpr std::uint32_t kWM_QUERYENDSESSION = 0x11, kWM_ENDSESSION = 0x16;

// Messages another program sends one after another (none: a close is posted), the unload
// mode the form cancels, and what comes of them. Sent messages are handled inside the wait
// for the next message, which does not return for them: the loop must see the form go anyway.
struct LoopCase {
    const char* name;
    std::vector<SentMessage> sent;
    int cancelMode;                     // -1 none
    Texts log;                          // after the first show's size
    std::vector<std::intptr_t> results; // of the sends
};

TEST_F(ContractTest, TheFormHearsWhatWindowsDeliversAndTheLoopEndsWithIt) {
    constexpr SentMessage query{kWM_QUERYENDSESSION, 0, 0}, end{kWM_ENDSESSION, 1, 0},
        calledOff{kWM_ENDSESSION, 0, 0}, close{kWM_CLOSE, 0, 0};
    const LoopCase rows[] = {
        LoopCase("PostedClose", {}, -1, {"QueryUnload 0", "Unload"}, {}),
        LoopCase("SentClose", {close}, -1, {"QueryUnload 0", "Unload"}, {0}),
        // The session ends: the form goes once.
        LoopCase("SessionEnds", {query, end}, -1, {"QueryUnload 2", "Unload"}, {1, 0}),
        // Called off after the question: the close shows the form stayed.
        LoopCase("SessionCalledOff", {query, calledOff, close}, -1,
                 {"QueryUnload 2", "EndSessionCancelled", "QueryUnload 0", "Unload"}, {1, 0, 0}),
        // A form that refused the session is not told it was called off.
        LoopCase("SessionRefused", {query, calledOff, close}, platform::kUnloadAppWindows,
                 {"QueryUnload 2", "QueryUnload 0", "Unload"}, {0, 0, 0}),
    };
    for (const LoopCase& c : rows) {
        SCOPED_TRACE(c.name);
        events.cancelMode = c.cancelMode;
        auto form = NewForm();
        form->Show();
        events.log.clear();
        std::vector<std::intptr_t> results;
        if (c.sent.empty())
            PostClose(*form);
        else
            bed->SendFromElsewhere(form->hWnd(), c.sent, results);
        EXPECT_TRUE(bed->RunLoop()) << "the loop outlived its last form";
        EXPECT_FALSE(form->Loaded());
        EXPECT_EQ(events.log, c.log);
        EXPECT_EQ(results, c.results);
    }
}

// Who owns a message box, whether the form behind it may be used meanwhile, and the box's
// texts, whole in any script. The main window in the tray is hidden yet made active for its
// menu; a minimised one is off the screen: either would take an owned box out of sight.
enum class FormIs { Shown, NotShown, HiddenButActive, Minimised };

struct BoxCase {
    const char* name;
    FormIs form;
    std::uint32_t style;
    int answer;
    const char* text;
};

// Texts the ANSI code page (1252 in the Wine prefixes) cannot hold: full-width path syntax,
// which "best fit" would turn into "..\", and beyond the 16-bit plane, a surrogate pair.
constexpr const char *kCjk = "日本語 Jünö", *kFullWidth = "．．＼広告",
                     *kSupplementary = "Mail \xF0\x9F\x93\xAC";

TEST_F(ContractTest, TheActiveFormOwnsAMessageBoxAndWaitsDisabledBehindIt) {
    using platform::IDOK, platform::MB_OK;
    const BoxCase rows[] = {
        {"Shown", FormIs::Shown, MB_OK | platform::MB_ICONINFORMATION, IDOK, kCjk},
        {"NotShown", FormIs::NotShown, platform::MB_YESNO, platform::IDYES, kFullWidth},
        {"HiddenButActive", FormIs::HiddenButActive, 0x11040, IDOK, kSupplementary},
        {"Minimised", FormIs::Minimised, MB_OK, IDOK, "Minimised?"},
    };
    for (const BoxCase& c : rows) {
        SCOPED_TRACE(c.name);
        auto form = NewForm();
        if (c.form != FormIs::NotShown)
            form->Show();
        if (c.form == FormIs::HiddenButActive) {
            form->Hide();
            Api().windows.SetForegroundWindow(form->hWnd());
        }
        if (c.form == FormIs::Minimised)
            form->SetWindowState(platform::kStateMinimized);
        const std::string text = c.text, message = text + "\r\n\r\n" + text;
        BoxSeen seen;
        bed->AnswerNextMsgBox(c.answer, form->hWnd(), seen);
        EXPECT_EQ(Api().ui.MsgBox(message, c.style, "Pocketry " + text), c.answer);
        const bool owned = c.form == FormIs::Shown;
        EXPECT_EQ(seen, BoxSeen(owned ? form->hWnd() : 0, !owned, message, "Pocketry " + text));
        EXPECT_TRUE(bed->IsWindowEnabled(form->hWnd())) << "the form was not enabled again";
    }
}

// The keys pressed and the buttons they click. A page switch that hides the focused control
// (a frame's button, here) must not leave the keys with a window nobody sees.
struct KeysCase {
    const char* name;
    std::vector<int> keys;
    std::vector<const char*> disabled, hidden; // controls
    Texts clicked;
    std::vector<int> keysOnceHidden = {}; // at the first click fraBox goes and these follow
};

TEST_F(ContractTest, KeysPressTheButtonTheDialogManagerWould) {
    constexpr int tab = 0x09, enter = 0x0D, escape = 0x1B; // VK_TAB, VK_RETURN, VK_ESCAPE
    const std::vector<int> tabTabEnter = {tab, tab, enter};
    const KeysCase rows[] = {
        // The focused push button is the default.
        {"TabToExit", {tab, enter}, {}, {}, {"cmdExit"}},
        // A frame's controls come at the frame's place.
        {"IntoTheFrame", tabTabEnter, {}, {}, {"cmdInFrame"}},
        // Focus on a text box gives Enter back to the form's default; the label takes none.
        {"TextBoxMeansDefault", {tab, tab, tab, enter}, {}, {}, {"cmdOK"}},
        {"OverADisabledFrame", tabTabEnter, {"cmdExit", "fraBox"}, {}, {"cmdCancel"}},
        {"OverAHiddenFrame", tabTabEnter, {"cmdExit"}, {"fraBox"}, {"cmdCancel"}},
        // Past the last stop Tab comes round to the first.
        {"RoundAgain", {tab, tab, tab, tab, tab, tab, enter}, {}, {}, {"cmdExit"}},
        {"EscapeIsCancel", {tab, escape}, {}, {}, {"cmdCancel"}},
        // The focus moves on to the text box: its Enter is the default, its Tab goes to Cancel.
        {"HiddenFocusThenEnter", tabTabEnter, {}, {}, {"cmdInFrame", "cmdOK"}, {enter}},
        {"HiddenFocusThenTab", tabTabEnter, {}, {}, {"cmdInFrame", "cmdCancel"}, {tab, enter}},
    };
    for (const KeysCase& c : rows) {
        SCOPED_TRACE(c.name);
        auto form = NewForm();
        for (const char* name : c.disabled)
            form->SetEnabled(name, false);
        for (const char* name : c.hidden)
            form->SetControlVisible(name, false);
        form->Show();
        Texts clicked;
        events.onClick = [&](const std::string& control) {
            clicked.push_back(control);
            if (clicked.size() > 1 || c.keysOnceHidden.empty())
                return PostClose(*form);
            form->SetControlVisible("fraBox", false);
            for (int key : c.keysOnceHidden)
                bed->PressKey(*form, key);
        };
        for (int key : c.keys)
            bed->PressKey(*form, key);
        EXPECT_TRUE(bed->RunLoop());
        EXPECT_EQ(clicked, c.clicked);
    }
}

// Texts the ANSI code page cannot hold, shown and read back whole, whether they come with the
// window or later. A stored "Tray Left" of -1 selects no entry of the options drop-down: a
// list shows none until one is chosen, and -1 takes the choice away again; each change
// raises the list's click, as a user's choice does.
TEST_F(ContractTest, AFormShowsAndReadsBackItsTextsWhole) {
    for (const std::string text : {kCjk, kFullWidth, kSupplementary}) {
        SCOPED_TRACE(text);
        platform::FormSpec spec = ContractFormSpec();
        spec.caption = text;
        spec.controls[4].caption = text; // lblName
        auto form = Api().ui.CreateForm(spec, events);
        form->SetText("txtName", text + " 2");
        form->AddItem("cboPick", "Switch to Juno");
        form->AddItem("cboPick", text + " 3");
        auto read = [&] {
            return Texts{form->Caption(),       form->Text("lblName"),
                         form->Text("txtName"), form->ListItem("cboPick", 1),
                         form->Text("cboPick"), std::to_string(form->ListIndex("cboPick"))};
        };
        // The title, then every control in the order they were made.
        auto screen = [&](const std::string& title, const std::string& label,
                          const std::string& choice) {
            return Texts{title, "OK", "Exit", "", "In frame", label, text + " 2", "Cancel", choice};
        };
        events.log.clear();

        EXPECT_EQ(read(), (Texts{text, text, text + " 2", text + " 3", "", "-1"}));
        form->SetListIndex("cboPick", -1);
        form->SetListIndex("cboPick", 1);
        form->Show();
        EXPECT_EQ(bed->ShownTexts(form->hWnd()), screen(text, text, text + " 3"));
        EXPECT_EQ(read(), (Texts{text, text, text + " 2", text + " 3", text + " 3", "1"}));

        form->SetCaption("Options - " + text);
        form->SetText("lblName", text + ":");
        form->SetListIndex("cboPick", -1);
        EXPECT_EQ(bed->ShownTexts(form->hWnd()), screen("Options - " + text, text + ":", ""));
        EXPECT_EQ(read(),
                  (Texts{"Options - " + text, text + ":", text + " 2", text + " 3", "", "-1"}));
        // A click for each change, none for the first -1; the show's size between.
        EXPECT_EQ(events.log, (Texts{"Click cboPick", "Resize", "Click cboPick"}));
    }
}

// Windows tells a top-level window its size at its first show, not when it is made, and then
// at each change of state; a state set while hidden waits for the next show. After each step:
// the sizes it told, and whether the form is visible in which state.
TEST_F(ContractTest, AFormIsToldItsSizeAsWindowsSendsIt) {
    enum Step { Show, Hide, Minimise, Restore };
    using Script = std::vector<std::pair<Step, int>>;
    const Script shownFirst = {{Show, 1},     {Hide, 0}, {Show, 0},    {Hide, 0},
                               {Minimise, 0}, {Show, 1}, {Restore, 1}, {Restore, 0}};
    const Script minimisedFirst = {{Minimise, 0}, {Show, 2}}; // its first size, then its state
    for (const Script& script : {shownFirst, minimisedFirst}) {
        auto form = NewForm();
        bool visible = false;
        int state = platform::kStateNormal;
        for (std::size_t i = 0; i < script.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i + 1) + " of " + std::to_string(script.size()));
            const auto [step, sizes] = script[i];
            events.log.clear();
            if (step == Show || step == Hide) {
                visible = step == Show;
                visible ? form->Show() : form->Hide();
            } else {
                state = step == Minimise ? platform::kStateMinimized : platform::kStateNormal;
                form->SetWindowState(state);
            }
            EXPECT_EQ(events.log, Texts(static_cast<std::size_t>(sizes), "Resize"));
            EXPECT_EQ(std::pair(form->Visible(), form->WindowState()), std::pair(visible, state));
        }
    }
}

// Its thread and process, that it answers, and a shutdown reason it may give (Wine 8 has the
// two calls as failing stubs: it shows none); none of them for a window that is not.
TEST_F(ContractTest, AWindowTellsItsThreadAndProcessAndMayGiveAShutdownReason) {
    auto form = NewForm();
    platform::Windows& w = Api().windows;
    for (const Hwnd h : {form->hWnd(), Hwnd{0x7FF0}}) {
        const bool real = h == form->hWnd(), reason = real && !bed->IsWine();
        SCOPED_TRACE(real ? "the form" : "no window");
        std::uint32_t process = 99;
        const std::uint32_t thread = w.GetWindowThreadProcessId(h, process);
        EXPECT_EQ(thread, w.GetWindowThreadProcessId(h));
        // Thread, process, hung, reason given, reason taken back.
        EXPECT_EQ((std::vector<bool>{thread != 0, process != 0, w.IsHungAppWindow(h),
                                     w.ShutdownBlockReasonCreate(h, "Closing Juno"),
                                     w.ShutdownBlockReasonDestroy(h)}),
                  (std::vector<bool>{real, real, false, reason, reason}));
    }
}

} // namespace
} // namespace pocketry::contract
